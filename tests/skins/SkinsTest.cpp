// Every skin that ships, the built-in one among them: what the window needs of it (a picture
// found where the description says, an outline that keeps every zone, a sharper twin cut the
// same way) and what a user needs (texts readable on their displays).

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "Skin.h"
#include "SkinRegion.h"

namespace quorva {
namespace {

const QString kSkins = QStringLiteral(QUORVA_SKINS_DIR);

struct Shipped {
    const char* name;     // description without ".qsd"; "default" is the built-in skin
    const char* bitmap;   // bitmap_file as written in the description
    bool sharper;         // a NAME@2x.png lies beside the picture
};

const Shipped kShipped[] = {
    {"default", nullptr, true},           {"plum", "plum.png", false},
    {"pocket", "pocket.png", true},       {"slate", "slate.png", true},
    {"beacon", "beacon.png", true},       {"sidebar", "sidebar.png", true},
    {"ledger", "ledger\\ledger.png", true},
};

std::string ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The record as the program has it after choosing the skin.
Skin Record(const Shipped& s) {
    Skin skin;
    SetDefaultSkin(skin, 15);
    if (s.bitmap != nullptr) ApplySkinText(skin, ReadFile(kSkins + "/" + s.name + ".qsd"), kSkins.toStdString());
    return skin;
}

QString PictureOf(const Shipped& s, const Skin& skin) {
    return s.bitmap == nullptr ? QStringLiteral(QUORVA_RESOURCES_DIR "/default_skin.png")
                               : QString::fromStdString(skin.skinBitmapFile);
}

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

// Where each label's text lies: the stack's five lines (its whole label), the entry's one line,
// the two captions (centred, at the top of their labels).
struct Band {
    const char* what;
    SkinPos at;
    QRect rect;  // relative to at
    SkinColor ink;
};

std::vector<Band> TextBands(const Skin& k) {
    return {{"stack", k.stack, QRect(0, 0, 180, 80), k.stackText},
            {"entry", k.entry, QRect(0, 0, 180, 15), k.entryText},
            {"angle", k.angle, QRect(5, 0, 22, 13), k.angleText},
            {"decimal", k.decimal, QRect(5, 0, 22, 13), k.decimalText}};
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
    for (const Shipped& s : kShipped)
        if (s.bitmap != nullptr) listed.insert(std::string(s.name) + ".qsd");
    for (const QString& f : QDir(kSkins).entryList({QStringLiteral("*.qsd")}, QDir::Files)) found.insert(f.toStdString());
    EXPECT_EQ(found, listed);
}

TEST(ShippedSkins, PictureFoundWhereTheDescriptionSays) {
    for (const Shipped& s : kShipped) {
        if (s.bitmap == nullptr) continue;
        SCOPED_TRACE(s.name);
        const std::string text = ReadFile(kSkins + "/" + s.name + ".qsd");
        EXPECT_NE(text.find(std::string("bitmap_file=") + s.bitmap + "\r\n"), std::string::npos);
        Skin skin;
        skin.skinFile = (kSkins + "/" + s.name + ".qsd").toStdString();
        // a description outside the folders still takes its picture from the skins folder
        ASSERT_TRUE(LoadSkin(skin, SkinFolders{{kSkins.toStdString()}}));
        std::string relative = s.bitmap;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        EXPECT_EQ(QDir::cleanPath(QString::fromStdString(skin.skinBitmapFile)), kSkins + "/" + QString::fromStdString(relative));
        EXPECT_FALSE(QImage(QString::fromStdString(skin.skinBitmapFile)).isNull());
    }
}

TEST(ShippedSkins, OutlineKeepsEveryLabelAndIsCutCleanly) {
    for (const Shipped& s : kShipped) {
        SCOPED_TRACE(s.name);
        const Skin skin = Record(s);
        const QImage pic = QImage(PictureOf(s, skin)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(pic.isNull());
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
        const auto labels = Labels(skin);
        for (const auto& [what, rect] : labels) {
            // a label over another hides its text or takes its clicks
            for (const auto& [other, r] : labels)
                EXPECT_TRUE(what == other || !rect.intersects(r)) << what << " overlaps " << other;
            EXPECT_TRUE(pic.rect().contains(rect)) << what;
            EXPECT_EQ(region.intersected(rect), QRegion(rect)) << what << " is not wholly inside the outline";
        }
        // no pixel along the outline may be a blend with the key colour: it shows as a halo
        const auto cut = [&](int x, int y) { return !pic.rect().contains(x, y) || Rgb(pic.pixel(x, y)) == key; };
        int fringe = 0;
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x) {
                if (cut(x, y) || !(cut(x - 1, y) || cut(x + 1, y) || cut(x, y - 1) || cut(x, y + 1))) continue;
                const QRgb c = pic.pixel(x, y);
                const int d = std::max({std::abs(qRed(c) - qRed(key)), std::abs(qGreen(c) - qGreen(key)),
                                        std::abs(qBlue(c) - qBlue(key))});
                fringe += d < 64;
            }
        EXPECT_EQ(fringe, 0) << "outline pixels near the key colour";
    }
}

TEST(ShippedSkins, TextsReadableOnTheirDisplays) {
    for (const Shipped& s : kShipped) {
        const Skin skin = Record(s);
        const QImage pic = QImage(PictureOf(s, skin)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(pic.isNull()) << s.name;
        for (const Band& b : TextBands(skin)) {
            const QRgb ink = qRgb(b.ink.r, b.ink.g, b.ink.b);
            double worst = 100;
            for (int y = b.rect.top(); y <= b.rect.bottom(); ++y)
                for (int x = b.rect.left(); x <= b.rect.right(); ++x)
                    worst = std::min(worst, Contrast(ink, pic.pixel(b.at.x + x, b.at.y + y)));
            EXPECT_GE(worst, 4.5) << s.name << ": " << b.what;
        }
    }
}

TEST(ShippedSkins, SharperPictureTwiceTheSizeAndCutTheSame) {
    for (const Shipped& s : kShipped) {
        SCOPED_TRACE(s.name);
        const Skin skin = Record(s);
        const QString path = PictureOf(s, skin);
        const QString twin = QString::fromStdString(SharperPictureFile(path.toStdString()));
        ASSERT_EQ(QFile::exists(twin), s.sharper) << twin.toStdString();
        if (!s.sharper) continue;
        const QImage pic = QImage(path).convertToFormat(QImage::Format_RGB32);
        const QImage big = QImage(twin).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(big.size(), pic.size() * 2);
        const uint32_t key = Rgb(pic.pixel(0, 0));
        int differ = 0;
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                differ += (Rgb(big.pixel(x, y)) == key) != (Rgb(pic.pixel(x / 2, y / 2)) == key);
        EXPECT_EQ(differ, 0);
    }
}

// The icons are installed into the theme folders of their sizes; their corners are see-through.
TEST(Icon, SizeOfItsThemeFolderWithTransparentCorners) {
    for (const int s : {256, 128, 64, 48, 32, 24, 22, 16}) {
        const QImage icon(QStringLiteral(QUORVA_RESOURCES_DIR "/quorva%1.png")
                              .arg(s == 256 ? QString() : "-" + QString::number(s)));
        EXPECT_EQ(icon.size(), QSize(s, s)) << s;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)) + qAlpha(icon.pixel(s - 1, s - 1)), 0) << s;
        EXPECT_EQ(qAlpha(icon.pixel(s / 2, s / 2)), 255) << s;
    }
}

