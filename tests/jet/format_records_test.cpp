// The reader's format records against the fixture writer's own statement of
// the layout, and against the sample databases: a wrong offset in one of them
// shows here, not as a misread value somewhere downstream.

#include "CorpusFiles.h"

#include "jet/Catalog.h"
#include "jet/CatalogIndex.h"
#include "jet/DataPageFormat.h"
#include "jet/HeaderPageFormat.h"
#include "jet/IndexPageFormat.h"
#include "jet/LongValueFormat.h"
#include "jet/PropertyBlobFormat.h"
#include "jet/TableScan.h"
#include "jet/TdefFormat.h"
#include "jet/UsageMap.h"
#include "jet/UsageMapFormat.h"

#include "tools/mkdb/DiskLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

namespace disk = mkdb::disk;
namespace fs = std::filesystem;

#define EXPECT_SAME_FIELD(reader, writer, Field, field) EXPECT_EQ((reader).Field, (writer).field) << #Field

TEST(FormatRecords, ReaderAndWriterPlaceTheHeaderPageAlike) {
    for (const bool jet3 : {true, false}) {
        SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
        const jet::HeaderPageFormat& r = jet::HeaderPageFormatFor(jet3);
        const disk::HeaderPage& w = jet3 ? disk::kJet3Header : disk::kJet4Header;
        EXPECT_SAME_FIELD(r, w, Type, type);
        EXPECT_SAME_FIELD(r, w, Signature, signature);
        EXPECT_SAME_FIELD(r, w, SignatureSize, signatureSize);
        EXPECT_SAME_FIELD(r, w, Version, version);
        EXPECT_SAME_FIELD(r, w, Block, block);
        EXPECT_SAME_FIELD(r, w, BlockSize, blockSize);
        EXPECT_SAME_FIELD(r, w, SortOrder, sortOrder);
        EXPECT_SAME_FIELD(r, w, CodePage, codePage);
        EXPECT_SAME_FIELD(r, w, DatabaseKey, databaseKey);
        EXPECT_SAME_FIELD(r, w, Password, password);
        EXPECT_SAME_FIELD(r, w, PasswordSize, passwordSize);
        EXPECT_SAME_FIELD(r, w, CreationDate, creationDate);
        EXPECT_SAME_FIELD(r, w, EncryptionInfoLength, encryptionInfoLength);
        EXPECT_SAME_FIELD(r, w, EncryptionInfo, encryptionInfo);
    }
}

