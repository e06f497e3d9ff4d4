// The running program under faults from outside: files that cannot be saved, a skin spoilt after
// it was listed. Nothing is lost, the user is told once and why, the calculator goes on. Run as
// nobody (as_user.sh), since root ignores permissions; the full disk in a tmpfs (small_fs.sh).

#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "ProgramFixture.h"
#include "StackFile.h"
#include "frmCommands.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

int Occurrences(const std::string& all, const std::string& what) {
    int count = 0;
    for (size_t p = all.find(what); p != std::string::npos; p = all.find(what, p + 1)) ++count;
    return count;
}

struct Fault {
    const char* name;
    // Makes saving into folder fail (on) or work again; returns why it cannot be done here.
    std::function<std::string(const fs::path& folder, bool on)> set;
    bool removes;  // the stack file can still be removed
};

const Fault kFaults[] = {
    {"ReadOnlyFolder",
     [](const fs::path& folder, bool on) -> std::string {
         if (::geteuid() == 0) return "root may write into a read-only folder; as_user.sh runs this as nobody";
         fs::permissions(folder, fs::perms::owner_write, on ? fs::perm_options::remove : fs::perm_options::add);
         return {};
     },
     false},
    // Written, then the rename fails: the temporary file must go too.
    {"FilesAreFolders",
     [](const fs::path& folder, bool on) {
         for (const char* name : {"quorva.ini", "quorva.stack"}) {
             fs::remove_all(folder / name);
             if (on) fs::create_directories(folder / name / "keep");
         }
         return std::string();
     },
     false},
    {"FullFileSystem",
     [](const fs::path& folder, bool on) -> std::string {
         if (!std::getenv("QUORVA_SMALL_FS")) return "no small file system was mounted (small_fs.sh does it)";
         fs::remove(folder / "filler");
         if (on) {
             std::ofstream filler(folder / "filler");  // a new file then gets no block at all
             while (filler << std::string(4096, 'x')) {
             }
         }
         return {};
     },
     true},
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

StackSnapshot TwoItems() { return {{StackItem{}, {kKindDecimal, 1, "1"}, {kKindHex, 2, "&&2"}}, 2, false, {}, 0}; }

class SaveFaultTest : public ProgramFixture, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override {
        if (const char* small = std::getenv("QUORVA_SMALL_FS")) start_.configDir = small;
    }
    std::string Stack() const { return ConfigDir() + "/quorva.stack"; }
    // Every name in the folder with its content ("/" for a folder).
    std::string Listing() const {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::directory_iterator(ConfigDir()))
            all[e.path().filename().string()] = e.is_directory() ? "/" : FileText(e.path());
        std::string text;
        for (const auto& [name, content] : all) text += name + ": " + content.substr(0, 200) + "\n";
        return text;
    }
    void SaveByClosingFunctions() {
        Key(Qt::Key_F1);
        Key(Qt::Key_F1);
    }
};

TEST_P(SaveFaultTest, OldFilesStayUserIsToldOnceCalculatorGoesOn) {
    const Fault& fault = GetParam();
    std::ofstream(Stack(), std::ios::binary) << StackFileText({{}, TwoItems()});
    Start("WindowPositionX= 10\r\nDecimals= 4\r\nSkinFile=old\r\nKeepStack= 1\r\n");
    ASSERT_EQ(Values(), (std::vector<double>{1, 2}));
    if (const std::string why = fault.set(ConfigDir(), true); !why.empty()) GTEST_SKIP() << why;
    const std::string before = Listing();
    testing::internal::CaptureStderr();
    Type("12");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    Type("3");  // the typed number was kept
    EXPECT_EQ(Calc().EntryCaption(), "123");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "123") << "told again";
    Type("\r+");
    EXPECT_EQ(Top(), 125);
    P().SessionEnding();  // as a signal would save
    EXPECT_EQ(Calc().EntryCaption(), "STACK NOT SAVED");
    P().SessionEnding();
    EXPECT_EQ(Listing(), before);

    // Once saving works again both files are written; a new failure is told again.
    fault.set(ConfigDir(), false);
    P().SessionEnding();
    EXPECT_TRUE(IniHas("Decimals= 4\r\n") && IniHas("SkinFile=old\r\n")) << IniText();
    const StackSnapshot saved = ReadStackFileText(FileText(Stack())).content.stack;
    ASSERT_EQ(saved.count, 2);
    EXPECT_EQ(saved.records.at(2).value, 125);
    ASSERT_EQ(fault.set(ConfigDir(), true), "");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");

    // Unticked, the stack file goes where it can, and the user hears where it cannot.
    P().Options().Set(Option::KeepStack, 0);
    P().QuitWithoutAsking();
    EXPECT_EQ(fs::exists(Stack()), !fault.removes);
    fault.set(ConfigDir(), false);
    const std::string err = testing::internal::GetCapturedStderr();
    // Once for each run of failures: twice for the settings, once for the stack.
    EXPECT_EQ(Occurrences(err, "quorva: Cannot save the settings to " + IniPath() + ": "), 2) << err;
    EXPECT_EQ(Occurrences(err, "quorva: Cannot save the stack to " + Stack() + ": "), 1) << err;
    EXPECT_EQ(Occurrences(err, "Cannot remove the stack file " + Stack()), fault.removes ? 0 : 1) << err;
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

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
    testing::internal::CaptureStderr();
    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(fault.why), std::string::npos) << "stderr: " << err;
    EXPECT_NE(err.find((folder / "second.qsd").string()), std::string::npos) << err;
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
