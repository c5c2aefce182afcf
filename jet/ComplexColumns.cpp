#include "jet/ComplexColumns.h"

#include "jet/ItemText.h"
#include "jet/Names.h"
#include "jet/RecordLayout.h"
#include "jet/TableScan.h"
#include "jet/Values.h"

#include <algorithm>
#include <tuple>

namespace jet {

namespace {

struct Description {
    uint32_t FlatPage = 0;
    uint32_t TemplatePage = 0;
};

const Column* FindColumn(const TableDefinition& table, std::u16string_view name) {
    for (const Column& column : table.Columns)
        if (SameName(column.Name, name))
            return &column;
    return nullptr;
}

// Calls visit(layout, context) for every record of the table.
template <typename Visit>
void ForEachRecord(PageFile& file, const TableDefinition& table, Visit visit) {
    LongValueReader longValues(file);
    std::vector<uint8_t> scratch;
    DecodeContext context{file.IsJet3(), file.GetHeader().CodePage, &longValues, &scratch};
    RecordLayout layout(file.IsJet3(), table);
    TableScan scan(file, table);
    ByteSpan record;
    while (scan.Next(record)) {
        layout.Load(record);
        visit(layout, context);
    }
    // Items that cannot be read would leave lists silently short.
    if (scan.Unreadable() != 0)
        RaiseCorrupt("complex column rows cannot be read");
}

int64_t IntegerOf(const Variant& value) {
    switch (value.Type) {
    case VarType::I4: return value.I4;
    case VarType::I2: return value.I2;
    case VarType::Byte: return value.Byte;
    default: return 0;
    }
}

Description Describe(PageFile& file, const std::vector<CatalogTable>& catalog, uint32_t tablePage,
                     const Column& column) {
    const auto entry = std::find_if(catalog.begin(), catalog.end(), [](const CatalogTable& table) {
        return table.Kind == TableKind::Local && table.Name == u"MSysComplexColumns";
    });
    if (entry == catalog.end())
        RaiseCorrupt("complex column without its catalog");
    const TableDefinition columns = ReadTableDefinition(file, entry->DefinitionPage);
    const Column* complexId = FindColumn(columns, u"ComplexID");
    const Column* conceptual = FindColumn(columns, u"ConceptualTableID");
    const Column* flat = FindColumn(columns, u"FlatTableID");
    const Column* typeObject = FindColumn(columns, u"ComplexTypeObjectID");
    if (!complexId || !conceptual || !flat || !typeObject)
        RaiseCorrupt("complex column catalog lacks a column");

    Description found;
    bool matched = false;
    FieldValue value;
    ForEachRecord(file, columns, [&](const RecordLayout& layout, DecodeContext& context) {
        auto integer = [&](const Column& c) {
            DecodeValue(c, layout.Locate(c), context, value);
            return IntegerOf(value.Value);
        };
        if (matched || integer(*complexId) != column.ComplexId)
            return;
        if ((static_cast<uint64_t>(integer(*conceptual)) & 0xFFFFFF) != tablePage)
            return;
        found.FlatPage = static_cast<uint32_t>(integer(*flat)) & 0xFFFFFF;
        found.TemplatePage = static_cast<uint32_t>(integer(*typeObject)) & 0xFFFFFF;
        matched = true;
    });
    if (!matched)
        RaiseCorrupt("complex column not in its catalog");
    return found;
}

int16_t MultiValueType(uint8_t itemType) {
    switch (itemType) {
    case ColumnType::Byte: return DaoType::ComplexByte;
    case ColumnType::Integer: return DaoType::ComplexInteger;
    case ColumnType::Long: return DaoType::ComplexLong;
    case ColumnType::Single: return DaoType::ComplexSingle;
    case ColumnType::Double: return DaoType::ComplexDouble;
    case ColumnType::Guid: return DaoType::ComplexGuid;
    case ColumnType::Decimal: return DaoType::ComplexDecimal;
    default: return DaoType::ComplexText;
    }
}

// The template's column whose values are the items, and the column's DAO type.
std::pair<std::u16string, int16_t> Classify(const TableDefinition& templateTable) {
    if (FindColumn(templateTable, u"FileName"))
        return {u"FileName", DaoType::Attachment};
    if (const Column* value = FindColumn(templateTable, u"Value"))
        return {value->Name, MultiValueType(value->Type)};
    // Version history of an append-only memo: the memo texts are the items.
    for (const Column& column : templateTable.Columns)
        if (column.Type == ColumnType::Memo || column.Type == ColumnType::Text)
            return {column.Name, DaoType::ComplexText};
    RaiseCorrupt("complex column of an unknown kind");
}

} // namespace

int16_t ComplexDaoType(PageFile& file, const std::vector<CatalogTable>& catalog, uint32_t tablePage,
                       const Column& column) {
    const Description description = Describe(file, catalog, tablePage, column);
    return Classify(ReadTableDefinition(file, description.TemplatePage)).second;
}

ComplexColumn ReadComplexColumn(PageFile& file, const std::vector<CatalogTable>& catalog, uint32_t tablePage,
                                const Column& column) {
    const Description description = Describe(file, catalog, tablePage, column);
    const TableDefinition templateTable = ReadTableDefinition(file, description.TemplatePage);
    const auto [valueName, daoType] = Classify(templateTable);
    const TableDefinition flat = ReadTableDefinition(file, description.FlatPage);

    // The flat table adds two Long columns to the template's: an autonumber
    // key giving the items' order and the key the owning row holds.
    const Column* value = FindColumn(flat, valueName);
    const Column* order = nullptr;
    const Column* key = nullptr;
    for (const Column& c : flat.Columns) {
        if (c.Type != ColumnType::Long || FindColumn(templateTable, c.Name))
            continue;
        if (c.IsAutoNumber())
            order = &c;
        else if (!key || (c.ExtendedFlags & 0x08) != 0)
            key = &c;
    }
    if (!value || !key)
        RaiseCorrupt("flat table of a complex column lacks its columns");

    // An attachment's type and data lie beside its name.
    const Column* fileType = daoType == DaoType::Attachment ? FindColumn(flat, u"FileType") : nullptr;
    const Column* fileData = daoType == DaoType::Attachment ? FindColumn(flat, u"FileData") : nullptr;

    struct Item {
        int32_t Owner;
        int64_t Rank;
        std::u16string Text;
        StoredAttachment File;
    };
    std::vector<Item> items;
    FieldValue field;
    int64_t position = 0;
    ForEachRecord(file, flat, [&](const RecordLayout& layout, DecodeContext& context) {
        DecodeValue(*key, layout.Locate(*key), context, field);
        Item item;
        item.Owner = static_cast<int32_t>(IntegerOf(field.Value));
        item.Rank = position++;
        if (order) {
            DecodeValue(*order, layout.Locate(*order), context, field);
            item.Rank = IntegerOf(field.Value);
        }
        DecodeValue(*value, layout.Locate(*value), context, field);
        AppendItemText(field.Value, item.Text);
        if (fileType) {
            DecodeValue(*fileType, layout.Locate(*fileType), context, field);
            AppendItemText(field.Value, item.File.Type);
        }
        if (fileData) {
            const ColumnBytes data = layout.Locate(*fileData);
            item.File.DataState = data.State;
            item.File.DataBytes.assign(data.Bytes.begin(), data.Bytes.end());
        }
        items.push_back(std::move(item));
    });
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return std::tie(a.Owner, a.Rank) < std::tie(b.Owner, b.Rank);
    });

    ComplexColumn result;
    result.DaoType = daoType;
    if (fileData)
        result.FileData = *fileData;
    for (Item& item : items) {
        result.Items[item.Owner].push_back(std::move(item.Text));
        if (fileData)
            result.Files[item.Owner].push_back(std::move(item.File));
    }
    return result;
}

} // namespace jet
