#include "Pictures.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QScreen>
#include <cstdio>

namespace quorva::platform {

QSize PictureLimit() {
    QSize limit;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QSize area = screen->virtualSize() * screen->devicePixelRatio();
        limit = limit.expandedTo(area);
    }
    if (limit.isEmpty()) return {kNoScreenPictureLimit, kNoScreenPictureLimit};
    return limit;
}

bool PictureFits(QSize size, QSize limit) {
    return size.width() > 0 && size.height() > 0 && size.width() <= limit.width() &&
           size.height() <= limit.height();
}

namespace {

void Refused(const QString& path, const QString& why) {
    std::fprintf(stderr, "quorva: the picture %s is not used: %s\n", qPrintable(path),
                 qPrintable(why));
}

enum class Read { Done, Refused, Unreadable };

// Reads the size first: a header may claim far more pixels than the file holds.
Read ReadWithin(QImageReader& reader, const QString& path, QImage& picture) {
    const QSize limit = PictureLimit();
    const auto tooLarge = [&](QSize s) {
        Refused(path, QStringLiteral("%1x%2 pixels, more than the %3x%4 the screens can show")
                          .arg(s.width())
                          .arg(s.height())
                          .arg(limit.width())
                          .arg(limit.height()));
        return Read::Refused;
    };
    const QSize claimed = reader.size();
    if (claimed.isValid() && !PictureFits(claimed, limit)) return tooLarge(claimed);
    picture = reader.read();
    if (picture.isNull()) return Read::Unreadable;
    if (const QSize got = picture.size(); !PictureFits(got, limit)) {
        picture = QImage();
        return tooLarge(got);
    }
    return Read::Done;
}

}  // namespace

QImage LoadPicture(const QString& path) {
    QImage picture;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")) {
        QImageReader reader(path, suffix.toLatin1());
        reader.setAutoDetectImageFormat(false);
        if (ReadWithin(reader, path, picture) != Read::Unreadable) return picture;
    }
    // Another format, or a picture whose name does not say what it is.
    QImageReader reader(path);
    if (ReadWithin(reader, path, picture) == Read::Unreadable) {
        Refused(path, reader.errorString());
    }
    return picture;
}

}  // namespace quorva::platform
