#pragma once
// The skin record and the skin description files ("*.qsd"). Standard C++ only: the windows
// load the picture and place the labels; this side keeps the values and the file format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

struct SkinColor {
    int16_t r = 0, g = 0, b = 0;  // 0..255 each
    bool operator==(const SkinColor&) const = default;
};

struct SkinPos {
    int16_t x = 0, y = 0;  // pixels from the picture's top-left corner
    bool operator==(const SkinPos&) const = default;
};

// red + 256 green + 65536 blue; a component outside 0..255 counts as the nearer end.
int32_t Colour(const SkinColor& c);

struct Skin {
    // "default" (the built-in skin) or the full path of a description file; also a setting.
    std::string skinFile = "default";
    // Full path of the current picture; empty until a description named one. The default skin
    // leaves it alone, so a later description without a picture reloads this one.
    std::string skinBitmapFile;

    SkinColor stackText, entryText, angleText, decimalText;
    SkinPos stack, entry, quit, angle, decimal, onTop, largeStack, functions;

    int functionListRowHeight = 14;  // pixels per row of the Functions list
    // A 120 dots-per-inch screen (exactly 12 twips per pixel): the window uses 8-point display
    // fonts, 6-point angle and decimals fonts and display labels 1.25 times narrower.
    bool largeFonts = false;

    bool operator==(const Skin&) const = default;
};

inline constexpr const char* kDefaultSkinName = "default";
inline constexpr const char* kSkinPattern = "*.qsd";
// Only this much of a description file is read; the rest is ignored.
inline constexpr std::size_t kSkinReadLimit = 64 * 1024;

// The built-in skin's record side: default positions, black text, row height 14 (16 and large
// fonts at exactly 12 twips per pixel). skinBitmapFile is kept. The window shows the built-in
// picture afterwards.
void SetDefaultSkin(Skin& skin, double twipsPerPixelX);

// Where descriptions and their pictures are looked for. The first folder is the program's own
// "skins" folder: a description outside every listed folder takes its picture from there.
struct SkinFolders {
    std::vector<std::string> folders;
};

// programFolder + "/skins", then dataFolder (e.g. <prefix>/share/quorva/skins) when it is given
// and differs.
SkinFolders MakeSkinFolders(const std::string& programFolder, const std::string& dataFolder = {});

// Overlay the description named by skin.skinFile on the record. A missing or unreadable
// description changes nothing. "bitmap_file" is taken relative to the skins folder holding the
// description, "\" read as "/". Returns whether skinBitmapFile now names an existing file: the
// window then loads that picture, otherwise it keeps the one it shows.
bool LoadSkin(Skin& skin, const SkinFolders& folders);

// The same overlay from a description's text (only the first kSkinReadLimit bytes are read);
// skinsFolder is the folder "bitmap_file" is relative to.
void ApplySkinText(Skin& skin, std::string_view text, const std::string& skinsFolder);

// The sharper picture that may lie beside a skin's picture: "NAME@2x.png" for "NAME.png" (or
// any other suffix).
std::string SharperPictureFile(const std::string& bitmap);

// The skins folder that holds the description at path, else the first folder ("" when none).
std::string SkinsFolderOf(const std::string& path, const SkinFolders& folders);

}  // namespace quorva
