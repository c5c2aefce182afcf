#include "engine/Cells.h"

#include "core/Database.h"
#include "platform/Platform.h"

#include <algorithm>

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

void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode)
{
    if (value.IsNull())
        return;

    // A buffer per thread, as two conversions may run at once in one process.
    // The pieces go straight to the file, whose writes are plain copies into
    // its buffer.
    thread_local std::string text;
    ValueToText(value, text);

    const CellClass cellClass = CellClassOf(typeCode);
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

    if (text.capacity() > kKeptBufferBytes)
        std::string().swap(text);
}
