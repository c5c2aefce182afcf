#pragma once
// How a property blob (the catalog's LvProp) is laid out, the same in every
// version but for its signature and the encoding of its names.
//
// Blob
//   Offset  Size  Meaning
//   0       4     signature: "KKD\0" (Jet3) or "MR2\0" (Jet4+)
//   4             first chunk
//
// Chunk
//   0       4     chunk length, this header included
//   4       2     type: 0x80 name list, 0x00 the object, 0x01 one column
//   6             body
//
// Name list body: names, each a 2-byte byte length and the name (code page
// in Jet3, UTF-16LE in Jet4+); entries refer to them by position.
//
// Object or column body
//   0       4     block length, counting itself
//   4             the column's name (when the block is longer than 6), then
//                 entries up to the chunk's end
//
// Entry
//   0       2     entry length, counting itself
//   2       1     DDL flag
//   3       1     data type of the value
//   4       2     position of the property's name in the name list
//   6       2     value length
//   8             value

#include <cstddef>
#include <cstdint>

namespace jet {

struct PropertyBlobFormat {
    std::size_t FirstChunk;
    std::size_t ChunkLength, ChunkType, ChunkBody;
    std::size_t BlockLength, BlockName;
    std::size_t EntryLength, EntryFlag, EntryType, EntryName, EntryValueLength, EntryValue;
};

inline constexpr PropertyBlobFormat kPropertyBlob{.FirstChunk = 4,
                                                  .ChunkLength = 0,
                                                  .ChunkType = 4,
                                                  .ChunkBody = 6,
                                                  .BlockLength = 0,
                                                  .BlockName = 4,
                                                  .EntryLength = 0,
                                                  .EntryFlag = 2,
                                                  .EntryType = 3,
                                                  .EntryName = 4,
                                                  .EntryValueLength = 6,
                                                  .EntryValue = 8};

inline constexpr uint16_t kPropertyNameChunk = 0x80, kPropertyObjectChunk = 0x00, kPropertyColumnChunk = 0x01;

// The stored value of a calculated column: an envelope around the result.
//   Offset  Size  Meaning
//   0       16    unknown (zero)
//   16      4     payload length P
//   20      P     payload: the result
//   20+P    3     trailer (zero)
struct CalculatedValueFormat {
    std::size_t PayloadLength, Payload, TrailerSize;
};
inline constexpr CalculatedValueFormat kCalculatedValue{.PayloadLength = 16, .Payload = 20, .TrailerSize = 3};

} // namespace jet
