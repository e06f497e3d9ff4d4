// Run with QT_SCALE_FACTOR=2: a screen of two device pixels per pixel shows a skin's sharper
// picture where one of exactly twice the size lies beside it, and the usual one otherwise;
// either way the window keeps the usual picture's size and outline.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "Pictures.h"
#include "ProgramFixture.h"
#include "Window.h"

namespace quorva {
namespace {

class HiDpi : public ProgramFixture {
protected:
    // A skins folder with the description qsd and the sample pictures copied there (an empty
    // name leaves that picture out); sharper is copied under the name sharperAs.
    std::string Skins(const char* qsd, const QString& picture, const QString& sharper, QString sharperAs = {}) {
        if (sharperAs.isEmpty()) sharperAs = sharper;
        const QString folder = skins_.path();
        const QString from = QStringLiteral(QUORVA_SAMPLE_SKINS "/");
        EXPECT_TRUE(QFile::copy(from + QLatin1String(qsd), folder + "/" + QLatin1String(qsd)));
        QDir(folder).mkpath(QStringLiteral("ledger"));
        for (const auto& [source, target] : {std::pair{picture, picture}, std::pair{sharper, sharperAs}}) {
            if (source.isEmpty()) continue;
            EXPECT_TRUE(QFile::copy(from + source, folder + "/" + target)) << source.toStdString();
        }
        start_.skinsFolders = {folder.toStdString()};
        return "SkinFile=" + (folder + "/" + QLatin1String(qsd)).toStdString() + "\r\n";
    }
    QTemporaryDir skins_;
};

TEST_F(HiDpi, TheScreenIsSharp) { ASSERT_GE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0); }

TEST_F(HiDpi, SharperPictureShownWhereOneOfTwiceTheSizeLiesBeside) {
    const struct {
        const char* what;
        const char* qsd;  // nullptr: the built-in skin
        QString picture, sharper;
        qreal ratio;
    } rows[] = {
        {"built-in", nullptr, {}, {}, 2},
        {"beside", "pocket.qsd", "pocket.png", "pocket@2x.png", 2},
        {"beside, in a subfolder named with \\", "ledger.qsd", "ledger/ledger.png", "ledger/ledger@2x.png", 2},
        {"none beside", "slate.qsd", "slate.png", {}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        program_.reset();
        ASSERT_TRUE(skins_.isValid());
        QDir(skins_.path()).removeRecursively();
        QDir().mkpath(skins_.path());
        Start(row.qsd ? Skins(row.qsd, row.picture, row.sharper) : std::string());
        const QImage usual = row.qsd ? platform::LoadPicture(QStringLiteral(QUORVA_SAMPLE_SKINS "/") + row.picture)
                                     : Program::DefaultSkinPicture();
        ASSERT_FALSE(usual.isNull());
        EXPECT_EQ(W().ShownPictureRatio(), row.ratio);
        EXPECT_EQ(W().size(), usual.size());
        EXPECT_EQ(W().imgSkin->pixmap().deviceIndependentSize().toSize(), usual.size());
        EXPECT_EQ(W().imgSkin->pixmap().size(), usual.size() * row.ratio);
        EXPECT_EQ(W().mask(), platform::SkinRegion(usual));
    }
}

// A picture named NAME@2x.png that is not twice the size is not shown.
TEST_F(HiDpi, SharperPictureOfAnotherSizeIgnored) {
    Start(Skins("pocket.qsd", "pocket.png", "slate@2x.png", "pocket@2x.png"));
    EXPECT_EQ(W().ShownPictureRatio(), 1);
    EXPECT_EQ(W().size(), QImage(QStringLiteral(QUORVA_SAMPLE_SKINS "/pocket.png")).size());
}

}  // namespace
}  // namespace quorva
