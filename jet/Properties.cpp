#include "jet/Properties.h"

#include "jet/Names.h"

#include <string>
#include <vector>

namespace jet {

namespace {

constexpr uint16_t kNameChunk = 0x80;
constexpr uint16_t kColumnChunk = 0x01;

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
    std::size_t pos = 4;
    while (Fits(blob, pos, 6)) {
        const std::size_t chunkLength = U32(blob, pos);
        const uint16_t chunkType = U16(blob, pos + 4);
        if (chunkLength < 6 || !Fits(blob, pos, chunkLength))
            return std::nullopt;
        const std::size_t end = pos + chunkLength;
        std::size_t at = pos + 6;
        if (chunkType == kNameChunk) {
            std::size_t size = 0;
            while (at < end && ReadName(blob, at, jet3, name, size) && at + size <= end) {
                names.push_back(name);
                at += size;
            }
        } else if (chunkType == kColumnChunk && Fits(blob, at, 4)) {
            const std::size_t block = U32(blob, at);
            std::size_t size = 0;
            if (block > 6 && ReadName(blob, at + 4, jet3, name, size) && SameName(name, column)) {
                at += block;
                // Entries: length, DDL flag, data type, name index, value length, value.
                while (at + 8 <= end) {
                    const std::size_t entry = U16(blob, at);
                    const std::size_t nameIndex = U16(blob, at + 4);
                    const std::size_t valueLength = U16(blob, at + 6);
                    if (entry < 8 || at + entry > end || 8 + valueLength > entry)
                        return std::nullopt;
                    if (nameIndex < names.size() && SameName(names[nameIndex], wanted))
                        return StoredProperty{blob[at + 3], blob.subspan(at + 8, valueLength)};
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
