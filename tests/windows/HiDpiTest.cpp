// Run with QT_SCALE_FACTOR=2: a skin's sharper picture is shown where one of exactly twice the
// size lies beside it, the usual one otherwise; either way the window keeps the usual picture's
// size and outline.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "Pictures.h"
#include "ProgramFixture.h"
#include "Window.h"

namespace quorva {
namespace {

class HiDpi : public ProgramFixture {};

TEST_F(HiDpi, SharperPictureShownWhereOneOfTwiceTheSizeLiesBeside) {
    ASSERT_GE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    const QString samples = QStringLiteral(QUORVA_SAMPLE_SKINS "/");
    QTemporaryDir odd;  // pocket beside a sharper picture of another size
    for (const char* f : {"pocket.qsd", "pocket.png"}) QFile::copy(samples + f, odd.filePath(f));
    ASSERT_TRUE(QFile::copy(samples + "slate@2x.png", odd.filePath("pocket@2x.png")));
    const struct {
        const char* what;
        QString qsd, picture;  // none: the built-in skin
        qreal ratio;
    } rows[] = {
        {"built-in", {}, {}, 2},
        {"beside", samples + "pocket.qsd", samples + "pocket.png", 2},
        {"in a subfolder named with \\", samples + "ledger.qsd", samples + "ledger/ledger.png", 2},
        {"none beside", samples + "plum.qsd", samples + "plum.png", 1},
        {"not twice the size", odd.filePath("pocket.qsd"), odd.filePath("pocket.png"), 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        program_.reset();
        start_.skinsFolders = {QFileInfo(row.qsd).path().toStdString()};  // a skin's own folder
        Start(row.qsd.isEmpty() ? std::string() : "SkinFile=" + row.qsd.toStdString() + "\r\n");
        const QImage usual = row.qsd.isEmpty() ? Program::DefaultSkinPicture()
                                               : platform::LoadPicture(row.picture);
        ASSERT_FALSE(usual.isNull());
        EXPECT_EQ(W().size(), usual.size());
        EXPECT_EQ(W().imgSkin->pixmap().deviceIndependentSize().toSize(), usual.size());
        EXPECT_EQ(W().imgSkin->pixmap().size(), usual.size() * row.ratio);
        EXPECT_EQ(W().mask(), platform::SkinRegion(usual));
    }
}

}  // namespace
}  // namespace quorva
