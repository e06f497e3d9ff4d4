// The skin description reader on any bytes: colours stay 0..255, the picture stays inside the
// skins folder, and what the description cannot set is untouched.

#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "Skin.h"

using namespace quorva;

namespace {

bool Component(int16_t v) { return v >= 0 && v <= 255; }

bool Inside(const std::string& path, const std::string& folder) {
    const std::filesystem::path p = std::filesystem::path(path).lexically_normal();
    const std::filesystem::path rel = p.lexically_relative(folder);
    return !rel.empty() && *rel.begin() != ".." && *rel.begin() != "." && rel.is_relative();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string folder = "/usr/share/quorva/skins";
    Skin skin;
    SetDefaultSkin(skin, 15);
    skin.skinFile = folder + "/plum.qsd";
    const Skin before = skin;
    ApplySkinText(skin, text, folder);

    for (const SkinColor& c : {skin.stackText, skin.entryText, skin.angleText, skin.decimalText})
        QUORVA_FUZZ_CHECK(Component(c.r) && Component(c.g) && Component(c.b),
                          std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b));
    QUORVA_FUZZ_CHECK(skin.skinBitmapFile == before.skinBitmapFile ||
                          Inside(skin.skinBitmapFile, folder),
                      skin.skinBitmapFile);
    QUORVA_FUZZ_CHECK(skin.skinFile == before.skinFile &&
                          skin.functionListRowHeight == before.functionListRowHeight &&
                          skin.largeFonts == before.largeFonts,
                      skin.skinFile);
    return 0;
}
