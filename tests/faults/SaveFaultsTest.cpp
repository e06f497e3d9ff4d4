// The settings file cannot be saved: the program keeps the old file, tells the user once per
// failing state and goes on. Run as an ordinary user (as_user.sh): root ignores permissions.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>

#include "ProgramFixture.h"
#include "StackFile.h"
#include "StderrCapture.h"
#include "frmCommands.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOldIni = "WindowPositionX= 10\r\nWindowPositionY= 20\r\nDecimals= 4\r\nSkinFile=old\r\n";

struct Fault {
    const char* name;
    // Makes saving into folder fail; returns why it cannot be done here, empty when done.
    std::function<std::string(const fs::path& folder)> make;
    std::function<void(const fs::path& folder)> undo;
    bool keepsOldFile = true;  // false: the fault itself replaced the old file
};

// Fills the file system of folder up to the last byte.
std::string FillUp(const fs::path& folder) {
    const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return "cannot make the filler file";
    static const std::string block(4096, 'x');
    for (size_t chunk = block.size(); chunk > 0;) {
        if (::write(fd, block.data(), chunk) < 0) {
            if (errno != ENOSPC) break;
            chunk /= 2;
        }
    }
    ::close(fd);
    return {};
}

rlimit g_fileSize{};

const Fault kFaults[] = {
    {"ReadOnlyFolder",
     [](const fs::path& folder) -> std::string {
         if (::geteuid() == 0) return "root may write into a read-only folder; as_user.sh runs this as nobody";
         fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
         return {};
     },
     [](const fs::path& folder) { fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add); }},
    {"IniIsAFolder",
     [](const fs::path& folder) -> std::string {
         fs::remove(folder / "quorva.ini");
         fs::create_directory(folder / "quorva.ini");
         std::ofstream(folder / "quorva.ini" / "keep") << "inside";
         return {};
     },
     [](const fs::path& folder) { fs::remove_all(folder / "quorva.ini"); }, false},
    {"FileSizeLimit",
     [](const fs::path&) -> std::string {
         ::signal(SIGXFSZ, SIG_IGN);
         ::getrlimit(RLIMIT_FSIZE, &g_fileSize);
         rlimit small = g_fileSize;
         small.rlim_cur = 40;  // the write stops in the second line
         return ::setrlimit(RLIMIT_FSIZE, &small) == 0 ? "" : "setrlimit refused";
     },
     [](const fs::path&) { ::setrlimit(RLIMIT_FSIZE, &g_fileSize); }},
    {"FullFileSystem",
     [](const fs::path& folder) -> std::string {
         if (!std::getenv("QUORVA_SMALL_FS")) return "no small file system was mounted (small_fs.sh does it)";
         return FillUp(folder);
     },
     [](const fs::path& folder) { fs::remove(folder / "filler"); }},
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class SaveFaultTest : public ProgramFixture, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override {
        // The small file system, when mounted, is where the settings go.
        if (const char* small = std::getenv("QUORVA_SMALL_FS")) start_.configDir = small;
    }
    // The Functions window closed by F1, which saves.
    void SaveByClosingFunctions() {
        Key(Qt::Key_F1);
        ASSERT_TRUE(P().FunctionsWindow()->isVisible());
        Key(Qt::Key_F1);
        ASSERT_FALSE(P().FunctionsWindow()->isVisible());
    }
};

TEST_P(SaveFaultTest, OldFileStaysUserIsToldOnceProgramGoesOn) {
    const Fault& fault = GetParam();
    Start(kOldIni);
    ASSERT_EQ(Calc().DecimalPlaces(), 4);
    if (const std::string why = fault.make(ConfigDir()); !why.empty()) GTEST_SKIP() << why;
    const std::string before = fault.keepsOldFile ? IniText() : std::string();
    test::StderrCapture err;

    Type("12");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    Type("3");  // the typed number was kept
    EXPECT_EQ(Calc().EntryCaption(), "123");
    for (int again = 0; again < 3; ++again) {
        SaveByClosingFunctions();
        EXPECT_EQ(Calc().EntryCaption(), "123") << "told again at save " << again + 2;
    }
    P().SessionEnding();  // as a signal would save
    EXPECT_EQ(err.Count("Cannot save the settings"), 1);
    if (fault.keepsOldFile) {
        EXPECT_EQ(IniText(), before);
    } else {
        EXPECT_TRUE(fs::is_directory(IniPath()));
        EXPECT_TRUE(fs::exists(fs::path(IniPath()) / "keep"));
    }
    EXPECT_TRUE(fs::directory_iterator(ConfigDir()) != fs::directory_iterator())  // nothing but ours
        << "the folder is empty";
    for (const auto& e : fs::directory_iterator(ConfigDir())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "quorva.ini" || name == "filler") << "left behind: " << name;
    }

    // The calculator goes on.
    Key(Qt::Key_Return);
    Type("4+");
    EXPECT_EQ(Top(), 127);

    // Once saving works again the file is written; a new failure is told again.
    fault.undo(ConfigDir());
    SaveByClosingFunctions();
    EXPECT_NE(IniText().find("Decimals= 4\r\n"), std::string::npos);
    EXPECT_NE(IniText().find("SkinFile=old\r\n"), std::string::npos);
    EXPECT_EQ(err.Count("Cannot save the settings"), 1);
    if (!fault.make(ConfigDir()).empty()) return;
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    EXPECT_EQ(err.Count("Cannot save the settings"), 2);
    fault.undo(ConfigDir());
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// The stack file under the same faults (all but the one that puts a folder where the settings
// file goes): the old stack file stays whole, the user is told once, and once saving works the
// file is written again.
class StackFaultTest : public SaveFaultTest {
protected:
    std::string Stack() const { return ConfigDir() + "/quorva.stack"; }
    std::string StackBytes() const { return FileText(Stack()); }
};

