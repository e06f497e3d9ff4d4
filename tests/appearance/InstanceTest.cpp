// The instance channel's pieces. A later start reaching the running one is in
// tests/windows/SingleInstanceTest.cpp; another user's attacks on it in tests/security.

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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


int Listen(const std::string& path) {
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    path.copy(a.sun_path, sizeof a.sun_path - 1);
    ::unlink(path.c_str());
    const bool ok = ::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(server, 4) == 0;
    EXPECT_TRUE(ok) << path;
    return server;
}

// Another user's listener behind a socket file that is ours (only root could arrange it): the
// knock sees who answers and sends it nothing.
TEST(InstanceTest, AKnockSendsNothingToAnotherUsersListener) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to listen as another user";
    ScratchFolder dir;
    const Paths p = PathsFor("/srv/calc/quorva.ini", dir.path);
    const int lock = ::open(p.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    int ready[2], report[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(report), 0);
    ::chmod(dir.path.c_str(), 0777);  // for the stranger's bind
    const pid_t stranger = ::fork();
    if (stranger == 0) {
        ::alarm(5);  // a knock that never came must not leave it waiting
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const int server = Listen(p.socket);
        [[maybe_unused]] ssize_t w = ::write(ready[1], "r", 1);
        const int fd = ::accept(server, nullptr, nullptr);
        char buf[256];
        const ssize_t n = fd >= 0 ? ::recv(fd, buf, sizeof buf, 0) : 0;
        w = ::write(report[1], buf, n > 0 ? static_cast<size_t>(n) : 0);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(report[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::chmod(dir.path.c_str(), 0700);
    ASSERT_EQ(::chown(p.socket.c_str(), 0, 0), 0);
    std::string problem;
    EXPECT_EQ(KnockAt(p, {Verb::Toggle, "secret_TIME1", ""}, 1000, &problem), Knock::NoAnswer);
    EXPECT_EQ(problem, "the socket " + p.socket + " is served by uid 65534, not by this user");
    char got[256];
    const ssize_t n = ::read(report[0], got, sizeof got);
    EXPECT_EQ(n, 0) << std::string(got, n > 0 ? static_cast<size_t>(n) : 0);
    int status = 0;
    ::waitpid(stranger, &status, 0);
    EXPECT_EQ(status, 0);
    for (const int fd : {ready[0], report[0], lock}) ::close(fd);
}

}  // namespace
}  // namespace quorva::instance
