#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/un.h>
#include <unistd.h>

#include "Instance.h"

namespace quorva::instance {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "quorva-instance-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

TEST(InstanceTest, Sha1OfKnownTexts) {
    const struct {
        std::string text;
        const char* hex;
    } rows[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        // 56 bytes: the length no longer fits the first block
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {"The quick brown fox jumps over the lazy dog", "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12"},
        {"The quick brown fox jumps over the lazy cog", "de9f2c7fd25e1b3afad3e85a0bd17d9b100db4b3"},
    };
    for (const auto& row : rows) EXPECT_EQ(Sha1Hex(row.text), row.hex) << row.text.substr(0, 60);
}

TEST(InstanceTest, OneFileByEveryPathIsOneKey) {
    TempDir dir;
    fs::create_directories(dir.path / "real");
    fs::create_symlink(dir.path / "real", dir.path / "link");
    const std::string real = fs::canonical(dir.path).string() + "/real";
    const struct {
        std::string path;
        std::string key;
    } rows[] = {
        {real + "/quorva.ini", real + "/quorva.ini"},
        {(dir.path / "link/quorva.ini").string(), real + "/quorva.ini"},
        {(dir.path / "link/../link/./new//quorva.ini").string(), real + "/new/quorva.ini"},  // not made yet
        {(dir.path / "real/a/b/../quorva.ini").string(), real + "/a/quorva.ini"},
        {"/nowhere-at-all/x/../quorva.ini", "/nowhere-at-all/quorva.ini"},
    };
    for (const auto& row : rows) EXPECT_EQ(CanonicalKey(row.path), row.key) << row.path;

    const std::string cwd = fs::current_path().string();
    fs::current_path(dir.path / "link");
    EXPECT_EQ(CanonicalKey("quorva.ini"), real + "/quorva.ini");
    fs::current_path(cwd);

    EXPECT_EQ(PathsFor(real + "/quorva.ini", "/run/x").lock, PathsFor((dir.path / "link/quorva.ini").string(), "/run/x").lock);
    const Paths p = PathsFor("/srv/quorva.ini", "/run/x");
    // printf %s /srv/quorva.ini | sha1sum: f02620039798fcb4ca64d3c78655a52d64d24388
    EXPECT_EQ(p.lock, "/run/x/quorva-f02620039798fcb4.lock");
    EXPECT_EQ(p.socket, "/run/x/quorva-f02620039798fcb4.socket");
}

TEST(InstanceTest, TheDefaultFolderIsTheRuntimeFolderWhenItIsPrivateElseOneOfOurOwn) {
    TempDir dir;
    fs::create_directory(dir.path / "open");
    fs::permissions(dir.path / "open", fs::perms(0755));
    const char* keepRuntime = std::getenv("XDG_RUNTIME_DIR");
    const char* keepTmp = std::getenv("TMPDIR");
    const std::string runtime = keepRuntime ? keepRuntime : "", tmp = keepTmp ? keepTmp : "";
    const std::string own = "/quorva-" + std::to_string(::geteuid());
    const struct {
        const char* runtime;
        const char* tmp;
        std::string folder;
    } rows[] = {
        {dir.path.c_str(), "/var/tmp", dir.path.string()},
        {(dir.path / "open").c_str(), "/var/tmp", "/var/tmp" + own},  // others may enter it
        {"/no/such/folder", "/var/tmp//", "/var/tmp" + own},
        {"relative", nullptr, "/tmp" + own},
        {"", "", "/tmp" + own},
        {nullptr, nullptr, "/tmp" + own},
    };
    for (const auto& row : rows) {
        if (row.runtime) ::setenv("XDG_RUNTIME_DIR", row.runtime, 1); else ::unsetenv("XDG_RUNTIME_DIR");
        if (row.tmp) ::setenv("TMPDIR", row.tmp, 1); else ::unsetenv("TMPDIR");
        EXPECT_EQ(DefaultFolder(), row.folder) << (row.runtime ? row.runtime : "(unset)");
    }
    if (keepRuntime) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
    if (keepTmp) ::setenv("TMPDIR", tmp.c_str(), 1); else ::unsetenv("TMPDIR");
}

// What another user could have placed where the lock goes is refused, naming the path and what
// is wrong; the file a planted link points at is left as it was.
TEST(InstanceTest, OnlyAPrivateFolderAndARegularLockFileOfOursAreUsed) {
    TempDir dir;
    const fs::path d = dir.path;
    fs::create_directory(d / "open");
    fs::permissions(d / "open", fs::perms(0711));
    fs::create_directory(d / "real");
    fs::permissions(d / "real", fs::perms(0700));
    fs::create_directory_symlink(d / "real", d / "link");
    std::ofstream(d / "file") << "x";
    const struct {
        fs::path folder;
        std::string problem;  // empty: usable
    } folders[] = {
        {d / "real", ""},
        {d / "made", ""},  // made by MakePrivateFolder
        {d / "open", (d / "open").string() + " is not a private folder (owned by uid " + std::to_string(::geteuid()) + ", mode 0711)"},
        {d / "link", (d / "link").string() + " is a symbolic link, not a private folder"},
        {d / "file", (d / "file").string() + " is not a folder"},
        {d / "missing/sub", "cannot make the folder " + (d / "missing/sub").string() + ": No such file or directory"},
    };
    for (const auto& row : folders) {
        EXPECT_EQ(MakePrivateFolder(row.folder.string()), row.problem) << row.folder;
    }
    EXPECT_EQ(fs::status(d / "made").permissions() & fs::perms(077), fs::perms::none);

    std::ofstream(d / "precious") << "keep me";
    fs::create_symlink(d / "precious", d / "real/link.lock");
    ::mkfifo((d / "real/fifo.lock").c_str(), 0600);
    std::string problem;
    EXPECT_EQ(OpenLock((d / "real/link.lock").string(), true, problem), -1);
    EXPECT_EQ(problem, "the lock file " + (d / "real/link.lock").string() + " is a symbolic link");
    EXPECT_EQ(OpenLock((d / "real/fifo.lock").string(), true, problem), -1);
    EXPECT_NE(problem.find("is not a regular file of this user"), std::string::npos) << problem;
    EXPECT_EQ(OpenLock((d / "real/none.lock").string(), false, problem), -1);
    EXPECT_EQ(problem, "");  // simply not there
    const int fd = OpenLock((d / "real/none.lock").string(), true, problem);
    EXPECT_GE(fd, 0) << problem;
    ::close(fd);
    std::ifstream precious(d / "precious");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(precious), {}), "keep me");

    // A knock says the same and touches nothing.
    const Paths open = PathsFor("/srv/quorva.ini", (d / "open").string());
    EXPECT_EQ(KnockAt(open, {}, 100, &problem), Knock::Unguarded);
    EXPECT_NE(problem.find("is not a private folder"), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(open.lock));
    EXPECT_EQ(KnockAt({(d / "real/link.lock").string(), (d / "real/s").string()}, {}, 100, &problem), Knock::Unguarded);
    EXPECT_NE(problem.find("is a symbolic link"), std::string::npos) << problem;
}

