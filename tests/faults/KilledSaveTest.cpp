// A save of the settings or the stack file killed at any moment leaves the old file or the new
// one, whole, and the next save clears the temporary file it left.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "Fakes.h"
#include "StackFile.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

// Saves version which (0 or 1, of different lengths) to path; returns its text, empty on failure.
using SaveVersion = std::string (*)(test::AppState&, const std::string& path, int which);

std::string SaveSettingsVersion(test::AppState& s, const std::string& path, int which) {
    s.calc.SetDecimalPlaces(which == 0 ? 3 : 12);
    s.skin.skinFile = which == 0 ? "default" : "/skins/" + std::string(200, 'p') + ".qsd";
    return SaveSettings(path, s.ctx).ok ? SettingsText(s.ctx) : "";
}

std::string SaveStackVersion(test::AppState& s, const std::string& path, int which) {
    StackSnapshot snapshot{{StackItem{}}, 0, which == 1, {}, 0};
    for (int n = 1; n <= (which == 0 ? 3 : OperandStack::kMaxItems); ++n)
        snapshot.records.push_back({static_cast<int16_t>(1 + n % 3), n / 7.0, "text of " + std::to_string(n)});
    snapshot.count = static_cast<int16_t>(snapshot.records.size() - 1);
    s.calc.Stack().Restore(snapshot);
    return SaveStackFile(path, s.calc).ok ? StackFileText({s.calc.Format(), s.calc.Stack().Snapshot()}) : "";
}

struct Kept {
    const char* fileName;
    SaveVersion save;
};

int OtherFiles(const fs::path& dir, const char* fileName) {
    int count = 0;
    for (const auto& e : fs::directory_iterator(dir)) count += e.path().filename() != fileName;
    return count;
}

class KilledSave : public ::testing::TestWithParam<Kept> {};

TEST_P(KilledSave, FileIsAlwaysOneWholeVersionAndTempsAreCleared) {
    const Kept kept = GetParam();
    const test::ScratchFolder scratch;
    const std::string path = scratch / kept.fileName;
    test::AppState state;
    const std::string versions[2] = {kept.save(state, path, 0), kept.save(state, path, 1)};
    ASSERT_NE(versions[0].size(), versions[1].size());
    ASSERT_FALSE(kept.save(state, path, 0).empty());

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
            // Tells the parent once its first save is done, then saves for ever.
            if (kept.save(state, path, 1).empty() || ::write(ready[1], "", 1) != 1) ::_exit(3);
            for (int i = 0;; ++i) {
                if (kept.save(state, path, i % 2).empty()) ::_exit(5);
            }
        }
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (started) std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started && WIFSIGNALED(status)) << "the saver failed on its own, status " << status;

        const std::string now = test::ReadFile(path);
        ASSERT_TRUE(now == versions[0] || now == versions[1])
            << "after kill " << kill << " the file holds " << now.size() << " bytes:\n" << now;
        // The child's first save cleared what the kill before left; only this kill's remains.
        const int others = OtherFiles(scratch.path, kept.fileName);
        ASSERT_LE(others, 1) << "kill " << kill << " found stale files";
        midSave += others;
    }
    ASSERT_FALSE(kept.save(state, path, 0).empty());
    EXPECT_EQ(OtherFiles(scratch.path, kept.fileName), 0) << "a successful save left a temporary file";
    // Without kills inside the write the test would prove nothing.
    EXPECT_GT(midSave, 0);
    std::printf("%s: %d of %d kills came between creating the temporary file and renaming it\n",
                kept.fileName, midSave, kKills);
}

INSTANTIATE_TEST_SUITE_P(Files, KilledSave,
                         ::testing::Values(Kept{kSettingsFileName, SaveSettingsVersion},
                                           Kept{kStackFileName, SaveStackVersion}),
                         [](const auto& info) { return std::string(info.index == 0 ? "Settings" : "Stack"); });

}  // namespace
}  // namespace quorva
