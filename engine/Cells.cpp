#include "engine/Cells.h"

#include "engine/BinaryText.h"

#include "core/Database.h"
#include "platform/Platform.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The bytes a cell's text pass must stop at (at most five), and the bytes
// it replaces on the way (at most three, none of them a stop).
class StopBytes {
public:
    static constexpr std::size_t kMaxStops = 5;
    static constexpr std::size_t kMaxMaps = 3;

    // From keptLatinFrom (0x80 or above) up to 0xFE, every byte is the ANSI
    // byte of its own Latin-1 unit and passes every step unchanged.
    StopBytes(std::string_view stops, std::string_view mapFrom, std::string_view mapTo, int keptLatinFrom);
    // Copies the leading run of text that holds no stop to `to`, replaced
    // bytes replaced, and returns its length. May write up to 15 bytes past
    // the run when the text goes on for that long.
    std::size_t CopyRun(const char* text, std::size_t size, char* to) const;
    const bool* Table() const { return isStop_; }
#if defined(__SSE2__)
    __m128i StopMask(__m128i block) const {
        __m128i hits = _mm_cmpeq_epi8(block, stopVectors_[0]);
        for (std::size_t k = 1; k < stopCount_; ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, stopVectors_[k]));
        return hits;
    }
    __m128i Map(__m128i block) const {
        for (std::size_t k = 0; k < mapCount_; ++k) {
            const __m128i hit = _mm_cmpeq_epi8(block, fromVectors_[k]);
            block = _mm_or_si128(_mm_andnot_si128(hit, block), _mm_and_si128(hit, toVectors_[k]));
        }
        return block;
    }
#endif

private:
#if defined(__SSE2__)
    template <UnitShape>
    friend class UnitBlocks;
#endif
    unsigned char stops_[kMaxStops] = {};
    std::size_t stopCount_ = 1; // the slots in use; most texts stop at the quote alone
    bool isStop_[256] = {};
    uint8_t mapped_[256] = {};
    std::size_t mapCount_ = 0;
#if defined(__SSE2__)
    __m128i stopVectors_[kMaxStops] = {}; // each stop in every byte
    __m128i fromVectors_[kMaxMaps] = {};
    __m128i toVectors_[kMaxMaps] = {};
    // Each replaced byte xor its replacement; zero in the slots not in use.
    __m128i flipVectors_[kMaxMaps] = {};
    // The stops, zero in the slots not in use, which a pass over units
    // stops at anyway.
    __m128i unitStopVectors_[kMaxStops] = {};
    // The bytes from 0x80 up to the first Latin-1 byte kept as it is are
    // the ones signed below it.
    __m128i belowKept_ = {};
#endif
};

// The kinds of pass over a stored text's units, by what a block of them
// must be tested for: the fewer the tests, the cheaper the block.
enum class UnitShape : int {
    Plain, // no Latin-1 letter is kept as it is; one stop, two replaced bytes at most
    Latin, // the same, with a run of Latin-1 letters kept as they are
    Extra, // more stops or replaced bytes
};

#if defined(__SSE2__)
// What the passes over a stored text's units do to a block of sixteen of
// them, narrowed to a byte each. Held in the pass's locals: stores through
// char* could otherwise make every block read the vectors again.
template <UnitShape Shape>
class UnitBlocks {
public:
    explicit UnitBlocks(const StopBytes& stops)
        : below_(stops.belowKept_), stop0_(stops.unitStopVectors_[0]), stop1_(stops.unitStopVectors_[1]),
          from0_(stops.fromVectors_[0]), flip0_(stops.flipVectors_[0]), from1_(stops.fromVectors_[1]),
          flip1_(stops.flipVectors_[1]), stopCount_(stops.stopCount_), mapCount_(stops.mapCount_), more_(stops) {}

