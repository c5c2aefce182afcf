#pragma once
// The writer's own statement of where each structure keeps its fields. It
// is kept apart from the reader's records on purpose: a test compares the
// two field by field, so a wrong offset would have to be made twice, the
// same way, to go unnoticed. Offsets count bytes from the structure's start;
// kNone marks a field a version does not have.

#include <cstddef>
#include <cstdint>

namespace mkdb::disk {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Page 0. The fields from 0x3A on lie inside the obfuscated block.
struct HeaderPage {
    std::size_t type, signature, signatureSize, version, block, blockSize, sortOrder, codePage, databaseKey, password,
        passwordSize, creationDate, encryptionInfoLength, encryptionInfo;
};
constexpr HeaderPage kJet3Header{.type = 0x00,
                                 .signature = 0x04,
                                 .signatureSize = 16,
                                 .version = 0x14,
                                 .block = 0x18,
                                 .blockSize = 126,
                                 .sortOrder = 0x3A,
                                 .codePage = 0x3C,
                                 .databaseKey = 0x3E,
                                 .password = 0x42,
                                 .passwordSize = 20,
                                 .creationDate = kNone,
                                 .encryptionInfoLength = kNone,
                                 .encryptionInfo = kNone};
constexpr HeaderPage kJet4Header{.type = 0x00,
                                 .signature = 0x04,
                                 .signatureSize = 16,
                                 .version = 0x14,
                                 .block = 0x18,
                                 .blockSize = 128,
                                 .sortOrder = 0x6E,
                                 .codePage = 0x3C,
                                 .databaseKey = 0x3E,
                                 .password = 0x42,
                                 .passwordSize = 40,
                                 .creationDate = 0x72,
                                 .encryptionInfoLength = 0x299,
                                 .encryptionInfo = 0x29B};

// Table definition pages: Jet3 writes "VC" where Jet4 keeps the free space.
struct TdefPage {
    std::size_t type, freeSpace, nextPage, continuationPayload;
};
constexpr TdefPage kTdefPage{.type = 0, .freeSpace = 2, .nextPage = 4, .continuationPayload = 8};

struct TdefHeader {
    std::size_t definitionLength, rowCount, lastAutonumber, lastComplexValue, tableType, maxColumns, variableColumns,
        columnCount, logicalIndexCount, realIndexCount, ownedPages, freePages, firstBlock, realIndexEntrySize;
};
struct ColumnDescriptor {
    std::size_t type, number, variableIndex, ordinal, collation, codePage, precision, scale, complexId, flags,
        extendedFlags, fixedOffset, length, size;
};
struct RealIndexBlock {
    std::size_t slots, slotCount, slotSize, slotOrder, usageMap, rootPage, flags, size;
};
struct LogicalIndexBlock {
    std::size_t number, realIndex, relatedIndex, kind, size;
};
struct Tdef {
    TdefHeader header;
    ColumnDescriptor column;
    RealIndexBlock realIndex;
    LogicalIndexBlock logicalIndex;
    std::size_t nameLengthSize;
    std::size_t columnMapEntrySize;
};

constexpr Tdef kJet3Tdef{
    .header = {.definitionLength = 0x08,
               .rowCount = 0x0C,
               .lastAutonumber = 0x10,
               .lastComplexValue = kNone,
               .tableType = 0x14,
               .maxColumns = 0x15,
               .variableColumns = 0x17,
               .columnCount = 0x19,
               .logicalIndexCount = 0x1B,
               .realIndexCount = 0x1F,
               .ownedPages = 0x23,
               .freePages = 0x27,
               .firstBlock = 0x2B,
               .realIndexEntrySize = 8},
    .column = {.type = 0,
               .number = 1,
               .variableIndex = 3,
               .ordinal = 5,
               .collation = 9,
               .codePage = 11,
               .precision = kNone,
               .scale = kNone,
               .complexId = kNone,
               .flags = 13,
               .extendedFlags = kNone,
               .fixedOffset = 14,
               .length = 16,
               .size = 18},
    .realIndex = {.slots = 0,
                  .slotCount = 10,
                  .slotSize = 3,
                  .slotOrder = 2,
                  .usageMap = 30,
                  .rootPage = 34,
                  .flags = 38,
                  .size = 39},
    .logicalIndex = {.number = 0, .realIndex = 4, .relatedIndex = 9, .kind = 19, .size = 20},
    .nameLengthSize = 1,
    .columnMapEntrySize = 10,
};

constexpr Tdef kJet4Tdef{
    .header = {.definitionLength = 0x08,
               .rowCount = 0x10,
               .lastAutonumber = 0x14,
               .lastComplexValue = 0x1C,
               .tableType = 0x28,
               .maxColumns = 0x29,
               .variableColumns = 0x2B,
               .columnCount = 0x2D,
               .logicalIndexCount = 0x2F,
               .realIndexCount = 0x33,
               .ownedPages = 0x37,
               .freePages = 0x3B,
               .firstBlock = 0x3F,
               .realIndexEntrySize = 12},
    .column = {.type = 0,
               .number = 5,
               .variableIndex = 7,
               .ordinal = 9,
               .collation = 11,
               .codePage = kNone,
               .precision = 11,
               .scale = 12,
               .complexId = 11,
               .flags = 15,
               .extendedFlags = 16,
               .fixedOffset = 21,
               .length = 23,
               .size = 25},
    .realIndex = {.slots = 4,
                  .slotCount = 10,
                  .slotSize = 3,
                  .slotOrder = 2,
                  .usageMap = 34,
                  .rootPage = 38,
                  .flags = 46,
                  .size = 52},
    .logicalIndex = {.number = 4, .realIndex = 8, .relatedIndex = 13, .kind = 23, .size = 28},
    .nameLengthSize = 2,
    .columnMapEntrySize = 10,
};

// Data pages, which also carry long values and usage-map rows.
struct DataPageHeader {
    std::size_t type, freeSpace, owner, rowCount, rowTable;
};
constexpr DataPageHeader kJet3DataPage{.type = 0, .freeSpace = 2, .owner = 4, .rowCount = 8, .rowTable = 10};
constexpr DataPageHeader kJet4DataPage{.type = 0, .freeSpace = 2, .owner = 4, .rowCount = 12, .rowTable = 14};

// A memo or OLE value's header in its row, the rows of a chain, and the
// marker of a long-value page in the data page's owner field.
struct LongValue {
    std::size_t lengthWord, firstRow, inlineData, headerSize, nextPiece, pieceData, pageMarker;
};
constexpr LongValue kLongValue{.lengthWord = 0,
                               .firstRow = 4,
                               .inlineData = 12,
                               .headerSize = 12,
                               .nextPiece = 0,
                               .pieceData = 4,
                               .pageMarker = 4};
constexpr std::uint32_t kLongValueInline = 0x80000000u;
constexpr std::uint32_t kLongValueSingleRow = 0x40000000u;
constexpr std::uint32_t kLongValueLengthMask = 0x3FFFFFFF;

// A usage map row: inline (a first page and a bitmap) or a list of map pages
// whose bitmaps follow a short header.
struct UsageMap {
    std::size_t type, inlineFirstPage, inlineBitmap, mapPages, mapPageEntrySize, mapPageBitmap;
};
constexpr UsageMap kUsageMap{
    .type = 0, .inlineFirstPage = 1, .inlineBitmap = 5, .mapPages = 1, .mapPageEntrySize = 4, .mapPageBitmap = 4};

// A property blob: chunks after the signature; a column's chunk holds a
// block with its name, then entries naming a property by its place in the
// blob's name list.
struct PropertyBlob {
    std::size_t firstChunk, chunkLength, chunkType, chunkBody, blockLength, blockName, entryLength, entryFlag,
        entryType, entryName, entryValueLength, entryValue;
};
constexpr PropertyBlob kPropertyBlob{.firstChunk = 4,
                                     .chunkLength = 0,
                                     .chunkType = 4,
                                     .chunkBody = 6,
                                     .blockLength = 0,
                                     .blockName = 4,
                                     .entryLength = 0,
                                     .entryFlag = 2,
                                     .entryType = 3,
                                     .entryName = 4,
                                     .entryValueLength = 6,
                                     .entryValue = 8};

// A calculated column's stored value: zeros, the payload's length, the
// payload, a zero trailer.
struct CalculatedValue {
    std::size_t payloadLength, payload, trailerSize;
};
constexpr CalculatedValue kCalculatedValue{.payloadLength = 16, .payload = 20, .trailerSize = 3};

// Row offset entries: where the row starts, and its flags.
constexpr std::uint16_t kRowStartMask = 0x1FFF;
constexpr std::uint16_t kRowDeleted = 0x8000;
constexpr std::uint16_t kRowOverflow = 0x4000;

} // namespace mkdb::disk