TEST(FormatRecords, ReaderAndWriterPlaceTheTableDefinitionAlike) {
    EXPECT_SAME_FIELD(jet::kTdefPage, disk::kTdefPage, Type, type);
    EXPECT_SAME_FIELD(jet::kTdefPage, disk::kTdefPage, FreeSpace, freeSpace);
    EXPECT_SAME_FIELD(jet::kTdefPage, disk::kTdefPage, NextPage, nextPage);
    EXPECT_SAME_FIELD(jet::kTdefPage, disk::kTdefPage, ContinuationPayload, continuationPayload);
    for (const bool jet3 : {true, false}) {
        SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
        const jet::TdefFormat& r = jet::TdefFormatFor(jet3);
        const disk::Tdef& w = jet3 ? disk::kJet3Tdef : disk::kJet4Tdef;
        EXPECT_SAME_FIELD(r.Header, w.header, DefinitionLength, definitionLength);
        EXPECT_SAME_FIELD(r.Header, w.header, RowCount, rowCount);
        EXPECT_SAME_FIELD(r.Header, w.header, LastAutonumber, lastAutonumber);
        EXPECT_SAME_FIELD(r.Header, w.header, LastComplexValue, lastComplexValue);
        EXPECT_SAME_FIELD(r.Header, w.header, TableType, tableType);
        EXPECT_SAME_FIELD(r.Header, w.header, MaxColumns, maxColumns);
        EXPECT_SAME_FIELD(r.Header, w.header, VariableColumns, variableColumns);
        EXPECT_SAME_FIELD(r.Header, w.header, ColumnCount, columnCount);
        EXPECT_SAME_FIELD(r.Header, w.header, LogicalIndexCount, logicalIndexCount);
        EXPECT_SAME_FIELD(r.Header, w.header, RealIndexCount, realIndexCount);
        EXPECT_SAME_FIELD(r.Header, w.header, OwnedPages, ownedPages);
        EXPECT_SAME_FIELD(r.Header, w.header, FreePages, freePages);
        EXPECT_SAME_FIELD(r.Header, w.header, FirstBlock, firstBlock);
        EXPECT_SAME_FIELD(r.Header, w.header, RealIndexEntrySize, realIndexEntrySize);

        EXPECT_SAME_FIELD(r.Column, w.column, Type, type);
        EXPECT_SAME_FIELD(r.Column, w.column, Number, number);
        EXPECT_SAME_FIELD(r.Column, w.column, VariableIndex, variableIndex);
        EXPECT_SAME_FIELD(r.Column, w.column, Ordinal, ordinal);
        EXPECT_SAME_FIELD(r.Column, w.column, Collation, collation);
        EXPECT_SAME_FIELD(r.Column, w.column, CodePage, codePage);
        EXPECT_SAME_FIELD(r.Column, w.column, Precision, precision);
        EXPECT_SAME_FIELD(r.Column, w.column, Scale, scale);
        EXPECT_SAME_FIELD(r.Column, w.column, ComplexId, complexId);
        EXPECT_SAME_FIELD(r.Column, w.column, Flags, flags);
        EXPECT_SAME_FIELD(r.Column, w.column, ExtendedFlags, extendedFlags);
        EXPECT_SAME_FIELD(r.Column, w.column, FixedOffset, fixedOffset);
        EXPECT_SAME_FIELD(r.Column, w.column, Length, length);
        EXPECT_SAME_FIELD(r.Column, w.column, Size, size);

        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, Slots, slots);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, SlotCount, slotCount);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, SlotSize, slotSize);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, SlotOrder, slotOrder);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, UsageMap, usageMap);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, RootPage, rootPage);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, Flags, flags);
        EXPECT_SAME_FIELD(r.RealIndex, w.realIndex, Size, size);

        EXPECT_SAME_FIELD(r.LogicalIndex, w.logicalIndex, Number, number);
        EXPECT_SAME_FIELD(r.LogicalIndex, w.logicalIndex, RealIndex, realIndex);
        EXPECT_SAME_FIELD(r.LogicalIndex, w.logicalIndex, RelatedIndex, relatedIndex);
        EXPECT_SAME_FIELD(r.LogicalIndex, w.logicalIndex, Kind, kind);
        EXPECT_SAME_FIELD(r.LogicalIndex, w.logicalIndex, Size, size);

        EXPECT_SAME_FIELD(r, w, NameLengthSize, nameLengthSize);
        EXPECT_SAME_FIELD(r, w, ColumnMapEntrySize, columnMapEntrySize);
    }
}

