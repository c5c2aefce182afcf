#include "jet/UsageMap.h"

#include "jet/DataPage.h"
#include "jet/UsageMapFormat.h"

namespace jet {

namespace {

void AddBits(ByteSpan bitmap, uint64_t firstPage, const PageFile& file, std::vector<uint32_t>& pages) {
    for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
        if (bitmap[byte] == 0)
            continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((bitmap[byte] & (1u << bit)) == 0)
                continue;
            const uint64_t page = firstPage + byte * 8 + bit;
            if (page == 0 || page >= file.PageCount())
                RaiseCorrupt("usage map lists a page outside the file");
            pages.push_back(static_cast<uint32_t>(page));
        }
    }
}

} // namespace

std::vector<uint32_t> ReadUsageMap(PageFile& file, RowPointer pointer) {
    PageData holder;
    const ByteSpan row = RowAt(file, pointer, holder);
    std::vector<uint32_t> pages;
    const UsageMapFormat& f = kUsageMap;
    switch (U8(row, f.Type)) {
    case kInlineMap: {
        // The first page is read before the bitmap is cut out: that read
        // proves the row long enough to hold both.
        const uint32_t firstPage = U32(row, f.InlineFirstPage);
        AddBits(row.subspan(f.InlineBitmap), firstPage, file, pages);
        break;
    }
    case kReferenceMap: {
        const uint64_t perMapPage = (static_cast<uint64_t>(file.PageSize()) - f.MapPageBitmap) * 8;
        for (std::size_t k = 0; f.MapPages + f.MapPageEntrySize * (k + 1) <= row.size(); ++k) {
            const uint32_t mapPage = U32(row, f.MapPages + f.MapPageEntrySize * k);
            if (mapPage == 0)
                continue;
            const PageData map = file.PageOfType(mapPage, kMapPage, "usage map page expected");
            AddBits(ByteSpan(*map).subspan(f.MapPageBitmap), k * perMapPage, file, pages);
        }
        break;
    }
    default: RaiseCorrupt("unknown usage map type");
    }
    // Ascending already within one map; reference maps cover disjoint,
    // increasing ranges, so the whole list is ascending too.
    return pages;
}

} // namespace jet
