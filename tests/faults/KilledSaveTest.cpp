// A save of the settings or the stack file killed at any moment leaves the old file or the new
// one, whole, and the next save clears the temporary file it left.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "StackFile.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

// A file and the two contents its saver alternates; of different lengths, so a mix shows in
// the size too.
struct Kept {
    const char* name;
    const char* fileName;
    std::function<std::string(test::AppState&, int which)> text;  // puts content which in place
    std::function<bool(test::AppState&, const std::string& path)> save;
};

const Kept kKept[] = {
    {"Settings", kSettingsFileName,
     [](test::AppState& s, int which) {
         s.calc.SetDecimalPlaces(which == 0 ? 3 : 12);
         s.skin.skinFile = which == 0 ? "default" : "/usr/share/quorva/skins/" + std::string(200, 'p') + ".qsd";
         return SettingsText(s.ctx);
     },
     [](test::AppState& s, const std::string& path) { return SaveSettings(path, s.ctx).ok; }},
    {"Stack", kStackFileName,
     [](test::AppState& s, int which) {
         StackSnapshot snapshot{{StackItem{}}, 0, which == 1, {}, 0};
         for (int n = 1; n <= (which == 0 ? 3 : OperandStack::kMaxItems); ++n)
             snapshot.records.push_back({static_cast<int16_t>(1 + n % 3), n / 7.0, "text of " + std::to_string(n)});
         snapshot.count = static_cast<int16_t>(snapshot.records.size() - 1);
         s.calc.Stack().Restore(snapshot);
         return StackFileText({s.calc.Format(), s.calc.Stack().Snapshot()});
     },
     [](test::AppState& s, const std::string& path) { return SaveStackFile(path, s.calc).ok; }},
};

void PrintTo(const Kept& k, std::ostream* os) { *os << k.name; }

struct Saver : test::AppState {
    const Kept& kept;
    explicit Saver(const Kept& k) : kept(k) {}
    std::string Text(int which) { return kept.text(*this, which); }
    bool Save(const std::string& path, int which) {
        Text(which);
        return kept.save(*this, path);
    }
};

std::vector<std::string> OtherFiles(const fs::path& dir, const char* fileName) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename() != fileName) names.push_back(e.path().filename().string());
    }
    return names;
}

// The child: tells the parent once its first save is done, then saves for ever.
[[noreturn]] void SaveForEver(const Kept& kept, const std::string& path, int ready) {
    Saver saver(kept);
    if (!saver.Save(path, 1)) ::_exit(3);
    const char byte = 1;
    if (::write(ready, &byte, 1) != 1) ::_exit(4);
    for (int i = 0;; ++i) {
        if (!saver.Save(path, i % 2)) ::_exit(5);
    }
}

class KilledSave : public ::testing::TestWithParam<Kept> {};

TEST_P(KilledSave, FileIsAlwaysOneWholeVersionAndTempsAreCleared) {
    const Kept& kept = GetParam();
    const test::ScratchFolder scratch;
    const fs::path dir = scratch.path;
    const std::string path = (dir / kept.fileName).string();
    Saver saver(kept);
    const std::string versions[2] = {saver.Text(0), saver.Text(1)};
    ASSERT_NE(versions[0].size(), versions[1].size());
    ASSERT_TRUE(saver.Save(path, 0));

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayUs(0, 1500);
    constexpr int kKills = 500;
    int midSave = 0;  // kills that left a temporary file: the save was between create and rename
    for (int kill = 0; kill < kKills; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            SaveForEver(kept, path, ready[1]);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (started) std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "the saver ended before its first save, status " << status;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saver failed on its own, status " << status;

        const std::string now = test::ReadFile(path);
        ASSERT_TRUE(now == versions[0] || now == versions[1])
            << "after kill " << kill << " the file holds " << now.size() << " bytes:\n" << now;
        // The child's first save cleared what the kill before left; only this kill's remains.
        const std::vector<std::string> others = OtherFiles(dir, kept.fileName);
        ASSERT_LE(others.size(), 1u) << "kill " << kill << " found " << others.size() << " stale files, first "
                                     << others.front();
        midSave += others.size() == 1;
    }
    ASSERT_TRUE(saver.Save(path, 0));
    EXPECT_EQ(test::ReadFile(path), versions[0]);
    const std::vector<std::string> left = OtherFiles(dir, kept.fileName);
    EXPECT_TRUE(left.empty()) << "a successful save left " << left.front();
    // Without kills inside the write the test would prove nothing.
    EXPECT_GT(midSave, 0);
    std::printf("%s: %d of %d kills came between creating the temporary file and renaming it\n", kept.name,
                midSave, kKills);
}

INSTANTIATE_TEST_SUITE_P(Files, KilledSave, ::testing::ValuesIn(kKept),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorva
