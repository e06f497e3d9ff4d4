#include "Skin.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "Paths.h"
#include "Settings.h"
#include "TextFile.h"

namespace quorva {

namespace fs = std::filesystem;

namespace {

struct SkinKey {
    std::string_view key;
    bool colour;
    int16_t& (*field)(Skin&);
};

#define QUORVA_FIELD(expr) [](Skin& s) -> int16_t& { return s.expr; }
const SkinKey kSkinKeys[] = {
    {"stack_text_color_R", true, QUORVA_FIELD(stackText.r)},
    {"stack_text_color_G", true, QUORVA_FIELD(stackText.g)},
    {"stack_text_color_B", true, QUORVA_FIELD(stackText.b)},
    {"entry_zone_text_color_R", true, QUORVA_FIELD(entryText.r)},
    {"entry_zone_text_color_G", true, QUORVA_FIELD(entryText.g)},
    {"entry_zone_text_color_B", true, QUORVA_FIELD(entryText.b)},
    {"rad_deg_text_color_R", true, QUORVA_FIELD(angleText.r)},
    {"rad_deg_text_color_G", true, QUORVA_FIELD(angleText.g)},
    {"rad_deg_text_color_B", true, QUORVA_FIELD(angleText.b)},
    {"decimal_text_color_R", true, QUORVA_FIELD(decimalText.r)},
    {"decimal_text_color_G", true, QUORVA_FIELD(decimalText.g)},
    {"decimal_text_color_B", true, QUORVA_FIELD(decimalText.b)},
    {"stack_x", false, QUORVA_FIELD(stack.x)},
    {"stack_y", false, QUORVA_FIELD(stack.y)},
    {"entry_zone_x", false, QUORVA_FIELD(entry.x)},
    {"entry_zone_y", false, QUORVA_FIELD(entry.y)},
    {"quit_zone_x", false, QUORVA_FIELD(quit.x)},
    {"quit_zone_y", false, QUORVA_FIELD(quit.y)},
    {"rad_deg_zone_x", false, QUORVA_FIELD(angle.x)},
    {"rad_deg_zone_y", false, QUORVA_FIELD(angle.y)},
    {"decimal_zone_x", false, QUORVA_FIELD(decimal.x)},
    {"decimal_zone_y", false, QUORVA_FIELD(decimal.y)},
    {"ontop_zone_x", false, QUORVA_FIELD(onTop.x)},
    {"ontop_zone_y", false, QUORVA_FIELD(onTop.y)},
    {"large_stack_zone_x", false, QUORVA_FIELD(largeStack.x)},
    {"large_stack_zone_y", false, QUORVA_FIELD(largeStack.y)},
    {"commands_zone_x", false, QUORVA_FIELD(functions.x)},
    {"commands_zone_y", false, QUORVA_FIELD(functions.y)},
};
#undef QUORVA_FIELD

int Component(int v) { return std::clamp(v, 0, 255); }

// Halves to even, like the 16-bit keys; any number above 255 (however large) counts as 255.
int16_t ColourComponent(std::string_view value) {
    const double v = ReadNumber(value);
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<int16_t>(std::nearbyint(v));
}

// A picture named relative to the skins folder that stays inside it and names a file.
bool StaysInside(std::string_view relative) {
    if (relative.empty() || relative.front() == '/' || relative.back() == '/') return false;
    for (std::size_t start = 0; start <= relative.size();) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos) end = relative.size();
        const std::string_view part = relative.substr(start, end - start);
        if (part == ".." || (end == relative.size() && part == ".")) return false;
        start = end + 1;
    }
    return true;
}

fs::path Comparable(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) p = fs::absolute(path, ec).lexically_normal();
    if (p.has_relative_path() && !p.has_filename()) p = p.parent_path();  // "skins/" is "skins"
    return p;
}

}  // namespace

int32_t Colour(const SkinColor& c) {
    return Component(c.r) + 256 * Component(c.g) + 65536 * Component(c.b);
}

void SetDefaultSkin(Skin& skin, double twipsPerPixelX) {
    skin.skinFile = kDefaultSkinName;
    skin.stackText = skin.entryText = skin.angleText = skin.decimalText = SkinColor{};
    skin.stack = {17, 50};
    skin.entry = {17, 152};
    skin.quit = {236, 10};
    skin.angle = {211, 40};
    skin.decimal = {211, 62};
    skin.onTop = {216, 10};
    skin.largeStack = {216, 86};
    skin.functions = {216, 113};
    skin.largeFonts = twipsPerPixelX == 12.0;
    skin.functionListRowHeight = skin.largeFonts ? 16 : 14;
}

SkinFolders MakeSkinFolders(const std::string& programFolder, const std::string& dataFolder) {
    SkinFolders out;
    out.folders.push_back(JoinPath(programFolder, "skins"));
    if (!dataFolder.empty() && Comparable(dataFolder) != Comparable(out.folders.front())) {
        out.folders.push_back(dataFolder);
    }
    return out;
}

std::string SkinsFolderOf(const std::string& path, const SkinFolders& folders) {
    if (folders.folders.empty()) return {};
    const fs::path file = Comparable(path);
    for (const std::string& folder : folders.folders) {
        const fs::path rel = file.lexically_relative(Comparable(folder));
        if (!rel.empty() && *rel.begin() != ".." && *rel.begin() != ".") return folder;
    }
    return folders.folders.front();
}

void ApplySkinText(Skin& skin, std::string_view text, const std::string& skinsFolder) {
    textfile::ForEachKeyValue(text, kSkinReadLimit, [&](std::string_view key, std::string_view value) {
        if (key == "bitmap_file") {
            std::string relative(value);
            std::replace(relative.begin(), relative.end(), '\\', '/');
            if (StaysInside(relative)) skin.skinBitmapFile = JoinPath(skinsFolder, relative);
            return;
        }
        for (const SkinKey& k : kSkinKeys) {
            if (key != k.key) continue;
            if (k.colour) {
                k.field(skin) = ColourComponent(value);
            } else if (const auto v = ReadInt16(value)) {
                k.field(skin) = *v;
            }
            return;
        }
    });
}

std::string SharperPictureFile(const std::string& bitmap) {
    const fs::path p(bitmap);
    if (!p.has_filename()) return {};
    fs::path out = p;
    out.replace_filename(p.stem().string() + "@2x.png");
    return out.string();
}

bool LoadSkin(Skin& skin, const SkinFolders& folders) {
    const textfile::Head head = textfile::ReadHead(skin.skinFile, kSkinReadLimit);
    if (head.status != textfile::Head::Read) return false;
    ApplySkinText(skin, head.bytes, SkinsFolderOf(skin.skinFile, folders));
    const std::string& bitmap = skin.skinBitmapFile;
    if (bitmap.empty() || bitmap.find('\0') != std::string::npos) return false;
    std::error_code ec;
    return fs::is_regular_file(bitmap, ec);
}

}  // namespace quorva
