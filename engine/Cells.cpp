#include "engine/Cells.h"

#include "core/Database.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char kQuote = '"';

// Cells are usually short; a buffer that once held a huge memo is given back
// rather than kept for the rest of the thread's life.
constexpr std::size_t kKeptBufferBytes = 1 << 20;

// Texts end at their first NUL, as the values' C strings always did.
std::string_view UpToNul(std::string_view text)
{
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// Runs between markers are written in one piece; each marker is preceded by
// the escape text and then written itself, exactly as a byte-by-byte walk
// would. The text holds no NUL: callers cut it there.
void WriteEscapedRuns(OutputFile& file, std::string_view text, std::string_view escape, char marker)
{
    if (marker == '\0') {
        file.Write(text);
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const auto hit = text.find(marker, start);
        if (hit == std::string_view::npos) {
            file.Write(text.substr(start));
            return;
        }
        file.Write(text.substr(start, hit - start));
        file.Write(escape);
        file.Put(marker);
        start = hit + 1;
    }
}

} // namespace

void ValueToText(const Variant& value, std::string& text)
{
    const int32_t code = platform::VariantToText(value, text);
    if (code != HResult::Ok)
        throw EngineError(code);
    // Only texts and the shapes made from stored bytes can carry a NUL;
    // numbers and dates come from digit formatting, and searching every one
    // of them would cost a pass over most cells of an export.
    if (value.Type != VarType::Text && value.Type != VarType::List && value.Type != VarType::Bytes &&
        value.Type != VarType::Guid)
        return;
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
}

void ReplaceLineBreaks(std::string& text)
{
    // Written as a select on every byte, not a conditional store, so the
    // compiler turns it into vector code: it runs over every text cell.
    for (char& c : text)
        c = (c == '\r' || c == '\n') ? ' ' : c;
}

void ReplaceCommas(std::string& text, std::string_view replacement)
{
    // A replacement that starts with NUL is as empty as its C string.
    if (replacement.empty() || replacement.front() == '\0')
        return;
    // Commas are rare; find() skips to them with memchr.
    for (auto at = text.find(','); at != std::string::npos; at = text.find(',', at + 1))
        text[at] = replacement.front();
}

void WriteEscaped(const ConversionSettings& settings, OutputFile& file, std::string_view text, char marker)
{
    WriteEscapedRuns(file, UpToNul(text), settings.Escape, marker);
}

bool QuotesCell(const ConversionSettings& settings, CellClass cellClass, std::string_view written)
{
    if (cellClass != CellClass::Number && settings.DoubleQuotes != 0)
        return true;
    // Unquoted, a delimiter inside the text would split the cell in two.
    const std::string_view delimiter = settings.Fields;
    return !delimiter.empty() && written.find(delimiter) != std::string_view::npos;
}

void WriteCellText(const ConversionSettings& settings, OutputFile& file, std::string& text, CellClass cellClass)
{
    switch (cellClass) {
    case CellClass::Number:
        ReplaceCommas(text, settings.ReplaceCommaTo);
        break;
    case CellClass::Verbatim:
        break;
    case CellClass::Text:
        if (settings.RemoveCRLF != 0)
            ReplaceLineBreaks(text);
        ReplaceCommas(text, settings.ReplaceCommaTo);
        if (settings.CodePage == 2 && !text.empty())
            platform::AnsiToOem(text);
        break;
    }
    const bool quoted = QuotesCell(settings, cellClass, text);
    // Verbatim cells quoted by the setting keep their quotes as they are;
    // every other enclosed cell, and all text, has its quotes escaped.
    const bool escaped =
        cellClass == CellClass::Text || (quoted && !(cellClass == CellClass::Verbatim && settings.DoubleQuotes != 0));
    if (quoted)
        file.Put(kQuote);
    if (escaped)
        WriteEscapedRuns(file, text, settings.Escape, kQuote);
    else
        file.Write(text);
    if (quoted)
        file.Put(kQuote);
}

void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode)
{
    if (value.IsNull())
        return;

    // A buffer per thread, as two conversions may run at once in one process.
    // The pieces go straight to the file, whose writes are plain copies into
    // its buffer.
    thread_local std::string text;
    ValueToText(value, text);
    WriteCellText(settings, file, text, CellClassOf(typeCode));
    if (text.capacity() > kKeptBufferBytes)
        std::string().swap(text);
}