TEST(FormatRecords, ReaderAndWriterPlaceRowsAndLongValuesAlike) {
    for (const bool jet3 : {true, false}) {
        SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
        const jet::DataPageFormat& r = jet::DataPageFormatFor(jet3);
        const disk::DataPageHeader& w = jet3 ? disk::kJet3DataPage : disk::kJet4DataPage;
        EXPECT_SAME_FIELD(r, w, Type, type);
        EXPECT_SAME_FIELD(r, w, FreeSpace, freeSpace);
        EXPECT_SAME_FIELD(r, w, Owner, owner);
        EXPECT_SAME_FIELD(r, w, RowCount, rowCount);
        EXPECT_SAME_FIELD(r, w, RowTable, rowTable);
    }
    EXPECT_EQ(jet::kRowStartMask, disk::kRowStartMask);
    EXPECT_EQ(jet::kRowDeleted, disk::kRowDeleted);
    EXPECT_EQ(jet::kRowOverflow, disk::kRowOverflow);

    const jet::LongValueFormat& r = jet::kLongValue;
    const disk::LongValue& w = disk::kLongValue;
    EXPECT_SAME_FIELD(r, w, LengthWord, lengthWord);
    EXPECT_SAME_FIELD(r, w, FirstRow, firstRow);
    EXPECT_SAME_FIELD(r, w, InlineData, inlineData);
    EXPECT_SAME_FIELD(r, w, HeaderSize, headerSize);
    EXPECT_SAME_FIELD(r, w, NextPiece, nextPiece);
    EXPECT_SAME_FIELD(r, w, PieceData, pieceData);
    EXPECT_SAME_FIELD(r, w, PageMarker, pageMarker);
    EXPECT_EQ(jet::kLongValueInline, disk::kLongValueInline);
    EXPECT_EQ(jet::kLongValueSingleRow, disk::kLongValueSingleRow);
    EXPECT_EQ(jet::kLongValueLengthMask, disk::kLongValueLengthMask);

    const jet::UsageMapFormat& m = jet::kUsageMap;
    const disk::UsageMap& n = disk::kUsageMap;
    EXPECT_SAME_FIELD(m, n, Type, type);
    EXPECT_SAME_FIELD(m, n, InlineFirstPage, inlineFirstPage);
    EXPECT_SAME_FIELD(m, n, InlineBitmap, inlineBitmap);
    EXPECT_SAME_FIELD(m, n, MapPages, mapPages);
    EXPECT_SAME_FIELD(m, n, MapPageEntrySize, mapPageEntrySize);
    EXPECT_SAME_FIELD(m, n, MapPageBitmap, mapPageBitmap);
}

TEST(FormatRecords, ReaderAndWriterPlacePropertiesAndCalculatedValuesAlike) {
    const jet::PropertyBlobFormat& r = jet::kPropertyBlob;
    const disk::PropertyBlob& w = disk::kPropertyBlob;
    EXPECT_SAME_FIELD(r, w, FirstChunk, firstChunk);
    EXPECT_SAME_FIELD(r, w, ChunkLength, chunkLength);
    EXPECT_SAME_FIELD(r, w, ChunkType, chunkType);
    EXPECT_SAME_FIELD(r, w, ChunkBody, chunkBody);
    EXPECT_SAME_FIELD(r, w, BlockLength, blockLength);
    EXPECT_SAME_FIELD(r, w, BlockName, blockName);
    EXPECT_SAME_FIELD(r, w, EntryLength, entryLength);
    EXPECT_SAME_FIELD(r, w, EntryFlag, entryFlag);
    EXPECT_SAME_FIELD(r, w, EntryType, entryType);
    EXPECT_SAME_FIELD(r, w, EntryName, entryName);
    EXPECT_SAME_FIELD(r, w, EntryValueLength, entryValueLength);
    EXPECT_SAME_FIELD(r, w, EntryValue, entryValue);
    EXPECT_SAME_FIELD(jet::kCalculatedValue, disk::kCalculatedValue, PayloadLength, payloadLength);
    EXPECT_SAME_FIELD(jet::kCalculatedValue, disk::kCalculatedValue, Payload, payload);
    EXPECT_SAME_FIELD(jet::kCalculatedValue, disk::kCalculatedValue, TrailerSize, trailerSize);
}