TEST(InstanceTest, RequestsGoOverTheWireWithTheirTokens) {
    const struct {
        Request request;
        std::string text;
    } rows[] = {
        {{Verb::Show, "", ""}, "show\n"},
        {{Verb::Toggle, "id_TIME5", ""}, "startup-id id_TIME5\ntoggle\n"},
        {{Verb::Quit, "", "tok en"}, "activation-token tok en\nquit\n"},
        {{Verb::Toggle, "a", "b"}, "startup-id a\nactivation-token b\ntoggle\n"},
        // a token that would break the line is not passed on
        {{Verb::Show, "two\nlines", std::string(2000, 't')}, "show\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RequestText(row.request), row.text);
        // Read back byte by byte, as a slow caller sends it.
        RequestReader reader;
        std::optional<Request> got;
        for (const char ch : row.text) {
            EXPECT_FALSE(got.has_value()) << "a request before its last byte: " << row.text;
            reader.Feed(std::string_view(&ch, 1));
            got = reader.Next();
        }
        ASSERT_TRUE(got.has_value()) << row.text;
        EXPECT_EQ(got->verb, row.request.verb);
        EXPECT_EQ(RequestText(*got), row.text);
    }
}

TEST(InstanceTest, TheReaderSkipsWhatItDoesNotKnowAndStopsARunaway) {
    RequestReader reader;
    reader.Feed("startup-id old\nfly\nshow\nactivation-token t\ntoggle\nquit\nsho");
    const auto first = reader.Next(), second = reader.Next(), third = reader.Next();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->verb, Verb::Show);
    EXPECT_EQ(first->startupId, "");  // its token went with the unknown word
    EXPECT_EQ(second->verb, Verb::Toggle);
    EXPECT_EQ(second->activationToken, "t");
    EXPECT_EQ(third->verb, Verb::Quit);
    EXPECT_EQ(third->activationToken, "");
    EXPECT_FALSE(reader.Next());
    reader.Feed("w\n");
    EXPECT_EQ(reader.Next()->verb, Verb::Show);
    EXPECT_FALSE(reader.Runaway());
    reader.Feed(std::string(5000, 'x'));
    EXPECT_TRUE(reader.Runaway());
    EXPECT_EQ(AnswerFor(Verb::Show), "shown\n");
    EXPECT_NE(AnswerFor(Verb::Toggle), AnswerFor(Verb::Quit));
}

