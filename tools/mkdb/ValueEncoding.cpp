#include "tools/mkdb/ValueEncoding.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

void PutLE(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

[[noreturn]] void Bad(const ColumnSpec& column, const std::string& what) {
    throw std::runtime_error("column " + column.name + ": " + what);
}

std::int64_t IntegerOf(const ColumnSpec& column, const CellValue& value) {
    switch (value.kind) {
    case CellValue::Kind::Integer: return value.integer;
    case CellValue::Kind::Boolean: return value.boolean ? -1 : 0;
    case CellValue::Kind::Real:
        if (std::nearbyint(value.real) != value.real || std::fabs(value.real) > 9.2e18) {
            Bad(column, "not a whole number");
        }
        return static_cast<std::int64_t>(value.real);
    case CellValue::Kind::Text: {
        bool negative = false;
        unsigned __int128 magnitude = ScaledDecimal(value.text, 0, negative);
        if (magnitude > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max())) {
            Bad(column, "number out of range");
        }
        auto v = static_cast<std::int64_t>(magnitude);
        return negative ? -v : v;
    }
    default: Bad(column, "expected a number");
    }
}

double RealOf(const ColumnSpec& column, const CellValue& value) {
    switch (value.kind) {
    case CellValue::Kind::Real: return value.real;
    case CellValue::Kind::Integer: return static_cast<double>(value.integer);
    case CellValue::Kind::Text: {
        std::size_t used = 0;
        double v = 0;
        try {
            v = std::stod(value.text, &used);
        } catch (const std::exception&) {
            Bad(column, "not a number: " + value.text);
        }
        if (used != value.text.size())
            Bad(column, "not a number: " + value.text);
        return v;
    }
    default: Bad(column, "expected a number");
    }
}

std::int64_t CheckedRange(const ColumnSpec& column, std::int64_t v, std::int64_t lo, std::int64_t hi) {
    if (v < lo || v > hi)
        Bad(column, std::to_string(v) + " out of range");
    return v;
}

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string GuidBytes(const ColumnSpec& column, const std::string& text) {
    // {8E39276A-BCA8-4AC4-891E-49911D8438DD}: the first three groups are
    // little-endian numbers, the last two are stored as written.
    std::string digits;
    std::string body = text;
    if (body.size() == 38 && body.front() == '{' && body.back() == '}')
        body = body.substr(1, 36);
    if (body.size() != 36 || body[8] != '-' || body[13] != '-' || body[18] != '-' || body[23] != '-') {
        Bad(column, "not a GUID: " + text);
    }
    for (char c : body) {
        if (c == '-')
            continue;
        if (HexDigit(c) < 0)
            Bad(column, "not a GUID: " + text);
        digits += c;
    }
    std::string raw = HexToBytes(digits);
    std::string out;
    for (int i : {3, 2, 1, 0, 5, 4, 7, 6})
        out += raw[static_cast<std::size_t>(i)];
    out += raw.substr(8);
    return out;
}

} // namespace

