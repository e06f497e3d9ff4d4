#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "Fakes.h"
#include "Skin.h"

namespace quorva {
namespace {

using namespace test;

Skin DefaultSkin(double twips = 15) {
    Skin s;
    SetDefaultSkin(s, twips);
    return s;
}

// Only a screen of exactly 12 twips per pixel takes the large fonts; the built-in skin restores
// all a description set but the picture's path.
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
    EXPECT_EQ(Colour(s.stackText), 0);
    EXPECT_EQ(Colour({255, 254, 183}), 255 + 256 * 254 + 65536 * 183);
    EXPECT_EQ(Colour({300, -4, 1}), 255 + 65536);
}

// Each key lands in its own field, and a colour is read as a colour (clamped to 0..255) while a
// place is read as a 16-bit number.
TEST(SkinText, EveryKeyLandsInItsFieldAndIsReadByItsKind) {
    const std::string colours[] = {"stack_text_color", "entry_zone_text_color", "rad_deg_text_color",
                                   "decimal_text_color"};
    const std::string zones[] = {"stack", "entry_zone", "quit_zone", "rad_deg_zone", "decimal_zone",
                                 "ontop_zone", "large_stack_zone", "commands_zone"};
    std::string text, negative;
    int n = 0;
    for (const std::string& k : colours) {
        for (const char* c : {"_R=", "_G=", "_B="}) {
            text += k + c + std::to_string(++n) + "\r\n";
            negative += k + c + "-300\r\n";
        }
    }
    for (const std::string& z : zones) {
        for (const char* c : {"_x=", "_y="}) {
            text += z + c + std::to_string(++n) + "\r\n";
            negative += z + c + "-300\r\n";
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
        {"stack_x= 16.5", [](Skin& e) { e.stack.x = 16; }},
        {"stack_x=abc", [](Skin& e) { e.stack.x = 0; }},
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

// Only bitmap_file changes the picture; a description without it loads the last one again.
// A missing description changes nothing; a missing picture still lets the values apply.
TEST_F(SkinFiles, OnlyBitmapFileChangesThePictureAndWhatIsMissingChangesWhatItMust) {
    WriteFile(dir / "prog/skins/red.qsd", "stack_x=30\rbitmap_file=art\\red.bmp");
    WriteFile(dir / "prog/skins/art/red.bmp", "BM");
    WriteFile(dir / "prog/skins/plain.qsd", "stack_y=3");
    WriteFile(dir / "prog/skins/lost.qsd", "stack_x=44\rbitmap_file=lost.bmp");
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
    EXPECT_FALSE(Load(dir / "prog/skins/lost.qsd"));
    EXPECT_EQ(skin.stack.x, 44);
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/lost.bmp");
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

}  // namespace
}  // namespace quorva
