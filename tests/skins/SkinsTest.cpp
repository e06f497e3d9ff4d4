// Every skin that ships, the built-in one among them: what the window needs of it (an outline
// that keeps every zone, a sharper twin cut the same way) and what a user needs (texts readable
// on their displays).

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegion>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "Skin.h"
#include "SkinRegion.h"

namespace quorva {
namespace {

const QString kSkins = QStringLiteral(QUORVA_SKINS_DIR);

struct Shipped {
    const char* name;  // description without ".qsd"; "default" is the built-in skin
    bool sharper;      // a NAME@2x.png lies beside the picture
};

const Shipped kShipped[] = {{"default", true}, {"plum", false},   {"pocket", true}, {"slate", true},
                            {"beacon", true},  {"sidebar", true}, {"ledger", true}};

std::string ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The record as the program has it after choosing the skin, and its picture.
struct Chosen {
    Skin skin;
    QString picture;
    explicit Chosen(const Shipped& s) {
        SetDefaultSkin(skin, 15);
        const bool builtIn = std::string(s.name) == "default";
        if (!builtIn) ApplySkinText(skin, ReadFile(kSkins + "/" + s.name + ".qsd"), kSkins.toStdString());
        picture = builtIn ? QStringLiteral(QUORVA_RESOURCES_DIR "/default_skin.png")
                          : QString::fromStdString(skin.skinBitmapFile);
    }
    QImage Picture() const { return QImage(picture).convertToFormat(QImage::Format_RGB32); }
};

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

TEST(ShippedSkins, EveryDescriptionInTheFolderIsJudged) {
    std::set<std::string> listed, found;
    for (const Shipped& s : kShipped) listed.insert(std::string(s.name) + ".qsd");
    listed.erase("default.qsd");
    for (const QString& f : QDir(kSkins).entryList({QStringLiteral("*.qsd")}, QDir::Files)) found.insert(f.toStdString());
    EXPECT_EQ(found, listed);
}

TEST(ShippedSkins, OutlineKeepsEveryLabelIsCutCleanlyInBothSizesAndTextsAreReadable) {
    for (const Shipped& s : kShipped) {
        SCOPED_TRACE(s.name);
        const Chosen chosen(s);
        const QImage pic = chosen.Picture();
        ASSERT_FALSE(pic.isNull()) << chosen.picture.toStdString();
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
        const auto labels = Labels(chosen.skin);
        for (const auto& [what, rect] : labels) {
            // a label over another hides its text or takes its clicks
            for (const auto& [other, r] : labels)
                EXPECT_TRUE(what == other || !rect.intersects(r)) << what << " overlaps " << other;
            EXPECT_EQ(region.intersected(rect), QRegion(rect)) << what << " is not wholly inside the outline";
        }

        // The texts' places: the stack's five lines (its whole label), the entry's one line, the
        // two captions (centred, at the top of their labels).
        const Skin& k = chosen.skin;
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

        const QString twin = QString::fromStdString(SharperPictureFile(chosen.picture.toStdString()));
        ASSERT_EQ(QFile::exists(twin), s.sharper) << twin.toStdString();
        if (!s.sharper) continue;
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
