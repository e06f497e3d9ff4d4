#include <QDir>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "Activation.h"
#include "Pictures.h"
#include "QuitSignals.h"
#include "Screens.h"
#include "SingleInstance.h"
#include "Window.h"

namespace quorva::platform {
namespace {

TEST(PlatformTest, WaylandSessionsRunThroughXWaylandOnlyWhenTheUserChoseNothing) {
    const struct { const char *qpa, *wayland, *session, *display, *chosen; } cases[] = {
        {nullptr, "wayland-0", "wayland", ":0", "xcb"}, {"", "wayland-0", nullptr, ":1", "xcb"},
        {nullptr, nullptr, "wayland", ":0", "xcb"}, {"wayland", "wayland-0", "wayland", ":0", nullptr},
        {"offscreen", nullptr, nullptr, nullptr, nullptr},
        {nullptr, "wayland-0", "wayland", nullptr, nullptr},  // no XWayland
        {nullptr, nullptr, "x11", ":0", nullptr}};
    for (const auto& c : cases) {
        const char* got = PlatformForSession(c.qpa, c.wayland, c.session, c.display);
        EXPECT_STREQ(got ? got : "none", c.chosen ? c.chosen : "none") << &c - cases;
    }
}

TEST(PlatformTest, TheCompositingSelectionIsTheOneOfTheDisplaysScreen) {
    const struct { const char* display; int screen; } cases[] = {
        {":0", 0}, {":1.2", 2}, {"host:10.1", 1}, {"host.example:0", 0}, {"[::1]:3.4", 4},
        {"unix/:0.7", 7}, {"", 0}, {nullptr, 0}, {":0.", 0}, {"a.b", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ScreenOfDisplay(c.display), c.screen) << (c.display ? c.display : "unset");
}

TEST(PlatformTest, AWindowOffEveryScreenIsPulledOntoTheNearest) {
    const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024), calc(0, 0, 262, 188);
    const struct { const char* what; QPoint at; QList<QRect> screens; QPoint expected; } cases[] = {
        {"partly off the left edge", {-200, 80}, {left}, {-200, 80}},
        {"only a sliver left", {-250, 80}, {left}, {0, 80}},
        {"on the second screen", {2500, 300}, {left, right}, {2500, 300}},
        {"second screen gone", {2500, 300}, {left}, {1658, 300}},
        {"far below the right one", {3000, 5000}, {left, right}, {2938, 836}},
        {"no screens", {-9000, 0}, {}, {-9000, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(PullOntoScreen(calc.translated(c.at), c.screens), c.expected) << c.what;
}

// Every pixel not of the top-left colour, whatever the format; rows with the same runs are
// merged into one band unless a row lies between them.
TEST(PlatformTest, SkinRegionFromPicturesAndRuns) {
    QImage image(5, 3, QImage::Format_RGB888);  // 24 bits, as skin bitmaps usually are
    image.fill(qRgb(255, 254, 183));
    image.setPixel(4, 2, qRgb(0, 0, 0));
    image.setPixel(1, 1, qRgb(255, 254, 182));  // one unit off
    EXPECT_EQ(SkinRegion(image), QRegion(1, 1, 1, 1) + QRegion(4, 2, 1, 1));
    EXPECT_TRUE(SkinRegion(QImage()).isEmpty());

    const std::vector<RegionRect> runs = {{0, 0, 3, 1}, {5, 0, 6, 1}, {1, 1, 4, 2},
                                          {1, 2, 4, 3}, {0, 3, 5, 4}, {0, 5, 5, 6}};
    QRegion expected;
    for (const RegionRect& r : runs) expected += QRect(r.left, r.top, r.right - r.left, 1);
    EXPECT_EQ(RegionFromRuns(runs), expected);
    EXPECT_EQ(RegionFromRuns(runs).rectCount(), 5);
}

// Refused before they are read; fault.skins loads such pictures through the program.
TEST(PlatformTest, APictureFitsWithBothSidesWithinTheLimitAndSomePixels) {
    const struct { QSize size; bool fits; } cases[] = {{{800, 600}, true}, {{801, 600}, false},
        {{800, 601}, false}, {{1, 1}, true}, {{0, 5}, false}, {{100000, 100000}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureFits(c.size, {800, 600}), c.fits) << c.size.width() << "x" << c.size.height();
}

TEST(PlatformTest, TheCallersStartupIdGivesItsTimeAndEndsItsLaunchFeedback) {
    const struct { const char* id; uint32_t time; } rows[] = {
        {"gnome-shell-1234-host-quorva-3_TIME87654321", 87654321}, {"launcher_TIME0", 0},
        {"_TIME4294967295", 4294967295u}, {"_TIME4294967296", 0},  // beyond the 32 bits of an X time
        {"kde_TIME12x", 0}, {"no-time-here", 0}, {"a_TIME5-b_TIME6", 6}, {"_TIME", 0}, {"", 0}};
    for (const auto& row : rows) EXPECT_EQ(StartupIdTime(row.id), row.time) << row.id;
    EXPECT_EQ(StartupRemoveMessage(R"(a "b" \c)"), R"(remove: ID="a \"b\" \\c")");
}

using Outcome = SingleInstance::Outcome;
using quorva::instance::Request;
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
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// Closed by the other end: a read finds the end of the stream, not "nothing yet".
bool Dropped(int fd) {
    char c;
    return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    const std::string ini_ = "/home/someone/.config/quorva/quorva.ini";
};

TEST_F(SingleInstanceTest, ALaterStartShowsTheRunningOneWhateverWasLeftBehind) {
    auto first = std::make_unique<SingleInstance>(ini_, dir_.path());
    // The lock file and the socket of a program that died stand in nobody's way.
    QFile lock(first->LockPath()), socketFile(first->SocketPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly) && socketFile.open(QIODevice::WriteOnly));
    lock.write("99999999\nquorva\nhost\n");
    lock.close();
    socketFile.close();
    std::vector<Request> requests;
    first->onRequest = [&requests](const Request& r) { requests.push_back(r); };
    ASSERT_EQ(first->Claim(300), Outcome::First);

    const int silent = ConnectTo(first->SocketPath());  // holds up nobody
    EXPECT_EQ(LaterStart("/home/someone/.config/quorva/../quorva/quorva.ini", dir_.path()), Outcome::ShownOther);
    ::close(silent);
    EXPECT_EQ(LaterStart(ini_, dir_.path(), {Verb::Toggle, "launcher_TIME42", "wl-token"}), Outcome::ShownOther);
    EXPECT_EQ(LaterStart(ini_, dir_.path(), {Verb::Quit, {}, {}}), Outcome::ShownOther);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].verb, Verb::Show);
    EXPECT_EQ(requests[1].verb, Verb::Toggle);
    EXPECT_EQ(requests[1].startupId, "launcher_TIME42");
    EXPECT_EQ(requests[1].activationToken, "wl-token");
    EXPECT_EQ(requests[2].verb, Verb::Quit);

    EXPECT_EQ(SingleInstance("/tmp/portable/quorva.ini", dir_.path()).Claim(), Outcome::First);
    first.reset();
    EXPECT_EQ(SingleInstance(ini_, dir_.path()).Claim(), Outcome::First);
}

TEST_F(SingleInstanceTest, AHeldLockWithoutAnAnswerOrASocketThatCannotBeMadeIsReported) {
    QLockFile held(SingleInstance(ini_, dir_.path()).LockPath());
    ASSERT_TRUE(held.tryLock(0));
    EXPECT_EQ(SingleInstance(ini_, dir_.path()).Claim(300), Outcome::NoAnswer);

    // The lock is ours but the socket cannot be made: the calculator runs all the same.
    SingleInstance first("/srv/calc/quorva.ini", dir_.path());
    ASSERT_TRUE(QDir().mkpath(first.SocketPath() + "/in-the-way"));
    EXPECT_EQ(first.Claim(300), Outcome::First);
    EXPECT_EQ(first.Problem(),
              "cannot bind the socket " + first.SocketPath().toStdString() + ": Address already in use");
}

// At most kMaxCallers idle callers, the oldest going first, none past kRequestTime; a later
// start is answered all along.
TEST_F(SingleInstanceTest, IdleCallersAreCappedAndDroppedInTime) {
    SingleInstance first(ini_, dir_.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    std::vector<int> idle;
    for (std::size_t i = 0; i < SingleInstance::kMaxCallers + 4; ++i) {
        idle.push_back(ConnectTo(first.SocketPath()));
        QTest::qWait(5);  // taken one by one, in this order
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Dropped(idle[3]); }, 2000));
    for (std::size_t i = 0; i < idle.size(); ++i) EXPECT_EQ(Dropped(idle[i]), i < 4) << i;
    EXPECT_EQ(LaterStart(ini_, dir_.path()), Outcome::ShownOther);
    const auto limit = SingleInstance::kRequestTime + std::chrono::milliseconds(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Dropped(idle.back()); }, static_cast<int>(limit.count())));
    for (const int fd : idle) ::close(fd);
}

double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Out of file descriptors a caller waits, without the calculator spinning on it, and is
// answered once there are descriptors again.
TEST_F(SingleInstanceTest, WithoutFileDescriptorsACallerWaitsAndNothingSpins) {
    SingleInstance first(ini_, dir_.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit few = old;
    few.rlim_cur = std::min<rlim_t>(old.rlim_cur, 512);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const int caller = ConnectTo(first.SocketPath());
    ASSERT_EQ(::send(caller, "show\n", 5, MSG_NOSIGNAL), 5);
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
    const double before = CpuSeconds();
    QTest::qWait(1000);
    const double used = CpuSeconds() - before;
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
