#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "QuitSignals.h"
#include "SingleInstance.h"

namespace quorva::platform {
namespace {

using Outcome = SingleInstance::Outcome;
using quorva::instance::Request;
using quorva::instance::RequestText;
using quorva::instance::Verb;

// A later start blocks as a second process would; a thread here, so that this one answers it.
Outcome LaterStart(const std::string& ini, const QString& folder, const Request& request = {}) {
    std::atomic<int> outcome{-1};
    std::thread later([&] { outcome = static_cast<int>(SingleInstance(ini, folder).Claim(request, 3000)); });
    const bool answered = QTest::qWaitFor([&] { return outcome != -1; }, 5000);
    later.join();
    return answered ? static_cast<Outcome>(outcome.load()) : Outcome::Unguarded;
}

int ConnectTo(const QString& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    QFile::encodeName(socketPath).toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    const std::string ini_ = "/home/someone/.config/quorva/quorva.ini";
};

TEST_F(SingleInstanceTest, ALaterStartShowsTheRunningOneWhateverWasLeftBehind) {
    auto first = std::make_unique<SingleInstance>(ini_, dir_.path());
    // The lock file and the socket of a program that died stand in nobody's way.
    std::ofstream(first->LockPath().toStdString()) << "99999999\nquorva\nhost\n";
    std::ofstream{first->SocketPath().toStdString()};
    std::string requests;
    first->onRequest = [&requests](const Request& r) { requests += RequestText(r); };
    ASSERT_EQ(first->Claim(300), Outcome::First);

    EXPECT_EQ(LaterStart("/home/someone/.config/quorva/../quorva/quorva.ini", dir_.path()), Outcome::ShownOther);
    EXPECT_EQ(LaterStart(ini_, dir_.path(), {Verb::Toggle, "launcher_TIME42", "wl-token"}), Outcome::ShownOther);
    EXPECT_EQ(LaterStart(ini_, dir_.path(), {Verb::Quit, {}, {}}), Outcome::ShownOther);
    EXPECT_EQ(requests, "show\nstartup-id launcher_TIME42\nactivation-token wl-token\ntoggle\nquit\n");

    EXPECT_EQ(SingleInstance("/tmp/portable/quorva.ini", dir_.path()).Claim(), Outcome::First);
    first.reset();
    EXPECT_EQ(SingleInstance(ini_, dir_.path()).Claim(), Outcome::First);
}

// Its event loop busy, the running one takes a caller but cannot answer: the later start says
// so instead of believing it shown. A socket that cannot be made leaves the calculator running.
TEST_F(SingleInstanceTest, ARunningOneThatDoesNotAnswerOrASocketThatCannotBeMadeIsReported) {
    SingleInstance busy(ini_, dir_.path());
    ASSERT_EQ(busy.Claim(300), Outcome::First);
    SingleInstance later(ini_, dir_.path());
    EXPECT_EQ(later.Claim(300), Outcome::NoAnswer);
    EXPECT_NE(later.Problem().find("no answer on the socket"), std::string::npos) << later.Problem();

    SingleInstance first("/srv/calc/quorva.ini", dir_.path());
    ASSERT_TRUE(std::filesystem::create_directories(first.SocketPath().toStdString() + "/in-the-way"));
    EXPECT_EQ(first.Claim(300), Outcome::First);
    EXPECT_EQ(first.Problem(),
              "cannot bind the socket " + first.SocketPath().toStdString() + ": Address already in use");
}

// Idle callers, and more than the cap (they push out the oldest), hold up no later start; none
// stays past the request time.
TEST_F(SingleInstanceTest, IdleCallersAreCappedAndDroppedInTime) {
    SingleInstance first(ini_, dir_.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    std::vector<int> idle;
    for (std::size_t i = 0; i < SingleInstance::kMaxCallers + 4; ++i) {
        idle.push_back(ConnectTo(first.SocketPath()));
        QTest::qWait(5);  // its queue holds only a few
    }
    EXPECT_EQ(LaterStart(ini_, dir_.path()), Outcome::ShownOther);
    const auto limit = SingleInstance::kRequestTime + std::chrono::milliseconds(1000);
    const auto dropped = [](int fd) {
        char c;
        return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;  // the end of the stream, not "nothing yet"
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::all_of(idle.begin(), idle.end(), dropped); },
                                static_cast<int>(limit.count())));
    for (const int fd : idle) ::close(fd);
}

// Out of file descriptors a caller waits, without the calculator spinning on it, and is
// answered once there are descriptors again.
TEST_F(SingleInstanceTest, WithoutFileDescriptorsACallerWaitsAndNothingSpins) {
    SingleInstance first(ini_, dir_.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const rlimit few{std::min<rlim_t>(old.rlim_cur, 512), old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const int caller = ConnectTo(first.SocketPath());
    ASSERT_EQ(::send(caller, "show\n", 5, MSG_NOSIGNAL), 5);
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
    const std::clock_t before = std::clock();
    QTest::qWait(1000);
    const double used = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    for (const int fd : fillers) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_LT(used, 0.5) << "seconds of CPU in one second without file descriptors";
    char answer[16] = {};
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::recv(caller, answer, sizeof answer - 1, MSG_DONTWAIT) > 0; }, 2000));
    EXPECT_STREQ(answer, "shown\n");
    ::close(caller);
}

TEST(QuitSignalsTest, EachSignalReachesTheHandlerOnTheEventLoop) {
    std::vector<int> got;
    WatchQuitSignals([&got](int signal) { got.push_back(signal); });
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(got.empty());  // not from inside the signal handler
    ::raise(SIGHUP);
    ::raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 3; }, 2000));
    EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGHUP, SIGINT}));
    WatchQuitSignals([](int) {});
}

}  // namespace
}  // namespace quorva::platform
