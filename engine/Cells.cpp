#include "engine/Cells.h"

#include "engine/Database.h"
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

// Runs between markers are copied in one piece; each marker is preceded by
// the escape text and then copied itself, exactly as a byte-by-byte walk would.
// The text holds no NUL: callers cut it there.
void AppendEscaped(std::string& out, std::string_view text, std::string_view escape, char marker)
{
    if (marker == '\0') {
        out.append(text);
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const auto hit = text.find(marker, start);
        if (hit == std::string_view::npos) {
            out.append(text.substr(start));
            return;
        }
        out.append(text.substr(start, hit - start));
        out.append(escape);
        out.push_back(marker);
        start = hit + 1;
    }
}

} // namespace

void ValueToText(const Variant& value, std::string& text)
{
    const int32_t code = platform::VariantToText(value, text);
    if (code != HResult::Ok)
        throw EngineError(code);
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
}

void ReplaceLineBreaks(std::string& text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
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
    std::string out;
    AppendEscaped(out, UpToNul(text), settings.Escape, marker);
    file.Write(out);
}

void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode)
{
    if (value.IsNull())
        return;

    // Per-thread buffers, as two conversions may run at once in one process.
    // The cell is put together first and handed to the file in one call: each
    // call into the C library's stream takes its lock.
    thread_local std::string text;
    thread_local std::string cell;
    ValueToText(value, text);
    cell.clear();

    const bool quoted = settings.DoubleQuotes != 0;
    switch (CellClassOf(typeCode)) {
    case CellClass::Number:
        ReplaceCommas(text, settings.ReplaceCommaTo);
        AppendEscaped(cell, text, settings.Escape, '\0');
        break;
    case CellClass::Verbatim:
        if (quoted)
            cell.push_back(kQuote);
        cell.append(text);
        if (quoted)
            cell.push_back(kQuote);
        break;
    case CellClass::Text:
        if (settings.RemoveCRLF != 0)
            ReplaceLineBreaks(text);
        ReplaceCommas(text, settings.ReplaceCommaTo);
        if (settings.CodePage == 2 && !text.empty())
            platform::AnsiToOem(text);
        if (quoted)
            cell.push_back(kQuote);
        AppendEscaped(cell, text, settings.Escape, kQuote);
        if (quoted)
            cell.push_back(kQuote);
        break;
    }
    file.Write(cell);

    if (text.capacity() > kKeptBufferBytes)
        std::string().swap(text);
    if (cell.capacity() > kKeptBufferBytes)
        std::string().swap(cell);
}
