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

// The catalog's columns this reader uses; the link and property columns
// are absent from some catalogs.
struct CatalogColumns {
    const Column& Id;
    const Column& ParentId;
    const Column& Name;
    const Column& Type;
    const Column& Flags;
    const Column* Properties;
    const Column* Database;
    const Column* ForeignName;
    const Column* Connect;

    explicit CatalogColumns(const TableDefinition& catalog)
        : Id(RequireColumn(catalog, u"Id")), ParentId(RequireColumn(catalog, u"ParentId")),
          Name(RequireColumn(catalog, u"Name")), Type(RequireColumn(catalog, u"Type")),
          Flags(RequireColumn(catalog, u"Flags")), Properties(Find(catalog, u"LvProp")),
          Database(Find(catalog, u"Database")), ForeignName(Find(catalog, u"ForeignName")),
          Connect(Find(catalog, u"Connect")) {}
};

// Decodes the catalog's rows one at a time, reusing its buffers.
class CatalogRowReader {
public:
    CatalogRowReader(PageFile& file, const TableDefinition& catalog)
        : file_(file), columns_(catalog),
          longValues_(file), context_{file.IsJet3(), file.GetHeader().CodePage, &longValues_, &scratch_},
          layout_(file.IsJet3(), catalog) {}

    CatalogRow Read(ByteSpan record, RowPointer position) {
        layout_.Load(record);
        CatalogRow row;
        row.Id = static_cast<int32_t>(Integer(columns_.Id));
        row.ParentId = static_cast<int32_t>(Integer(columns_.ParentId));
        row.Type = static_cast<int16_t>(Integer(columns_.Type));
        row.Flags = static_cast<uint32_t>(Integer(columns_.Flags));
        ReadName(row);
        row.Position = position;
        if (row.Type == kOdbcLinked || row.Type == kJetLinked) {
            // A link's texts only name its source; damage there fails that
            // table when it is read, not the catalog.
            LinkText(columns_.Database, row.Database);
            LinkText(columns_.ForeignName, row.ForeignName);
            LinkText(columns_.Connect, row.Connect);
        }
        if (columns_.Properties && row.Type == kLocalTable)
            ReadProperties(row);
        return row;
    }

private:
    int64_t Integer(const Column& column) {
        DecodeValue(column, layout_.Locate(column), context_, value_);
        switch (value_.Value.Type) {
        case VarType::I4: return value_.Value.I4;
        case VarType::I2: return value_.Value.I2;
        case VarType::Byte: return value_.Value.Byte;
        default: return 0;
        }
    }

    void ReadName(CatalogRow& row) {
        const ColumnBytes nameBytes = layout_.Locate(columns_.Name);
        try {
            DecodeValue(columns_.Name, nameBytes, context_, value_);
            if (value_.Value.Type == VarType::Text)
                row.Name.assign(value_.Value.Text);
        } catch (const EngineError& error) {
            // A Jet3 name in a code page this system cannot convert still
            // names its table; its values fail on their own when read.
            if (error.Code != HResult::DaoError(DaoNumber::NotSupported) || nameBytes.State != Presence::Bytes)
                throw;
            AppendSingleByteText(nameBytes.Bytes, file_.GetHeader().CodePage, row.Name);
        }
    }

    void LinkText(const Column* column, std::u16string& into) {
        if (!column)
            return;
        try {
            DecodeValue(*column, layout_.Locate(*column), context_, value_);
            if (value_.Value.Type == VarType::Text)
                into.assign(value_.Value.Text);
        } catch (const EngineError&) {
            // The link fails when its table is read, with its own message.
        }
    }

    void ReadProperties(CatalogRow& row) {
        try {
            DecodeValue(*columns_.Properties, layout_.Locate(*columns_.Properties), context_, value_);
            if (value_.Value.Type == VarType::Bytes)
                row.Properties.assign(value_.Value.Bytes.begin(), value_.Value.Bytes.end());
        } catch (const EngineError&) {
            // Properties only refine column types; a damaged blob is ignored.
        }
    }

    PageFile& file_;
    CatalogColumns columns_;
    LongValueReader longValues_;
    std::vector<uint8_t> scratch_;
    DecodeContext context_;
    RecordLayout layout_;
    FieldValue value_;
};

int32_t TablesContainerId(const std::vector<CatalogRow>& rows) {
    const auto container = std::find_if(rows.begin(), rows.end(), [](const CatalogRow& row) {
        return row.ParentId == kTopLevelParent && row.Type == kContainer && row.Name == u"Tables";
    });
    if (container == rows.end())
        RaiseCorrupt("system catalog lacks its Tables container");
    return container->Id;
}

// A catalog row of the Tables container as the table it describes; false
// for queries, flat tables and rows without a name.
bool AsTable(CatalogRow& row, CatalogTable& table) {
    if (row.Name.empty())
        return false;
    if (row.Type == kLocalTable) {
        if ((row.Flags & kFlatTableFlags) == kFlatTableFlags)
            return false;
        table.Name = std::move(row.Name);
        table.DefinitionPage = static_cast<uint32_t>(row.Id) & 0xFFFFFF;
        table.Flags = row.Flags;
        table.Properties = std::move(row.Properties);
        return true;
    }
    if (row.Type == kOdbcLinked || row.Type == kJetLinked) {
        table.Name = std::move(row.Name);
        // An entry with a database path and no connect type is read from
        // that file; anything else lies outside Access files.
        table.Kind = row.Type == kJetLinked ? TableKind::Linked : TableKind::LinkedOdbc;
        table.Flags = row.Flags;
        table.LinkedDatabase = std::move(row.Database);
        table.ForeignName = std::move(row.ForeignName);
        table.Connect = std::move(row.Connect);
        return true;
    }
    return false;
}

} // namespace

std::vector<CatalogTable> ReadCatalog(PageFile& file) {
    const TableDefinition catalog = ReadTableDefinition(file, kCatalogPage);
    CatalogRowReader reader(file, catalog);
    TableScan scan(file, catalog);
    std::vector<CatalogRow> rows;
    ByteSpan record;
    while (scan.Next(record))
        rows.push_back(reader.Read(record, scan.Position()));
    // A catalog row that cannot be read may be any table's: the file is
    // refused rather than opened with a table silently missing.
    if (scan.Unreadable() != 0)
        RaiseCorrupt("system catalog rows cannot be read");

    const int32_t tablesId = TablesContainerId(rows);
    OrderRows(file, catalog, tablesId, rows);
    std::vector<CatalogTable> tables;
    for (CatalogRow& row : rows) {
        CatalogTable table;
        if (row.ParentId == tablesId && AsTable(row, table))
            tables.push_back(std::move(table));
    }
    return tables;
}

} // namespace jet
