#include <gtest/gtest.h>

#include "SkinRegion.h"

namespace quorva {
namespace {

// Grids drawn with '.' for the top-left colour and letters for others; 'a' and 'b' differ from
// '.' by a single unit of one component.
uint32_t ColourOf(char c) {
    switch (c) {
        case '.': return 0x00B7FEFF;
        case 'a': return 0x00B7FEFE;        // red one lower
        case 'b': return 0x00B8FEFF;        // blue one higher
        case 't': return 0xFFB7FEFF;        // alpha bits only: still the top-left colour
        default: return 0x00000000;
    }
}

struct RegionCase {
    const char* name;
    std::vector<std::string> rows;
    std::vector<RegionRect> runs;
};

TEST(SkinRegion, RunsOfHandMadeGrids) {
    const RegionCase cases[] = {
        {"one colour", {"....", "....", "...."}, {}},
        {"alpha ignored", {".t.t", "tttt"}, {}},
        {"alternating", {".x.x.x"}, {{1, 0, 2, 1}, {3, 0, 4, 1}, {5, 0, 6, 1}}},
        {"to the right edge, no carry into the next row",
         {"..xx", "x...", "...."},
         {{2, 0, 4, 1}, {0, 1, 1, 2}}},
        {"one unit differences", {".a..", "..b."}, {{1, 0, 2, 1}, {2, 1, 3, 2}}},
        {"colours differ but all opaque", {".xab", ".bx."}, {{1, 0, 4, 1}, {1, 1, 3, 2}}},
        // Black top-left: the '.' pixels are the holes' opposite, the opaque ones.
        {"black background", {"xxxxx", "x.x.x"}, {{1, 1, 2, 2}, {3, 1, 4, 2}}},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int w = static_cast<int>(c.rows[0].size());
        const int h = static_cast<int>(c.rows.size());
        std::vector<uint32_t> px;
        for (const std::string& row : c.rows) {
            for (char ch : row) px.push_back(ColourOf(ch));
        }
        EXPECT_EQ(MakeSkinRegionRuns(w, h, px.data()), c.runs);
    }
    // No picture: no shape.
    const uint32_t one = 0;
    EXPECT_TRUE(MakeSkinRegionRuns(0, 5, &one).empty());
    EXPECT_TRUE(MakeSkinRegionRuns(5, 0, &one).empty());
    EXPECT_TRUE(MakeSkinRegionRuns(3, 3, nullptr).empty());
}

}  // namespace
}  // namespace quorva
