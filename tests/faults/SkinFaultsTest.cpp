// A skin taken away or spoilt while the program runs: choosing it in the Skins tab keeps the
// skin shown and says why on stderr.

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "Pictures.h"
#include "ProgramFixture.h"
#include "StderrCapture.h"
#include "frmCommands.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string PngBytes(QSize size, QRgb colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    picture.setPixel(0, 0, qRgb(255, 254, 183));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A PNG that claims width x height pixels, its checksums right, and holds one row's worth of
// data: what a reader would allocate is the claim.
std::string ClaimingPng(quint32 width, quint32 height) {
    std::string ihdr = "IHDR";
    for (const quint32 v : {width, height}) for (int i = 3; i >= 0; --i) ihdr += static_cast<char>(v >> (8 * i));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : ihdr) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\x00\x00\x00\x0d", 4) + ihdr;
    for (int i = 3; i >= 0; --i) png += static_cast<char>(crc >> (8 * i));
    // a few compressed bytes, so that the header is read at all, then the end
    png += std::string("\x00\x00\x00\x0cIDAT\x78\x9c\x63\xf8\xff\x6f\x3b\x00\x05\xb4\x02\xb5\xe5\xb5\xe2\x9c", 24);
    return png + std::string("\x00\x00\x00\x00IEND\xae\x42\x60\x82", 12);
}

struct SkinFault {
    const char* name;
    // Spoils skin "second" in folder; returns why it cannot be done here, empty when done.
    std::function<std::string(const fs::path& folder)> spoil;
    const char* why;        // what stderr says
    bool keepsWholeSkin;   // false: the description's places apply to the picture shown
};

const SkinFault kSkinFaults[] = {
    {"SkinsFolderRemoved", [](const fs::path& f) { fs::remove_all(f); return std::string(); },
     "there is no such file", true},
    {"DescriptionUnreadable",
     [](const fs::path& f) -> std::string {
         if (::geteuid() == 0) return "root reads every file; as_user.sh runs this as nobody";
         fs::permissions(f / "second.qsd", fs::perms::none);
         return {};
     },
     "Permission denied", true},
    {"DescriptionIsAFolder",
     [](const fs::path& f) {
         fs::remove(f / "second.qsd");
         fs::create_directory(f / "second.qsd");
         return std::string();
     },
     "not a regular file", true},
    {"BitmapIsRandomBytes",
     [](const fs::path& f) {
         std::mt19937 random(7);
         std::string bytes(5000, '\0');
         for (char& c : bytes) c = static_cast<char>(random());
         WriteBytes(f / "second.png", bytes);
         return std::string();
     },
     "cannot be read as a picture", true},
    {"BitmapCutShort",
     [](const fs::path& f) {
         WriteBytes(f / "second.png", PngBytes({200, 150}, qRgb(0, 0, 255)).substr(0, 60));
         return std::string();
     },
     "cannot be read as a picture", true},
    {"BitmapEmpty", [](const fs::path& f) { WriteBytes(f / "second.png", ""); return std::string(); },
     "cannot be read as a picture", true},
    {"BitmapIsText",
     [](const fs::path& f) { WriteBytes(f / "second.png", "bitmap_file=second.png\r\n"); return std::string(); },
     "cannot be read as a picture", true},
    {"BitmapClaims100000x100000",
     [](const fs::path& f) { WriteBytes(f / "second.png", ClaimingPng(100000, 100000)); return std::string(); },
     "100000x100000 pixels, more than the", true},
    {"BitmapWiderThanTheScreens",
     [](const fs::path& f) {
         WriteBytes(f / "second.png", PngBytes({platform::PictureLimit().width() + 1, 2}, qRgb(0, 0, 255)));
         return std::string();
     },
     "more than the", true},
    {"BitmapRemoved", [](const fs::path& f) { fs::remove(f / "second.png"); return std::string(); },
     "which is not there", false},
};

void PrintTo(const SkinFault& f, std::ostream* os) { *os << f.name; }

class SkinFaultTest : public ProgramFixture, public ::testing::WithParamInterface<SkinFault> {};

TEST_P(SkinFaultTest, ChoosingTheSpoiltSkinKeepsTheCurrentOneAndSaysWhy) {
    const SkinFault& fault = GetParam();
    QTemporaryDir skins;
    const fs::path folder = skins.filePath("skins").toStdString();
    fs::create_directories(folder);
    WriteBytes(folder / "first.png", PngBytes({300, 200}, qRgb(0, 255, 0)));
    WriteBytes(folder / "first.qsd", "bitmap_file=first.png\r\nstack_x=5\r\nstack_text_color_R=200\r\n");
    WriteBytes(folder / "second.png", PngBytes({200, 150}, qRgb(0, 0, 255)));
    WriteBytes(folder / "second.qsd", "bitmap_file=second.png\r\nstack_x=9\r\nentry_zone_y=99\r\n");
    start_.skinsFolders = {folder.string()};
    Start();
    Key(Qt::Key_F1);
    frmCommands& f = *P().FunctionsWindow();
    ASSERT_EQ(f.flstSkins->count(), 2);
    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();
    ASSERT_EQ(W().size(), QSize(300, 200));
    const Skin shown = P().SkinRecord();
    const QImage picture = W().SkinPicture();
    const QPoint stackAt = W().lblStackDisplay->pos();

    if (const std::string why = fault.spoil(folder); !why.empty()) GTEST_SKIP() << why;
    test::StderrCapture err;
    f.flstSkins->setCurrentRow(1);  // the list as it was read before the skin was spoilt
    f.cmdChangeSkin->click();

    EXPECT_NE(err.Text().find(fault.why), std::string::npos) << "stderr: " << err.Text();
    EXPECT_NE(err.Text().find((folder / "second.qsd").string()), std::string::npos) << err.Text();
    EXPECT_EQ(W().SkinPicture(), picture);
    EXPECT_EQ(W().size(), QSize(300, 200));
    EXPECT_TRUE(W().isVisible());
    if (fault.keepsWholeSkin) {
        EXPECT_EQ(P().SkinRecord(), shown);
        EXPECT_EQ(W().lblStackDisplay->pos(), stackAt);
    } else {
        EXPECT_EQ(P().SkinRecord().stack.x, 9);
        EXPECT_EQ(P().SkinRecord().skinFile, (folder / "second.qsd").string());
    }
    // The program goes on, and the skin it saves is the one it shows.
    Key(Qt::Key_F1, Qt::NoModifier, &f);  // closing the window saves
    EXPECT_TRUE(IniHas("SkinFile=" + P().SkinRecord().skinFile + "\r\n"));
    Type("6");
    Key(Qt::Key_Return);
    Type("7*");
    EXPECT_EQ(Top(), 42);
}

INSTANTIATE_TEST_SUITE_P(Faults, SkinFaultTest, ::testing::ValuesIn(kSkinFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorva
