#include "jet/Catalog.h"

#include "jet/CatalogIndex.h"
#include "jet/Collation.h"
#include "jet/Names.h"
#include "jet/RecordLayout.h"
#include "jet/CodePages.h"
#include "jet/TableScan.h"
#include "jet/Values.h"

#include <algorithm>
#include <map>

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
    std::u16string Database, ForeignName, Connect;
    RowPointer Position;
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

// The tables in the order of the catalog's index when it lists every one of
// them, otherwise sorted by the database's collation.
void OrderRows(PageFile& file, const TableDefinition& catalog, int32_t tablesId, std::vector<CatalogRow>& rows) {
    const std::vector<RowPointer> order = CatalogIndexOrder(file, catalog);
    std::map<std::pair<uint32_t, uint8_t>, std::size_t> rank;
    for (std::size_t k = 0; k < order.size(); ++k)
        rank.emplace(std::make_pair(order[k].Page, order[k].Row), k);
    bool complete = !order.empty();
    for (const CatalogRow& row : rows)
        if (row.ParentId == tablesId && !rank.count({row.Position.Page, row.Position.Row}))
            complete = false;
    if (complete) {
        auto rankOf = [&](const CatalogRow& row) {
            const auto found = rank.find({row.Position.Page, row.Position.Row});
            return found == rank.end() ? order.size() : found->second;
        };
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const CatalogRow& a, const CatalogRow& b) { return rankOf(a) < rankOf(b); });
        return;
    }
    const uint16_t sortOrder = file.GetHeader().SortOrder;
    std::stable_sort(rows.begin(), rows.end(), [sortOrder](const CatalogRow& a, const CatalogRow& b) {
        return CollateNames(a.Name, b.Name, sortOrder) < 0;
    });
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
    const Column* database = Find(catalog, u"Database");
    const Column* foreignName = Find(catalog, u"ForeignName");
    const Column* connect = Find(catalog, u"Connect");

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
        const ColumnBytes nameBytes = layout.Locate(name);
        try {
            DecodeValue(name, nameBytes, context, value);
            if (value.Value.Type == VarType::Text)
                row.Name.assign(value.Value.Text);
        } catch (const EngineError& error) {
            // A Jet3 name in a code page this system cannot convert still
            // names its table; its values fail on their own when read.
            if (error.Code != HResult::DaoError(DaoNumber::NotSupported) || nameBytes.State != Presence::Bytes)
                throw;
            AppendSingleByteText(nameBytes.Bytes, file.GetHeader().CodePage, row.Name);
        }
        row.Position = scan.Position();
        if (row.Type == kOdbcLinked || row.Type == kJetLinked) {
            // A link's texts only name its source; damage there fails that
            // table when it is read, not the catalog.
            auto text = [&](const Column* column, std::u16string& into) {
                if (!column)
                    return;
                try {
                    DecodeValue(*column, layout.Locate(*column), context, value);
                    if (value.Value.Type == VarType::Text)
                        into.assign(value.Value.Text);
                } catch (const EngineError&) {
                    // Left empty: the link then fails when its table is read.
                }
            };
            text(database, row.Database);
            text(foreignName, row.ForeignName);
            text(connect, row.Connect);
        }
        if (properties && row.Type == kLocalTable) {
            // Properties only refine column types; a damaged blob is ignored.
            try {
                DecodeValue(*properties, layout.Locate(*properties), context, value);
                if (value.Value.Type == VarType::Bytes)
                    row.Properties.assign(value.Value.Bytes.begin(), value.Value.Bytes.end());
            } catch (const EngineError&) {
                // The columns keep the types their definition gives them.
            }
        }
        rows.push_back(std::move(row));
    }
    // A catalog row that cannot be read may be any table's: the file is
    // refused rather than opened with a table silently missing.
    if (scan.Unreadable() != 0)
        RaiseCorrupt("system catalog rows cannot be read");

    const auto container = std::find_if(rows.begin(), rows.end(), [](const CatalogRow& row) {
        return row.ParentId == kTopLevelParent && row.Type == kContainer && row.Name == u"Tables";
    });
    if (container == rows.end())
        RaiseCorrupt("system catalog lacks its Tables container");
    const int32_t tablesId = container->Id;

    OrderRows(file, catalog, tablesId, rows);
    std::vector<CatalogTable> tables;
    for (CatalogRow& row : rows) {
        if (row.ParentId != tablesId || row.Name.empty())
            continue;
        if (row.Type == kLocalTable) {
            if ((row.Flags & kFlatTableFlags) == kFlatTableFlags)
                continue;
            CatalogTable table;
            table.Name = std::move(row.Name);
            table.DefinitionPage = static_cast<uint32_t>(row.Id) & 0xFFFFFF;
            table.Flags = row.Flags;
            table.Properties = std::move(row.Properties);
            tables.push_back(std::move(table));
        } else if (row.Type == kOdbcLinked || row.Type == kJetLinked) {
            CatalogTable table;
            table.Name = std::move(row.Name);
            // An entry with a database path and no connect type is read from
            // that file; anything else lies outside Access files.
            table.Kind = row.Type == kJetLinked ? TableKind::Linked : TableKind::LinkedOdbc;
            table.Flags = row.Flags;
            table.LinkedDatabase = std::move(row.Database);
            table.ForeignName = std::move(row.ForeignName);
            table.Connect = std::move(row.Connect);
            tables.push_back(std::move(table));
        }
    }
    return tables;
}

} // namespace jet
