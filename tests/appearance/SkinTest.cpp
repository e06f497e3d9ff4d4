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

// The built-in skin restores everything a description set but the picture's path; only a screen
// of exactly 12 twips per pixel (120 dots per inch) takes the large fonts.
TEST(DefaultSkin, RestoresAllButThePicturePathAndSuitsTheScreen) {
    const std::tuple<double, int, bool> cases[] = {{15, 14, false}, {12, 16, true}, {12.5, 14, false}, {10, 14, false}};
    for (const auto& [twips, rowHeight, large] : cases) {
        const Skin s = DefaultSkin(twips);
        EXPECT_EQ(s.functionListRowHeight, rowHeight) << twips;
        EXPECT_EQ(s.largeFonts, large) << twips;
    }
    Skin s = DefaultSkin();
    ApplySkinText(s, "stack_x=1\rcommands_zone_y=2\rdecimal_text_color_B=9\rbitmap_file=a.bmp", "/s");
    s.skinFile = "/s/a.qsd";
    SetDefaultSkin(s, 15);
    Skin expected = DefaultSkin();
    expected.skinBitmapFile = "/s/a.bmp";
    EXPECT_EQ(s, expected);
    EXPECT_EQ(Colour(s.stackText), 0);  // black text
}

TEST(SkinColour, RedPlus256GreenPlus65536BlueEachClamped) {
    EXPECT_EQ(Colour({255, 254, 183}), 255 + 256 * 254 + 65536 * 183);
    EXPECT_EQ(Colour({300, -4, 1}), 255 + 65536);
}

TEST(SkinText, EveryKeyLandsInItsField) {
    const char* keys[] = {"stack_text_color", "entry_zone_text_color", "rad_deg_text_color",
                          "decimal_text_color"};
    const char* zones[] = {"stack", "entry_zone", "quit_zone", "rad_deg_zone", "decimal_zone",
                           "ontop_zone", "large_stack_zone", "commands_zone"};
    std::string text;
    int n = 0;
    for (const char* k : keys) {
        for (const char* c : {"_R=", "_G=", "_B="}) text += k + std::string(c) + std::to_string(++n) + "\r\n";
    }
    for (const char* z : zones) {
        for (const char* c : {"_x=", "_y="}) text += z + std::string(c) + std::to_string(++n) + "\r\n";
    }
    Skin s = DefaultSkin();
    ApplySkinText(s, text, "/skins");
    const Skin e{.skinBitmapFile = "",
                 .stackText = {1, 2, 3}, .entryText = {4, 5, 6}, .angleText = {7, 8, 9}, .decimalText = {10, 11, 12},
                 .stack = {13, 14}, .entry = {15, 16}, .quit = {17, 18}, .angle = {19, 20}, .decimal = {21, 22},
                 .onTop = {23, 24}, .largeStack = {25, 26}, .functions = {27, 28}};
    EXPECT_EQ(s, e);
}

