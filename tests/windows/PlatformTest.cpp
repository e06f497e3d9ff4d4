#include <QDir>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
    const struct {
        const char *qpa, *wayland, *session, *display, *chosen;
    } cases[] = {{nullptr, "wayland-0", "wayland", ":0", "xcb"}, {"", "wayland-0", nullptr, ":1", "xcb"},
                 {nullptr, nullptr, "wayland", ":0", "xcb"},     {"wayland", "wayland-0", "wayland", ":0", nullptr},
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

// The outline is every pixel not of the top-left colour, whatever the picture's format; the
// region is built in bands, rows with the same runs merged unless a row lies between them.
TEST(PlatformTest, SkinRegionFromPicturesAndRuns) {
    QImage image(5, 3, QImage::Format_RGB888);  // 24 bits, as skin bitmaps usually are
    image.fill(qRgb(255, 254, 183));
    image.setPixel(4, 2, qRgb(0, 0, 0));
    image.setPixel(1, 1, qRgb(255, 254, 182));  // one unit off
    EXPECT_EQ(SkinRegion(image), QRegion(1, 1, 1, 1) + QRegion(4, 2, 1, 1));
    image.fill(qRgb(1, 2, 3));
    EXPECT_TRUE(SkinRegion(image).isEmpty());
    EXPECT_TRUE(SkinRegion(QImage()).isEmpty());

    const std::vector<RegionRect> runs = {{0, 0, 3, 1}, {5, 0, 6, 1}, {1, 1, 4, 2},
                                          {1, 2, 4, 3}, {0, 3, 5, 4}, {0, 5, 5, 6}};
    QRegion expected;
    for (const RegionRect& r : runs) expected += QRect(r.left, r.top, r.right - r.left, 1);
    const QRegion region = RegionFromRuns(runs);
    EXPECT_EQ(region, expected);  // the same area in the same bands a union makes
    EXPECT_EQ(region.rectCount(), 5);
    EXPECT_TRUE(RegionFromRuns({}).isEmpty());
}

// Pictures past the limit are refused before they are read: the fault tests (fault.skins) load
// such pictures through the program.
TEST(PlatformTest, APictureFitsWithBothSidesWithinTheLimitAndSomePixels) {
    const struct { QSize size; bool fits; } cases[] = {
        {{800, 600}, true}, {{801, 600}, false}, {{800, 601}, false}, {{1, 1}, true}, {{0, 5}, false},
        {{100000, 100000}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureFits(c.size, {800, 600}), c.fits) << c.size.width() << "x" << c.size.height();
}

TEST(PlatformTest, TheCallersStartupIdGivesItsTimeAndEndsItsLaunchFeedback) {
    struct Row {
        const char* id;
        uint32_t time;
    };
    const Row rows[] = {
        {"gnome-shell-1234-host-quorva-3_TIME87654321", 87654321},
        {"launcher_TIME0", 0},
        {"_TIME4294967295", 4294967295u},
        {"_TIME4294967296", 0},   // beyond the 32 bits of an X time
        {"kde_TIME12x", 0},       // not a number to the end
        {"no-time-here", 0},
        {"a_TIME5-b_TIME6", 6},   // the last one counts
        {"_TIME", 0},
        {"", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(platform::StartupIdTime(row.id), row.time) << row.id;

    EXPECT_EQ(platform::StartupRemoveMessage("plain_TIME1"), "remove: ID=\"plain_TIME1\"");
    EXPECT_EQ(platform::StartupRemoveMessage(R"(a "b" \c)"), R"(remove: ID="a \"b\" \\c")");
}

using Outcome = SingleInstance::Outcome;

// A later start blocks as a second process would; here it is a second thread, so that this
// one can answer it.
Outcome LaterStart(const std::string& ini, const QString& folder, const quorva::instance::Request& request = {}) {
    std::atomic<int> outcome{-1};
    std::thread later([&] { outcome = static_cast<int>(SingleInstance(ini, folder).Claim(request, 3000)); });
    const bool answered = QTest::qWaitFor([&] { return outcome != -1; }, 5000);
    later.join();
    return answered ? static_cast<Outcome>(outcome.load()) : Outcome::Unguarded;  // hung: no outcome of its own
}

TEST(SingleInstanceTest, ALaterStartShowsTheRunningOneWhateverWasLeftBehind) {
    QTemporaryDir dir;
    const std::string ini = "/home/someone/.config/quorva/quorva.ini";
    auto first = std::make_unique<SingleInstance>(ini, dir.path());
    // A lock file and a socket left by a program that died stand in nobody's way.
    QFile lock(first->LockPath()), socketFile(first->SocketPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly) && socketFile.open(QIODevice::WriteOnly));
    lock.write("99999999\nquorva\nhost\n");
    lock.close();
    socketFile.close();
    std::vector<quorva::instance::Request> requests;
    first->onRequest = [&requests](const quorva::instance::Request& r) { requests.push_back(r); };
    ASSERT_EQ(first->Claim(300), Outcome::First);

    // A caller that connects and says nothing does not keep the next one from being answered.
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(first->SocketPath()).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(LaterStart(ini, dir.path()), Outcome::ShownOther);
    ::close(silent);
    // Each request reaches the running one with the caller's tokens, and is answered.
    using quorva::instance::Verb;
    EXPECT_EQ(LaterStart(ini, dir.path(), {Verb::Toggle, "launcher_TIME42", "wl-token"}), Outcome::ShownOther);
    EXPECT_EQ(LaterStart(ini, dir.path(), {Verb::Quit, {}, {}}), Outcome::ShownOther);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].verb, Verb::Show);
    EXPECT_EQ(requests[1].verb, Verb::Toggle);
    EXPECT_EQ(requests[1].startupId, "launcher_TIME42");
    EXPECT_EQ(requests[1].activationToken, "wl-token");
    EXPECT_EQ(requests[2].verb, Verb::Quit);
    EXPECT_TRUE(requests[2].startupId.empty());

    EXPECT_EQ(SingleInstance("/tmp/portable/quorva.ini", dir.path()).Claim(), Outcome::First);
    first.reset();
    EXPECT_EQ(SingleInstance(ini, dir.path()).Claim(), Outcome::First);
}

TEST(SingleInstanceTest, AHeldLockThatNobodyAnswersForIsReported) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    QLockFile held(SingleInstance(ini, dir.path()).LockPath());
    ASSERT_TRUE(held.tryLock(0));
    EXPECT_EQ(SingleInstance(ini, dir.path()).Claim(300), Outcome::NoAnswer);
}