TableCellWriter::TableCellWriter(const ConversionSettings& settings)
    : settings_(settings), escape_(settings.Escape), quoteAll_(settings.DoubleQuotes != 0)
{
    const std::string_view delimiter = settings.Fields;
    const std::string_view replacement = settings.ReplaceCommaTo;
    const bool replaceCommas = !replacement.empty() && replacement.front() != '\0';
    // One delimiter byte can be watched for on the way; a longer delimiter,
    // and the OEM conversion after the replacements, take the general steps.
    fusedText_ = delimiter.size() <= 1 && settings.CodePage != 2;
    delimiter_ = delimiter.empty() ? -1 : static_cast<unsigned char>(delimiter.front());
    plainNumbers_ = !replaceCommas && delimiter.size() <= 1;
    asciiText_ = fusedText_ && platform::AnsiTextKeepsAscii();
    std::string stops(1, kQuote);
    if (delimiter_ >= 0)
        stops.push_back(static_cast<char>(delimiter_));
    if (settings.RemoveCRLF != 0)
        stops.append("\r\n");
    if (replaceCommas)
        stops.push_back(',');
    stops_ = StopBytes(stops);
    for (int c = 0; c < 256; ++c) {
        auto mapped = static_cast<unsigned char>(c);
        if (settings.RemoveCRLF != 0 && (c == '\r' || c == '\n'))
            mapped = ' ';
        else if (replaceCommas && c == ',')
            mapped = static_cast<unsigned char>(replacement.front());
        textBytes_[c] = mapped;
        textKinds_[c] = static_cast<uint8_t>((mapped == kQuote ? kEscapeByte : 0) | (mapped == delimiter_ ? kDelimiterByte : 0));
    }
}

bool TableCellWriter::HoldsDelimiter(std::string_view text) const
{
    return delimiter_ >= 0 && text.find(static_cast<char>(delimiter_)) != std::string_view::npos;
}

void TableCellWriter::Write(OutputFile& file, const Variant& value, CellClass cellClass)
{
    if (value.IsNull())
        return;
    if (value.Type == VarType::Text && cellClass == CellClass::Text && asciiText_ && WriteAsciiText(file, value.Text))
        return;
    ValueToText(value, text_);
    switch (cellClass) {
    case CellClass::Number:
        if (plainNumbers_ && !HoldsDelimiter(text_)) {
            file.Write(text_);
            return;
        }
        break;
    case CellClass::Verbatim:
        if (quoteAll_) {
            file.Put(kQuote);
            file.Write(text_);
            file.Put(kQuote);
            return;
        }
        if (settings_.Fields.size() <= 1 && !HoldsDelimiter(text_)) {
            file.Write(text_);
            return;
        }
        break;
    case CellClass::Text:
        if (fusedText_ && WriteFusedText(file))
            return;
        break;
    }
    WriteCellText(settings_, file, text_, cellClass);
    if (text_.capacity() > kKeptBufferBytes)
        std::string().swap(text_);
}

// Line-break and comma replacement, quote escaping and the delimiter search
// in one pass over the text, straight into the file's buffer: the same bytes
// as the general steps, which run one after another over a copy. Runs of
// bytes that none of them touches are found a block at a time and copied.
bool TableCellWriter::WriteFusedText(OutputFile& file)
{
    const std::size_t room = 2 + text_.size() * (1 + escape_.size());
    char* const start = file.Reserve(room);
    if (start == nullptr)
        return false;
    char* const first = start + (quoteAll_ ? 1 : 0);
    bool delimiterSeen = false;
    char* const end = PassBytes(text_, first, delimiterSeen);
    file.Commit(Enclose(start, end, delimiterSeen));
    return true;
}

char* TableCellWriter::PassBytes(std::string_view text, char* to, bool& delimiterSeen) const
{
    // Locals, not members: stores through char* could otherwise alias them.
    const char* const from = text.data();
    const std::size_t size = text.size();
    const uint8_t* const kinds = textKinds_;
    const uint8_t* const bytes = textBytes_;
    const StopBytes& stops = stops_;
    const std::string_view escape = escape_;
    bool seen = false;
    std::size_t i = 0;
    for (;;) {
        const std::size_t run = stops.PlainRun(from + i, size - i);
        std::memcpy(to, from + i, run);
        to += run;
        i += run;
        if (i == size)
            break;
        const auto c = static_cast<unsigned char>(from[i++]);
        const uint8_t kind = kinds[c];
        seen |= (kind & kDelimiterByte) != 0;
        if ((kind & kEscapeByte) != 0) {
            std::memcpy(to, escape.data(), escape.size());
            to += escape.size();
        }
        *to++ = static_cast<char>(bytes[c]);
    }
    delimiterSeen |= seen;
    return to;
}