// Every field a version has lies inside its structure and no two overlap,
// except where the reference says one place serves two column kinds.
TEST(FormatRecords, TableDefinitionFieldsLieInsideTheirBlocksWithoutOverlap) {
    for (const bool jet3 : {true, false}) {
        SCOPED_TRACE(jet3 ? "Jet3" : "Jet4");
        const jet::TdefFormat& f = jet::TdefFormatFor(jet3);
        const auto& c = f.Column;
        // (offset, width) of the descriptor fields a column always has.
        std::vector<std::pair<std::size_t, std::size_t>> fields{{c.Type, 1},    {c.Number, 2}, {c.VariableIndex, 2},
                                                                {c.Ordinal, 2}, {c.Flags, 1},  {c.FixedOffset, 2},
                                                                {c.Length, 2}};
        if (c.ExtendedFlags != jet::kNoField)
            fields.emplace_back(c.ExtendedFlags, 1);
        std::vector<bool> used(c.Size, false);
        for (const auto& [at, width] : fields) {
            ASSERT_LE(at + width, c.Size) << "field at " << at;
            for (std::size_t k = at; k < at + width; ++k) {
                EXPECT_FALSE(used[k]) << "byte " << k << " claimed twice";
                used[k] = true;
            }
        }
        const auto& h = f.Header;
        EXPECT_LE(h.OwnedPages + 4, h.FirstBlock);
        EXPECT_LE(h.FreePages + 4, h.FirstBlock);
        const auto& ri = f.RealIndex;
        EXPECT_LE(ri.Slots + ri.SlotCount * ri.SlotSize, ri.UsageMap);
        EXPECT_LE(ri.RootPage + 4, ri.Flags + 1);
        EXPECT_LT(ri.Flags, ri.Size);
        EXPECT_LT(f.LogicalIndex.Kind, f.LogicalIndex.Size);
    }
}

// The samples the reader opens without a password: their pages can be read
// as stored.
std::vector<fs::path> PlainSamples() {
    std::vector<fs::path> samples;
    for (const auto& entry : fs::recursive_directory_iterator(jettest::CorpusDir())) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".mdb" || extension == ".accdb"))
            samples.push_back(entry.path());
    }
    std::sort(samples.begin(), samples.end());
    return samples;
}

uint16_t Get16(jet::ByteSpan page, std::size_t at) { return jet::U16(page, at); }

// Free space as the page states it and as its rows leave it: they agree
// only when the row count and the row table are where the record says.
void ExpectFreeSpaceAddsUp(jet::ByteSpan page, const jet::DataPageFormat& f) {
    const std::size_t rows = Get16(page, f.RowCount);
    ASSERT_LE(f.RowTable + jet::kRowOffsetSize * rows, page.size());
    std::size_t used = 0, end = page.size();
    for (std::size_t k = 0; k < rows; ++k) {
        const std::size_t start = Get16(page, f.RowTable + jet::kRowOffsetSize * k) & jet::kRowStartMask;
        ASSERT_LE(start, end) << "row " << k;
        used += end - start;
        end = start;
    }
    EXPECT_EQ(Get16(page, f.FreeSpace), page.size() - f.RowTable - jet::kRowOffsetSize * rows - used);
}

struct SampleFigures {
    int tables = 0, countsMatching = 0, dataPages = 0, longValuePages = 0;
};

// One local table: its definition parses to the length it states, its
// header sits on a definition page of the right type, and its data pages
// name it as their owner.
void CheckTable(jet::PageFile& file, const jet::CatalogTable& entry, SampleFigures& figures) {
    const bool jet3 = file.IsJet3();
    const jet::TdefFormat& tdef = jet::TdefFormatFor(jet3);
    const jet::DataPageFormat& data = jet::DataPageFormatFor(jet3);
    const jet::PageData first = file.Page(entry.DefinitionPage);
    const jet::ByteSpan head(*first);
    EXPECT_EQ(head[jet::kTdefPage.Type], jet::kTdefPageType);
    const uint8_t type = head[tdef.Header.TableType];
    EXPECT_TRUE(type == 'N' || type == 'S') << "table type " << int(type);

    const jet::TableDefinition definition = jet::ReadTableDefinition(file, entry.DefinitionPage);
    EXPECT_EQ(definition.ParsedLength, definition.DefinitionLength);
    EXPECT_EQ(definition.DefinitionLength, jet::U32(head, tdef.Header.DefinitionLength));
    EXPECT_LE(definition.Columns.size(), definition.MaxColumns);

    int64_t found = 0;
    jet::TableScan scan(file, definition);
    jet::ByteSpan record;
    while (scan.Next(record))
        ++found;
    figures.tables += 1;
    figures.countsMatching += found == definition.RowCount ? 1 : 0;

    for (const uint32_t number : jet::ReadUsageMap(file, definition.OwnedPages)) {
        const jet::PageData page = file.Page(number);
        const jet::ByteSpan bytes(*page);
        if (bytes[data.Type] != jet::kDataPage || jet::U32(bytes, data.Owner) != entry.DefinitionPage)
            continue; // a map may lag behind its pages
        figures.dataPages += 1;
        ExpectFreeSpaceAddsUp(bytes, data);
    }
}

