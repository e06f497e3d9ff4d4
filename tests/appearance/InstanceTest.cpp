// The instance channel's pieces. A later start reaching the running one is in
// tests/windows/SingleInstanceTest.cpp; another user's attacks on it in tests/security.

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
    fs::create_directory(dir / "open");
    fs::permissions(dir / "open", fs::perms(0711));
    fs::create_directory(dir / "real");
    fs::permissions(dir / "real", fs::perms(0700));
    fs::create_directory_symlink(dir / "real", dir / "link");
    const std::pair<std::string, std::string> folders[] = {
        {dir / "made", ""},
        {dir / "link", dir / "link is a symbolic link, not a private folder"},
        {dir / "missing/sub", "cannot make the folder " + dir / "missing/sub: No such file or directory"},
    };
    for (const auto& [folder, problem] : folders) EXPECT_EQ(MakePrivateFolder(folder), problem) << folder;
    EXPECT_EQ(fs::status(dir / "made").permissions() & fs::perms(077), fs::perms::none);

    const test::EnvGuard runtime{"XDG_RUNTIME_DIR"}, tmp{"TMPDIR"};
    const std::string own = "/quorva-" + std::to_string(::geteuid()), open = dir / "open";
    const struct {
        const char* runtime;
        const char* tmp;
        std::string folder;
    } defaults[] = {
        {open.c_str(), "/var/tmp", "/var/tmp" + own},
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

// Fed byte by byte, as a slow caller sends it; a token must not smuggle in a line, what the
// reader does not know is passed over with its tokens, and a line that never ends is cut off.
TEST(InstanceTest, RequestsGoOverTheWireWithTheirTokens) {
    const std::pair<Request, std::string> rows[] = {
        {{Verb::Quit, "", "tok en"}, "activation-token tok en\nquit\n"},
        {{Verb::Toggle, "a", "b"}, "startup-id a\nactivation-token b\ntoggle\n"},
        {{Verb::Show, "two\nlines", std::string(2000, 't')}, "show\n"},
    };
    for (const auto& [request, text] : rows) {
        EXPECT_EQ(RequestText(request), text);
        RequestReader reader;
        std::optional<Request> got;
        for (const char ch : text) {
            EXPECT_FALSE(got.has_value()) << "a request before its last byte: " << text;
            reader.Feed(std::string_view(&ch, 1));
            got = reader.Next();
        }
        ASSERT_TRUE(got.has_value()) << text;
        EXPECT_EQ(RequestText(*got), text);
    }
    RequestReader reader;
    reader.Feed("startup-id old\nfly\nactivation-token t\ntoggle\n");
    const auto toggle = reader.Next();
    ASSERT_TRUE(toggle.has_value());
    EXPECT_EQ(RequestText(*toggle), "activation-token t\ntoggle\n");
    EXPECT_FALSE(reader.Runaway());
    reader.Feed(std::string(5000, 'x'));
    EXPECT_TRUE(reader.Runaway());
}

}  // namespace
}  // namespace quorva::instance
