#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
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

TEST(InstanceTest, TheDefaultFolderIsTheRuntimeFolderWhenThereIsOne) {
    TempDir dir;
    const char* keepRuntime = std::getenv("XDG_RUNTIME_DIR");
    const char* keepTmp = std::getenv("TMPDIR");
    const std::string runtime = keepRuntime ? keepRuntime : "", tmp = keepTmp ? keepTmp : "";
    const struct {
        const char* runtime;
        const char* tmp;
        std::string folder;
    } rows[] = {
        {dir.path.c_str(), "/var/tmp", dir.path.string()},
        {"/no/such/folder", "/var/tmp//", "/var/tmp"},
        {"", "", "/tmp"},
        {nullptr, nullptr, "/tmp"},
    };
    for (const auto& row : rows) {
        if (row.runtime) ::setenv("XDG_RUNTIME_DIR", row.runtime, 1); else ::unsetenv("XDG_RUNTIME_DIR");
        if (row.tmp) ::setenv("TMPDIR", row.tmp, 1); else ::unsetenv("TMPDIR");
        EXPECT_EQ(DefaultFolder(), row.folder) << (row.runtime ? row.runtime : "(unset)");
    }
    if (keepRuntime) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
    if (keepTmp) ::setenv("TMPDIR", tmp.c_str(), 1); else ::unsetenv("TMPDIR");
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
    // The knock let go of the lock: the calculator that starts next can take it.
    const int fd = ::open(p.lock.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
}

}  // namespace
}  // namespace quorva::instance
