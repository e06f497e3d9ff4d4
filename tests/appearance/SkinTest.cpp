#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "Fakes.h"
#include "Skin.h"
#include "SkinRegion.h"

namespace quorva {
namespace {

using namespace test;

Skin DefaultSkin(double twips = 15) {
    Skin s;
    SetDefaultSkin(s, twips);
    return s;
}

// Exactly 12 twips per pixel take the large fonts; the built-in skin undoes all but the picture.
TEST(DefaultSkin, RestoresAllButThePicturePathAndSuitsTheScreen) {
    for (const auto& [twips, rowHeight, large] : {std::tuple{15.0, 14, false}, {12.0, 16, true}, {12.5, 14, false}}) {
        EXPECT_EQ(DefaultSkin(twips).functionListRowHeight, rowHeight) << twips;
        EXPECT_EQ(DefaultSkin(twips).largeFonts, large) << twips;
    }
    Skin s = DefaultSkin();
    ApplySkinText(s, "stack_x=1\rcommands_zone_y=2\rdecimal_text_color_B=9\rbitmap_file=a.bmp", "/s");
    s.skinFile = "/s/a.qsd";
    SetDefaultSkin(s, 15);
    Skin expected = DefaultSkin();
    expected.skinBitmapFile = "/s/a.bmp";
    EXPECT_EQ(s, expected);
    EXPECT_EQ(Colour({255, 254, 183}), 255 + 256 * 254 + 65536 * 183);
}

// Each key lands in its own field, and a colour is read as a colour (clamped to 0..255) while a
// place is read as a 16-bit number.
TEST(SkinText, EveryKeyLandsInItsFieldAndIsReadByItsKind) {
    std::string text, negative;
    int n = 0;
    for (const std::string k : {"stack_text_color_", "entry_zone_text_color_", "rad_deg_text_color_",
                                "decimal_text_color_", "stack_", "entry_zone_", "quit_zone_",
                                "rad_deg_zone_", "decimal_zone_", "ontop_zone_", "large_stack_zone_",
                                "commands_zone_"}) {
        for (const char c : std::string(k.ends_with("color_") ? "RGB" : "xy")) {
            text += k + c + "=" + std::to_string(++n) + "\r\n";
            negative += k + c + "=-300\r\n";
        }
    }
    Skin s = DefaultSkin();
    ApplySkinText(s, text, "/skins");
    EXPECT_EQ(s, (Skin{.skinBitmapFile = "",
                       .stackText = {1, 2, 3}, .entryText = {4, 5, 6}, .angleText = {7, 8, 9}, .decimalText = {10, 11, 12},
                       .stack = {13, 14}, .entry = {15, 16}, .quit = {17, 18}, .angle = {19, 20}, .decimal = {21, 22},
                       .onTop = {23, 24}, .largeStack = {25, 26}, .functions = {27, 28}}));
    ApplySkinText(s, negative, "/skins");
    const SkinPos p{-300, -300};
    const SkinColor black{};
    EXPECT_EQ(s, (Skin{.skinBitmapFile = "", .stackText = black, .entryText = black, .angleText = black,
                       .decimalText = black, .stack = p, .entry = p, .quit = p, .angle = p, .decimal = p,
                       .onTop = p, .largeStack = p, .functions = p}));
}

// A description read into the default skin: the edit is all it may change.
TEST(SkinText, NumberRulesAndThePicturePath) {
    const std::pair<const char*, std::function<void(Skin&)>> cases[] = {
        {"stack_x= 17.5", [](Skin& e) { e.stack.x = 18; }},
        {"stack_x=40000\rStack_x=5\rstack_x =5", [](Skin&) {}},
        {"stack_text_color_R= 1E9\rentry_zone_text_color_R=255.5", [](Skin& e) { e.stackText.r = e.entryText.r = 255; }},
        {"stack_text_color_R=254.5", [](Skin& e) { e.stackText.r = 254; }},
        {"stack_text_color_R=9\rstack_text_color_R=-5\rentry_zone_text_color_G=9\rentry_zone_text_color_G=no", [](Skin&) {}},
        {"bitmap_file=sub\\blue.bmp", [](Skin& e) { e.skinBitmapFile = "/p/skins/sub/blue.bmp"; }},
        {"bitmap_file= a=b.bmp", [](Skin& e) { e.skinBitmapFile = "/p/skins/ a=b.bmp"; }},
        // A picture outside the skins folder, or no file named at all, is not taken.
        {"bitmap_file=sub/../../x.bmp", [](Skin&) {}},
        {"bitmap_file=/etc/x.png", [](Skin&) {}},
        {"bitmap_file=", [](Skin&) {}},
        {"bitmap_file=sub\\", [](Skin&) {}},
        {"bitmap_file=sub\\.", [](Skin&) {}},
        {"bitmap_file=a.bmp\rbitmap_file=..\\b.bmp", [](Skin& e) { e.skinBitmapFile = "/p/skins/a.bmp"; }},
    };
    for (const auto& [text, edit] : cases) {
        Skin s = DefaultSkin(), expected = DefaultSkin();
        ApplySkinText(s, text, "/p/skins");
        edit(expected);
        EXPECT_EQ(s, expected) << text;
    }
}

class SkinFiles : public ::testing::Test {
protected:
    ScratchFolder dir;
    SkinFolders folders = MakeSkinFolders(dir / "prog", dir / "share/quorva/skins");
    Skin skin = DefaultSkin();

