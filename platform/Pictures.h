#pragma once
// Skin pictures read with a limit: a picture is never larger than what the screens can show.

#include <QSize>
#include <QString>

class QImage;

namespace quorva::platform {

// A picture file read by the reader its name's suffix says (PNG and BMP are built in), so
// that no image plugin is loaded to guess; anything else is read as Qt guesses it. A picture
// that cannot be read, or whose header claims more than PictureLimit(), gives a null image and
// a message on stderr; the size is read before anything is decoded.
QImage LoadPicture(const QString& path);
// The largest picture worth reading: what the screens together could show, in device pixels
// (the virtual desktop times the largest pixel ratio); kNoScreenPictureLimit without a screen.
QSize PictureLimit();
inline constexpr int kNoScreenPictureLimit = 8192;
bool PictureFits(QSize size, QSize limit);

}  // namespace quorva::platform
