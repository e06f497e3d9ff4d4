// Every skin that ships, the built-in one among them: an outline that keeps every zone, a sharper
// twin cut the same way, and texts readable on their displays.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegion>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "Skin.h"
#include "SkinRegion.h"

namespace quorva {
namespace {

const QString kSkins = QStringLiteral(QUORVA_SKINS_DIR);

uint32_t Rgb(QRgb c) { return c & 0xFFFFFFu; }

double Linear(int c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double Luminance(QRgb c) { return 0.2126 * Linear(qRed(c)) + 0.7152 * Linear(qGreen(c)) + 0.0722 * Linear(qBlue(c)); }
double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every label the picture must keep inside its outline: the two displays and six zones.
std::vector<std::pair<const char*, QRect>> Labels(const Skin& k) {
    const auto r = [](SkinPos p, int w, int h) { return QRect(p.x, p.y, w, h); };
    return {{"stack", r(k.stack, 180, 80)},       {"entry", r(k.entry, 180, 20)},
            {"quit", r(k.quit, 20, 20)},          {"angle", r(k.angle, 32, 20)},
            {"decimal", r(k.decimal, 32, 20)},    {"ontop", r(k.onTop, 20, 20)},
            {"large stack", r(k.largeStack, 20, 20)}, {"functions", r(k.functions, 20, 20)}};
}

TEST(ShippedSkins, OutlineKeepsEveryLabelIsCutCleanlyInBothSizesAndTextsAreReadable) {
    QStringList names{"default"};  // the built-in skin
    for (const QString& qsd : QDir(kSkins).entryList({QStringLiteral("*.qsd")}, QDir::Files))
        names << qsd.chopped(4);
    ASSERT_GT(names.size(), 1) << "no description in " << kSkins.toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        Skin k;  // as the program has it after choosing the skin
        SetDefaultSkin(k, 15);
        QFile qsd(kSkins + "/" + name + ".qsd");
        if (name != "default" && qsd.open(QIODevice::ReadOnly))
            ApplySkinText(k, qsd.readAll().toStdString(), kSkins.toStdString());
        QString picture = QString::fromStdString(k.skinBitmapFile);
        if (name == "default") picture = QStringLiteral(QUORVA_RESOURCES_DIR "/default_skin.png");
        const QImage pic = QImage(picture).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(pic.isNull()) << picture.toStdString();
        const uint32_t key = Rgb(pic.pixel(0, 0));
        const auto runs = MakeSkinRegionRuns(pic.width(), pic.height(), reinterpret_cast<const uint32_t*>(pic.constBits()));
        std::vector<int> perRow(pic.height(), 0);
        QRegion region;
        for (const RegionRect& r : runs) {
            ++perRow[r.top];
            region += QRect(r.left, r.top, r.right - r.left, 1);
        }
        // one run per row: a key-coloured pixel inside the face would be a hole in the window
        EXPECT_LE(*std::max_element(perRow.begin(), perRow.end()), 1);
        const auto labels = Labels(k);
        for (const auto& [what, rect] : labels) {
            // a label over another hides its text or takes its clicks
            for (const auto& [other, r] : labels)
                EXPECT_TRUE(what == other || !rect.intersects(r)) << what << " overlaps " << other;
            EXPECT_EQ(region.intersected(rect), QRegion(rect)) << what << " is not wholly inside the outline";
        }

        // Where texts are drawn: the stack's five lines, the entry's line, the two centred captions.
        const struct {
            const char* what;
            SkinPos at;
            QRect rect;  // relative to at
            SkinColor ink;
        } bands[] = {{"stack", k.stack, QRect(0, 0, 180, 80), k.stackText},
                     {"entry", k.entry, QRect(0, 0, 180, 15), k.entryText},
                     {"angle", k.angle, QRect(5, 0, 22, 13), k.angleText},
                     {"decimal", k.decimal, QRect(5, 0, 22, 13), k.decimalText}};
        for (const auto& b : bands) {
            const QRgb ink = qRgb(b.ink.r, b.ink.g, b.ink.b);
            double worst = 100;
            for (int y = b.rect.top(); y <= b.rect.bottom(); ++y)
                for (int x = b.rect.left(); x <= b.rect.right(); ++x)
                    worst = std::min(worst, Contrast(ink, pic.pixel(b.at.x + x, b.at.y + y)));
            EXPECT_GE(worst, 4.5) << b.what << " text is hard to read";
        }

        const QString twin = QString::fromStdString(SharperPictureFile(picture.toStdString()));
        const bool sharper = name != "plum";  // the one shipped without a twin
        ASSERT_EQ(QFile::exists(twin), sharper) << twin.toStdString();
        if (!sharper) continue;
        const QImage big = QImage(twin).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(big.size(), pic.size() * 2);
        int differ = 0;
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                differ += (Rgb(big.pixel(x, y)) == key) != (Rgb(pic.pixel(x / 2, y / 2)) == key);
        EXPECT_EQ(differ, 0) << "the sharper picture is cut differently";
    }
}

}  // namespace
}  // namespace quorva
