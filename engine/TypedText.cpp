#include "engine/TypedText.h"

#include "engine/BinaryText.h"
#include "engine/IsoDates.h"
#include "engine/JsonText.h"
#include "engine/PlainNumbers.h"
#include "engine/Utf8Text.h"
#include "platform/Platform.h"
#include "platform/ValueTextCommon.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The reader's code for Date/Time Extended fields, whose values come as text.
constexpr int16_t kDateTimeExtended = 26;

bool IsNumericList(int16_t type) {
    return type == DaoType::ComplexByte || type == DaoType::ComplexInteger || type == DaoType::ComplexLong ||
           type == DaoType::ComplexSingle || type == DaoType::ComplexDouble || type == DaoType::ComplexDecimal;
}

// Whether an item's text is a JSON number as it stands (the reader writes
// numeric items in the C locale; "inf" and "nan" are not numbers).
bool IsJsonNumber(std::u16string_view text) {
    std::size_t k = 0;
    auto digits = [&] {
        const std::size_t start = k;
        while (k < text.size() && text[k] >= u'0' && text[k] <= u'9')
            ++k;
        return k > start;
    };
    if (k < text.size() && text[k] == u'-')
        ++k;
    if (k < text.size() && text[k] == u'0')
        ++k;
    else if (!digits())
        return false;
    if (k < text.size() && text[k] == u'.') {
        ++k;
        if (!digits())
            return false;
    }
    if (k < text.size() && (text[k] == u'e' || text[k] == u'E')) {
        ++k;
        if (k < text.size() && (text[k] == u'+' || text[k] == u'-'))
            ++k;
        if (!digits())
            return false;
    }
    return k == text.size();
}

// Numbers, Booleans and dates: the same text in JSON and in a portable cell
// but for the date's separator. False when the value is not one of them.
bool AppendScalar(const Variant& value, bool withTime, char separator, std::string& out, TypedTextCounts& counts,
                  bool& written) {
    written = true;
    switch (value.Type) {
    case VarType::Bool: out += value.Bool ? "true" : "false"; return true;
    case VarType::Byte: AppendInteger(value.Byte, out); return true;
    case VarType::I2: AppendInteger(value.I2, out); return true;
    case VarType::I4: AppendInteger(value.I4, out); return true;
    case VarType::I8: AppendInteger(value.I8, out); return true;
    case VarType::Currency: AppendCurrency(value.I8, out); return true;
    case VarType::Decimal: AppendDecimal(value.Decimal, out); return true;
    case VarType::R4:
        written = AppendSingle(value.R4, out);
        counts.NotFinite += written ? 0 : 1;
        return true;
    case VarType::R8:
        written = AppendDouble(value.R8, out);
        counts.NotFinite += written ? 0 : 1;
        return true;
    case VarType::Date: {
        // Straight into the output: a date is longer than a short string's
        // own room, and a buffer per value would cost an allocation each.
        const bool json = separator == 'T';
        if (json)
            out += '"';
        written = AppendIsoDate(value.R8, withTime, separator, out);
        if (json && written)
            out += '"';
        else if (json)
            out.pop_back();
        counts.NoText += written ? 0 : 1;
        return true;
    }
    default: return false;
    }
}

// An attachment field's files: the paths they were written to, as the CSV
// cell names them, or each file whole (name, type, size, base64 data).
void AppendJsonAttachments(const Field& field, const std::vector<AttachedFile>& files,
                           const AttachmentTarget& attachments, std::string& out, TypedTextCounts& counts) {
    if (field.Value().IsNull()) {
        out += "null";
        return;
    }
    out += '[';
    if (attachments.Folder) {
        const std::vector<std::string> paths = attachments.Folder->Write(attachments.Row, files);
        for (std::size_t k = 0; k < paths.size(); ++k) {
            if (k != 0)
                out += ',';
            counts.CharactersReplaced += AppendJsonString(platform::AnsiToWide(paths[k]), out);
        }
    } else {
        for (std::size_t k = 0; k < files.size(); ++k) {
            if (k != 0)
                out += ',';
            out += "{\"name\":";
            counts.CharactersReplaced += AppendJsonString(files[k].Name, out);
            out += ",\"type\":";
            counts.CharactersReplaced += AppendJsonString(files[k].Type, out);
            out += ",\"size\":";
            AppendInteger(static_cast<int64_t>(files[k].Data.size()), out);
            out += ",\"data\":\"";
            AppendBase64(files[k].Data, out);
            out += "\"}";
        }
    }
    out += ']';
}

// A multi-valued field's items: numbers as numbers where the item's text is
// one, everything else as strings.
void AppendJsonList(std::span<const std::u16string> items, bool numbers, std::string& out, TypedTextCounts& counts) {
    out += '[';
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k != 0)
            out += ',';
        if (numbers && IsJsonNumber(items[k]))
            AppendUtf8(items[k], out);
        else
            counts.CharactersReplaced += AppendJsonString(items[k], out);
    }
    out += ']';
}

} // namespace

