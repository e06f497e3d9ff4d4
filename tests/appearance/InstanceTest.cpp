// The instance channel's pieces. A later start reaching the running one is in
// tests/windows/SingleInstanceTest.cpp; another user's attacks on it (and the launcher's
// refusal of another user's listener) in tests/security.

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

#include "Fakes.h"
#include "Instance.h"

namespace quorva::instance {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

// Two starts on one settings file, however it was named, must find each other.
TEST(InstanceTest, OneFileByEveryPathIsOneKey) {
    ScratchFolder dir;
    fs::create_directories(dir / "real");
    fs::create_symlink(dir / "real", dir / "link");
    const std::string real = fs::canonical(dir.path).string() + "/real";
    const std::pair<std::string, std::string> keys[] = {
        {dir / "link/../link/./new//quorva.ini", real + "/new/quorva.ini"},  // not made yet
        {dir / "real/a/b/../quorva.ini", real + "/a/quorva.ini"},
        {"/nowhere-at-all/x/../quorva.ini", "/nowhere-at-all/quorva.ini"},
    };
    for (const auto& [path, key] : keys) EXPECT_EQ(CanonicalKey(path), key) << path;
    const fs::path cwd = fs::current_path();
    fs::current_path(dir / "link");
    EXPECT_EQ(CanonicalKey("quorva.ini"), real + "/quorva.ini");
    fs::current_path(cwd);
}

// The folder another user made is in tests/security; the runtime folder is used only when private.
TEST(InstanceTest, OnlyAPrivateFolderIsUsed) {
    ScratchFolder dir;
    fs::create_directory_symlink(dir / "made", dir / "link");  // even to a private folder
    const std::pair<std::string, std::string> folders[] = {
        {dir / "made", ""},
        {dir / "link", dir / "link is a symbolic link, not a private folder"},
        {dir / "missing/sub", "cannot make the folder " + dir / "missing/sub: No such file or directory"},
    };
    for (const auto& [folder, problem] : folders) EXPECT_EQ(MakePrivateFolder(folder), problem) << folder;

    const test::EnvGuard runtime{"XDG_RUNTIME_DIR"}, tmp{"TMPDIR"};
    const std::string own = "/quorva-" + std::to_string(::geteuid());
    const struct {
        const char* runtime;
        const char* tmp;
        std::string folder;
    } defaults[] = {
        {"/tmp", "/var/tmp", "/var/tmp" + own},  // open to all, as after a plain su
        {"/no/such/folder", "/var/tmp//", "/var/tmp" + own},
        {"relative", nullptr, "/tmp" + own},
        {"", "", "/tmp" + own},
    };
    for (const auto& row : defaults) {
        runtime.Set(row.runtime);
        tmp.Set(row.tmp);
        EXPECT_EQ(DefaultFolder(), row.folder) << row.runtime;
    }
}

// A token must not smuggle in a line. Fed byte by byte, as a slow caller sends it, a request
// comes whole; a word the reader does not know is passed over with its tokens; a line that
// never ends is cut off.
TEST(InstanceTest, RequestsGoOverTheWireWithTheirTokens) {
    EXPECT_EQ(RequestText({Verb::Show, "two\nlines", std::string(2000, 't')}), "show\n");
    RequestReader reader;
    std::optional<Request> got;
    for (const char ch : std::string("startup-id old\nfly\nactivation-token t t\ntoggle\n")) {
        EXPECT_FALSE(got.has_value()) << "a request before its last byte";
        reader.Feed(std::string_view(&ch, 1));
        got = reader.Next();
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(RequestText(*got), "activation-token t t\ntoggle\n");
    EXPECT_FALSE(reader.Runaway());
    reader.Feed(std::string(5000, 'x'));
    EXPECT_TRUE(reader.Runaway());
}

}  // namespace
}  // namespace quorva::instance
