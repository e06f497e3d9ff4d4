#include "SkinRegion.h"

namespace quorva {

std::vector<RegionRect> MakeSkinRegionRuns(int width, int height, const uint32_t* pixels) {
    std::vector<RegionRect> runs;
    if (width <= 0 || height <= 0 || pixels == nullptr) return runs;
    constexpr uint32_t kRgb = 0x00FFFFFFu;
    const uint32_t transparent = pixels[0] & kRgb;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        int start = -1;
        for (int x = 0; x < width; ++x) {
            const bool opaque = (row[x] & kRgb) != transparent;
            if (opaque && start < 0) {
                start = x;
            } else if (!opaque && start >= 0) {
                runs.push_back({start, y, x, y + 1});
                start = -1;
            }
        }
        if (start >= 0) runs.push_back({start, y, width, y + 1});
    }
    return runs;
}

}  // namespace quorva