// The committed pictures are what quorva-skin-art draws now (pixel for pixel: the encoder's
// bytes are not the point).
TEST(SkinArt, DrawsTheCommittedPicturesAgain) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    for (const QStringList& args : {QStringList{out.filePath("resources")}, QStringList{"--skins", out.filePath("skins")}}) {
        QDir().mkpath(args.last());
        QProcess art;
        art.start(QStringLiteral(QUORVA_SKIN_ART), args);
        ASSERT_TRUE(art.waitForFinished(60000));
        ASSERT_EQ(art.exitCode(), 0) << art.readAllStandardError().toStdString();
    }
    int compared = 0;
    for (const auto& [drawn, committed] : {std::pair{out.filePath("resources"), QStringLiteral(QUORVA_RESOURCES_DIR)},
                                          std::pair{out.filePath("skins"), kSkins}}) {
        QDirIterator it(drawn, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString rel = QDir(drawn).relativeFilePath(file);
            SCOPED_TRACE(rel.toStdString());
            if (rel.endsWith(QLatin1String(".qsd"))) {
                EXPECT_EQ(ReadFile(file), ReadFile(committed + "/" + rel));
                ++compared;
                continue;
            }
            const QImage a = QImage(file).convertToFormat(QImage::Format_ARGB32);
            const QImage b = QImage(committed + "/" + rel).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(b.isNull()) << "not committed";
            ASSERT_EQ(a.size(), b.size());
            EXPECT_TRUE(a == b) << "drawn differently";
            ++compared;
        }
    }
    // the skin and its @2x twin, the splash, eight icon sizes; 5 skins of 3 files
    EXPECT_EQ(compared, 11 + 3 * 5);
}

}  // namespace
}  // namespace quorva
