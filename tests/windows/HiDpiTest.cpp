// Run with QT_SCALE_FACTOR=2: a skin's sharper picture is shown where one of exactly twice the
// size lies beside it, the usual one otherwise; either way the window keeps the usual picture's
// size and outline.

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
    // A skins folder with the description qsd and the sample pictures copied there; sharper is
    // copied under the name sharperAs. Gives the settings that choose the skin.
    std::string Skins(const char* qsd, const QString& picture, const QString& sharper, const QString& sharperAs) {
        const QString folder = skins_.path(), from = QStringLiteral(QUORVA_SAMPLE_SKINS "/");
        QDir(folder).removeRecursively();
        QDir(folder).mkpath(QStringLiteral("ledger"));
        EXPECT_TRUE(QFile::copy(from + QLatin1String(qsd), folder + "/" + QLatin1String(qsd)));
        EXPECT_TRUE(QFile::copy(from + picture, folder + "/" + picture)) << picture.toStdString();
        if (!sharper.isEmpty()) {
            EXPECT_TRUE(QFile::copy(from + sharper, folder + "/" + sharperAs));
        }
        start_.skinsFolders = {folder.toStdString()};
        return "SkinFile=" + (folder + "/" + QLatin1String(qsd)).toStdString() + "\r\n";
    }
    QTemporaryDir skins_;
};

TEST_F(HiDpi, SharperPictureShownWhereOneOfTwiceTheSizeLiesBeside) {
    ASSERT_GE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    const struct {
        const char* what;
        const char* qsd;  // nullptr: the built-in skin
        QString picture, sharper, sharperAs;
        qreal ratio;
    } rows[] = {
        {"built-in", nullptr, {}, {}, {}, 2},
        {"beside", "pocket.qsd", "pocket.png", "pocket@2x.png", "pocket@2x.png", 2},
        {"in a subfolder named with \\", "ledger.qsd", "ledger/ledger.png", "ledger/ledger@2x.png",
         "ledger/ledger@2x.png", 2},
        {"none beside", "slate.qsd", "slate.png", {}, {}, 1},
        {"not twice the size", "pocket.qsd", "pocket.png", "slate@2x.png", "pocket@2x.png", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        program_.reset();
        ASSERT_TRUE(skins_.isValid());
        Start(row.qsd ? Skins(row.qsd, row.picture, row.sharper, row.sharperAs) : std::string());
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

}  // namespace
}  // namespace quorva