std::vector<Fault> StackFaults() {
    std::vector<Fault> faults;
    for (const Fault& f : kFaults)
        if (f.keepsOldFile) faults.push_back(f);
    return faults;
}

StackSnapshot TwoItems() { return {{StackItem{}, {kKindDecimal, 1, "1"}, {kKindHex, 2, "&&2"}}, 2, false, {}, 0}; }

TEST_P(StackFaultTest, OldStackFileStaysUserIsToldOnceProgramGoesOn) {
    const Fault& fault = GetParam();
    std::ofstream(Stack(), std::ios::binary) << StackFileText({{}, TwoItems()});
    Start("ConfirmQuit= 0\r\nKeepStack= 1\r\n");
    ASSERT_EQ(Values(), (std::vector<double>{1, 2}));
    if (const std::string why = fault.make(ConfigDir()); !why.empty()) GTEST_SKIP() << why;
    const std::string before = StackBytes();
    test::StderrCapture err;

    Type("3\r");
    P().SessionEnding();
    EXPECT_EQ(Calc().EntryCaption(), "STACK NOT SAVED");
    P().SessionEnding();
    EXPECT_EQ(err.Count("Cannot save the stack to " + Stack() + ": "), 1) << err.Text();
    EXPECT_EQ(StackBytes(), before);
    for (const auto& e : fs::directory_iterator(ConfigDir())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "quorva.ini" || name == "quorva.stack" || name == "filler") << "left behind: " << name;
    }
    Type("+");
    EXPECT_EQ(Top(), 5);

    fault.undo(ConfigDir());
    P().SessionEnding();
    const StackFileRead saved = ReadStackFileText(StackBytes());
    ASSERT_EQ(saved.trouble, StackTrouble::None) << saved.why;
    EXPECT_EQ(saved.content.stack.count, 2);
    EXPECT_EQ(saved.content.stack.records.at(2).value, 5);

    // Unticked under the fault: only a read-only folder keeps the file from going, and says so.
    ASSERT_EQ(fault.make(ConfigDir()), "");
    P().Options().Set(Option::KeepStack, 0);
    P().QuitWithoutAsking();
    const bool kept = fs::exists(Stack());
    EXPECT_EQ(kept, std::string(fault.name) == "ReadOnlyFolder");
    EXPECT_EQ(err.Count("Cannot remove the stack file " + Stack()), kept ? 1 : 0) << err.Text();
    EXPECT_EQ(err.Count("Cannot save the stack"), 1);
    fault.undo(ConfigDir());
}

INSTANTIATE_TEST_SUITE_P(Faults, StackFaultTest, ::testing::ValuesIn(StackFaults()),
                         [](const auto& info) { return std::string(info.param.name); });

// A stack file that cannot be taken never stops the start: the calculator starts empty, says
// why once, keeps the file aside and, quitting, writes a good file beside it.
class StackFaultAtStartTest : public ProgramFixture {};

TEST_F(StackFaultAtStartTest, TheStackStartsEmptyAndTheFileIsKeptAside) {
    const std::string stack = dir_.filePath("quorva.stack").toStdString(), bad = stack + ".bad";
    std::string damaged = StackFileText({{}, TwoItems()});
    damaged.replace(damaged.find("\n2 3 "), 5, "\n2 9 ");
    std::ofstream(stack, std::ios::binary) << damaged;
    test::StderrCapture err;
    Start("ConfirmQuit= 0\r\nKeepStack= 1\r\n");
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Calc().EntryCaption(), "STACK FILE DAMAGED");
    EXPECT_EQ(err.Count("quorva: The stack file " + stack + " is damaged: line 7 "), 1) << err.Text();
    EXPECT_EQ(err.Count("kept as " + bad), 1);
    Type("4\r");
    P().QuitWithoutAsking();
    std::ifstream in(bad, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
    program_.reset();
    Start();
    EXPECT_EQ(Values(), std::vector<double>{4});
    EXPECT_EQ(err.Count("quorva: "), 1) << err.Text();  // nothing more was said
}

}  // namespace
}  // namespace quorva
