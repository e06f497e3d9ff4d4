// A skin taken away or spoilt after the Skins tab listed it: choosing it keeps the skin shown,
// says why on stderr, and the calculator goes on.

#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <string>

#include "ProgramFixture.h"
#include "StderrCapture.h"
#include "frmCommands.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string PngBytes(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes.toStdString();
}

struct SkinFault {
    const char* name;
    // Spoils skin "second" in folder; returns why it cannot be done here, empty when done.
    std::function<std::string(const fs::path& folder)> spoil;
    const char* why;       // what stderr says
    bool keepsWholeSkin;  // false: the description's places apply to the picture shown
};

// Every picture the loader refuses takes one way through the program; the loader itself meets
// any bytes in the picture fuzzer.
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
    // Refused by the size in its header, before a reader would allocate what it claims.
    {"BitmapClaimsMoreThanTheScreens",
     [](const fs::path& f) {
         WriteBytes(f / "second.png", PngBytes({100000, 2}).substr(0, 200));
         return std::string();
     },
     "100000x2 pixels, more than the", true},
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
    WriteBytes(folder / "second.png", PngBytes({200, 150}));
    WriteBytes(folder / "second.qsd", "bitmap_file=second.png\r\nstack_x=9\r\nentry_zone_y=99\r\n");
    start_.skinsFolders = {folder.string()};
    Start();
    Key(Qt::Key_F1);
    frmCommands& f = *P().FunctionsWindow();
    ASSERT_EQ(f.flstSkins->count(), 1);
    const Skin shown = P().SkinRecord();
    const QImage picture = W().SkinPicture();
    const QSize size = W().size();
    const QPoint stackAt = W().lblStackDisplay->pos();

    if (const std::string why = fault.spoil(folder); !why.empty()) GTEST_SKIP() << why;
    test::StderrCapture err;
    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();

    EXPECT_NE(err.Text().find(fault.why), std::string::npos) << "stderr: " << err.Text();
    EXPECT_NE(err.Text().find((folder / "second.qsd").string()), std::string::npos) << err.Text();
    EXPECT_EQ(W().SkinPicture(), picture);
    EXPECT_EQ(W().size(), size);
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
    Type("6\r7*");
    EXPECT_EQ(Top(), 42);
}

INSTANTIATE_TEST_SUITE_P(Faults, SkinFaultTest, ::testing::ValuesIn(kSkinFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorva
