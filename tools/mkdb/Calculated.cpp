#include "tools/mkdb/Calculated.h"

#include "tools/mkdb/PageFormat.h"
#include "tools/mkdb/ValueEncoding.h"

#include <stdexcept>

namespace mkdb {

namespace {

std::string Payload(const ColumnSpec& column, const CellValue& value) {
    ColumnSpec result = column;
    result.type = *column.calculatedResult;
    switch (result.type) {
    case JetType::Boolean: {
        bool on = value.kind == CellValue::Kind::Boolean ? value.boolean : value.integer != 0;
        if (value.kind != CellValue::Kind::Boolean && value.kind != CellValue::Kind::Integer) {
            throw std::runtime_error("column " + column.name + ": expected true or false");
        }
        return std::string(1, on ? '\xFF' : '\x00');
    }
    case JetType::Text:
    case JetType::Memo:
        if (value.kind != CellValue::Kind::Text)
            throw std::runtime_error("column " + column.name + ": expected text");
        return EncodeText(Utf8ToUtf16(value.text), true);
    case JetType::Decimal: {
        // The platform's DECIMAL: reserved word, scale, sign, high 32 bits, low 64 bits.
        std::string column17 = EncodeFixedValue(result, value);
        std::string out(4, '\0');
        out[2] = static_cast<char>(column.scale);
        out[3] = column17[0];
        out.append(column17, 5, 4);  // bits 64..95
        out.append(column17, 13, 4); // bits 0..31
        out.append(column17, 9, 4);  // bits 32..63
        return out;
    }
    default: return EncodeFixedValue(result, value);
    }
}

void AppendName(std::string& out, const std::string& utf8) {
    std::string name = EncodeText(Utf8ToUtf16(utf8), false);
    Append16(out, static_cast<std::uint32_t>(name.size()));
    out += name;
}

void AppendChunk(std::string& blob, std::uint16_t type, const std::string& body) {
    Append32(blob, static_cast<std::uint32_t>(6 + body.size()));
    Append16(blob, type);
    blob += body;
}

} // namespace

std::string EncodeCalculatedValue(const ColumnSpec& column, const CellValue& value) {
    if (value.kind == CellValue::Kind::Bytes)
        return value.text;
    std::string payload = Payload(column, value);
    std::string out(16, '\0');
    Append32(out, static_cast<std::uint32_t>(payload.size()));
    out += payload;
    out.append(3, '\0');
    return out;
}

std::string CalculatedProperties(const std::vector<ColumnSpec>& columns) {
    bool any = false;
    for (const ColumnSpec& c : columns)
        any = any || c.calculatedResult.has_value();
    if (!any)
        return {};
    std::string blob = "MR2";
    blob += '\0';
    std::string names;
    AppendName(names, "ResultType");
    AppendChunk(blob, 0x80, names);
    for (const ColumnSpec& c : columns) {
        if (!c.calculatedResult)
            continue;
        std::string name;
        AppendName(name, c.name);
        std::string body;
        Append32(body, static_cast<std::uint32_t>(4 + name.size()));
        body += name;
        // One entry: length, DDL flag, data type (byte), name index, value length, value.
        Append16(body, 9);
        body += '\0';
        body += '\x02';
        Append16(body, 0);
        Append16(body, 1);
        body += static_cast<char>(*c.calculatedResult);
        AppendChunk(blob, 0x01, body);
    }
    return blob;
}

} // namespace mkdb