    // The units that need a step of their own: a stop; a zero, which is a
    // switch, a NUL or a unit from 0x8000 up narrowed; 0xFF, which may be a
    // unit from 0x100 up narrowed; a byte beyond ASCII below the Latin-1
    // ones kept. The replaced bytes are not among them: Mapped replaces them.
    __m128i Steps(__m128i block) const {
        const __m128i stops = _mm_cmpeq_epi8(block, stop0_);
        if constexpr (Shape == UnitShape::Plain) {
            // Every byte but 1..0x7F: moved by 0x7F, those are the ones
            // signed below -1.
            const __m128i moved = _mm_add_epi8(block, _mm_set1_epi8(0x7F));
            return _mm_or_si128(stops, _mm_cmpgt_epi8(moved, _mm_set1_epi8(-2)));
        }
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_setzero_si128()),
                                    _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0xFF))));
        // Signed, the bytes from 0x80 up are the ones below zero.
        hits = _mm_or_si128(hits, _mm_or_si128(stops, _mm_cmplt_epi8(block, below_)));
        if constexpr (Shape == UnitShape::Extra) {
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, stop1_));
            for (std::size_t k = 2; k < stopCount_; ++k)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, more_.unitStopVectors_[k]));
        }
        return hits;
    }
    // The block with its replaced bytes replaced: each byte is one map's at most.
    __m128i Mapped(__m128i block) const {
        __m128i flips = _mm_xor_si128(_mm_and_si128(_mm_cmpeq_epi8(block, from0_), flip0_),
                                      _mm_and_si128(_mm_cmpeq_epi8(block, from1_), flip1_));
        if constexpr (Shape == UnitShape::Extra)
            for (std::size_t k = 2; k < mapCount_; ++k)
                flips = _mm_xor_si128(
                    flips, _mm_and_si128(_mm_cmpeq_epi8(block, more_.fromVectors_[k]), more_.flipVectors_[k]));
        return _mm_xor_si128(block, flips);
    }

private:
    __m128i below_;
    __m128i stop0_, stop1_; // a zero in a slot not in use adds no step
    __m128i from0_, flip0_; // a zero flip in a slot not in use changes nothing
    __m128i from1_, flip1_;
    std::size_t stopCount_, mapCount_;
    const StopBytes& more_; // the stops and maps past the first two
};
#endif

