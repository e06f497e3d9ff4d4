// The running program under faults from outside: files that cannot be saved, a skin spoilt after
// it was listed. Nothing is lost, the user is told once and why, the calculator goes on. Run as
// nobody (as_user.sh), since root ignores permissions; the full disk in a tmpfs (small_fs.sh).

#include <unistd.h>

#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <set>
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
    void (*set)(const fs::path& folder, bool on);  // saving there fails (on) or works; may skip
    bool removes;  // the stack file can still be removed
};

const Fault kFaults[] = {
    {"ReadOnlyFolder",
     [](const fs::path& folder, bool on) {
         if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders (as_user.sh)";
         fs::permissions(folder, on ? fs::perms(0500) : fs::perms(0700));
     },
     false},
    // Written, then the rename fails: the temporary file must go too.
    {"FilesAreFolders",
     [](const fs::path& folder, bool on) {
         for (const char* name : {"quorva.ini", "quorva.stack"}) {
             fs::remove_all(folder / name);
             if (on) fs::create_directories(folder / name / "keep");
         }
     },
     false},
    {"FullFileSystem",
     [](const fs::path& folder, bool on) {
         if (!std::getenv("QUORVA_SMALL_FS")) GTEST_SKIP() << "no small file system (small_fs.sh)";
         std::ofstream filler(folder / "filler");  // full, a new file then gets no block at all
         while (on && filler << std::string(4096, 'x')) {
         }
     },
     true},
};

class SaveFaultTest : public ProgramFixture, public ::testing::WithParamInterface<Fault> {
protected:
    std::string Stack() const { return ConfigDir() + "/quorva.stack"; }
    // Every name in the folder with the start of its content ("/" for a folder).
    std::set<std::string> Listing() const {
        std::set<std::string> all;
        for (const auto& e : fs::directory_iterator(ConfigDir()))
            all.insert(e.path().filename().string() + ": " +
                       (e.is_directory() ? "/" : FileText(e.path()).substr(0, 200)));
        return all;
    }
};

TEST_P(SaveFaultTest, OldFilesStayUserIsToldOnceCalculatorGoesOn) {
    const Fault& fault = GetParam();
    if (const char* small = std::getenv("QUORVA_SMALL_FS")) start_.configDir = small;
    const StackSnapshot two{{{}, {kKindDecimal, 1, "1"}, {kKindHex, 2, "&&2"}}, 2, false, {}, 0};
    std::ofstream(Stack(), std::ios::binary) << StackFileText({{}, two});
    Start("WindowPositionX= 10\r\nDecimals= 4\r\nSkinFile=old\r\nKeepStack= 1\r\n");
    fault.set(ConfigDir(), true);
    if (IsSkipped()) return;
    const std::set<std::string> before = Listing();
    testing::internal::CaptureStderr();
    Type("12");
    P().SaveSettings();  // as closing the Functions window does
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    Type("3");  // the typed number was kept
    EXPECT_EQ(Calc().EntryCaption(), "123");
    P().SaveSettings();
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
    EXPECT_EQ(saved.count, 2);
    EXPECT_EQ(saved.records.at(2).value, 125);
    fault.set(ConfigDir(), true);
    P().SaveSettings();
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
    EXPECT_EQ(Occurrences(err, "Cannot remove the stack file " + Stack()), !fault.removes) << err;
}

const auto kName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::ValuesIn(kFaults), kName);

void SavePicture(const fs::path& path, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(path.string()), "PNG"));
}

struct SkinFault {
    const char* name;
    void (*spoil)(const fs::path& folder);  // of skin "second"
    const char* why;                        // what stderr says
    bool keepsWholeSkin;  // false: the description's places apply to the picture shown
};

// One row per way through the program; the picture loader meets any bytes in its fuzzer.
const SkinFault kSkinFaults[] = {
    {"SkinsFolderRemoved", [](const fs::path& f) { fs::remove_all(f); }, "there is no such file",
     true},
    // Refused by the size in its header, before a reader would allocate what it claims.
    {"BitmapClaimsMoreThanTheScreens",
     [](const fs::path& f) {
         SavePicture(f / "second.png", {100000, 2});
         fs::resize_file(f / "second.png", 200);
     },
     "100000x2 pixels, more than the", true},
    {"BitmapRemoved", [](const fs::path& f) { fs::remove(f / "second.png"); }, "which is not there",
     false},
};

class SkinFaultTest : public ProgramFixture, public ::testing::WithParamInterface<SkinFault> {};

TEST_P(SkinFaultTest, ChoosingTheSpoiltSkinKeepsTheCurrentOneAndSaysWhy) {
    const SkinFault& fault = GetParam();
    const fs::path folder = fs::path(ConfigDir()) / "skins";
    const std::string qsd = (folder / "second.qsd").string();
    fs::create_directories(folder);
    SavePicture(folder / "second.png", {200, 150});
    std::ofstream(qsd) << "bitmap_file=second.png\r\nstack_x=9\r\nentry_zone_y=99\r\n";
    start_.skinsFolders = {folder.string()};
    Start();
    Key(Qt::Key_F1);
    frmCommands& f = *P().FunctionsWindow();
    ASSERT_EQ(f.flstSkins->count(), 1);
    const Skin shown = P().SkinRecord();
    const QImage picture = W().SkinPicture();
    const QSize size = W().size();
    const QPoint stackAt = W().lblStackDisplay->pos();

    fault.spoil(folder);
    testing::internal::CaptureStderr();
    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.find(fault.why) != err.npos && err.find(qsd) != err.npos) << err;
    EXPECT_EQ(W().SkinPicture(), picture);
    EXPECT_EQ(W().size(), size);
    EXPECT_TRUE(W().isVisible());
    EXPECT_TRUE(!fault.keepsWholeSkin || P().SkinRecord() == shown) << "the skin record changed";
    EXPECT_EQ(P().SkinRecord().skinFile, fault.keepsWholeSkin ? shown.skinFile : qsd);
    EXPECT_EQ(W().lblStackDisplay->pos() == stackAt, fault.keepsWholeSkin) << "where the stack is";
    Key(Qt::Key_F1, Qt::NoModifier, &f);  // closing the window saves the skin shown
    EXPECT_TRUE(IniHas("SkinFile=" + P().SkinRecord().skinFile + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Faults, SkinFaultTest, ::testing::ValuesIn(kSkinFaults), kName);

}  // namespace
}  // namespace quorva
