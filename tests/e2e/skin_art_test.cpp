// The committed built-in pictures: what the window relies on (size, key colour, one run per row)
// and what a user sees (a crisp outline, light displays under dark text, visible symbols).

#include "SkinLayout.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

using namespace quorva::e2e;

QImage load(const char* name) {
    QImage img(QStringLiteral(QUORVA_RESOURCES_DIR "/") + QString::fromLatin1(name));
    return img;
}

class DefaultSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin = new QImage(load("default_skin.png")); }
    static void TearDownTestSuite() { delete skin; }
    static QImage* skin;
};
QImage* DefaultSkin::skin = nullptr;

TEST_F(DefaultSkin, IsA24BitPictureWithTheKeyColourAtTheTopLeft) {
    ASSERT_FALSE(skin->isNull());
    EXPECT_EQ(skin->size(), QSize(262, 188));
    EXPECT_FALSE(skin->hasAlphaChannel());
    EXPECT_TRUE(isKey(skin->pixel(0, 0)));
}

// The window's shape is one rectangle per run; a drawing with holes or notches would make more.
TEST_F(DefaultSkin, EachRowIsOneRunAndTheOutlineHas178Rows) {
    int rowsWithRun = 0;
    for (int y = 0; y < skin->height(); ++y) {
        int runs = 0;
        bool open = false;
        for (int x = 0; x < skin->width(); ++x) {
            const bool opaque = !isKey(skin->pixel(x, y));
            if (opaque && !open) ++runs;
            open = opaque;
        }
        EXPECT_LE(runs, 1) << "row " << y;
        rowsWithRun += runs > 0;
    }
    EXPECT_EQ(rowsWithRun, 178);
}

// A pixel of the body that touches the key colour must not be a blend with it: once cut out,
// such a pixel shows as a pale halo against a dark desktop.
TEST_F(DefaultSkin, OutlinePixelsAreDarkRimNotBlendsWithTheKeyColour) {
    int edgePixels = 0;
    for (int y = 0; y < skin->height(); ++y) {
        for (int x = 0; x < skin->width(); ++x) {
            const QRgb c = skin->pixel(x, y);
            if (isKey(c)) continue;
            const bool touchesKey = (x > 0 && isKey(skin->pixel(x - 1, y))) ||
                                    (x + 1 < skin->width() && isKey(skin->pixel(x + 1, y))) ||
                                    (y > 0 && isKey(skin->pixel(x, y - 1))) ||
                                    (y + 1 < skin->height() && isKey(skin->pixel(x, y + 1))) || x == 0 ||
                                    x + 1 == skin->width();
            if (!touchesKey) continue;
            ++edgePixels;
            EXPECT_LT(luma(c), 40) << "outline pixel " << x << "," << y << " is light: #" << std::hex << c;
        }
    }
    EXPECT_GT(edgePixels, 2 * (262 + 178) - 100);
}

class SkinZone : public DefaultSkin, public ::testing::WithParamInterface<Zone> {};

TEST_P(SkinZone, LiesOnTheBody) {
    const Zone& z = GetParam();
    ASSERT_TRUE(QRect(0, 0, 262, 188).contains(z.rect)) << z.name;
    for (int y = z.rect.top(); y <= z.rect.bottom(); ++y)
        for (int x = z.rect.left(); x <= z.rect.right(); ++x)
            ASSERT_FALSE(isKey(skin->pixel(x, y))) << z.name << " has a hole at " << x << "," << y;
}

// Displays and captions carry dark text (black in the built-in skin): what lies under the text
// must be light. Zones without a caption must show a symbol that stands out from its key.
TEST_P(SkinZone, IsReadableOrMarked) {
    const Zone& z = GetParam();
    // a caption is drawn at the top of its label, in a 13-pixel line
    const QRect area = z.kind == ZoneKind::Caption ? QRect(z.rect.left() + 4, z.rect.top() + 1, z.rect.width() - 8, 11)
                                                   : z.rect;
    int minLuma = 255, maxLuma = 0, light = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int l = luma(skin->pixel(x, y));
            minLuma = std::min(minLuma, l);
            maxLuma = std::max(maxLuma, l);
            light += l > 140;
        }
    }
    if (z.kind == ZoneKind::Symbol) {
        EXPECT_GE(maxLuma - minLuma, 100) << z.name << ": no visible symbol";
        EXPECT_GE(light, 8) << z.name << ": the symbol is too small to see";
        EXPECT_LE(light, area.width() * area.height() / 2) << z.name << ": a light zone hides its symbol";
    } else {
        EXPECT_GE(minLuma, 170) << z.name << ": too dark for dark text";
    }
}

INSTANTIATE_TEST_SUITE_P(DefaultPositions, SkinZone, ::testing::ValuesIn(kZones),
                         [](const ::testing::TestParamInfo<Zone>& info) { return std::string(info.param.name); });

struct IconCase {
    const char* file;
    int size;
};

void PrintTo(const IconCase& c, std::ostream* os) { *os << c.file; }

class Icon : public ::testing::TestWithParam<IconCase> {};

TEST_P(Icon, IsSquareWithTransparentCornersAndAnOpaqueFace) {
    const QImage icon = load(GetParam().file);
    ASSERT_FALSE(icon.isNull()) << GetParam().file;
    const int s = GetParam().size;
    EXPECT_EQ(icon.size(), QSize(s, s));
    ASSERT_TRUE(icon.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(s - 1, 0), QPoint(0, s - 1), QPoint(s - 1, s - 1)})
        EXPECT_EQ(qAlpha(icon.pixel(corner)), 0) << corner.x() << "," << corner.y();
    EXPECT_EQ(qAlpha(icon.pixel(s / 2, s / 2)), 255);
    EXPECT_EQ(qAlpha(icon.pixel(s / 2, s / 8)), 255);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Icon, ::testing::Values(IconCase{"quorva.png", 256}, IconCase{"quorva-32.png", 32}),
                         [](const ::testing::TestParamInfo<IconCase>& info) {
                             return "px" + std::to_string(info.param.size);
                         });

}  // namespace
