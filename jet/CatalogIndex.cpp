#include "jet/CatalogIndex.h"

#include "jet/IndexPageFormat.h"

#include <unordered_set>

namespace jet {

namespace {

constexpr int kMaxDepth = 10;
// ParentId and Name are the catalog's columns 1 and 2.
constexpr uint16_t kParentIdColumn = 1, kNameColumn = 2;

uint32_t BigEndian24(const uint8_t* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 16) | (static_cast<uint32_t>(bytes[1]) << 8) | bytes[2];
}

// Calls visit with the last 4 bytes of each entry of an index page, in
// order. Entries after the first omit the prefix they share with it.
template <typename Visit>
void ForEachEntryTail(ByteSpan page, const IndexPageFormat& layout, Visit visit) {
    const std::size_t prefix =
        layout.PrefixLengthSize == 2 ? U16(page, layout.PrefixLength) : U8(page, layout.PrefixLength);
    std::size_t start = 0;
    bool first = true;
    const std::size_t bitmapBytes = layout.FirstEntry - layout.Bitmap;
    for (std::size_t bit = 0; bit < bitmapBytes * 8; ++bit) {
        if ((page[layout.Bitmap + bit / 8] & (1u << (bit % 8))) == 0)
            continue;
        const std::size_t end = bit;
        if (end <= start)
            RaiseCorrupt("empty index entry");
        Require(page, layout.FirstEntry + start, end - start, "index entry past the page's end");
        const ByteSpan stored = page.subspan(layout.FirstEntry + start, end - start);
        uint8_t tail[4];
        if (first) {
            if (stored.size() < 4 || prefix > stored.size())
                RaiseCorrupt("index entry too short");
            for (std::size_t k = 0; k < 4; ++k)
                tail[k] = stored[stored.size() - 4 + k];
        } else {
            // Whole entry = the first entry's first `prefix` bytes + stored.
            const std::size_t total = prefix + stored.size();
            if (total < 4)
                RaiseCorrupt("index entry too short");
            for (std::size_t k = 0; k < 4; ++k) {
                const std::size_t at = total - 4 + k;
                tail[k] = at < prefix ? page[layout.FirstEntry + at] : stored[at - prefix];
            }
        }
        visit(tail);
        first = false;
        start = end;
    }
}

} // namespace

std::vector<RowPointer> CatalogIndexOrder(PageFile& file, const TableDefinition& catalog) {
    const RealIndex* index = nullptr;
    for (const RealIndex& candidate : catalog.Indexes)
        if (candidate.ColumnNumbers == std::vector<uint16_t>{kParentIdColumn, kNameColumn})
            index = &candidate;
    if (!index)
        return {};
    const IndexPageFormat& layout = IndexPageFormatFor(file.IsJet3());
    std::vector<RowPointer> rows;
    try {
        // Down the first entries to the leftmost leaf.
        uint32_t number = index->RootPage;
        PageData page = file.Page(number);
        for (int depth = 0; (*page)[layout.Type] == kIndexNodePage; ++depth) {
            if (depth == kMaxDepth)
                RaiseCorrupt("index too deep");
            uint32_t child = 0;
            bool found = false;
            ForEachEntryTail(ByteSpan(*page), layout, [&](const uint8_t* tail) {
                if (!found)
                    child = (BigEndian24(tail) << 8) | tail[3];
                found = true;
            });
            if (!found)
                RaiseCorrupt("index node without entries");
            number = child;
            page = file.Page(number);
        }
        // Along the leaves.
        std::unordered_set<uint32_t> visited;
        while (number != 0) {
            if (!visited.insert(number).second)
                RaiseCorrupt("index leaves form a cycle");
            page = file.PageOfType(number, kIndexLeafPage, "index leaf page expected");
            const ByteSpan bytes(*page);
            ForEachEntryTail(bytes, layout, [&](const uint8_t* tail) {
                rows.push_back(RowPointer{BigEndian24(tail), tail[3]});
            });
            number = U32(bytes, layout.Next);
        }
    } catch (const EngineError&) {
        return {};
    }
    return rows;
}

} // namespace jet