// The lock is ours but the socket cannot be made: the calculator runs, and says why later
// starts will not find it.
TEST(SingleInstanceTest, ASocketThatCannotBeMadeIsReportedAndTheCalculatorRuns) {
    QTemporaryDir dir;
    SingleInstance first("/srv/calc/quorva.ini", dir.path());
    ASSERT_TRUE(QDir().mkpath(first.SocketPath() + "/in-the-way"));
    EXPECT_EQ(first.Claim(300), Outcome::First);
    EXPECT_EQ(first.Problem(), "cannot bind the socket " + first.SocketPath().toStdString() + ": Address already in use");
}

TEST(SingleInstanceTest, TheSameFileByAnotherPathIsTheSameCalculator) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("real"));
    ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
    const auto lockOf = [&](const char* ini) {
        return SingleInstance(dir.filePath(ini).toStdString(), dir.filePath("locks")).LockPath();
    };
    EXPECT_EQ(lockOf("real/new/quorva.ini"), lockOf("link/../link/new/quorva.ini"));  // not made yet
    EXPECT_NE(lockOf("real/quorva.ini"), lockOf("quorva.ini"));
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

// Idle callers take no more than kMaxCallers places, the oldest going first, and none keeps
// its place past kRequestTime; a later start is answered all along.
TEST(SingleInstanceTest, IdleCallersAreCappedAndDroppedInTime) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    SingleInstance first(ini, dir.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    std::vector<int> idle;
    for (std::size_t i = 0; i < SingleInstance::kMaxCallers + 4; ++i) {
        idle.push_back(ConnectTo(first.SocketPath()));
        QTest::qWait(5);  // taken one by one, in this order
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Dropped(idle[3]); }, 2000));
    for (std::size_t i = 0; i < idle.size(); ++i) EXPECT_EQ(Dropped(idle[i]), i < 4) << i;
    EXPECT_EQ(LaterStart(ini, dir.path()), Outcome::ShownOther);
    const auto limit = SingleInstance::kRequestTime + std::chrono::milliseconds(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Dropped(idle.back()); }, static_cast<int>(limit.count())));
    for (const int fd : idle) ::close(fd);
}

double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Out of file descriptors, a waiting caller is not accepted, and nor does the calculator spin
// on it: it is answered once there are descriptors again.
TEST(SingleInstanceTest, WithoutFileDescriptorsACallerWaitsAndNothingSpins) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    SingleInstance first(ini, dir.path());
    ASSERT_EQ(first.Claim(300), Outcome::First);
    ASSERT_EQ(LaterStart(ini, dir.path()), Outcome::ShownOther);  // one answered first, as usual
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