std::size_t TableCellWriter::Enclose(char* start, char* end, bool delimiterSeen) const
{
    if (!quoteAll_ && delimiterSeen) {
        // Unquoted text holding the delimiter is enclosed after all.
        std::memmove(start + 1, start, static_cast<std::size_t>(end - start));
        ++end;
    }
    if (quoteAll_ || delimiterSeen) {
        *start = kQuote;
        *end++ = kQuote;
    }
    return static_cast<std::size_t>(end - start);
}

// Most stored text is ASCII, which the ANSI page keeps as it is (the
// platform says when): such characters need no conversion at all, and only
// the runs of others are converted. Every byte then takes the same steps as
// in WriteFusedText. False, with nothing kept, when the cell may not fit the
// file's buffer.
bool TableCellWriter::WriteAsciiText(OutputFile& file, std::u16string_view text)
{
    const std::size_t size = text.size();
    // Room for ASCII; runs of other characters are checked as they come.
    const std::size_t room = 2 + size * (1 + escape_.size()) + kRunSlack;
    char* const start = file.Reserve(room);
    if (start == nullptr)
        return false;
    const char16_t* const from = text.data();
    const uint8_t* const kinds = textKinds_;
    const uint8_t* const bytes = textBytes_;
    const bool* const isStop = stops_.Table();
    const std::string_view escape = escape_;
    char* to = start + (quoteAll_ ? 1 : 0);
    bool delimiterSeen = false;
    std::size_t i = 0;
    while (i < size) {
#if defined(__SSE2__)
        // Eight units at a time while they are plain ASCII: narrowed with
        // saturation, a unit above 0x7F keeps its top bit set.
        const __m128i zero = _mm_setzero_si128();
        while (i + 8 <= size) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            const __m128i narrow = _mm_packus_epi16(units, units);
            __m128i hits = _mm_cmpeq_epi8(narrow, zero);
            const __m128i* const stops = stops_.Vectors();
            for (std::size_t k = 0; k < StopBytes::kMaxStops; ++k)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi8(narrow, stops[k]));
            if (((_mm_movemask_epi8(hits) | _mm_movemask_epi8(narrow)) & 0xFF) != 0)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to), narrow);
            to += 8;
            i += 8;
        }
        if (i == size)
            break;
#endif
        const char16_t unit = from[i];
        if (unit == 0)
            break; // texts end at their first NUL
        if (unit < 0x80) {
            ++i;
            const auto c = static_cast<unsigned char>(unit);
            if (!isStop[c]) {
                *to++ = static_cast<char>(c);
                continue;
            }
            delimiterSeen |= (kinds[c] & kDelimiterByte) != 0;
            if ((kinds[c] & kEscapeByte) != 0) {
                std::memcpy(to, escape.data(), escape.size());
                to += escape.size();
            }
            *to++ = static_cast<char>(bytes[c]);
            continue;
        }
        // The rest of the text is converted at once (ASCII before a
        // character keeps the pieces apart) and its bytes take their steps.
        const std::size_t nul = text.find(u'\0', i);
        platform::WideToAnsi(text.substr(i, nul == std::u16string_view::npos ? nul : nul - i), converted_);
        if (static_cast<std::size_t>(to - start) + converted_.size() * (1 + escape.size()) + 2 > room)
            return false;
        to = PassBytes(converted_, to, delimiterSeen);
        break;
    }
    file.Commit(Enclose(start, to, delimiterSeen));
    return true;
}

StopBytes::StopBytes(std::string_view stops)
{
    // Unused slots repeat the first byte, so every test looks at all of them.
    for (std::size_t k = 0; k < kMaxStops; ++k)
        stops_[k] = static_cast<unsigned char>(stops[k < stops.size() ? k : 0]);
    for (int c = 0; c < 256; ++c)
        isStop_[c] = stops.find(static_cast<char>(c)) != std::string_view::npos;
#if defined(__SSE2__)
    for (std::size_t k = 0; k < kMaxStops; ++k)
        vectors_[k] = _mm_set1_epi8(static_cast<char>(stops_[k]));
#endif
}

std::size_t StopBytes::PlainRun(const char* text, std::size_t size) const
{
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time against every stop.
    const __m128i* const stops = vectors_;
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i hits = _mm_cmpeq_epi8(block, stops[0]);
        for (std::size_t k = 1; k < kMaxStops; ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, stops[k]));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    // Eight bytes at a time: a byte equal to a stop gives a zero byte in the
    // XOR, and the classic test finds a zero byte in a word.
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, sizeof word);
        uint64_t hits = 0;
        for (const unsigned char stop : stops_) {
            const uint64_t x = word ^ (kOnes * stop);
            hits |= (x - kOnes) & ~x & kHighs;
        }
        if (hits != 0)
            break;
    }
    while (i < size && !isStop_[static_cast<unsigned char>(text[i])])
        ++i;
    return i;
}
