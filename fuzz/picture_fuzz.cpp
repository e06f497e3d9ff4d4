// Skin pictures through the picture loader and the window's outline: any bytes, under a PNG or
// BMP name (or another), give either nothing or a picture no larger than the screens can show,
// and no more is allocated than such a picture needs.

#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FuzzCheck.h"
#include "Pictures.h"
#include "Window.h"

using namespace quorva;

namespace {

// Lives until the process ends: Qt keeps a reference to argc, and Qt's own exit handlers run
// after the program's statics are gone.
int g_argc = 1;
char g_name[] = "fuzz_picture";
char* g_argv[] = {g_name, nullptr};
QGuiApplication* g_app = nullptr;
std::string g_folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    g_app = new QGuiApplication(g_argc, g_argv);
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    g_folder = base + "/quorva-picture-fuzz-" + std::to_string(getpid());
    QUORVA_FUZZ_CHECK(mkdir(g_folder.c_str(), 0700) == 0 || errno == EEXIST, g_folder);
    std::atexit([] {
        for (const char* s : {"/skin.png", "/skin.bmp", "/skin.jpg"}) unlink((g_folder + s).c_str());
        rmdir(g_folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"/skin.png", "/skin.bmp", "/skin.jpg"};
    // The first byte names the file; the rest is its content.
    const std::string path = g_folder + kNames[data[0] % 3];
    FILE* f = std::fopen(path.c_str(), "wb");
    QUORVA_FUZZ_CHECK(f != nullptr, path);
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    const QImage picture = platform::LoadPicture(QString::fromStdString(path));
    if (picture.isNull()) return 0;
    const QSize limit = platform::PictureLimit();
    QUORVA_FUZZ_CHECK(platform::PictureFits(picture.size(), limit),
                      std::to_string(picture.width()) + "x" + std::to_string(picture.height()));
    const QRegion region = platform::SkinRegion(picture);
    QUORVA_FUZZ_CHECK(QRect(QPoint(0, 0), picture.size()).contains(region.boundingRect()) ||
                          region.isEmpty(),
                      "region outside the picture");
    QUORVA_FUZZ_CHECK(!region.contains(QPoint(0, 0)), "the top-left pixel is opaque");
    return 0;
}