namespace {

constexpr char kQuote = '"';

// Cells are usually short; a buffer that once held a huge memo is given back
// rather than kept for the rest of the thread's life.
constexpr std::size_t kKeptBufferBytes = 1 << 20;

#if defined(__SSE2__)
// The index of the lowest bit set in a mask that is not zero.
int FirstBit(int mask) { return std::countr_zero(static_cast<unsigned>(mask)); }
#endif

// The escape text before a quote: nearly always one byte, which a call to
// memcpy would cost more than.
char* PutEscape(std::string_view escape, char* to) {
    if (escape.size() == 1) {
        *to = escape.front();
        return to + 1;
    }
    std::memcpy(to, escape.data(), escape.size());
    return to + escape.size();
}

// Units of a stored text from p on, at most: one-byte units make it one per byte.
std::size_t UnitsLeft(const uint8_t* p, const uint8_t* end, bool compressed) {
    const auto bytes = static_cast<std::size_t>(end - p);
    return compressed ? bytes : bytes / 2;
}

// Runs between markers are written in one piece; each marker is preceded by
// the escape text and then written itself, exactly as a byte-by-byte walk
// would. A NUL in the text is written as the byte 0 like any other.
void WriteEscapedRuns(OutputFile& file, std::string_view text, std::string_view escape, char marker) {
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

void ValueToText(const Variant& value, std::string& text) {
    const int32_t code = ValueToTextCode(value, text);
    if (code != HResult::Ok)
        throw EngineError(code);
}

int32_t ValueToTextCode(const Variant& value, std::string& text) {
    const int32_t code = platform::VariantToText(value, text);
    if (code != HResult::Ok)
        return code;
    // A text is written whole, a NUL inside it as the byte 0: the value is
    // the user's data, and a cut would lose what follows. A complex column's
    // items keep ending at their first NUL, as their joined text always did.
    if (value.Type != VarType::List)
        return HResult::Ok;
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return HResult::Ok;
}

void ReplaceLineBreaks(std::string& text) {
    // Written as a select on every byte, not a conditional store, so the
    // compiler turns it into vector code: it runs over every text cell.
    for (char& c : text)
        c = (c == '\r' || c == '\n') ? ' ' : c;
}

void ReplaceCommas(std::string& text, std::string_view replacement) {
    // A replacement that starts with NUL is as empty as its C string.
    if (replacement.empty() || replacement.front() == '\0')
        return;
    // Commas are rare; find() skips to them with memchr.
    for (auto at = text.find(','); at != std::string::npos; at = text.find(',', at + 1))
        text[at] = replacement.front();
}

bool QuotesCell(const ConversionSettings& settings, CellClass cellClass, std::string_view written) {
    if (cellClass != CellClass::Number && settings.DoubleQuotes != 0)
        return true;
    // Unquoted, a delimiter inside the text would split the cell in two.
    const std::string_view delimiter = settings.Fields;
    return !delimiter.empty() && written.find(delimiter) != std::string_view::npos;
}

void WriteCellText(const ConversionSettings& settings, OutputFile& file, std::string& text, CellClass cellClass) {
    switch (cellClass) {
    case CellClass::Number: ReplaceCommas(text, settings.ReplaceCommaTo); break;
    case CellClass::Verbatim: break;
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

void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode) {
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
    : settings_(settings), escape_(settings.Escape), quoteAll_(settings.DoubleQuotes != 0) {
    const std::string_view delimiter = settings.Fields;
    const std::string_view replacement = settings.ReplaceCommaTo;
    const bool replaceCommas = !replacement.empty() && replacement.front() != '\0';
    // One delimiter byte can be watched for on the way; a longer delimiter,
    // and the OEM conversion after the replacements, take the general steps.
    fusedText_ = delimiter.size() <= 1 && settings.CodePage != 2;
    delimiter_ = delimiter.empty() ? -1 : static_cast<unsigned char>(delimiter.front());
    plainNumbers_ = !replaceCommas && delimiter.size() <= 1;
    // Written in place, a number takes its comma replacement there.
    scalarNumbers_ = delimiter.size() <= 1;
    comma_ = replaceCommas ? replacement.front() : ',';
    plainVerbatim_ = quoteAll_ || delimiter.size() <= 1;
    asciiText_ = fusedText_ && platform::AnsiTextKeepsAscii();
    for (int type = 0; type <= static_cast<int>(VarType::List); ++type) {
        const auto varType = static_cast<VarType>(type);
        scalarCommas_[type] = replaceCommas && platform::ScalarTextMayHold(varType, ',');
        // A comma replaced may become the delimiter.
        scalarSearch_[type] = delimiter_ >= 0 && (platform::ScalarTextMayHold(varType, static_cast<char>(delimiter_)) ||
                                                  (scalarCommas_[type] && comma_ == static_cast<char>(delimiter_)));
    }
    for (int c = 0; c < 256; ++c) {
        auto mapped = static_cast<unsigned char>(c);
        if (settings.RemoveCRLF != 0 && (c == '\r' || c == '\n'))
            mapped = ' ';
        else if (replaceCommas && c == ',')
            mapped = static_cast<unsigned char>(replacement.front());
        textBytes_[c] = mapped;
        // With every text quoted anyway, a delimiter inside changes nothing.
        const bool delimiter = !quoteAll_ && mapped == delimiter_;
        textKinds_[c] = static_cast<uint8_t>((mapped == kQuote ? kEscapeByte : 0) | (delimiter ? kDelimiterByte : 0));
    }
    std::string stops, from, to;
    for (int c = 0; c < 256; ++c) {
        if (textKinds_[c] != 0) {
            stops.push_back(static_cast<char>(c));
        } else if (textBytes_[c] != c) {
            from.push_back(static_cast<char>(c));
            to.push_back(static_cast<char>(textBytes_[c]));
        }
    }
    unitRoom_ = 1 + escape_.size();
    static_assert(decltype(settings.Escape)::capacity < kEscapeRoom, "the escape text fits its block");
    std::memcpy(escapeBlock_, escape_.data(), std::min(escape_.size(), kEscapeRoom));
    if (asciiText_) {
        std::string bytes;
        for (int c = 0x80; c < 0x100; ++c) {
            platform::WideToAnsi(std::u16string(1, static_cast<char16_t>(c)), bytes);
            bool plain = !bytes.empty() && bytes.size() <= sizeof latin_[0];
            for (const char b : bytes) {
                const auto u = static_cast<unsigned char>(b);
                plain = plain && u != 0 && textKinds_[u] == 0 && textBytes_[u] == u;
            }
            if (!plain)
                continue;
            std::memcpy(latin_[c - 0x80], bytes.data(), bytes.size());
            latinLength_[c - 0x80] = static_cast<uint8_t>(bytes.size());
            unitRoom_ = std::max(unitRoom_, bytes.size());
        }
    }
    // Most single-byte ANSI pages keep the Latin-1 letters where Latin-1 has
    // them: the passes then copy those units with the ASCII ones.
    int keptLatinFrom = 0xFF;
    while (keptLatinFrom > 0x80 && latinLength_[keptLatinFrom - 1 - 0x80] == 1 &&
           latin_[keptLatinFrom - 1 - 0x80][0] == keptLatinFrom - 1)
        --keptLatinFrom;
    if (keptLatinFrom == 0xFF)
        keptLatinFrom = 0x100; // none
    stops_ = std::make_unique<const StopBytes>(stops, from, to, keptLatinFrom);
    unitShape_ = stops.size() > 1 || from.size() > 2 ? UnitShape::Extra
                 : keptLatinFrom < 0x100             ? UnitShape::Latin
                                                     : UnitShape::Plain;
}

TableCellWriter::~TableCellWriter() = default;

bool TableCellWriter::HoldsDelimiter(std::string_view text) const {
    return delimiter_ >= 0 && text.find(static_cast<char>(delimiter_)) != std::string_view::npos;
}

// A few bytes in the file's buffer, with room for a whole block beyond
// them: a call to memchr would cost more than the search.
bool TableCellWriter::HoldsDelimiter(const char* text, std::size_t length) const {
    const auto delimiter = static_cast<char>(delimiter_);
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(delimiter);
    for (std::size_t k = 0; k < length; k += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k));
        auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (length - k < 16)
            hits &= (1u << (length - k)) - 1; // the bytes past the text are not its own
        if (hits != 0)
            return true;
    }
    return false;
#else
    for (std::size_t k = 0; k < length; ++k)
        if (text[k] == delimiter)
            return true;
    return false;
#endif
}

int32_t TableCellWriter::Write(OutputFile& file, const Variant& value, CellClass cellClass) {
    if (value.IsNull())
        return HResult::Ok;
    if (value.Type == VarType::Text && cellClass == CellClass::Text && asciiText_ && WriteAsciiText(file, value.Text))
        return HResult::Ok;
    if ((cellClass == CellClass::Number ? scalarNumbers_ : cellClass == CellClass::Verbatim && plainVerbatim_) &&
        WriteScalar(file, value, cellClass))
        return HResult::Ok;
    return WriteConverted(file, value, cellClass);
}

int32_t TableCellWriter::WriteConverted(OutputFile& file, const Variant& value, CellClass cellClass) {
    if (value.Type == VarType::Bytes && settings_.Binary != BinaryForm::Hex) {
        if (settings_.Binary == BinaryForm::Skip)
            return HResult::Ok;
        text_.clear();
        AppendBase64(value.Bytes, text_);
    } else if (const int32_t code = ValueToTextCode(value, text_); code != HResult::Ok) {
        // One value without a text costs its cell, never the table.
        return code;
    }
    switch (cellClass) {
    case CellClass::Number:
        if (plainNumbers_ && !HoldsDelimiter(text_)) {
            file.Write(text_);
            return HResult::Ok;
        }
        break;
    case CellClass::Verbatim:
        if (quoteAll_) {
            file.Put(kQuote);
            file.Write(text_);
            file.Put(kQuote);
            return HResult::Ok;
        }
        if (settings_.Fields.size() <= 1 && !HoldsDelimiter(text_)) {
            file.Write(text_);
            return HResult::Ok;
        }
        break;
    case CellClass::Text:
        if (fusedText_ && WriteFusedText(file))
            return HResult::Ok;
        break;
    }
    WriteCellText(settings_, file, text_, cellClass);
    if (text_.capacity() > kKeptBufferBytes)
        std::string().swap(text_);
    return HResult::Ok;
}

// The number and Verbatim cases of Write with the value's text formatted in
// the file's buffer: the cell is committed only when it needs no step. False
// when the platform leaves the value to its general conversion.
bool TableCellWriter::WriteScalar(OutputFile& file, const Variant& value, CellClass cellClass) {
    const bool quoted = cellClass == CellClass::Verbatim && quoteAll_;
    // Room for the text, its quotes and the delimiter search's last block.
    char* const start = file.Reserve(kScalarRoom + 16);
    if (start == nullptr)
        return false;
    char* const text = start + (quoted ? 1 : 0);
    const std::size_t length = platform::WriteScalarText(value, text, kScalarRoom);
    if (length == platform::kTextNotWritten)
        return false;
    if (quoted) {
        *start = kQuote;
        text[length] = kQuote;
        file.Commit(length + 2);
        return true;
    }
    const auto type = static_cast<uint8_t>(value.Type);
    if (cellClass == CellClass::Number && scalarCommas_[type])
        std::replace(text, text + length, ',', comma_);
    if (scalarSearch_[type] && HoldsDelimiter(text, length))
        return false;
    file.Commit(length);
    return true;
}

// Line-break and comma replacement, quote escaping and the delimiter search
// in one pass over the text, straight into the file's buffer: the same bytes
// as the general steps, which run one after another over a copy. Runs of
// bytes that none of them touches are found a block at a time and copied.
bool TableCellWriter::WriteFusedText(OutputFile& file) {
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

char* TableCellWriter::PassBytes(std::string_view text, char* to, bool& delimiterSeen) const {
    // Locals, not members: stores through char* could otherwise alias them.
    const char* const from = text.data();
    const std::size_t size = text.size();
    const uint8_t* const kinds = textKinds_;
    const uint8_t* const bytes = textBytes_;
    const StopBytes& stops = *stops_;
    const std::string_view escape = escape_;
    bool seen = false;
    std::size_t i = 0;
    for (;;) {
        const std::size_t run = stops.CopyRun(from + i, size - i, to);
        to += run;
        i += run;
        if (i == size)
            break;
        const auto c = static_cast<unsigned char>(from[i++]);
        const uint8_t kind = kinds[c];
        seen |= (kind & kDelimiterByte) != 0;
        if ((kind & kEscapeByte) != 0)
            to = PutEscape(escape, to);
        *to++ = static_cast<char>(bytes[c]);
    }
    delimiterSeen |= seen;
    return to;
}

std::size_t TableCellWriter::Enclose(char* start, char* end, bool delimiterSeen) const {
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

struct TableCellWriter::ByteSteps {
    const uint8_t* Kinds;
    const uint8_t* Bytes;
    const bool* IsStop;
    const char* Escape; // kEscapeRoom bytes, the escape text first
    std::size_t EscapeLength;

    // Writes the byte's result at `to` (escaped when it is a quote) and
    // returns the end; notes a delimiter on the way. The escape is copied
    // whole, without a call that would cost a pass its vector registers.
    char* Put(unsigned char c, char* to, bool& delimiterSeen) const {
        if (!IsStop[c]) {
            *to++ = static_cast<char>(Bytes[c]);
            return to;
        }
        delimiterSeen |= (Kinds[c] & kDelimiterByte) != 0;
        if ((Kinds[c] & kEscapeByte) != 0) {
            std::memcpy(to, Escape, kEscapeRoom);
            to += EscapeLength;
        }
        *to++ = static_cast<char>(Bytes[c]);
        return to;
    }
};

// Locals, not members: stores through char* could otherwise alias them.
inline TableCellWriter::ByteSteps TableCellWriter::Steps() const {
    return ByteSteps{textKinds_, textBytes_, stops_->Table(), escapeBlock_, escape_.size()};
}

// Most text is ASCII, which the ANSI page keeps as it is (the platform says
// when): a decoded text takes the stored text's pass over its UTF-16 units,
// whose bytes in memory are UTF-16LE on every machine we build for.
bool TableCellWriter::WriteAsciiText(OutputFile& file, std::u16string_view text) {
    static_assert(std::endian::native == std::endian::little, "UTF-16 units are read as UTF-16LE bytes");
    StoredText stored;
    stored.Encoding = StoredText::Form::Utf16;
    stored.Bytes = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size() * sizeof(char16_t));
    return WriteStoredText(file, stored);
}

int32_t TableCellWriter::WriteAttachmentsOr(OutputFile& file, const Field& field, CellClass cellClass) {
    if (field.Type() == DaoType::Attachment && field.AttachedFiles(files_)) {
        if (field.Value().IsNull())
            return HResult::Ok;
        paths_ = platform::AnsiToWide(AttachmentFolder::Joined(attachments_->Write(row_, files_)));
        Variant paths;
        paths.Type = VarType::Text;
        paths.Text = paths_;
        return Write(file, paths, cellClass);
    }
    return cellClass == CellClass::Text ? WriteTextField(file, field) : WriteScalarField(file, field, cellClass);
}

int32_t TableCellWriter::WriteTextField(OutputFile& file, const Field& field) {
    StoredText stored;
    if (asciiText_ && field.StoredTextValue(stored) && WriteStoredText(file, stored))
        return HResult::Ok;
    return Write(file, field.Value(), CellClass::Text);
}

// Numbers and Verbatim cells go straight to their text in place, the checks
// of the general route left out.
int32_t TableCellWriter::WriteScalarField(OutputFile& file, const Field& field, CellClass cellClass) {
    const Variant& value = field.Value();
    if (value.IsNull())
        return HResult::Ok;
    if ((cellClass == CellClass::Number ? scalarNumbers_ : plainVerbatim_) && WriteScalar(file, value, cellClass))
        return HResult::Ok;
    return WriteConverted(file, value, cellClass);
}

// A text cell straight from the stored bytes, with no UTF-16 copy of the
// text between: ASCII units take their steps as they are read, Latin-1 units
// whose ANSI bytes need no step are copied from the table made once, and
// each run of other characters is widened and converted on its own, which
// the platform allows as it allows the ASCII shortcut. False, with nothing kept,
// when the cell may not fit the file's buffer or the bytes are malformed;
// the caller then takes the value, and its decoding raises the reader's error.
bool TableCellWriter::WriteStoredText(OutputFile& file, const StoredText& stored) {
    if (stored.Bytes.size() > kLongTextBytes)
        return WriteLongStoredText(file, stored);
    const bool compressed = stored.Encoding == StoredText::Form::Compressed;
    const uint8_t* p = stored.Bytes.data();
    const uint8_t* const end = p + stored.Bytes.size();
    if (compressed) {
        if (stored.Bytes.size() < 2)
            return false;
        p += 2;
    } else if (stored.Bytes.size() % 2 != 0) {
        return false;
    }
    const std::size_t room = 2 + UnitsLeft(p, end, compressed) * unitRoom_ + kRunSlack;
    char* const start = file.Reserve(room);
    if (start == nullptr)
        return false;
    char* to = start + (quoteAll_ ? 1 : 0);
    bool delimiterSeen = false;
    // Utf16 text is two-byte throughout; compressed text starts one-byte.
    bool oneByte = compressed;
    while (p < end) {
        if (oneByte) {
            to = Pass<1>(p, end, true, to, delimiterSeen);
            if (p == end)
                break;
            if (*p == 0) {
                oneByte = false;
                ++p;
                continue;
            }
        } else {
            to = Pass<2>(p, end, compressed, to, delimiterSeen);
            if (p == end)
                break;
            if (compressed && *p == 0) {
                oneByte = true;
                ++p;
                continue;
            }
            if (end - p < 2)
                return false; // compressed text that ends inside a character
        }
        to = ConvertRun(p, end, compressed, oneByte, start, room, to, delimiterSeen);
        if (to == nullptr)
            return false;
    }
    file.Commit(Enclose(start, to, delimiterSeen));
    if (wide_.capacity() > kKeptBufferBytes)
        std::u16string().swap(wide_);
    return true;
}

// Taken for every stop and replaced byte of a text: inline in the passes.
inline char* TableCellWriter::PutUnit(unsigned unit, char* to, const ByteSteps& steps, bool& delimiterSeen) const {
    if (unit < 0x80)
        return steps.Put(static_cast<unsigned char>(unit), to, delimiterSeen);
    if (unit < 0x100 && latinLength_[unit - 0x80] != 0) {
        std::memcpy(to, latin_[unit - 0x80], sizeof latin_[0]);
        return to + latinLength_[unit - 0x80];
    }
    return nullptr;
}

#if defined(__SSE2__)
namespace {

// Sixteen units from p on, narrowed to a byte each: a two-byte unit above
// 0xFF becomes 0xFF, one from 0x8000 up zero.
template <std::size_t Width>
__m128i LoadUnits(const uint8_t* p) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (Width == 1)
        return first;
    else
        return _mm_packus_epi16(first, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
}

} // namespace
#endif

// Sixteen units at a time, narrowed, replaced and stored as a block; the
// units that need a step of their own take it where the block has them, and
// the rest of the block is stored again after each from a copy, so a block
// is read once however many steps it has. The bytes stored past the last
// one kept are written again.
template <std::size_t Width, UnitShape Shape>
char* TableCellWriter::PassUnits(const uint8_t*& p, const uint8_t* end, bool compressed, char* to,
                                 bool& delimiterSeen) const {
    const ByteSteps steps = Steps();
    // Locals, which stores through char* cannot change.
    bool seen = false;
    const uint8_t* from = p;
#if defined(__SSE2__)
    const UnitBlocks<Shape> blocks(*stops_);
    alignas(16) uint8_t kept[32];
    _mm_store_si128(reinterpret_cast<__m128i*>(kept + 16), _mm_setzero_si128());
    // The block's `count` units from `from` on, of which those in `mask`
    // take a step; false, with `from` at the unit, when one cannot.
    const auto passBlock = [&](__m128i units, std::size_t count, int mask) {
        const __m128i bytes = blocks.Mapped(units);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
        if (mask == 0) {
            to += count;
            from += count * Width;
            return true;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(kept), bytes);
        std::size_t done = 0; // the units of the block whose bytes are in place
        for (; mask != 0; mask &= mask - 1) {
            const auto at = static_cast<std::size_t>(FirstBit(mask));
            to += at - done;
            const uint8_t* const unit = from + at * Width;
            // A zero low byte of a compressed text switches.
            char* const next = (Width == 1 || compressed) && unit[0] == 0
                                   ? nullptr
                                   : PutUnit(Width == 1 ? unit[0] : unit[0] | (unit[1] << 8), to, steps, seen);
            if (next == nullptr) {
                from = unit;
                return false;
            }
            to = next;
            done = at + 1;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(kept + done)));
        }
        to += count - done;
        from += count * Width;
        return true;
    };
    bool going = true;
    while (going && static_cast<std::size_t>(end - from) >= 16 * Width) {
        const __m128i units = LoadUnits<Width>(from);
        going = passBlock(units, 16, _mm_movemask_epi8(blocks.Steps(units)));
    }
    const std::size_t count = static_cast<std::size_t>(end - from) / Width;
    if (going && count != 0) {
        // The last few units of most texts take one block too, from a copy
        // padded with zeros that the mask leaves out.
        alignas(16) uint8_t padded[16 * Width] = {};
        std::memcpy(padded, from, count * Width);
        const __m128i units = LoadUnits<Width>(padded);
        passBlock(units, count, _mm_movemask_epi8(blocks.Steps(units)) & ((1 << count) - 1));
    }
#else
    while (static_cast<std::size_t>(end - from) >= Width && !((Width == 1 || compressed) && from[0] == 0)) {
        // A NUL unit of a UTF-16 text too: the byte 0, as every cell route writes it.
        char* const next = PutUnit(Width == 1 ? from[0] : from[0] | (from[1] << 8), to, steps, seen);
        if (next == nullptr)
            break;
        to = next;
        from += Width;
    }
#endif
    p = from;
    delimiterSeen |= seen;
    return to;
}

template <std::size_t Width>
char* TableCellWriter::Pass(const uint8_t*& p, const uint8_t* end, bool compressed, char* to,
                            bool& delimiterSeen) const {
    switch (unitShape_) {
    case UnitShape::Plain: return PassUnits<Width, UnitShape::Plain>(p, end, compressed, to, delimiterSeen);
    case UnitShape::Latin: return PassUnits<Width, UnitShape::Latin>(p, end, compressed, to, delimiterSeen);
    case UnitShape::Extra: break;
    }
    return PassUnits<Width, UnitShape::Extra>(p, end, compressed, to, delimiterSeen);
}

// A run of characters beyond ASCII, across switches, up to the next ASCII
// character (NUL included) or the end.
char* TableCellWriter::ConvertRun(const uint8_t*& p, const uint8_t* end, bool compressed, bool& oneByte,
                                  const char* start, std::size_t room, char* to, bool& delimiterSeen) {
    if (!GatherUnits(p, end, compressed, oneByte, true, SIZE_MAX))
        return nullptr;
    platform::WideToAnsi(wide_, converted_);
    if (static_cast<std::size_t>(to - start) + (converted_.size() + UnitsLeft(p, end, compressed)) * unitRoom_ + 2 >
        room)
        return nullptr;
    return PassBytes(converted_, to, delimiterSeen);
}

bool TableCellWriter::GatherUnits(const uint8_t*& p, const uint8_t* end, bool compressed, bool& oneByte,
                                  bool untilAscii, std::size_t most) {
    wide_.clear();
    while (p < end) {
        if (oneByte) {
            if (*p == 0) {
                oneByte = false;
                ++p;
                continue;
            }
        } else if (compressed && p[0] == 0) {
            oneByte = true;
            ++p;
            continue;
        } else if (end - p < 2) {
            return false;
        }
        const auto unit = static_cast<char16_t>(oneByte ? *p : p[0] | (p[1] << 8));
        if (untilAscii && unit < 0x80)
            break;
        // The ANSI form of a pair is one character's: it is never split.
        const bool closesPair =
            unit >= 0xDC00 && unit <= 0xDFFF && !wide_.empty() && wide_.back() >= 0xD800 && wide_.back() <= 0xDBFF;
        if (wide_.size() >= most && !closesPair)
            break;
        wide_.push_back(unit);
        p += oneByte ? 1 : 2;
    }
    return true;
}

// The same bytes as WriteStoredText, in slices: the text is walked once to
// learn whether it holds the delimiter (an unquoted cell is enclosed then)
// and once more to write it. Slices of the units convert as the whole text
// does wherever the ASCII shortcut is allowed, which is the only case this
// writer takes stored texts in.
bool TableCellWriter::WriteLongStoredText(OutputFile& file, const StoredText& stored) {
    const bool compressed = stored.Encoding == StoredText::Form::Compressed;
    const uint8_t* const begin = stored.Bytes.data() + (compressed ? 2 : 0);
    const uint8_t* const end = stored.Bytes.data() + stored.Bytes.size();
    if (compressed ? stored.Bytes.size() < 2 : stored.Bytes.size() % 2 != 0)
        return false;
    bool delimiterSeen = false;
    const uint8_t* p = begin;
    bool oneByte = compressed;
    while (p < end) {
        if (!GatherUnits(p, end, compressed, oneByte, false, kSliceUnits))
            return false; // nothing written: the value raises the reader's error
        if (quoteAll_ || delimiter_ < 0 || delimiterSeen)
            continue;
        platform::WideToAnsi(wide_, converted_);
        for (const char c : converted_)
            delimiterSeen |= (textKinds_[static_cast<unsigned char>(c)] & kDelimiterByte) != 0;
    }
    const bool quoted = quoteAll_ || delimiterSeen;
    if (quoted)
        file.Put(kQuote);
    // Pieces whose every byte may take the escape text still fit the buffer.
    const std::size_t piece = std::max<std::size_t>(1, (32 * 1024) / (1 + escape_.size()));
    p = begin;
    oneByte = compressed;
    while (p < end) {
        GatherUnits(p, end, compressed, oneByte, false, kSliceUnits);
        platform::WideToAnsi(wide_, converted_);
        for (std::size_t at = 0; at < converted_.size(); at += piece) {
            const std::string_view part = std::string_view(converted_).substr(at, piece);
            char* const to = file.Reserve(part.size() * (1 + escape_.size()) + 16);
            if (to == nullptr)
                continue; // a closed file takes nothing
            bool ignored = false;
            file.Commit(static_cast<std::size_t>(PassBytes(part, to, ignored) - to));
        }
    }
    if (quoted)
        file.Put(kQuote);
    if (wide_.capacity() > kKeptBufferBytes)
        std::u16string().swap(wide_);
    if (converted_.capacity() > kKeptBufferBytes)
        std::string().swap(converted_);
    return true;
}

StopBytes::StopBytes(std::string_view stops, std::string_view mapFrom, std::string_view mapTo, int keptLatinFrom) {
    // Unused stop slots repeat the first stop (or the quote, when there is
    // none); the block tests look at the slots in use only.
    const char spare = stops.empty() ? '"' : stops.front();
    for (std::size_t k = 0; k < kMaxStops; ++k)
        stops_[k] = static_cast<unsigned char>(k < stops.size() ? stops[k] : spare);
    stopCount_ = std::clamp<std::size_t>(stops.size(), 1, kMaxStops);
    for (int c = 0; c < 256; ++c)
        mapped_[c] = static_cast<uint8_t>(c);
    for (const char stop : stops)
        isStop_[static_cast<unsigned char>(stop)] = true;
    for (const unsigned char stop : stops_)
        isStop_[stop] = true;
    mapCount_ = std::min(mapFrom.size(), kMaxMaps);
    for (std::size_t k = 0; k < mapCount_; ++k)
        mapped_[static_cast<unsigned char>(mapFrom[k])] = static_cast<uint8_t>(mapTo[k]);
#if defined(__SSE2__)
    for (std::size_t k = 0; k < kMaxStops; ++k)
        stopVectors_[k] = _mm_set1_epi8(static_cast<char>(stops_[k]));
    for (std::size_t k = 0; k < mapCount_; ++k) {
        fromVectors_[k] = _mm_set1_epi8(mapFrom[k]);
        toVectors_[k] = _mm_set1_epi8(mapTo[k]);
        flipVectors_[k] = _mm_set1_epi8(static_cast<char>(mapFrom[k] ^ mapTo[k]));
    }
    for (std::size_t k = 0; k < stops.size() && k < kMaxStops; ++k)
        unitStopVectors_[k] = stopVectors_[k];
    belowKept_ = _mm_set1_epi8(static_cast<char>(keptLatinFrom - 256));
#else
    static_cast<void>(keptLatinFrom);
#endif
}

std::size_t StopBytes::CopyRun(const char* text, std::size_t size, char* to) const {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: each block is stored replaced as a whole, and
    // the bytes from its first stop on are written again by the caller.
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), Map(block));
        const int mask = _mm_movemask_epi8(StopMask(block));
        if (mask != 0)
            return i + static_cast<std::size_t>(FirstBit(mask));
    }
#endif
    while (i < size && !isStop_[static_cast<unsigned char>(text[i])]) {
        to[i] = static_cast<char>(mapped_[static_cast<unsigned char>(text[i])]);
        ++i;
    }
    return i;
}