// The catalog's (ParentId, Name) index, walked through the index page
// record, reaches exactly the catalog rows a scan finds.
void CheckCatalogIndex(jet::PageFile& file) {
    const jet::TableDefinition catalog = jet::ReadTableDefinition(file, 2);
    std::set<std::pair<uint32_t, uint8_t>> scanned, indexed;
    jet::TableScan scan(file, catalog);
    jet::ByteSpan record;
    while (scan.Next(record))
        scanned.emplace(scan.Position().Page, scan.Position().Row);
    const std::vector<jet::RowPointer> order = jet::CatalogIndexOrder(file, catalog);
    for (const jet::RowPointer& row : order)
        indexed.emplace(row.Page, row.Row);
    EXPECT_EQ(order.size(), indexed.size()) << "a row listed twice";
    EXPECT_EQ(indexed, scanned);
}

// Long-value pages carry their marker where the record says, and their
// rows add up like any data page's.
void CheckLongValuePages(jet::PageFile& file, SampleFigures& figures) {
    const jet::DataPageFormat& data = jet::DataPageFormatFor(file.IsJet3());
    for (uint32_t number = 1; number < file.PageCount(); ++number) {
        const jet::PageData page = file.Page(number);
        const jet::ByteSpan bytes(*page);
        if (bytes[data.Type] != jet::kDataPage ||
            std::memcmp(bytes.data() + jet::kLongValue.PageMarker, jet::kLongValuePageMarker, 4) != 0)
            continue;
        figures.longValuePages += 1;
        ExpectFreeSpaceAddsUp(bytes, data);
    }
}

TEST(FormatRecords, SampleDatabasesReadSanelyThroughTheRecords) {
    SKIP_WITHOUT_CORPUS();
    int files = 0;
    for (const fs::path& path : PlainSamples()) {
        SCOPED_TRACE(fs::relative(path, jettest::CorpusDir()).generic_string());
        std::unique_ptr<jet::PageFile> opened;
        try {
            opened = std::make_unique<jet::PageFile>(path.string());
        } catch (const EngineError&) {
            continue; // a sample this reader refuses is no test of the records
        }
        jet::PageFile& file = *opened;
        if (file.GetHeader().AceEncrypted() || file.GetHeader().JetEncoded())
            continue;
        const bool jet3 = file.IsJet3();
        const jet::HeaderPageFormat& header = jet::HeaderPageFormatFor(jet3);
        const jet::ByteSpan page0 = file.HeaderPage();
        EXPECT_EQ(page0[header.Type], 0);
        const std::string signature(reinterpret_cast<const char*>(page0.data() + header.Signature),
                                    header.SignatureSize);
        EXPECT_TRUE(signature == std::string("Standard Jet DB", 16) || signature == std::string("Standard ACE DB", 16));
        EXPECT_EQ(page0[header.Version], static_cast<uint8_t>(file.GetHeader().Version));

        SampleFigures figures;
        const std::vector<jet::CatalogTable> tables = jet::ReadCatalog(file);
        for (const jet::CatalogTable& table : tables)
            if (table.Kind == jet::TableKind::Local) {
                SCOPED_TRACE(jettest::Utf8(table.Name));
                CheckTable(file, table, figures);
            }
        // The stored row count may be stale (one table in nine is, in one
        // sample), but read at the wrong place it would match the rows found
        // in almost no table.
        EXPECT_GT(figures.countsMatching * 4, figures.tables * 3)
            << figures.countsMatching << " of " << figures.tables << " tables";
        EXPECT_GT(figures.dataPages, 0);
        CheckCatalogIndex(file);
        CheckLongValuePages(file, figures);
        ++files;
    }
    EXPECT_GT(files, 10);
}

} // namespace