std::string HexToBytes(const std::string& hex) {
    if (hex.size() % 2 != 0)
        throw std::runtime_error("odd number of hex digits");
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            throw std::runtime_error("invalid hex digit in \"" + hex + "\"");
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    while (i < utf8.size()) {
        unsigned char lead = byte(i);
        char32_t cp;
        int extra;
        if (lead < 0x80) {
            cp = lead;
            extra = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            cp = lead & 0x1F;
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0F;
            extra = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            cp = lead & 0x07;
            extra = 3;
        } else
            throw std::runtime_error("invalid UTF-8 text");
        if (i + static_cast<std::size_t>(extra) >= utf8.size() && extra != 0) {
            throw std::runtime_error("truncated UTF-8 text");
        }
        for (int k = 1; k <= extra; ++k) {
            unsigned char c = byte(i + static_cast<std::size_t>(k));
            if ((c & 0xC0) != 0x80)
                throw std::runtime_error("invalid UTF-8 text");
            cp = (cp << 6) | (c & 0x3F);
        }
        static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            throw std::runtime_error("invalid UTF-8 text");
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeText(const std::u16string& text, bool allowCompression) {
    bool compressible = allowCompression && !text.empty();
    for (char16_t c : text) {
        // A zero low byte would read as a mode switch, so only 1..255 compress.
        if (c == 0 || c > 0xFF) {
            compressible = false;
            break;
        }
    }
    std::string out;
    if (compressible) {
        out.reserve(text.size() + 2);
        out += '\xFF';
        out += '\xFE';
        for (char16_t c : text)
            out += static_cast<char>(c);
        return out;
    }
    out.reserve(text.size() * 2);
    for (char16_t c : text)
        PutLE(out, c, 2);
    return out;
}

double DayNumberFromText(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milli = 0;
    auto fail = [&]() -> double { throw std::runtime_error("not a date: \"" + text + "\""); };
    std::size_t pos = 0;
    auto number = [&](int digits, int& out) {
        if (pos + static_cast<std::size_t>(digits) > text.size())
            return false;
        int v = 0;
        for (int k = 0; k < digits; ++k) {
            char c = text[pos + static_cast<std::size_t>(k)];
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        out = v;
        pos += static_cast<std::size_t>(digits);
        return true;
    };
    auto literal = [&](char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    };
    if (!number(4, year) || !literal('-') || !number(2, month) || !literal('-') || !number(2, day))
        fail();
    if (pos < text.size()) {
        if (!literal(' ') && !literal('T'))
            fail();
        if (!number(2, hour) || !literal(':') || !number(2, minute))
            fail();
        if (literal(':')) {
            if (!number(2, second))
                fail();
            if (literal('.')) {
                if (!number(3, milli))
                    fail();
            }
        }
        if (pos != text.size())
            fail();
    }
    static const int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 100 || month < 1 || month > 12 || day < 1 ||
        day > kMonthDays[month - 1] - ((month == 2 && !leap) ? 1 : 0) || hour > 23 || minute > 59 || second > 59) {
        fail();
    }
    long long days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DaysFromCivil(1899, 12, 30);
    double fraction = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + milli) / 86400000.0;
    // The integer part is the day and the fraction is always the time of day,
    // also before the epoch.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

unsigned __int128 ScaledDecimal(const std::string& text, int scale, bool& negative) {
    auto fail = [&]() -> unsigned __int128 {
        throw std::runtime_error("not an exact decimal for scale " + std::to_string(scale) + ": \"" + text + "\"");
    };
    std::size_t pos = 0;
    negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    unsigned __int128 magnitude = 0;
    int digits = 0, fractionDigits = 0;
    bool seenPoint = false, any = false;
    const unsigned __int128 limit = []() {
        unsigned __int128 v = 1;
        for (int i = 0; i < 28; ++i)
            v *= 10;
        return v;
    }();
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            fail();
        any = true;
        if (seenPoint) {
            if (fractionDigits == scale) {
                if (c != '0')
                    fail(); // digits beyond the scale would be lost
                continue;
            }
            ++fractionDigits;
        }
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (magnitude != 0)
            ++digits;
        if (magnitude >= limit)
            fail();
    }
    if (!any)
        fail();
    for (; fractionDigits < scale; ++fractionDigits) {
        magnitude *= 10;
        if (magnitude >= limit)
            fail();
    }
    if (magnitude == 0)
        negative = false;
    return magnitude;
}

int FixedSize(JetType type) {
    switch (type) {
    case JetType::Boolean: return 1;
    case JetType::Byte: return 1;
    case JetType::Integer: return 2;
    case JetType::Long: return 4;
    case JetType::Currency: return 8;
    case JetType::Single: return 4;
    case JetType::Double: return 8;
    case JetType::DateTime: return 8;
    case JetType::GUID: return 16;
    case JetType::Decimal: return 17;
    case JetType::Complex: return 4;
    default: return 0;
    }
}

namespace {

// Currency: units of 1/10000 as a 64-bit two's complement number.
std::string EncodeCurrency(const ColumnSpec& column, const CellValue& value) {
    std::string out;
    std::int64_t units = 0;
    if (value.kind == CellValue::Kind::Text) {
        bool negative = false;
        unsigned __int128 m = ScaledDecimal(value.text, 4, negative);
        // Two's complement reaches one unit further below zero than above it.
        const auto limit =
            static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
        if (m > limit) {
            Bad(column, "currency out of range");
        }
        units = negative ? static_cast<std::int64_t>(-static_cast<__int128>(m)) : static_cast<std::int64_t>(m);
    } else if (value.kind == CellValue::Kind::Integer) {
        if (value.integer > std::numeric_limits<std::int64_t>::max() / 10000 ||
            value.integer < std::numeric_limits<std::int64_t>::min() / 10000) {
            Bad(column, "currency out of range");
        }
        units = value.integer * 10000;
    } else {
        double scaled = std::nearbyint(RealOf(column, value) * 10000.0);
        if (!(std::fabs(scaled) < 9.2e18))
            Bad(column, "currency out of range");
        units = static_cast<std::int64_t>(scaled);
    }
    PutLE(out, static_cast<std::uint64_t>(units), 8);
    return out;
}

// Decimal: a sign byte, then the magnitude in the column's scale.
std::string EncodeDecimal(const ColumnSpec& column, const CellValue& value) {
    std::string out;
    std::string digits;
    if (value.kind == CellValue::Kind::Text)
        digits = value.text;
    else if (value.kind == CellValue::Kind::Integer)
        digits = std::to_string(value.integer);
    else
        Bad(column, "decimal values must be given exactly (as text or integers)");
    bool negative = false;
    unsigned __int128 m;
    try {
        m = ScaledDecimal(digits, column.scale, negative);
    } catch (const std::runtime_error& e) {
        Bad(column, e.what());
    }
    out += negative ? '\x80' : '\x00';
    // Four 32-bit little-endian words, most significant word first.
    for (int word = 3; word >= 0; --word) {
        PutLE(out, static_cast<std::uint64_t>((m >> (32 * word)) & 0xFFFFFFFFu), 4);
    }
    return out;
}

} // namespace

std::string EncodeFixedValue(const ColumnSpec& column, const CellValue& value) {
    std::string out;
    switch (column.type) {
    case JetType::Byte:
        PutLE(out, static_cast<std::uint64_t>(CheckedRange(column, IntegerOf(column, value), 0, 255)), 1);
        break;
    case JetType::Integer:
        PutLE(out, static_cast<std::uint64_t>(CheckedRange(column, IntegerOf(column, value), -32768, 32767)), 2);
        break;
    case JetType::Long:
    case JetType::Complex:
        PutLE(out,
              static_cast<std::uint64_t>(CheckedRange(column, IntegerOf(column, value),
                                                      std::numeric_limits<std::int32_t>::min(),
                                                      std::numeric_limits<std::int32_t>::max())),
              4);
        break;
    case JetType::Currency: return EncodeCurrency(column, value);
    case JetType::Single: {
        float f = static_cast<float>(RealOf(column, value));
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        PutLE(out, bits, 4);
        break;
    }
    case JetType::Double:
    case JetType::DateTime: {
        double d = column.type == JetType::DateTime && value.kind == CellValue::Kind::Text
                       ? DayNumberFromText(value.text)
                       : RealOf(column, value);
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        PutLE(out, bits, 8);
        break;
    }
    case JetType::GUID:
        if (value.kind == CellValue::Kind::Bytes && value.text.size() == 16)
            return value.text;
        if (value.kind != CellValue::Kind::Text)
            Bad(column, "expected a GUID string");
        return GuidBytes(column, value.text);
    case JetType::Decimal: return EncodeDecimal(column, value);
    default: Bad(column, "not a fixed-length type");
    }
    return out;
}

std::string EncodeVariableValue(const ColumnSpec& column, const CellValue& value) {
    switch (column.type) {
    case JetType::Text:
    case JetType::Memo: {
        if (value.kind != CellValue::Kind::Text)
            Bad(column, "expected text");
        std::u16string wide = Utf8ToUtf16(value.text);
        if (column.type == JetType::Text) {
            int limit = column.size > 0 ? column.size : 255;
            if (wide.size() > static_cast<std::size_t>(limit)) {
                Bad(column, "text longer than " + std::to_string(limit) + " characters");
            }
        }
        // Long texts are stored uncompressed beyond 1024 characters, as the
        // engine does; readers must handle both forms either way.
        bool allow = column.type == JetType::Text || wide.size() <= 1024;
        return EncodeText(wide, allow);
    }
    case JetType::Binary:
    case JetType::OLE: {
        if (value.kind != CellValue::Kind::Bytes)
            Bad(column, "expected bytes");
        if (column.type == JetType::Binary) {
            int limit = column.size > 0 ? column.size : 255;
            if (value.text.size() > static_cast<std::size_t>(limit)) {
                Bad(column, "binary value longer than " + std::to_string(limit) + " bytes");
            }
        }
        return value.text;
    }
    default: Bad(column, "not a variable-length type");
    }
}