// A description's text read into the default skin: the edit is all it may change.
TEST(SkinText, NumberRulesAndThePicturePath) {
    const std::pair<const char*, std::function<void(Skin&)>> cases[] = {
        {"stack_x= 17.5", [](Skin& e) { e.stack.x = 18; }},
        {"stack_x= 16.5", [](Skin& e) { e.stack.x = 16; }},
        {"stack_x=-4", [](Skin& e) { e.stack.x = -4; }},
        {"stack_x=abc", [](Skin& e) { e.stack.x = 0; }},
        {"stack_x=40000\rStack_x=5\rstack_x =5", [](Skin&) {}},
        {"stack_text_color_R= 300", [](Skin& e) { e.stackText.r = 255; }},
        {"stack_text_color_R= 1E9", [](Skin& e) { e.stackText.r = 255; }},
        {"stack_text_color_R=254.5", [](Skin& e) { e.stackText.r = 254; }},
        {"stack_text_color_R=9\rstack_text_color_R=-5\rentry_zone_text_color_G=9\rentry_zone_text_color_G=no", [](Skin&) {}},
        {"bitmap_file=sub\\blue.bmp", [](Skin& e) { e.skinBitmapFile = "/p/skins/sub/blue.bmp"; }},
        {"bitmap_file= a=b.bmp", [](Skin& e) { e.skinBitmapFile = "/p/skins/ a=b.bmp"; }},
        // A picture outside the skins folder, or no file named at all, is not taken.
        {"bitmap_file=..\\..\\etc\\x.png", [](Skin&) {}},
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
TEST_F(SkinFiles, OnlyBitmapFileChangesThePicture) {
    WriteFile(dir / "prog/skins/blue.qsd", "stack_x=30\r\nentry_zone_text_color_G=200\r\nbitmap_file=blue.bmp\r\n");
    WriteFile(dir / "prog/skins/blue.bmp", "BM");
    WriteFile(dir / "prog/skins/red.qsd", "bitmap_file=art\\red.bmp");
    WriteFile(dir / "prog/skins/art/red.bmp", "BM");
    WriteFile(dir / "prog/skins/plain.qsd", "stack_y=3");
    EXPECT_FALSE(Load(dir / "prog/skins/plain.qsd"));  // no picture named yet: nothing to load
    EXPECT_EQ(skin.stack.y, 3);
    ASSERT_TRUE(Load(dir / "prog/skins/blue.qsd"));
    Skin expected = skin;
    ASSERT_TRUE(Load(dir / "prog/skins/red.qsd"));
    expected.skinFile = dir / "prog/skins/red.qsd";
    expected.skinBitmapFile = dir / "prog/skins/art/red.bmp";
    EXPECT_EQ(skin, expected);
    SetDefaultSkin(skin, 15);
    EXPECT_TRUE(Load(dir / "prog/skins/plain.qsd"));
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/art/red.bmp");
}

TEST_F(SkinFiles, MissingDescriptionOrPictureChangesWhatItMust) {
    // The program was moved: the saved description no longer exists.
    Skin expected = skin;
    expected.skinFile = dir / "gone/skins/blue.qsd";
    EXPECT_FALSE(Load(dir / "gone/skins/blue.qsd"));
    EXPECT_EQ(skin, expected);
    // A folder or a NUL in the name is no description either.
    std::filesystem::create_directories(dir / "prog/skins/dir.qsd");
    EXPECT_FALSE(Load(dir / "prog/skins/dir.qsd"));
    EXPECT_FALSE(Load(std::string("/etc/hostname\0.qsd", 18)));
    EXPECT_EQ(skin.stack, expected.stack);

    // The description's values apply even when its picture is missing.
    WriteFile(dir / "prog/skins/lost.qsd", "stack_x=44\rbitmap_file=lost.bmp");
    EXPECT_FALSE(Load(dir / "prog/skins/lost.qsd"));
    EXPECT_EQ(skin.stack.x, 44);
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/lost.bmp");
}

TEST_F(SkinFiles, PictureIsLookedForInTheFolderHoldingTheDescription) {
    // The program's own skins folder given again as the data folder is listed once.
    EXPECT_EQ(MakeSkinFolders(dir / "prog", dir / "prog/skins/").folders.size(), 1u);
    // In the data folder, even below it: beside the descriptions of that folder.
    WriteFile(dir / "share/quorva/skins/x/nested.qsd", "bitmap_file=n.bmp");
    Load(dir / "share/quorva/skins/x/nested.qsd");
    EXPECT_EQ(skin.skinBitmapFile, dir / "share/quorva/skins/n.bmp");

    // Outside every skins folder: the program's own.
    WriteFile(dir / "elsewhere/own.qsd", "bitmap_file=own.bmp");
    WriteFile(dir / "prog/skins/own.bmp", "BM");
    EXPECT_TRUE(Load(dir / "elsewhere/own.qsd"));
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/own.bmp");
    // A folder whose name merely starts like a skins folder is outside it.
    WriteFile(dir / "share/quorva/skins2/own.qsd", "bitmap_file=own.bmp");
    Load(dir / "share/quorva/skins2/own.qsd");
    EXPECT_EQ(skin.skinBitmapFile, dir / "prog/skins/own.bmp");
}

}  // namespace
}  // namespace quorva
