// A save of the settings or the stack file (both go through WriteReplacing) killed at any moment
// leaves the old file or the new one, whole, and the next save clears the temporary file it left.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "Fakes.h"
#include "TextFile.h"

namespace quorva {
namespace {

int OtherFiles(const std::string& dir) {
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) count += e.path().filename() != "quorva.ini";
    return count;
}

TEST(KilledSave, FileIsAlwaysOneWholeVersionAndTempsAreCleared) {
    const test::ScratchFolder scratch;
    const std::string path = scratch / "quorva.ini";
    // Of different lengths, so that a mix shows in the size too.
    const std::string versions[2] = {std::string(100, 'a') + "\r\n", std::string(12000, 'b') + "\r\n"};
    ASSERT_EQ(textfile::WriteReplacing(path, versions[0]), "");

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
            if (!textfile::WriteReplacing(path, versions[1]).empty()) ::_exit(3);
            if (::write(ready[1], "", 1) != 1) ::_exit(4);
            for (int i = 0;; ++i) {
                if (!textfile::WriteReplacing(path, versions[i % 2]).empty()) ::_exit(5);
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
            << "after kill " << kill << " the file holds " << now.size() << " bytes";
        // The child's first save cleared what the kill before left; only this kill's remains.
        const int others = OtherFiles(scratch.path);
        ASSERT_LE(others, 1) << "kill " << kill << " found stale files";
        midSave += others;
    }
    ASSERT_EQ(textfile::WriteReplacing(path, versions[0]), "");
    EXPECT_EQ(OtherFiles(scratch.path), 0) << "a successful save left a temporary file";
    // Without kills inside the write the test would prove nothing.
    EXPECT_GT(midSave, 0);
    std::printf("%d of %d kills came between creating the temporary file and renaming it\n", midSave, kKills);
}

}  // namespace
}  // namespace quorva
