#include <gtest/gtest.h>

#include <random>

#include "Fakes.h"
#include "Skin.h"

namespace quorva {
namespace {

using test::ScratchFolder;
using test::WriteFile;

Skin DefaultSkin(double twips = 15) {
    Skin s;
    SetDefaultSkin(s, twips);
    return s;
}

TEST(DefaultSkin, PositionsBlackTextAndLargeFonts) {
    struct Case {
        double twips;
        int rowHeight;
        bool large;
    };
    for (const Case& c : {Case{15, 14, false}, Case{12, 16, true}, Case{12.5, 14, false},
                          Case{10, 14, false}}) {
        SCOPED_TRACE(c.twips);
        const Skin s = DefaultSkin(c.twips);
        EXPECT_EQ(s.SkinFile, "default");
        EXPECT_EQ(s.FunctionListRowHeight, c.rowHeight);
        EXPECT_EQ(s.largeFonts, c.large);
        EXPECT_EQ(s.stack, (SkinPos{17, 50}));
        EXPECT_EQ(s.entry, (SkinPos{17, 152}));
        EXPECT_EQ(s.quit, (SkinPos{236, 10}));
        EXPECT_EQ(s.angle, (SkinPos{211, 40}));
        EXPECT_EQ(s.decimal, (SkinPos{211, 62}));
        EXPECT_EQ(s.onTop, (SkinPos{216, 10}));
        EXPECT_EQ(s.largeStack, (SkinPos{216, 86}));
        EXPECT_EQ(s.functions, (SkinPos{216, 113}));
        for (const SkinColor& col : {s.stackText, s.entryText, s.angleText, s.decimalText}) {
            EXPECT_EQ(Colour(col), 0);
        }
    }
}

TEST(DefaultSkin, AfterALoadedSkinRestoresEverythingButThePicturePath) {
    Skin s = DefaultSkin();
    ApplySkinText(s, "stack_x=1\rcommands_zone_y=2\rdecimal_text_color_B=9\rbitmap_file=a.bmp", "/s");
    s.SkinFile = "/s/a.qsd";
    SetDefaultSkin(s, 15);
    Skin expected = DefaultSkin();
    expected.SkinBitmapFile = "/s/a.bmp";
    EXPECT_EQ(s, expected);
}

TEST(SkinColour, RedPlus256GreenPlus65536Blue) {
    EXPECT_EQ(Colour({255, 254, 183}), 255 + 256 * 254 + 65536 * 183);
    EXPECT_EQ(Colour({1, 0, 0}), 1);
    EXPECT_EQ(Colour({0, 1, 0}), 256);
    EXPECT_EQ(Colour({0, 0, 1}), 65536);
    EXPECT_EQ(Colour({300, -4, 255}), 255 + 65536 * 255);
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
    Skin e = DefaultSkin();
    e.stackText = {1, 2, 3};
    e.entryText = {4, 5, 6};
    e.angleText = {7, 8, 9};
    e.decimalText = {10, 11, 12};
    e.stack = {13, 14};
    e.entry = {15, 16};
    e.quit = {17, 18};
    e.angle = {19, 20};
    e.decimal = {21, 22};
    e.onTop = {23, 24};
    e.largeStack = {25, 26};
    e.functions = {27, 28};
    EXPECT_EQ(s, e);
}

TEST(SkinText, NumberRules) {
    // stack_x starts at 17, the stack's red at 99, so that reading 0 shows.
    const struct {
        const char* line;
        bool colour;
        int value;
    } cases[] = {
        {"stack_x= 17.5", false, 18},  {"stack_x= 16.5", false, 16},
        {"stack_x=-4", false, -4},     {"stack_x=abc", false, 0},
        {"stack_x=40000", false, 17},  {"Stack_x=5", false, 17},
        {"stack_x =5", false, 17},     {"stack_text_color_R=letters", true, 0},
        {"stack_text_color_R= 300", true, 255}, {"stack_text_color_R= 1E9", true, 255},
        {"stack_text_color_R=-5", true, 0},     {"stack_text_color_R=254.5", true, 254},
    };
    for (const auto& c : cases) {
        Skin s = DefaultSkin();
        s.stackText.r = 99;
        ApplySkinText(s, c.line, "/skins");
        EXPECT_EQ(c.colour ? s.stackText.r : s.stack.x, c.value) << c.line;
    }
}

TEST(SkinText, BitmapPathRelativeToTheSkinsFolderWithBackslashes) {
    const std::pair<const char*, const char*> cases[] = {
        {"bitmap_file=blue.bmp", "/p/skins/blue.bmp"},
        {"bitmap_file=sub\\blue.bmp", "/p/skins/sub/blue.bmp"},
        {"bitmap_file= blue.bmp", "/p/skins/ blue.bmp"},
        {"bitmap_file=a=b.bmp", "/p/skins/a=b.bmp"},
    };
    for (const auto& [line, path] : cases) {
        Skin s = DefaultSkin();
        ApplySkinText(s, line, "/p/skins");
        EXPECT_EQ(s.SkinBitmapFile, path) << line;
    }
}

class SkinFiles : public ::testing::Test {
protected:
    ScratchFolder dir;
    SkinFolders folders = MakeSkinFolders(dir / "prog", dir / "share/quorva/skins");
    Skin skin = DefaultSkin();