// A running calculator in a thread: holds the lock, listens, answers what it reads as told.
struct FakeRunning {
    int lock = -1, server = -1;
    std::thread thread;
    std::string received;
    FakeRunning(const Paths& p, bool listen, std::string answer) {
        lock = ::open(p.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
        if (!listen) return;
        ::unlink(p.socket.c_str());
        server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        p.socket.copy(a.sun_path, sizeof a.sun_path - 1);
        EXPECT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(server, 4), 0);
        thread = std::thread([this, answer] {
            const int fd = ::accept(server, nullptr, nullptr);
            char buf[256];
            const auto complete = [this] {
                for (const char* verb : {"show\n", "toggle\n", "quit\n"}) {
                    if (received.ends_with(verb)) return true;
                }
                return false;
            };
            while (!complete()) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                received.append(buf, static_cast<size_t>(n));
            }
            if (!answer.empty()) [[maybe_unused]] const ssize_t s = ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(fd);
        });
    }
    ~FakeRunning() {
        if (thread.joinable()) thread.join();
        if (server >= 0) ::close(server);
        if (lock >= 0) ::close(lock);
    }
};

TEST(InstanceTest, AKnockFindsOutWhetherOneRunsAndWhetherItTookTheRequest) {
    TempDir dir;
    const Paths p = PathsFor("/srv/calc/quorva.ini", dir.path.string());
    const Request toggle{Verb::Toggle, "x_TIME1", ""};

    EXPECT_EQ(KnockAt(p, toggle, 200), Knock::NotRunning);
    EXPECT_EQ(KnockAt(PathsFor("/srv/quorva.ini", (dir.path / "missing").string()), toggle, 200), Knock::NotRunning);
    {
        FakeRunning running(p, true, "toggled\n");
        EXPECT_EQ(KnockAt(p, toggle, 2000), Knock::Answered);
        running.thread.join();
        EXPECT_EQ(running.received, "startup-id x_TIME1\ntoggle\n");
    }
    {
        FakeRunning wrongAnswer(p, true, "shown\n");
        EXPECT_EQ(KnockAt(p, toggle, 2000), Knock::NoAnswer);
    }
    {
        FakeRunning silent(p, true, "");
        EXPECT_EQ(KnockAt(p, {Verb::Quit, "", ""}, 300), Knock::NoAnswer);
    }
    {
        FakeRunning notListening(p, false, "");
        EXPECT_EQ(KnockAt(p, toggle, 100), Knock::NoAnswer);
    }
    {
        // One whose queue is full and that never accepts: the knock ends at its deadline.
        FakeRunning stuck(p, false, "");
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        p.socket.copy(a.sun_path, sizeof a.sun_path - 1);
        ::unlink(p.socket.c_str());
        ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ASSERT_EQ(::listen(server, 0), 0);
        std::vector<int> queued;
        while (queued.size() < 8) {
            queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
            if (::connect(queued.back(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) break;
        }
        ASSERT_EQ(errno, EAGAIN) << "the queue did not fill";
        std::string problem;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(KnockAt(p, toggle, 300, &problem), Knock::NoAnswer);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(problem, "nothing answered on the socket " + p.socket + " within 300 ms");
        for (const int fd : queued) ::close(fd);
        ::close(server);
    }
    // The knock let go of the lock: the calculator that starts next can take it.
    const int fd = ::open(p.lock.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
}

// Another user's listener behind a socket file that is ours (only root could arrange it):
// the knock sees who answers and sends it nothing.
TEST(InstanceTest, AKnockSendsNothingToAnotherUsersListener) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to listen as another user";
    TempDir dir;
    const Paths p = PathsFor("/srv/calc/quorva.ini", dir.path.string());
    FakeRunning held(p, false, "");
    int ready[2], report[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(report), 0);
    ::chmod(dir.path.c_str(), 0777);  // for the stranger's bind
    const pid_t stranger = ::fork();
    if (stranger == 0) {
        ::alarm(5);  // a knock that never came must not leave it waiting
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        p.socket.copy(a.sun_path, sizeof a.sun_path - 1);
        ::umask(0);
        if (::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(server, 4) != 0) ::_exit(3);
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
    ::close(ready[0]);
    ::close(report[0]);
}

}  // namespace
}  // namespace quorva::instance
