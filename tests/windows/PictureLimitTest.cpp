#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Pictures.h"

namespace quorva::platform {
namespace {

// A PNG whose header claims width x height pixels and holds no pixel data at all.
QByteArray PngHeader(quint32 width, quint32 height) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    one.save(&buffer, "PNG");
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return png.left(33);  // signature and header chunk; its checksum no longer matches, as in a forged file
}

TEST(PictureLimitTest, PicturesLargerThanTheScreensCanShowAreRefusedWithAMessage) {
    const QSize limit = PictureLimit();
    ASSERT_GE(limit.width(), 1);
    QTemporaryDir dir;
    auto file = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    auto picture = [&](const char* name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path));
        return path;
    };
    const struct {
        QString path;
        bool loads;
        const char* says;  // part of the message on stderr
    } cases[] = {
        {picture("wide.png", {limit.width() + 1, 1}), false, "more than the"},
        {picture("tall.bmp", {1, limit.height() + 1}), false, "more than the"},
        {picture("fits.png", limit.boundedTo({400, 300})), true, ""},
        {file("cut.png", PngHeader(2, 2).left(20)), false, "is not used"},
        {file("garbage.bmp", QByteArray("BM not a bitmap")), false, "is not used"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        const QImage loaded = LoadPicture(c.path);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(!loaded.isNull(), c.loads) << c.path.toStdString();
        if (c.loads) {
            EXPECT_EQ(err, "") << c.path.toStdString();
        } else {
            EXPECT_NE(err.find(c.says), std::string::npos) << c.path.toStdString() << ": " << err;
        }
    }
}

TEST(PictureLimitTest, AFitNeedsBothSidesWithinTheLimitAndSomePixels) {
    const struct {
        QSize size;
        bool fits;
    } cases[] = {{{800, 600}, true},  {{801, 600}, false}, {{800, 601}, false},
                 {{1, 1}, true},      {{0, 5}, false},     {{100000, 100000}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureFits(c.size, {800, 600}), c.fits) << c.size.width() << "x" << c.size.height();
}

}  // namespace
}  // namespace quorva::platform
