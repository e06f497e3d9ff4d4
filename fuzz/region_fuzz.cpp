// The window-shape runs of small pictures: together they cover exactly the pixels whose colour
// differs from the top-left one, and no pixel twice.

#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "SkinRegion.h"

using namespace quorva;
using quorva::fuzz::Input;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const int w = 1 + static_cast<int>(in.Pick(24));
    const int h = 1 + static_cast<int>(in.Pick(24));
    // A few colours, so equal ones are common; the high byte (alpha) must not count.
    uint32_t palette[4];
    for (uint32_t& c : palette) {
        c = 0;
        for (int i = 0; i < 4; ++i) c = (c << 8) | in.Byte();
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const uint8_t b = in.Byte();
        for (size_t j = 0; j < 4 && i + j < pixels.size(); ++j)
            pixels[i + j] = palette[(b >> (2 * j)) & 3] ^ (static_cast<uint32_t>(in.Byte() & 1) << 24);
    }
    const std::vector<RegionRect> runs = MakeSkinRegionRuns(w, h, pixels.data());

    std::vector<int> covered(pixels.size(), 0);
    for (const RegionRect& r : runs) {
        const std::string where = std::to_string(r.left) + "," + std::to_string(r.top) + "-" +
                                  std::to_string(r.right) + "," + std::to_string(r.bottom);
        QUORVA_FUZZ_CHECK(r.top >= 0 && r.top < h && r.bottom == r.top + 1, where);
        QUORVA_FUZZ_CHECK(r.left >= 0 && r.left < r.right && r.right <= w, where);
        for (int x = r.left; x < r.right; ++x) ++covered[static_cast<size_t>(r.top) * w + x];
    }
    const uint32_t transparent = pixels[0] & 0xFFFFFFu;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int want = (pixels[i] & 0xFFFFFFu) != transparent ? 1 : 0;
        QUORVA_FUZZ_CHECK(covered[i] == want, "pixel " + std::to_string(i % w) + "," +
                                                  std::to_string(i / w) + " covered " +
                                                  std::to_string(covered[i]) + " times");
    }
    return 0;
}
