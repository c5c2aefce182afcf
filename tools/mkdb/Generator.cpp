#include "tools/mkdb/Generator.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace {

// splitmix64: tiny, fast and identical on every platform, unlike the
// standard library's distributions.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
};

// Words rather than random letters so the text compresses and reads like
// data; the comma and the quote make CSV quoting necessary.
const char* const kWords[] = {
    "alpha",        "bravo",      "Charlie", "delta",         "echo",     "foxtrot", "golf",   "hotel",  "India",
    "juliet",       "kilo",       "Lima",    "mike",          "november", "oscar",   "papa",   "quebec", "romeo",
    "sierra",       "tango",      "uniform", "victor",        "whiskey",  "x-ray",   "yankee", "zulu",   "caf\xC3\xA9",
    "na\xC3\xAFve", "\"quoted\"", "comma,",  "M\xC3\xBCller", "42",       "3.14"};

std::string Words(Random& random, std::size_t length, bool lineBreaks) {
    std::string out;
    std::size_t characters = 0; // a multibyte letter counts once
    while (characters < length) {
        if (characters > 0) {
            bool lineBreak = lineBreaks && random.next() % 8 == 0 && characters + 2 < length;
            out += lineBreak ? "\r\n" : " ";
            characters += lineBreak ? 2 : 1;
        }
        const char* word = kWords[random.next() % (sizeof kWords / sizeof kWords[0])];
        for (const char* c = word; *c; ++c) {
            bool startsCharacter = (static_cast<unsigned char>(*c) & 0xC0) != 0x80;
            if (startsCharacter) {
                if (characters >= length)
                    break;
                ++characters;
            }
            out += *c;
        }
    }
    return out;
}

std::string Bytes(Random& random, std::size_t length) {
    std::string out(length, '\0');
    for (char& c : out)
        c = static_cast<char>(random.next() & 0xFF);
    return out;
}

std::string Units(std::int64_t units, int scale) {
    // Built by appending only: g++ 12 warns falsely about insert() here at -O2.
    bool negative = units < 0;
    std::string digits = std::to_string(negative ? -units : units);
    auto width = static_cast<std::size_t>(scale) + 1;
    std::string padded(digits.size() < width ? width - digits.size() : 0, '0');
    padded += digits;
    std::string out = negative ? "-" : "";
    std::size_t whole = padded.size() - static_cast<std::size_t>(scale);
    out.append(padded, 0, whole);
    if (scale > 0) {
        out += '.';
        out.append(padded, whole, std::string::npos);
    }
    return out;
}

CellValue Generate(const ColumnSpec& column, const GeneratedColumn& g, Random& random, std::uint64_t rowNumber) {
    auto length = [&](int lo, int hi) {
        int a = g.minLength >= 0 ? g.minLength : lo;
        int b = g.maxLength >= 0 ? g.maxLength : hi;
        if (b < a)
            b = a;
        return static_cast<std::size_t>(random.range(a, b));
    };
    switch (column.type) {
    case JetType::Boolean: return CellValue::fromBool(random.next() & 1);
    case JetType::Byte: return CellValue::fromInt(random.range(0, 255));
    case JetType::Integer: return CellValue::fromInt(random.range(-32768, 32767));
    case JetType::Long:
        if (column.autonumber)
            return CellValue::fromInt(static_cast<std::int64_t>(rowNumber));
        return CellValue::fromInt(random.range(-2147483648LL, 2147483647LL));
    case JetType::Currency: return CellValue::fromText(Units(random.range(-1000000000000LL, 1000000000000LL), 4));
    case JetType::Single: return CellValue::fromReal(static_cast<float>((random.unit() - 0.5) * 2.0e6));
    case JetType::Double: return CellValue::fromReal((random.unit() - 0.5) * 2.0e9);
    case JetType::DateTime: {
        // 1950..2049, whole seconds, as most stored dates are.
        std::int64_t day = random.range(18264, 54788);
        std::int64_t second = random.range(0, 86399);
        return CellValue::fromReal(static_cast<double>(day) + static_cast<double>(second) / 86400.0);
    }
    case JetType::Text: {
        int size = column.size > 0 ? column.size : 255;
        return CellValue::fromText(
            Words(random, std::min<std::size_t>(length(20, 60), static_cast<std::size_t>(size)), false));
    }
    case JetType::Memo: return CellValue::fromText(Words(random, length(100, 3000), true));
    case JetType::Binary: {
        int size = column.size > 0 ? column.size : 255;
        return CellValue::fromBytes(
            Bytes(random, std::min<std::size_t>(length(1, 32), static_cast<std::size_t>(size))));
    }
    case JetType::OLE: return CellValue::fromBytes(Bytes(random, length(10, 6000)));
    case JetType::GUID: return CellValue::fromBytes(Bytes(random, 16));
    case JetType::Complex: return CellValue::null(); // generated attachment columns hold no files
    case JetType::Decimal: {
        std::int64_t limit = 1;
        for (int i = 0; i < std::min(column.precision, 18); ++i)
            limit *= 10;
        return CellValue::fromText(Units(random.range(-(limit - 1), limit - 1), column.scale));
    }
    }
    return {};
}

} // namespace

RowProducer MakeGenerator(const std::vector<ColumnSpec>& columns, const GeneratorSettings& settings) {
    if (!settings.columns.empty() && settings.columns.size() != columns.size()) {
        throw std::runtime_error("generator settings do not match the columns");
    }
    struct State {
        std::vector<ColumnSpec> columns;
        GeneratorSettings settings;
        Random random;
        std::uint64_t produced = 0;
    };
    auto state = std::make_shared<State>(State{columns, settings, Random{settings.seed}, 0});
    state->settings.columns.resize(columns.size());
    return [state](std::vector<CellValue>& row) {
        if (state->produced >= state->settings.rows)
            return false;
        ++state->produced;
        row.resize(state->columns.size());
        for (std::size_t i = 0; i < state->columns.size(); ++i) {
            const ColumnSpec& column = state->columns[i];
            const GeneratedColumn& g = state->settings.columns[i];
            bool isNull = state->random.unit() < g.nullRate && column.type != JetType::Boolean;
            row[i] = isNull ? CellValue::null() : Generate(column, g, state->random, state->produced);
        }
        return true;
    };
}
