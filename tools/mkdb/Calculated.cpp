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
    const disk::PropertyBlob& f = disk::kPropertyBlob;
    std::string header(f.chunkBody, '\0');
    Set32(header, f.chunkLength, static_cast<std::uint32_t>(f.chunkBody + body.size()));
    Set16(header, f.chunkType, type);
    blob += header + body;
}

// A one-byte property: its entry names it by its place in the name list.
std::string ByteProperty(std::uint16_t nameIndex, std::uint8_t dataType, std::uint8_t value) {
    const disk::PropertyBlob& f = disk::kPropertyBlob;
    std::string entry(f.entryValue, '\0');
    Set16(entry, f.entryLength, static_cast<std::uint32_t>(f.entryValue + 1));
    entry[f.entryType] = static_cast<char>(dataType);
    Set16(entry, f.entryName, nameIndex);
    Set16(entry, f.entryValueLength, 1);
    return entry + static_cast<char>(value);
}

} // namespace

std::string EncodeCalculatedValue(const ColumnSpec& column, const CellValue& value) {
    if (value.kind == CellValue::Kind::Bytes)
        return value.text;
    const disk::CalculatedValue& f = disk::kCalculatedValue;
    std::string payload = Payload(column, value);
    std::string out(f.payload, '\0');
    Set32(out, f.payloadLength, static_cast<std::uint32_t>(payload.size()));
    out += payload;
    out.append(f.trailerSize, '\0');
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
        std::string body(disk::kPropertyBlob.blockName, '\0');
        Set32(body, disk::kPropertyBlob.blockLength, static_cast<std::uint32_t>(body.size() + name.size()));
        body += name;
        // ResultType, the first name, holds the result's type code in a Byte (2).
        body += ByteProperty(0, 0x02, static_cast<std::uint8_t>(*c.calculatedResult));
        AppendChunk(blob, 0x01, body);
    }
    return blob;
}

} // namespace mkdb
