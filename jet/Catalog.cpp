#include "jet/Catalog.h"

#include "jet/Names.h"
#include "jet/RecordLayout.h"
#include "jet/TableScan.h"
#include "jet/Values.h"

#include <algorithm>

namespace jet {

namespace {

constexpr uint32_t kCatalogPage = 2;
constexpr int32_t kTopLevelParent = 0x0F000000;
constexpr int16_t kLocalTable = 1, kContainer = 3, kOdbcLinked = 4, kJetLinked = 6;
// ACE keeps the items of complex columns in hidden "flat" tables that the
// table collection does not show.
constexpr uint32_t kFlatTableFlags = 0x800A0000;

struct CatalogRow {
    int32_t Id = 0;
    int32_t ParentId = 0;
    int16_t Type = 0;
    uint32_t Flags = 0;
    std::u16string Name;
    std::vector<uint8_t> Properties;
};

const Column* Find(const TableDefinition& table, std::u16string_view name) {
    for (const Column& column : table.Columns)
        if (SameName(column.Name, name))
            return &column;
    return nullptr;
}

const Column& RequireColumn(const TableDefinition& table, std::u16string_view name) {
    const Column* column = Find(table, name);
    if (!column)
        RaiseCorrupt("system catalog lacks a column");
    return *column;
}

} // namespace

std::vector<CatalogTable> ReadCatalog(PageFile& file) {
    const TableDefinition catalog = ReadTableDefinition(file, kCatalogPage);
    const Column& id = RequireColumn(catalog, u"Id");
    const Column& parentId = RequireColumn(catalog, u"ParentId");
    const Column& name = RequireColumn(catalog, u"Name");
    const Column& type = RequireColumn(catalog, u"Type");
    const Column& flags = RequireColumn(catalog, u"Flags");
    const Column* properties = Find(catalog, u"LvProp");

    LongValueReader longValues(file);
    std::vector<uint8_t> scratch;
    DecodeContext context{file.IsJet3(), file.GetHeader().CodePage, &longValues, &scratch};
    RecordLayout layout(file.IsJet3(), catalog);
    TableScan scan(file, catalog);
    FieldValue value;
    auto integer = [&](const Column& column) -> int64_t {
        DecodeValue(column, layout.Locate(column), context, value);
        switch (value.Value.Type) {
        case VarType::I4: return value.Value.I4;
        case VarType::I2: return value.Value.I2;
        case VarType::Byte: return value.Value.Byte;
        default: return 0;
        }
    };

    std::vector<CatalogRow> rows;
    ByteSpan record;
    while (scan.Next(record)) {
        layout.Load(record);
        CatalogRow row;
        row.Id = static_cast<int32_t>(integer(id));
        row.ParentId = static_cast<int32_t>(integer(parentId));
        row.Type = static_cast<int16_t>(integer(type));
        row.Flags = static_cast<uint32_t>(integer(flags));
        DecodeValue(name, layout.Locate(name), context, value);
        if (value.Value.Type == VarType::Text)
            row.Name.assign(value.Value.Text);
        if (properties && row.Type == kLocalTable) {
            // Properties only refine column types; a damaged blob is ignored.
            try {
                DecodeValue(*properties, layout.Locate(*properties), context, value);
                if (value.Value.Type == VarType::Bytes)
                    row.Properties.assign(value.Value.Bytes.begin(), value.Value.Bytes.end());
            } catch (const EngineError&) {
            }
        }
        rows.push_back(std::move(row));
    }

    const auto container = std::find_if(rows.begin(), rows.end(), [](const CatalogRow& row) {
        return row.ParentId == kTopLevelParent && row.Type == kContainer && row.Name == u"Tables";
    });
    if (container == rows.end())
        RaiseCorrupt("system catalog lacks its Tables container");
    const int32_t tablesId = container->Id;

    std::vector<CatalogTable> tables;
    for (CatalogRow& row : rows) {
        if (row.ParentId != tablesId || row.Name.empty())
            continue;
        if (row.Type == kLocalTable) {
            if ((row.Flags & kFlatTableFlags) == kFlatTableFlags)
                continue;
            tables.push_back({std::move(row.Name), TableKind::Local, static_cast<uint32_t>(row.Id) & 0xFFFFFF,
                              row.Flags, std::move(row.Properties)});
        } else if (row.Type == kOdbcLinked || row.Type == kJetLinked) {
            tables.push_back({std::move(row.Name), TableKind::Linked, 0, row.Flags, {}});
        }
    }
    std::stable_sort(tables.begin(), tables.end(),
                     [](const CatalogTable& a, const CatalogTable& b) { return CompareNames(a.Name, b.Name) < 0; });
    return tables;
}

} // namespace jet