    bool Load(const std::string& path) {
        skin.skinFile = path;
        return LoadSkin(skin, folders);
    }
};

// Only bitmap_file changes the picture, so a description without it keeps the last one.
TEST_F(SkinFiles, OnlyBitmapFileChangesThePictureAndWhatIsMissingChangesWhatItMust) {
    WriteFile(dir / "prog/skins/red.qsd", "stack_x=30\rbitmap_file=art\\red.bmp");
    WriteFile(dir / "prog/skins/art/red.bmp", "BM");
    WriteFile(dir / "prog/skins/plain.qsd", "stack_y=3");
    std::filesystem::create_directories(dir / "prog/skins/dir.qsd");
    EXPECT_FALSE(Load(dir / "prog/skins/plain.qsd"));  // no picture named yet
    EXPECT_EQ(skin.stack.y, 3);
    ASSERT_TRUE(Load(dir / "prog/skins/red.qsd"));
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/art/red.bmp");
    EXPECT_EQ(skin.stack, (SkinPos{30, 3}));  // what red leaves alone stays
    SetDefaultSkin(skin, 15);
    EXPECT_TRUE(Load(dir / "prog/skins/plain.qsd"));
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/art/red.bmp");

    Skin expected = skin;
    for (const std::string& gone : {dir / "gone/skins/blue.qsd", dir / "prog/skins/dir.qsd",
                                    std::string("/etc/hostname\0.qsd", 18)}) {
        EXPECT_FALSE(Load(gone)) << gone;
        expected.skinFile = gone;
        EXPECT_EQ(skin, expected);
    }
}

TEST_F(SkinFiles, PictureIsLookedForInTheFolderHoldingTheDescription) {
    // The program's own skins folder given again as the data folder is listed once.
    EXPECT_EQ(MakeSkinFolders(dir / "prog", dir / "prog/skins/").folders.size(), 1u);
    WriteFile(dir / "share/quorva/skins/x/nested.qsd", "bitmap_file=n.bmp");
    Load(dir / "share/quorva/skins/x/nested.qsd");
    EXPECT_EQ(skin.skinBitmapFile, dir / "share/quorva/skins/n.bmp");
    // Outside every skins folder, also one whose name merely starts like one: the program's own.
    WriteFile(dir / "elsewhere/own.qsd", "bitmap_file=own.bmp");
    WriteFile(dir / "prog/skins/own.bmp", "BM");
    EXPECT_TRUE(Load(dir / "elsewhere/own.qsd"));
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/own.bmp");
    WriteFile(dir / "share/quorva/skins2/own.qsd", "bitmap_file=own.bmp");
    skin.skinBitmapFile.clear();
    Load(dir / "share/quorva/skins2/own.qsd");
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/own.bmp");
}

// Grids drawn with '.' for the top-left colour and 'x' for black; 'a' and 'b' differ from '.'
// by a single unit of one component, 't' only in the alpha bits (still the top-left colour).
TEST(SkinRegion, RunsOfHandMadeGrids) {
    const std::pair<std::vector<std::string>, std::vector<RegionRect>> cases[] = {
        {{".t.t", "tttt"}, {}},
        {{".x.x.x"}, {{1, 0, 2, 1}, {3, 0, 4, 1}, {5, 0, 6, 1}}},
        {{"..xx", "x...", "...."}, {{2, 0, 4, 1}, {0, 1, 1, 2}}},  // to the right edge, no carry
        {{".xab", ".bx."}, {{1, 0, 4, 1}, {1, 1, 3, 2}}},  // colours differ, all opaque
        {{"xxxxx", "x.x.x"}, {{1, 1, 2, 2}, {3, 1, 4, 2}}},  // a black top-left: '.' is opaque
    };
    const std::string drawn = ".abtx";
    const uint32_t colours[] = {0x00B7FEFF, 0x00B7FEFE, 0x00B8FEFF, 0xFFB7FEFF, 0x00000000};
    for (const auto& [rows, runs] : cases) {
        std::vector<uint32_t> px;
        for (const std::string& row : rows)
            for (char ch : row) px.push_back(colours[drawn.find(ch)]);
        EXPECT_EQ(MakeSkinRegionRuns(int(rows[0].size()), int(rows.size()), px.data()), runs) << rows[0];
    }
    EXPECT_TRUE(MakeSkinRegionRuns(0, 0, nullptr).empty());  // a picture that did not load
}

}  // namespace
}  // namespace quorva
