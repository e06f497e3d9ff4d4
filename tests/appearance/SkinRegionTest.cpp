#include <gtest/gtest.h>

#include "SkinRegion.h"

namespace quorva {
namespace {

// Grids drawn with '.' for the top-left colour and 'x' for black; 'a' and 'b' differ from '.'
// by a single unit of one component, 't' only in the alpha bits (still the top-left colour).
TEST(SkinRegion, RunsOfHandMadeGrids) {
    const std::pair<std::vector<std::string>, std::vector<RegionRect>> cases[] = {
        {{"....", "...."}, {}},
        {{".t.t", "tttt"}, {}},
        {{".x.x.x"}, {{1, 0, 2, 1}, {3, 0, 4, 1}, {5, 0, 6, 1}}},
        {{"..xx", "x...", "...."}, {{2, 0, 4, 1}, {0, 1, 1, 2}}},  // to the right edge, no carry
        {{".a..", "..b."}, {{1, 0, 2, 1}, {2, 1, 3, 2}}},
        {{".xab", ".bx."}, {{1, 0, 4, 1}, {1, 1, 3, 2}}},  // colours differ, all opaque
        {{"xxxxx", "x.x.x"}, {{1, 1, 2, 2}, {3, 1, 4, 2}}},  // a black top-left: '.' is opaque
    };
    const std::string drawn = ".abtx";
    const uint32_t colours[] = {0x00B7FEFF, 0x00B7FEFE, 0x00B8FEFF, 0xFFB7FEFF, 0x00000000};
    for (const auto& [rows, runs] : cases) {
        std::vector<uint32_t> px;
        for (const std::string& row : rows) {
            for (char ch : row) px.push_back(colours[drawn.find(ch)]);
        }
        EXPECT_EQ(MakeSkinRegionRuns(int(rows[0].size()), int(rows.size()), px.data()), runs) << rows[0];
    }
    // No picture: no shape.
    const uint32_t one = 0;
    EXPECT_TRUE(MakeSkinRegionRuns(0, 5, &one).empty());
    EXPECT_TRUE(MakeSkinRegionRuns(5, 0, &one).empty());
    EXPECT_TRUE(MakeSkinRegionRuns(3, 3, nullptr).empty());
}

}  // namespace
}  // namespace quorva
