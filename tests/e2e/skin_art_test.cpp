// The committed built-in pictures: what the window relies on (key colour, one run per row) and
// what a user sees (a crisp outline, icons with a transparent background). Whether the displays
// and captions are light enough for their text is judged on the screen by e2e.screenshot.

#include "SkinLayout.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

using namespace quorva::e2e;

QImage Load(const char* name) { return QImage(QStringLiteral(QUORVA_RESOURCES_DIR "/") + QLatin1String(name)); }

// The window's shape is one rectangle per row: a key-coloured pixel inside the body would be a
// hole. A body pixel touching the key colour must be dark rim, not a blend with the key colour,
// which shows as a pale halo once cut out.
TEST(DefaultSkin, OneRunPerRowInsideADarkOutline) {
    const QImage skin = Load("default_skin.png");
    ASSERT_EQ(skin.size(), QSize(262, 188));
    EXPECT_FALSE(skin.hasAlphaChannel());
    EXPECT_TRUE(isKey(skin.pixel(0, 0)));
    const auto cut = [&](int x, int y) { return !skin.rect().contains(x, y) || isKey(skin.pixel(x, y)); };
    int edgePixels = 0;
    for (int y = 0; y < skin.height(); ++y) {
        int runs = 0;
        for (int x = 0; x < skin.width(); ++x) {
            if (cut(x, y)) continue;
            runs += cut(x - 1, y);
            if (cut(x - 1, y) || cut(x + 1, y) || cut(x, y - 1) || cut(x, y + 1)) {
                ++edgePixels;
                EXPECT_LT(luma(skin.pixel(x, y)), 40) << "light outline pixel " << x << "," << y;
            }
        }
        EXPECT_LE(runs, 1) << "row " << y;
    }
    EXPECT_GT(edgePixels, 2 * (skin.width() + skin.height()) - 150);  // an outline all around
}

// The icons are installed into the theme folders of their sizes; their corners are see-through.
TEST(Icon, SizeOfItsThemeFolderWithTransparentCorners) {
    for (const auto& [file, s] :
         {std::pair{"quorva.png", 256}, std::pair{"quorva-128.png", 128}, std::pair{"quorva-64.png", 64},
          std::pair{"quorva-48.png", 48}, std::pair{"quorva-32.png", 32}, std::pair{"quorva-24.png", 24},
          std::pair{"quorva-22.png", 22}, std::pair{"quorva-16.png", 16}}) {
        const QImage icon = Load(file);
        EXPECT_EQ(icon.size(), QSize(s, s)) << file;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)) + qAlpha(icon.pixel(s - 1, s - 1)), 0) << file;
        EXPECT_EQ(qAlpha(icon.pixel(s / 2, s / 2)), 255) << file;
    }
}

}  // namespace
