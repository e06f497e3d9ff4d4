#pragma once
// The window's outline cut from the skin picture: one rectangle per run of opaque pixels in a
// row; a pixel is transparent when its colour equals the top-left pixel's.

#include <cstdint>
#include <vector>

namespace quorva {

struct RegionRect {
    int left, top, right, bottom;  // right and bottom exclusive; bottom == top + 1
    bool operator==(const RegionRect&) const = default;
};

// pixels: width * height colours, row by row from the top; only the low 24 bits (red, green,
// blue) are compared. Empty when every pixel has the top-left colour.
std::vector<RegionRect> MakeSkinRegionRuns(int width, int height, const uint32_t* pixels);

}  // namespace quorva
