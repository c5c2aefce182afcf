#include "jet/Properties.h"

#include "jet/Names.h"
#include "jet/PropertyBlobFormat.h"

#include <string>
#include <vector>

namespace jet {

namespace {

bool ReadName(ByteSpan blob, std::size_t at, bool jet3, std::u16string& name, std::size_t& size) {
    if (!Fits(blob, at, 2))
        return false;
    const std::size_t length = U16(blob, at);
    if (!Fits(blob, at + 2, length))
        return false;
    name.clear();
    if (jet3) {
        for (std::size_t k = 0; k < length; ++k)
            name.push_back(blob[at + 2 + k]); // property names are ASCII
    } else {
        for (std::size_t k = 0; k + 1 < length; k += 2)
            name.push_back(static_cast<char16_t>(U16(blob, at + 2 + k)));
    }
    size = 2 + length;
    return true;
}

std::optional<StoredProperty> Search(ByteSpan blob, std::u16string_view column, std::u16string_view wanted, bool jet3) {
    if (!Fits(blob, 0, 4) || (std::string_view(reinterpret_cast<const char*>(blob.data()), 3) != "MR2" &&
                              std::string_view(reinterpret_cast<const char*>(blob.data()), 3) != "KKD"))
        return std::nullopt;
    std::vector<std::u16string> names;
    std::u16string name;
    const PropertyBlobFormat& f = kPropertyBlob;
    std::size_t pos = f.FirstChunk;
    while (Fits(blob, pos, f.ChunkBody)) {
        const std::size_t chunkLength = U32(blob, pos + f.ChunkLength);
        const uint16_t chunkType = U16(blob, pos + f.ChunkType);
        if (chunkLength < f.ChunkBody || !Fits(blob, pos, chunkLength))
            return std::nullopt;
        const std::size_t end = pos + chunkLength;
        std::size_t at = pos + f.ChunkBody;
        if (chunkType == kPropertyNameChunk) {
            std::size_t size = 0;
            while (at < end && ReadName(blob, at, jet3, name, size) && at + size <= end) {
                names.push_back(name);
                at += size;
            }
        } else if (chunkType == kPropertyColumnChunk && Fits(blob, at, f.BlockName)) {
            const std::size_t block = U32(blob, at + f.BlockLength);
            std::size_t size = 0;
            if (block > 6 && ReadName(blob, at + f.BlockName, jet3, name, size) && SameName(name, column)) {
                at += block;
                while (at + f.EntryValue <= end) {
                    const std::size_t entry = U16(blob, at + f.EntryLength);
                    const std::size_t nameIndex = U16(blob, at + f.EntryName);
                    const std::size_t valueLength = U16(blob, at + f.EntryValueLength);
                    if (entry < f.EntryValue || at + entry > end || f.EntryValue + valueLength > entry)
                        return std::nullopt;
                    if (nameIndex < names.size() && SameName(names[nameIndex], wanted))
                        return StoredProperty{blob[at + f.EntryType], blob.subspan(at + f.EntryValue, valueLength)};
                    at += entry;
                }
            }
        }
        pos = end;
    }
    return std::nullopt;
}

} // namespace

uint8_t ResultTypeOf(ByteSpan blob, std::u16string_view column, bool jet3) {
    const auto found = Search(blob, column, u"ResultType", jet3);
    return found && !found->Value.empty() ? found->Value[0] : 0;
}

std::optional<StoredProperty> ColumnProperty(ByteSpan blob, std::u16string_view column, std::u16string_view name,
                                             bool jet3) {
    return Search(blob, column, name, jet3);
}

} // namespace jet