    bool Load(const std::string& path) {
        skin.SkinFile = path;
        return LoadSkin(skin, folders);
    }
};

TEST_F(SkinFiles, FoldersProgramFirstThenData) {
    ASSERT_EQ(folders.folders.size(), 2u);
    EXPECT_EQ(folders.folders[0], dir / "prog/skins");
    EXPECT_EQ(folders.folders[1], dir / "share/quorva/skins");
    EXPECT_EQ(MakeSkinFolders(dir / "prog").folders.size(), 1u);
    EXPECT_EQ(MakeSkinFolders(dir / "prog", dir / "prog/skins/").folders.size(), 1u);
}

TEST_F(SkinFiles, OnlyBitmapFileChangesThePictureAndKeepsTheRest) {
    WriteFile(dir / "prog/skins/blue.qsd", "stack_x=30\r\nentry_zone_text_color_G=200\r\nbitmap_file=blue.bmp\r\n");
    WriteFile(dir / "prog/skins/blue.bmp", "BM");
    WriteFile(dir / "prog/skins/red.qsd", "bitmap_file=art\\red.bmp");
    WriteFile(dir / "prog/skins/art/red.bmp", "BM");
    ASSERT_TRUE(Load(dir / "prog/skins/blue.qsd"));
    const Skin blue = skin;
    ASSERT_TRUE(Load(dir / "prog/skins/red.qsd"));
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/art/red.bmp");
    Skin expected = blue;
    expected.SkinFile = skin.SkinFile;
    expected.SkinBitmapFile = skin.SkinBitmapFile;
    EXPECT_EQ(skin, expected);
    EXPECT_EQ(skin.stack.x, 30);
    EXPECT_EQ(skin.entryText.g, 200);
}

TEST_F(SkinFiles, WithoutBitmapFileTheLastPictureIsLoadedAgain) {
    WriteFile(dir / "prog/skins/blue.qsd", "bitmap_file=blue.bmp");
    WriteFile(dir / "prog/skins/blue.bmp", "BM");
    WriteFile(dir / "prog/skins/plain.qsd", "stack_y=3");
    // Before any picture was named there is nothing to load.
    EXPECT_FALSE(Load(dir / "prog/skins/plain.qsd"));
    EXPECT_EQ(skin.stack.y, 3);
    EXPECT_TRUE(Load(dir / "prog/skins/blue.qsd"));
    SetDefaultSkin(skin, 15);
    EXPECT_TRUE(Load(dir / "prog/skins/plain.qsd"));
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/blue.bmp");
}

TEST_F(SkinFiles, MissingDescriptionOrPictureChangesWhatItMust) {
    // The program was moved: the saved description no longer exists.
    const Skin before = skin;
    EXPECT_FALSE(Load(dir / "gone/skins/blue.qsd"));
    Skin expected = before;
    expected.SkinFile = dir / "gone/skins/blue.qsd";
    EXPECT_EQ(skin, expected);
    // A folder or a NUL in the name is no description either.
    std::filesystem::create_directories(dir / "prog/skins/dir.qsd");
    EXPECT_FALSE(Load(dir / "prog/skins/dir.qsd"));
    EXPECT_FALSE(Load(std::string("/etc/hostname\0.qsd", 18)));
    EXPECT_EQ(skin.stack, before.stack);

    // The description's values apply even when its picture is missing.
    WriteFile(dir / "prog/skins/lost.qsd", "stack_x=44\rbitmap_file=lost.bmp");
    EXPECT_FALSE(Load(dir / "prog/skins/lost.qsd"));
    EXPECT_EQ(skin.stack.x, 44);
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/lost.bmp");
}

TEST_F(SkinFiles, PictureIsLookedForInTheFolderHoldingTheDescription) {
    WriteFile(dir / "share/quorva/skins/sys.qsd", "bitmap_file=sys.bmp");
    WriteFile(dir / "share/quorva/skins/sys.bmp", "BM");
    EXPECT_TRUE(Load(dir / "share/quorva/skins/sys.qsd"));
    EXPECT_EQ(skin.SkinBitmapFile, dir / "share/quorva/skins/sys.bmp");

    WriteFile(dir / "prog/skins/x/nested.qsd", "bitmap_file=n.bmp");
    Load(dir / "prog/skins/x/nested.qsd");
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/n.bmp");

    // Outside every skins folder: the program's own.
    WriteFile(dir / "elsewhere/own.qsd", "bitmap_file=own.bmp");
    WriteFile(dir / "prog/skins/own.bmp", "BM");
    EXPECT_TRUE(Load(dir / "elsewhere/own.qsd"));
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/own.bmp");
    // A folder whose name merely starts like a skins folder is outside it.
    WriteFile(dir / "share/quorva/skins2/own.qsd", "bitmap_file=own.bmp");
    Load(dir / "share/quorva/skins2/own.qsd");
    EXPECT_EQ(skin.SkinBitmapFile, dir / "prog/skins/own.bmp");
}

TEST(SkinRobustness, RandomBytesKeepColoursInRange) {
    std::mt19937 rng(77);
    const char* keys[] = {"stack_text_color_R=", "decimal_text_color_B=", "stack_x=", "bitmap_file=",
                          "commands_zone_y="};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int parts = 1 + static_cast<int>(rng() % 30);
        for (int p = 0; p < parts; ++p) {
            if (rng() % 2) text += keys[rng() % std::size(keys)];
            for (int i = static_cast<int>(rng() % 20); i > 0; --i) text += static_cast<char>(rng());
            if (rng() % 3 == 0) text += '\r';
        }
        Skin s = DefaultSkin();
        ApplySkinText(s, text, "/skins");
        for (const SkinColor& c : {s.stackText, s.entryText, s.angleText, s.decimalText}) {
            for (int v : {c.r, c.g, c.b}) ASSERT_TRUE(v >= 0 && v <= 255) << "round " << round;
        }
        ASSERT_EQ(s.SkinFile, "default");
        ASSERT_TRUE(s.SkinBitmapFile.empty() || s.SkinBitmapFile.rfind("/skins/", 0) == 0);
    }
    // A megabyte-long line is cut by the limit and dropped.
    Skin s = DefaultSkin();
    ApplySkinText(s, "stack_x=1" + std::string(1 << 20, '0') + "\r\nstack_y=5\r\n", "/skins");
    EXPECT_EQ(s.stack, (SkinPos{17, 50}));
}

}  // namespace
}  // namespace quorva
