// Saving fails: the settings and stack files stay as they were, the user is told once per
// failing state and the calculator goes on. Run as nobody (as_user.sh): root ignores
// permissions; the full disk in a small tmpfs of its own (small_fs.sh).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "ProgramFixture.h"
#include "StackFile.h"
#include "StderrCapture.h"
#include "frmCommands.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

struct Fault {
    const char* name;
    // Makes saving into folder fail; returns why it cannot be done here, empty when done.
    std::function<std::string(const fs::path& folder)> make;
    std::function<void(const fs::path& folder)> undo;
    bool removes;  // the stack file can still be removed
};

const Fault kFaults[] = {
    {"ReadOnlyFolder",
     [](const fs::path& folder) -> std::string {
         if (::geteuid() == 0) return "root may write into a read-only folder; as_user.sh runs this as nobody";
         fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
         return {};
     },
     [](const fs::path& folder) { fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add); },
     false},
    // Written, then the rename fails: the temporary file must go too.
    {"FilesAreFolders",
     [](const fs::path& folder) {
         for (const char* name : {"quorva.ini", "quorva.stack"}) {
             fs::remove(folder / name);
             fs::create_directories(folder / name / "keep");
         }
         return std::string();
     },
     [](const fs::path& folder) {
         for (const char* name : {"quorva.ini", "quorva.stack"}) fs::remove_all(folder / name);
     },
     false},
    {"FullFileSystem",
     [](const fs::path& folder) -> std::string {
         if (!std::getenv("QUORVA_SMALL_FS")) return "no small file system was mounted (small_fs.sh does it)";
         // A new file then gets no block at all, however small.
         std::ofstream filler(folder / "filler");
         while (filler << std::string(4096, 'x')) {
         }
         return std::string();
     },
     [](const fs::path& folder) { fs::remove(folder / "filler"); },
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
    // Every name in folder with its content ("/" for a folder).
    static std::string Listing(const fs::path& folder) {
        std::map<std::string, std::string> all;
        for (const auto& e : fs::directory_iterator(folder))
            all[e.path().filename().string()] = e.is_directory() ? "/" : FileText(e.path());
        std::string text;
        for (const auto& [name, content] : all) text += name + ": " + content.substr(0, 200) + "\n";
        return text;
    }
    // Closing the Functions window saves the settings.
    void SaveByClosingFunctions() {
        Key(Qt::Key_F1);
        ASSERT_TRUE(P().FunctionsWindow()->isVisible());
        Key(Qt::Key_F1);
        ASSERT_FALSE(P().FunctionsWindow()->isVisible());
    }
};

TEST_P(SaveFaultTest, OldFilesStayUserIsToldOnceCalculatorGoesOn) {
    const Fault& fault = GetParam();
    std::ofstream(Stack(), std::ios::binary) << StackFileText({{}, TwoItems()});
    Start("WindowPositionX= 10\r\nDecimals= 4\r\nSkinFile=old\r\nKeepStack= 1\r\n");
    ASSERT_EQ(Values(), (std::vector<double>{1, 2}));
    if (const std::string why = fault.make(ConfigDir()); !why.empty()) GTEST_SKIP() << why;
    const std::string before = Listing(ConfigDir());
    test::StderrCapture err;

    Type("12");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    Type("3");  // the typed number was kept
    EXPECT_EQ(Calc().EntryCaption(), "123");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "123") << "told again";
    Key(Qt::Key_Return);
    Type("+");
    EXPECT_EQ(Top(), 125);
    P().SessionEnding();  // as a signal would save
    EXPECT_EQ(Calc().EntryCaption(), "STACK NOT SAVED");
    P().SessionEnding();
    EXPECT_EQ(err.Count("quorva: Cannot save the settings to " + IniPath() + ": "), 1) << err.Text();
    EXPECT_EQ(err.Count("quorva: Cannot save the stack to " + Stack() + ": "), 1) << err.Text();
    EXPECT_EQ(Listing(ConfigDir()), before);

    // Once saving works again both files are written; a new failure is told again.
    fault.undo(ConfigDir());
    P().SessionEnding();
    EXPECT_TRUE(IniHas("Decimals= 4\r\n") && IniHas("SkinFile=old\r\n")) << IniText();
    const StackSnapshot saved = ReadStackFileText(FileText(Stack())).content.stack;
    ASSERT_EQ(saved.count, 2);
    EXPECT_EQ(saved.records.at(2).value, 125);
    ASSERT_EQ(fault.make(ConfigDir()), "");
    SaveByClosingFunctions();
    EXPECT_EQ(Calc().EntryCaption(), "SETTINGS NOT SAVED");
    EXPECT_EQ(err.Count("Cannot save the settings"), 2);

    // Unticked, the stack file goes where it can, and the user hears where it cannot.
    P().Options().Set(Option::KeepStack, 0);
    P().QuitWithoutAsking();
    EXPECT_EQ(fs::exists(Stack()), !fault.removes);
    EXPECT_EQ(err.Count("Cannot remove the stack file " + Stack()), fault.removes ? 0 : 1) << err.Text();
    EXPECT_EQ(err.Count("Cannot save the stack"), 1);
    fault.undo(ConfigDir());
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// A damaged stack file never stops the start: the stack starts empty, the user is told once,
// the file is kept aside and quitting writes a good one.
using StackFileAtStartTest = ProgramFixture;

TEST_F(StackFileAtStartTest, ADamagedOneIsKeptAsideAndTheStackStartsEmpty) {
    const std::string stack = ConfigDir() + "/quorva.stack", bad = stack + ".bad";
    std::string damaged = StackFileText({{}, TwoItems()});
    damaged.replace(damaged.find("\n2 3 "), 5, "\n2 9 ");
    std::ofstream(stack, std::ios::binary) << damaged;
    test::StderrCapture err;
    Start("KeepStack= 1\r\n");
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Calc().EntryCaption(), "STACK FILE DAMAGED");
    EXPECT_EQ(err.Count("quorva: The stack file " + stack + " is damaged: line 7 "), 1) << err.Text();
    EXPECT_EQ(err.Count("kept as " + bad), 1);
    Type("4\r");
    P().QuitWithoutAsking();
    EXPECT_EQ(FileText(bad), damaged);
    EXPECT_EQ(ReadStackFileText(FileText(stack)).content.stack.count, 1);
    EXPECT_EQ(err.Count("quorva: "), 1) << err.Text();  // nothing more was said
}

}  // namespace
}  // namespace quorva
