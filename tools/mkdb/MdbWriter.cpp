// Puts a database together: the header, the catalog, every table's
// definition, data and long values, and the usage maps that list each
// table's pages.
//
// Page plan: 0 header, 1 usage maps (more map pages are added at the end when
// needed), 2 the catalog's definition, then the user tables' definitions,
// then catalog rows, then each table's data and LVAL pages as they fill.
// Definitions and maps are written last because they record row counts and
// page lists that are only known then; their page numbers are fixed up front
// because data pages and catalog rows refer to them.

#include "tools/mkdb/Attachments.h"
#include "tools/mkdb/MdbDescription.h"

#include "tools/mkdb/Calculated.h"
#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/HeaderPage.h"
#include "tools/mkdb/Jet3Header.h"
#include "tools/mkdb/PageSink.h"
#include "tools/mkdb/TableLayout.h"
#include "tools/mkdb/TableWriter.h"
#include "tools/mkdb/Tdef.h"
#include "tools/mkdb/ValueEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <stdexcept>

namespace mkdb {

namespace {

constexpr std::uint32_t kCatalogTdef = 2;
constexpr std::uint32_t kMapPage = 1;
constexpr std::int64_t kTopContainer = 0x0F000000;
constexpr std::int64_t kTablesContainer = 0x0F000001;

std::vector<ColumnSpec> CatalogColumns() {
    // The catalog's columns in column-number order, as the engine creates them.
    auto col = [](const char* name, JetType type, int size = 0) {
        ColumnSpec c;
        c.name = name;
        c.type = type;
        c.size = size;
        return c;
    };
    return {col("Id", JetType::Long),
            col("ParentId", JetType::Long),
            col("Name", JetType::Text, 255),
            col("Type", JetType::Integer),
            col("DateCreate", JetType::DateTime),
            col("DateUpdate", JetType::DateTime),
            col("Owner", JetType::Binary, 255),
            col("Flags", JetType::Long),
            col("Database", JetType::Memo),
            col("Connect", JetType::Memo),
            col("ForeignName", JetType::Text, 255),
            col("RmtInfoShort", JetType::Binary, 255),
            col("RmtInfoLong", JetType::OLE),
            col("Lv", JetType::OLE),
            col("LvProp", JetType::OLE),
            col("LvModule", JetType::OLE),
            col("LvExtra", JetType::OLE)};
}

std::vector<CellValue> CatalogRow(std::int64_t id, std::int64_t parent, const std::string& name, int type,
                                  std::uint32_t flags, double date) {
    std::vector<CellValue> row(17);
    row[0] = CellValue::fromInt(id);
    row[1] = CellValue::fromInt(parent);
    row[2] = CellValue::fromText(name);
    row[3] = CellValue::fromInt(type);
    row[4] = CellValue::fromReal(date);
    row[5] = CellValue::fromReal(date);
    row[7] = CellValue::fromInt(static_cast<std::int32_t>(flags));
    return row;
}

struct PendingTable {
    const TableSpec* source = nullptr; // null for the catalog
    std::string name;
    TableLayout layout;
    std::vector<std::uint32_t> tdefPages;
    std::vector<std::uint32_t> owned;
    std::uint32_t rows = 0;
    std::uint32_t lastAutonumber = 0;
    std::uint32_t ownedMap = 0;
    std::uint32_t freeMap = 0;
};

// The usage-map row for a set of pages: inline when they fall within one
// 512-page window, otherwise a reference map whose bitmap pages are written
// here.
std::string UsageMapRow(const std::vector<std::uint32_t>& pages, PageAllocator& alloc, PageSink& sink,
                        const Geometry& geometry) {
    // Inline bitmaps are 128 bytes in Jet3 and 64 in Jet4; map pages cover
    // every bit after their header.
    const disk::UsageMap& f = disk::kUsageMap;
    const std::uint32_t kInlineMapBits = geometry.jet3 ? 128 * 8 : 64 * 8;
    const auto kPagesPerMapPage = static_cast<std::uint32_t>((geometry.pageSize - f.mapPageBitmap) * 8);
    std::string row;
    std::uint32_t first = pages.empty() ? 0 : pages.front();
    std::uint32_t last = pages.empty() ? 0 : pages.back();
    if (last < kInlineMapBits || last - first < kInlineMapBits) {
        std::uint32_t start = last < kInlineMapBits ? 0 : first;
        row.assign(f.inlineBitmap, '\0');
        row[f.type] = 0;
        Set32(row, f.inlineFirstPage, start);
        std::string bitmap(kInlineMapBits / 8, '\0');
        for (std::uint32_t p : pages) {
            std::uint32_t bit = p - start;
            bitmap[bit / 8] = static_cast<char>(bitmap[bit / 8] | (1 << (bit % 8)));
        }
        return row + bitmap;
    }
    row.assign(f.mapPages, '\0');
    row[f.type] = 1;
    std::uint32_t mapPages = last / kPagesPerMapPage + 1;
    std::size_t at = 0;
    for (std::uint32_t j = 0; j < mapPages; ++j) {
        Page bitmap(geometry.pageSize, 0);
        bool any = false;
        for (; at < pages.size() && pages[at] / kPagesPerMapPage == j; ++at) {
            std::uint32_t bit = pages[at] - j * kPagesPerMapPage;
            std::uint8_t& byte = bitmap[f.mapPageBitmap + bit / 8];
            byte = static_cast<std::uint8_t>(byte | (1 << (bit % 8)));
            any = true;
        }
        if (!any) {
            Append32(row, 0);
            continue;
        }
        bitmap[0] = 0x05;
        bitmap[1] = 0x01;
        std::uint32_t number = alloc.allocate();
        sink.write(number, bitmap);
        Append32(row, number);
    }
    return row;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void WriteTableRows(PendingTable& t, TableWriter& writer) {
    const TableSpec& table = *t.source;
    std::set<std::size_t> deleted(table.deletedRows.begin(), table.deletedRows.end());
    std::set<std::size_t> overflow(table.overflowRows.begin(), table.overflowRows.end());
    std::size_t index = 0;
    auto add = [&](const std::vector<CellValue>& values) {
        auto placement = TableWriter::Placement::Normal;
        if (deleted.count(index))
            placement = TableWriter::Placement::Deleted;
        else if (overflow.count(index))
            placement = TableWriter::Placement::Overflow;
        try {
            writer.addRow(values, placement);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error("table " + t.name + ", row " + std::to_string(index + 1) + ": " + e.what());
        }
        ++index;
    };
    if (table.producer) {
        std::vector<CellValue> row;
        while (table.producer(row))
            add(row);
    } else {
        for (const auto& row : table.rows)
            add(row);
    }
}

// The relationship catalog: one row per column pair, flags as Access keeps
// them (0x2 not enforced, 0x100 cascading updates, 0x1000 cascading deletes).
TableSpec RelationshipTable(const std::vector<RelationshipSpec>& relationships) {
    TableSpec table;
    table.name = "MSysRelationships";
    table.catalogFlags = 0x80000000;
    for (const char* name : {"ccolumn", "grbit", "icolumn"})
        table.columns.push_back({name, JetType::Long});
    for (const char* name : {"szColumn", "szObject", "szReferencedColumn", "szReferencedObject", "szRelationship"})
        table.columns.push_back({name, JetType::Text, 64});
    for (const RelationshipSpec& r : relationships) {
        if (r.columns.empty() || r.columns.size() != r.referencedColumns.size())
            throw std::runtime_error("relationship " + r.name + ": the columns must pair up");
        const std::int64_t flags =
            (r.enforced ? 0 : 0x2) | (r.cascadeUpdate ? 0x100 : 0) | (r.cascadeDelete ? 0x1000 : 0);
        for (std::size_t k = 0; k < r.columns.size(); ++k)
            table.rows.push_back({CellValue::fromInt(static_cast<std::int64_t>(r.columns.size())),
                                  CellValue::fromInt(flags), CellValue::fromInt(static_cast<std::int64_t>(k)),
                                  CellValue::fromText(r.columns[k]), CellValue::fromText(r.table),
                                  CellValue::fromText(r.referencedColumns[k]), CellValue::fromText(r.referencedTable),
                                  CellValue::fromText(r.name)});
    }
    return table;
}

// Everything a table's pages are written from, fixed before its rows are.
struct WritePlan {
    const MdbDescription& description;
    bool jet3;
    Geometry geometry;
    PageAllocator alloc{kCatalogTdef + 1};

    std::string definition(const TableLayout& layout, const TdefFacts& facts) const {
        return jet3 ? Jet3TdefBuffer(layout, facts, description.codePage) : TdefBuffer(layout, facts);
    }
};

// Page 0, checked before any other page is written.
Page HeaderFor(const MdbDescription& description) {
    if (description.format == FileFormat::Jet3)
        return Jet3HeaderPage(description.password, description.codePage);
    Page header = HeaderPage(description.creationDate, description.password);
    if (description.format == FileFormat::Ace14) {
        if (!description.password.empty())
            throw std::runtime_error("ACE passwords need encryption, not written here");
        // Signature and version lie before the obfuscated block.
        static const char kSignature[16] = "Standard ACE DB";
        for (std::size_t k = 0; k < disk::kJet4Header.signatureSize; ++k)
            header[disk::kJet4Header.signature + k] = static_cast<std::uint8_t>(kSignature[k]);
        header[disk::kJet4Header.version] = 0x03;
    }
    return header;
}

// The catalog first, then every table with its definition's pages numbered.
std::vector<PendingTable> PlanTables(WritePlan& plan) {
    const MdbDescription& description = plan.description;
    std::vector<PendingTable> tables;
    {
        PendingTable catalog;
        catalog.name = "MSysObjects";
        catalog.layout = MakeLayout(catalog.name, CatalogColumns(), plan.jet3);
        catalog.tdefPages = {kCatalogTdef};
        tables.push_back(std::move(catalog));
    }
    std::set<std::string> names{"msysobjects"};
    for (const TableSpec& table : description.tables) {
        std::u16string wide = Utf8ToUtf16(table.name);
        if (wide.empty() || wide.size() > 64)
            throw std::runtime_error("table names must have 1 to 64 characters");
        if (!names.insert(Lower(table.name)).second)
            throw std::runtime_error("duplicate table " + table.name);
        for (const ColumnSpec& column : table.columns) {
            if (column.calculatedResult && description.format != FileFormat::Ace14) {
                throw std::runtime_error("table " + table.name + ": calculated columns need an ACE file");
            }
        }
        PendingTable t;
        t.source = &table;
        t.name = table.name;
        t.layout = MakeLayout(table.name, table.columns, plan.jet3);
        t.layout.indexes = table.indexes;
        std::size_t count = TdefPageCount(plan.definition(t.layout, {}).size(), plan.geometry);
        for (std::size_t i = 0; i < count; ++i)
            t.tdefPages.push_back(plan.alloc.allocate());
        tables.push_back(std::move(t));
    }
    for (const LinkDescription& link : description.links) {
        if (!names.insert(Lower(link.name)).second)
            throw std::runtime_error("duplicate table " + link.name);
    }
    return tables;
}

// Catalog rows: the containers, the catalog itself, the user tables, then the links.
void WriteCatalogRows(std::vector<PendingTable>& tables, WritePlan& plan, PageSink& sink) {
    const MdbDescription& description = plan.description;
    PendingTable& catalog = tables.front();
    TableWriter writer(catalog.layout, kCatalogTdef, 64, plan.alloc, sink, plan.geometry);
    double date = description.creationDate;
    writer.addRow(CatalogRow(kTablesContainer, kTopContainer, "Tables", 3, 0, date));
    writer.addRow(CatalogRow(kTopContainer + 2, kTopContainer, "Databases", 3, 0, date));
    writer.addRow(CatalogRow(kTopContainer + 3, kTopContainer, "Relationships", 3, 0, date));
    writer.addRow(CatalogRow(kCatalogTdef, kTablesContainer, "MSysObjects", 1, 0x80000000u, date));
    for (std::size_t i = 1; i < tables.size(); ++i) {
        std::vector<CellValue> row = CatalogRow(tables[i].tdefPages.front(), kTablesContainer, tables[i].name, 1,
                                                tables[i].source->catalogFlags, date);
        std::string properties = CalculatedProperties(tables[i].source->columns);
        if (!properties.empty())
            row[14] = CellValue::fromBytes(std::move(properties));
        writer.addRow(row);
    }
    // Linked tables have no pages here; their ids only need to be unique.
    std::int64_t linkId = 0x01000000;
    for (const LinkDescription& link : description.links) {
        std::vector<CellValue> row = CatalogRow(linkId++, kTablesContainer, link.name, link.odbc ? 4 : 6, 0, date);
        if (!link.database.empty())
            row[8] = CellValue::fromText(link.database);
        if (!link.connect.empty())
            row[9] = CellValue::fromText(link.connect);
        row[10] = CellValue::fromText(link.foreignName);
        writer.addRow(row);
    }
    writer.finish();
    catalog.owned = writer.ownedPages();
    catalog.rows = writer.liveRows();
}

// Usage maps: an owned-pages map and an (empty) free-space map per table,
// after one database-wide map row, packed onto page 1 and further pages.
// Returns the row pointers in that order.
std::vector<std::uint32_t> WriteUsageMaps(const std::vector<PendingTable>& tables, WritePlan& plan, PageSink& sink) {
    std::vector<std::string> mapRows;
    mapRows.push_back(UsageMapRow({}, plan.alloc, sink, plan.geometry)); // database-wide map, left empty
    for (const PendingTable& t : tables) {
        mapRows.push_back(UsageMapRow(t.owned, plan.alloc, sink, plan.geometry));
        mapRows.push_back(UsageMapRow({}, plan.alloc, sink, plan.geometry));
    }
    std::vector<std::uint32_t> pointers;
    DataPage holder(kMapPage, 0, false, plan.geometry);
    for (std::string& row : mapRows) {
        if (!holder.fits(row.size())) {
            sink.write(holder.number(), holder.finish());
            holder = DataPage(plan.alloc.allocate(), 0, false, plan.geometry);
        }
        std::uint32_t slot = holder.add(std::move(row));
        pointers.push_back(RowPointer(holder.number(), slot));
    }
    sink.write(holder.number(), holder.finish());
    return pointers;
}

void Write(const MdbDescription& given, PageSink& sink) {
    auto pages = std::make_shared<TablePages>();
    MdbDescription description = WithAttachmentTables(given, pages);
    if (!description.relationships.empty())
        description.tables.push_back(RelationshipTable(description.relationships));
    const bool jet3 = description.format == FileFormat::Jet3;
    WritePlan plan{description, jet3, jet3 ? Jet3Geometry(description.codePage) : Jet4Geometry()};
    Page header = HeaderFor(description); // validates early
    std::vector<PendingTable> tables = PlanTables(plan);
    for (const PendingTable& t : tables)
        (*pages)[t.name] = t.tdefPages.front();

    WriteCatalogRows(tables, plan, sink);
    for (std::size_t i = 1; i < tables.size(); ++i) {
        PendingTable& t = tables[i];
        TableWriter writer(t.layout, t.tdefPages.front(), t.source->inlineLongValueLimit, plan.alloc, sink,
                           plan.geometry);
        WriteTableRows(t, writer);
        writer.finish();
        t.owned = writer.ownedPages();
        t.rows = writer.liveRows();
        t.lastAutonumber = writer.lastAutonumber();
    }
    const std::vector<std::uint32_t> pointers = WriteUsageMaps(tables, plan, sink);

    for (std::size_t i = 0; i < tables.size(); ++i) {
        PendingTable& t = tables[i];
        TdefFacts facts;
        facts.rowCount = t.rows;
        facts.lastAutonumber = t.lastAutonumber;
        facts.systemTable = t.source == nullptr;
        facts.ownedMap = pointers[1 + 2 * i];
        facts.freeMap = pointers[2 + 2 * i];
        std::vector<Page> pages = TdefPages(plan.definition(t.layout, facts), t.tdefPages, plan.geometry);
        for (std::size_t k = 0; k < pages.size(); ++k)
            sink.write(t.tdefPages[k], pages[k]);
    }
    sink.write(0, header);
}

} // namespace

} // namespace mkdb

namespace mkdb {
namespace {

void WriteMaybeEncrypted(const MdbDescription& description, PageSink& sink) {
    if (!description.encryption) {
        Write(description, sink);
        return;
    }
    if (!description.password.empty())
        throw std::runtime_error("an encrypted database has no stored password; give it to the encryption");
    Write(description, *EncryptingSink(*description.encryption, sink));
}

} // namespace
} // namespace mkdb

void WriteMdb(const MdbDescription& description, const std::string& path) {
    if (description.encryption)
        mkdb::CheckEncryptionSettings(*description.encryption);
    mkdb::FilePageSink sink(path); // a file we could not create is not ours to remove
    try {
        mkdb::WriteMaybeEncrypted(description, sink);
        sink.close();
    } catch (...) {
        sink.abandon();
        std::remove(path.c_str()); // never leave a half-written database behind
        throw;
    }
}

std::vector<std::uint8_t> WriteMdbToMemory(const MdbDescription& description) {
    mkdb::MemoryPageSink sink;
    mkdb::WriteMaybeEncrypted(description, sink);
    return std::move(sink.bytes());
}
