#include "engine/SqlLiterals.h"

#include "engine/BinaryText.h"
#include "engine/IsoDates.h"
#include "engine/PlainNumbers.h"
#include "engine/Utf8Text.h"

namespace {

// The reader's code for Date/Time Extended fields, whose values come as text.
constexpr int16_t kDateTimeExtended = 26;

void AppendHexLiteral(SqlDialect dialect, std::span<const uint8_t> bytes, std::string& out) {
    // decode() reads the same whatever standard_conforming_strings says,
    // where a '\x..' literal would not.
    out += dialect == SqlDialect::Postgres ? "decode('" : "X'";
    AppendHex(bytes, out);
    out += dialect == SqlDialect::Postgres ? "', 'hex')" : "'";
}

void AppendNumber(bool written, std::string& out, TypedTextCounts& counts) {
    if (!written) {
        out += "NULL";
        counts.NotFinite += 1;
    }
}

} // namespace

void AppendSqlString(SqlDialect dialect, std::string_view text, std::string& out) {
    out += '\'';
    std::size_t start = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        const char* escaped = nullptr;
        if (c == '\'')
            escaped = "''";
        else if (dialect == SqlDialect::MySql && c == '\\')
            escaped = "\\\\";
        else if (dialect == SqlDialect::MySql && c == '\0')
            escaped = "\\0";
        else if (dialect == SqlDialect::MySql && c == '\x1a')
            escaped = "\\Z"; // ends input for some Windows clients
        else if (dialect == SqlDialect::MySql && c == '\r')
            escaped = "\\r"; // the client drops a CR before a line's end
        else if (dialect == SqlDialect::MySql && c == '\n')
            escaped = "\\n";
        if (!escaped)
            continue;
        out.append(text.substr(start, k - start));
        out += escaped;
        start = k + 1;
    }
    out.append(text.substr(start));
    out += '\'';
}

void AppendSqlLiteral(SqlDialect dialect, const Field& field, const AttachmentTarget& attachments, std::string& out,
                      TypedTextCounts& counts) {
    const Variant& value = field.Value();
    switch (value.Type) {
    case VarType::Empty:
    case VarType::Null: out += "NULL"; return;
    case VarType::Bool:
        if (dialect == SqlDialect::Sqlite)
            out += value.Bool ? '1' : '0';
        else
            out += value.Bool ? "TRUE" : "FALSE";
        return;
    case VarType::Byte: AppendInteger(value.Byte, out); return;
    case VarType::I2: AppendInteger(value.I2, out); return;
    case VarType::I4: AppendInteger(value.I4, out); return;
    case VarType::I8: AppendInteger(value.I8, out); return;
    case VarType::Currency: AppendCurrency(value.I8, out); return;
    case VarType::Decimal: AppendDecimal(value.Decimal, out); return;
    case VarType::R4: AppendNumber(AppendSingle(value.R4, out), out, counts); return;
    case VarType::R8: AppendNumber(AppendDouble(value.R8, out), out, counts); return;
    case VarType::Date: {
        // Always with the time: the column is a timestamp in every dialect.
        std::string date;
        if (!AppendIsoDate(value.R8, true, ' ', date)) {
            out += "NULL";
            counts.NoText += 1;
            return;
        }
        AppendSqlString(dialect, date, out);
        return;
    }
    case VarType::Bytes: AppendHexLiteral(dialect, value.Bytes, out); return;
    default: break;
    }
    // Everything else is the text the portable CSV cell holds (GUIDs in
    // braces, extended dates in ISO form, lists joined by ';', attachments
    // as the files' names or paths).
    if (field.Type() == kDateTimeExtended && value.Type == VarType::Text) {
        std::string date;
        if (AppendIsoExtendedDate(value.Text, ' ', date)) {
            AppendSqlString(dialect, date, out);
            return;
        }
    }
    std::string text;
    if (!AppendPortableText(field, true, BinaryForm::Hex, attachments, text, counts)) {
        out += "NULL";
        return;
    }
    AppendSqlString(dialect, text, out);
}
