// Any bytes as a skin picture (PNG, BMP or another name) give nothing or a picture the screens
// can show, allocating no more than it needs, and an outline inside it.

#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "Pictures.h"
#include "Window.h"

using namespace quorva;

namespace {

// Qt keeps a reference to argc, and its exit handlers run after the program's statics are gone.
int g_argc = 1;
char g_name[] = "fuzz_picture";
char* g_argv[] = {g_name, nullptr};
std::string g_folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QGuiApplication(g_argc, g_argv);
    g_folder = (std::filesystem::temp_directory_path() / "quorva-picture-fuzz-XXXXXX").string();
    QUORVA_FUZZ_CHECK(mkdtemp(g_folder.data()) != nullptr, g_folder);
    std::atexit([] { std::filesystem::remove_all(g_folder); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"/skin.png", "/skin.bmp", "/skin.jpg"};  // by byte 0
    const std::string path = g_folder + kNames[data[0] % 3];
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));

    const QImage picture = platform::LoadPicture(QString::fromStdString(path));
    if (picture.isNull()) return 0;
    QUORVA_FUZZ_CHECK(platform::PictureFits(picture.size(), platform::PictureLimit()),
                      std::to_string(picture.width()) + "x" + std::to_string(picture.height()));
    const QRegion region = platform::SkinRegion(picture);
    QUORVA_FUZZ_CHECK(
        region.isEmpty() || QRect(QPoint(0, 0), picture.size()).contains(region.boundingRect()),
        "region outside the picture");
    QUORVA_FUZZ_CHECK(!region.contains(QPoint(0, 0)), "the top-left pixel is opaque");
    return 0;
}
