#include "tools/mkdb/Attachments.h"

#include "tools/mkdb/ValueEncoding.h"

#include <cstdio>
#include <stdexcept>

namespace mkdb {

namespace {

void PutLE32(std::string& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<char>(v >> (8 * k)));
}

// A zlib stream of one block of fixed codes, every byte a literal: no
// compression to speak of, but the form the reader must decode.
std::string Deflate(const std::string& data) {
    std::string out = "\x78\x01";
    std::uint32_t buffer = 0;
    int held = 0;
    auto bits = [&](std::uint32_t value, int count) { // least significant bit first
        buffer |= value << held;
        held += count;
        while (held >= 8) {
            out.push_back(static_cast<char>(buffer & 0xFF));
            buffer >>= 8;
            held -= 8;
        }
    };
    auto code = [&](std::uint32_t value, int length) { // Huffman codes go most significant bit first
        std::uint32_t reversed = 0;
        for (int k = 0; k < length; ++k)
            reversed |= ((value >> k) & 1u) << (length - 1 - k);
        bits(reversed, length);
    };
    bits(1, 1); // last block
    bits(1, 2); // fixed codes
    for (const char c : data) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 144)
            code(0x30 + byte, 8);
        else
            code(0x190 + (byte - 144), 9);
    }
    code(0, 7); // end of block
    if (held > 0)
        bits(0, 8 - held);
    std::uint32_t a = 1, b = 0;
    for (const char c : data) {
        a = (a + static_cast<std::uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    const std::uint32_t adler = (b << 16) | a;
    for (int k = 3; k >= 0; --k)
        out.push_back(static_cast<char>(adler >> (8 * k)));
    return out;
}

ColumnSpec Column(const std::string& name, JetType type, bool autonumber = false) {
    ColumnSpec c;
    c.name = name;
    c.type = type;
    c.autonumber = autonumber;
    return c;
}

// The columns of the attachment template, in the order Access lists them.
std::vector<ColumnSpec> TemplateColumns() {
    return {Column("FileData", JetType::OLE),  Column("FileFlags", JetType::Long),
            Column("FileName", JetType::Text), Column("FileTimeStamp", JetType::DateTime),
            Column("FileType", JetType::Text), Column("FileURL", JetType::Memo)};
}

std::string Extension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

} // namespace

std::string AttachmentEnvelope(const AttachmentFile& file) {
    const std::u16string extension = Utf8ToUtf16(Extension(file.name));
    std::string content;
    PutLE32(content, static_cast<std::uint32_t>(12 + 2 * (extension.size() + 1)));
    PutLE32(content, 1);
    PutLE32(content, static_cast<std::uint32_t>(extension.size() + 1));
    for (const char16_t c : extension) {
        content.push_back(static_cast<char>(c & 0xFF));
        content.push_back(static_cast<char>(c >> 8));
    }
    content.append(2, '\0');
    content += file.data;
    std::string envelope;
    PutLE32(envelope, file.compressed ? 1 : 0);
    PutLE32(envelope, static_cast<std::uint32_t>(content.size()));
    envelope += file.compressed ? Deflate(content) : content;
    return envelope;
}

MdbDescription WithAttachmentTables(const MdbDescription& description, std::shared_ptr<const TablePages> pages) {
    MdbDescription out = description;
    struct Entry {
        std::string column, owner, flat;
        std::int32_t id;
    };
    std::vector<Entry> entries;
    std::vector<TableSpec> added;
    const std::string templateName = "MSysComplexType_Attachment";
    for (TableSpec& table : out.tables) {
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            ColumnSpec& column = table.columns[c];
            if (column.type != JetType::Complex)
                continue;
            if (description.format != FileFormat::Ace14)
                throw std::runtime_error("table " + table.name + ": attachment columns need an ACE file");
            if (table.producer)
                throw std::runtime_error("table " + table.name + ": attachments need explicit rows");
            column.complexId = static_cast<std::int32_t>(entries.size() + 1);
            char hex[33];
            std::snprintf(hex, sizeof hex, "%032X", static_cast<unsigned>(column.complexId));
            TableSpec flat;
            flat.name = "f_" + std::string(hex) + "_" + column.name;
            flat.columns = TemplateColumns();
            flat.columns.push_back(Column(table.name + "_" + column.name, JetType::Long, true));
            flat.columns.push_back(Column("_" + column.name, JetType::Long));
            flat.catalogFlags = 0x800A0000u;
            // Every cell that is not NULL gets a key of its own, files or none.
            std::int64_t key = 0, item = 0;
            for (std::vector<CellValue>& row : table.rows) {
                if (c >= row.size() || row[c].kind == CellValue::Kind::Null)
                    continue;
                if (row[c].kind != CellValue::Kind::Files)
                    throw std::runtime_error("column " + column.name + ": an attachment cell holds files");
                ++key;
                for (const AttachmentFile& file : row[c].files) {
                    flat.rows.push_back({CellValue::fromBytes(AttachmentEnvelope(file)), CellValue::fromInt(0),
                                         CellValue::fromText(file.name), CellValue::null(),
                                         CellValue::fromText(Extension(file.name)), CellValue::null(),
                                         CellValue::fromInt(++item), CellValue::fromInt(key)});
                }
                row[c] = CellValue::fromInt(key);
            }
            entries.push_back({column.name, table.name, flat.name, column.complexId});
            added.push_back(std::move(flat));
        }
    }
    if (entries.empty())
        return out;

    TableSpec templateTable;
    templateTable.name = templateName;
    templateTable.columns = TemplateColumns();
    templateTable.catalogFlags = 0x80000000u;
    TableSpec catalog;
    catalog.name = "MSysComplexColumns";
    catalog.columns = {Column("ColumnName", JetType::Text), Column("ComplexID", JetType::Long),
                       Column("ComplexTypeObjectID", JetType::Long), Column("ConceptualTableID", JetType::Long),
                       Column("FlatTableID", JetType::Long)};
    catalog.catalogFlags = 0x80000000u;
    std::size_t next = 0;
    catalog.producer = [entries, pages, templateName, next](std::vector<CellValue>& row) mutable {
        if (next == entries.size())
            return false;
        const Entry& e = entries[next++];
        auto page = [&](const std::string& name) { return CellValue::fromInt(pages->at(name)); };
        row = {CellValue::fromText(e.column), CellValue::fromInt(e.id), page(templateName), page(e.owner),
               page(e.flat)};
        return true;
    };
    out.tables.push_back(std::move(catalog));
    out.tables.push_back(std::move(templateTable));
    for (TableSpec& flat : added)
        out.tables.push_back(std::move(flat));
    return out;
}

} // namespace mkdb