void AppendJsonValue(const Field& field, const AttachmentTarget& attachments, std::string& out,
                     TypedTextCounts& counts) {
    const int16_t type = field.Type();
    std::vector<AttachedFile> files;
    if (type == DaoType::Attachment && field.AttachedFiles(files)) {
        AppendJsonAttachments(field, files, attachments, out, counts);
        return;
    }
    const Variant& value = field.Value();
    bool written = false;
    if (AppendScalar(value, true, 'T', out, counts, written)) {
        if (!written)
            out += "null";
        return;
    }
    switch (value.Type) {
    case VarType::Empty:
    case VarType::Null: out += "null"; return;
    case VarType::Text: {
        if (type == kDateTimeExtended) {
            std::string date;
            if (AppendIsoExtendedDate(value.Text, 'T', date)) {
                AppendJsonUtf8(date, out);
                return;
            }
        }
        counts.CharactersReplaced += AppendJsonString(value.Text, out);
        return;
    }
    case VarType::Bytes:
        out += '"';
        AppendBase64(value.Bytes, out);
        out += '"';
        return;
    case VarType::Guid: {
        std::string guid;
        platform::SetGuidText(value.Guid, guid);
        AppendJsonUtf8(guid, out);
        return;
    }
    case VarType::List: AppendJsonList(value.Items, IsNumericList(type), out, counts); return;
    default: out += "null"; return;
    }
}

bool AppendPortableText(const Field& field, bool withTime, BinaryForm binary, const AttachmentTarget& attachments,
                        std::string& out, TypedTextCounts& counts) {
    const int16_t type = field.Type();
    if (type == DaoType::Attachment && attachments.Folder) {
        std::vector<AttachedFile> files;
        if (field.AttachedFiles(files)) {
            if (field.Value().IsNull())
                return false;
            // The paths are in the system's narrow page; the cell is UTF-8.
            const std::string paths = AttachmentFolder::Joined(attachments.Folder->Write(attachments.Row, files));
            counts.CharactersReplaced += AppendUtf8(platform::AnsiToWide(paths), out);
            return true;
        }
    }
    const Variant& value = field.Value();
    bool written = false;
    if (AppendScalar(value, withTime, ' ', out, counts, written))
        return written;
    switch (value.Type) {
    case VarType::Empty:
    case VarType::Null: return false;
    case VarType::Text:
        if (type == kDateTimeExtended && AppendIsoExtendedDate(value.Text, ' ', out))
            return true;
        counts.CharactersReplaced += AppendUtf8(value.Text, out);
        return true;
    case VarType::Bytes:
        if (binary == BinaryForm::Skip)
            return false;
        if (binary == BinaryForm::Base64)
            AppendBase64(value.Bytes, out);
        else
            AppendHex(value.Bytes, out);
        return true;
    case VarType::Guid: {
        std::string guid;
        platform::SetGuidText(value.Guid, guid);
        out += guid;
        return true;
    }
    case VarType::List:
        for (std::size_t k = 0; k < value.Items.size(); ++k) {
            if (k != 0)
                out += ';';
            counts.CharactersReplaced += AppendUtf8(value.Items[k], out);
        }
        return true;
    default: return false;
    }
}

bool CsvFieldNeedsQuotes(std::string_view text, std::string_view delimiter) {
    // The delimiter's first byte is looked for with the quote, CR and LF,
    // sixteen bytes at a time where the processor can.
    const char first = delimiter.empty() ? '"' : delimiter.front();
    auto hit = [&](std::size_t k) { return text.substr(k, delimiter.size()) == delimiter; };
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'),
                  delimit = _mm_set1_epi8(first);
    for (; k + 16 <= text.size(); k += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + k));
        const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, cr)),
                                             _mm_cmpeq_epi8(block, lf));
        if (_mm_movemask_epi8(special) != 0)
            return true;
        for (auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, delimit))); found != 0;
             found &= found - 1)
            if (hit(k + static_cast<std::size_t>(std::countr_zero(found))))
                return true;
    }
#endif
    for (; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '"' || c == '\r' || c == '\n' || (c == first && hit(k)))
            return true;
    }
    return false;
}

void AppendCsvField(std::string_view text, std::string_view delimiter, bool quoteAlways, std::string& out) {
    const bool quoted = quoteAlways || CsvFieldNeedsQuotes(text, delimiter);
    if (!quoted) {
        out += text;
        return;
    }
    out += '"';
    for (std::size_t start = 0;;) {
        const std::size_t quote = text.find('"', start);
        if (quote == std::string_view::npos) {
            out += text.substr(start);
            break;
        }
        out += text.substr(start, quote + 1 - start);
        out += '"';
        start = quote + 1;
    }
    out += '"';
}

std::string TypedTextWarning(const TypedTextCounts& counts) {
    std::string warning;
    auto add = [&](int64_t count, const char* what) {
        if (count == 0)
            return;
        if (!warning.empty())
            warning += "; ";
        warning += std::to_string(count) + " " + what;
    };
    add(counts.NotFinite, "values not a finite number (NaN or infinity) written without a value");
    add(counts.NoText, "dates outside the years 100 to 9999 written without a value");
    add(counts.CharactersReplaced, "characters that were not valid UTF-16 written as U+FFFD");
    return warning;
}
