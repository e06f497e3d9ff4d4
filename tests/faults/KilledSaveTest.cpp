// A save of the settings or the stack file (both go through WriteReplacing) killed at any moment
// leaves the old file or the new one, whole, and the next save clears the temporary file it left.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>

#include "Fakes.h"
#include "TextFile.h"

namespace quorva {
namespace {

TEST(KilledSave, FileIsAlwaysOneWholeVersionAndTempsAreCleared) {
    const test::ScratchFolder scratch;
    const std::string path = scratch / "quorva.ini";
    const auto temps = [&] {  // every file but the saved one
        return std::distance(std::filesystem::directory_iterator(scratch.path), {}) - 1;
    };
    // Of different lengths, so that a mix shows in the size too.
    const std::string versions[2] = {std::string(100, 'a'), std::string(12000, 'b')};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<useconds_t> delay(0, 1500);
    int midSave = 0;  // kills that left a temporary file: the save was between create and rename
    for (int kill = 0; kill < 500; ++kill) {
        // This save clears what the kill before left: only this kill's temporary file remains.
        ASSERT_EQ(textfile::WriteReplacing(path, versions[0]), "");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // saves for ever
            for (int i = 1;; ++i) {
                if (!textfile::WriteReplacing(path, versions[i % 2]).empty()) ::_exit(3);
            }
        }
        ::usleep(delay(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver failed, status " << status;
        const std::string now = test::ReadFile(path);
        ASSERT_TRUE(now == versions[0] || now == versions[1])
            << "after kill " << kill << " the file holds " << now.size() << " bytes";
        ASSERT_LE(temps(), 1) << "kill " << kill << " found stale files";
        midSave += temps();
    }
    ASSERT_EQ(textfile::WriteReplacing(path, versions[0]), "");
    EXPECT_EQ(temps(), 0) << "a successful save left a temporary file";
    EXPECT_GT(midSave, 0) << "no kill came inside a save: the test proved nothing";
}

}  // namespace
}  // namespace quorva
