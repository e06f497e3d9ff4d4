#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <ostream>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "Platform.h"
#include "QuitSignals.h"
#include "SingleInstance.h"

namespace quorva::platform {
namespace {

struct SessionCase {
    const char* qpa;
    const char* wayland;
    const char* session;
    const char* display;
    const char* chosen;
};

void PrintTo(const SessionCase& c, std::ostream* os) {
    const auto show = [](const char* v) { return v ? v : "unset"; };
    *os << show(c.qpa) << "/" << show(c.wayland) << "/" << show(c.session) << "/" << show(c.display);
}

class PlatformForSessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(PlatformForSessionTest, UsesXWaylandOnlyWhenTheUserChoseNothing) {
    const SessionCase& c = GetParam();
    const char* got = PlatformForSession(c.qpa, c.wayland, c.session, c.display);
    if (c.chosen == nullptr) {
        EXPECT_EQ(got, nullptr);
    } else {
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, c.chosen);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlatformForSessionTest,
    ::testing::Values(SessionCase{nullptr, "wayland-0", "wayland", ":0", "xcb"},
                      SessionCase{"", "wayland-0", nullptr, ":1", "xcb"},
                      SessionCase{nullptr, nullptr, "wayland", ":0", "xcb"},
                      SessionCase{"wayland", "wayland-0", "wayland", ":0", nullptr},
                      SessionCase{"offscreen", nullptr, nullptr, nullptr, nullptr},
                      SessionCase{nullptr, "wayland-0", "wayland", nullptr, nullptr},  // no XWayland
                      SessionCase{nullptr, nullptr, "x11", ":0", nullptr},
                      SessionCase{nullptr, nullptr, nullptr, ":0", nullptr}));

struct ScreenCase {
    const char* what;
    QRect window;
    QList<QRect> screens;
    QPoint expected;
};

void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.what; }

class PullOntoScreenTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(PullOntoScreenTest, KeepsOrBringsBack) {
    const ScreenCase& c = GetParam();
    EXPECT_EQ(PullOntoScreen(c.window, c.screens), c.expected) << c.what;
}

const QRect kLeft(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1280, 1024);

INSTANTIATE_TEST_SUITE_P(
    Table, PullOntoScreenTest,
    ::testing::Values(
        ScreenCase{"inside", QRect(100, 80, 262, 188), {kLeft}, QPoint(100, 80)},
        ScreenCase{"partly off the left edge", QRect(-200, 80, 262, 188), {kLeft}, QPoint(-200, 80)},
        ScreenCase{"only a sliver left", QRect(-250, 80, 262, 188), {kLeft}, QPoint(0, 80)},
        ScreenCase{"on the second screen", QRect(2500, 300, 262, 188), {kLeft, kRight},
                   QPoint(2500, 300)},
        ScreenCase{"second screen gone", QRect(2500, 300, 262, 188), {kLeft}, QPoint(1658, 300)},
        ScreenCase{"far below", QRect(100, 5000, 262, 188), {kLeft, kRight}, QPoint(100, 892)},
        ScreenCase{"far below the right one", QRect(3000, 5000, 262, 188), {kLeft, kRight},
                   QPoint(2938, 836)},
        ScreenCase{"no screens", QRect(-9000, 0, 262, 188), {}, QPoint(-9000, 0)}));

QImage Picture(int w, int h, QRgb fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

const QRgb kTransparent = qRgb(255, 254, 183);

TEST(SkinRegionTest, CutsEveryPixelOfTheTopLeftColour) {
    QImage image = Picture(10, 4, kTransparent);
    for (int x = 2; x < 10; ++x) image.setPixel(x, 1, qRgb(0, 0, 0));  // run to the right edge
    image.setPixel(3, 2, qRgb(255, 254, 182));                         // one unit off
    image.setPixel(5, 2, qRgb(10, 10, 10));
    const QRegion region = SkinRegion(image);
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(1, 1)));
    EXPECT_TRUE(region.contains(QPoint(2, 1)));
    EXPECT_TRUE(region.contains(QPoint(9, 1)));
    EXPECT_TRUE(region.contains(QPoint(3, 2)));
    EXPECT_FALSE(region.contains(QPoint(4, 2)));
    EXPECT_TRUE(region.contains(QPoint(5, 2)));
    EXPECT_FALSE(region.contains(QPoint(2, 3)));
    EXPECT_EQ(region.rectCount(), 3);
    EXPECT_EQ(region.boundingRect(), QRect(2, 1, 8, 2));
}

TEST(SkinRegionTest, OneColourPictureHasNoRegion) {
    EXPECT_TRUE(SkinRegion(Picture(8, 8, qRgb(1, 2, 3))).isEmpty());
    EXPECT_TRUE(SkinRegion(QImage()).isEmpty());
}

TEST(SkinRegionTest, ReadsPicturesOfAnyFormat) {
    // A 24-bit picture, as skin bitmaps usually are.
    QImage image(5, 3, QImage::Format_RGB888);
    image.fill(kTransparent);
    image.setPixel(4, 2, qRgb(0, 0, 0));
    const QRegion region = SkinRegion(image);
    EXPECT_EQ(region, QRegion(4, 2, 1, 1));
}

bool SameArea(const QRegion& a, const QRegion& b) { return a.xored(b).isEmpty(); }

// Pictures are read by the reader their suffix names; a file whose suffix lies, or one of
// another format, is still read, and a missing one gives nothing.
TEST(LoadPictureTest, ReadsByTheSuffixAndStillReadsWhatTheSuffixDoesNotSay) {
    QTemporaryDir dir;
    const QImage picture = Picture(6, 3, qRgb(10, 200, 30));
    const struct {
        const char* file;
        const char* format;  // what is written; nullptr: nothing
    } cases[] = {
        {"skin.png", "PNG"}, {"skin.bmp", "BMP"}, {"skin.BMP", "BMP"},
        {"png-named.bmp", "PNG"}, {"skin.ppm", "PPM"}, {"missing.png", nullptr},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        if (c.format != nullptr) {
            ASSERT_TRUE(picture.save(path, c.format)) << c.file;
        }
        const QImage read = LoadPicture(path);
        if (c.format == nullptr) {
            EXPECT_TRUE(read.isNull()) << c.file;
        } else {
            EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), picture) << c.file;
        }
    }
}

TEST(RegionFromRunsTest, SameAreaAsTheRunsInFewBands) {
    const std::vector<RegionRect> runs = {
        {0, 0, 3, 1}, {5, 0, 6, 1},  // two runs
        {1, 1, 4, 2}, {1, 2, 4, 3},  // rows alike: one band
        {1, 3, 5, 4},                // wider: a new band
        {0, 5, 1, 6},                // after an empty row
    };
    QRegion expected;
    for (const RegionRect& r : runs) expected += QRect(r.left, r.top, r.right - r.left, 1);
    const QRegion region = RegionFromRuns(runs);
    EXPECT_TRUE(SameArea(region, expected));
    EXPECT_EQ(region.rectCount(), 5);
    EXPECT_EQ(region, expected);  // the same bands a union makes
    EXPECT_TRUE(RegionFromRuns({}).isEmpty());
}

TEST(RegionFromRunsTest, EqualRowsAcrossAGapStaySeparate) {
    const std::vector<RegionRect> runs = {{2, 0, 4, 1}, {2, 2, 4, 3}};
    const QRegion region = RegionFromRuns(runs);
    EXPECT_FALSE(region.contains(QPoint(2, 1)));
    EXPECT_EQ(region.rectCount(), 2);
}

TEST(TopmostTest, TogglesWithoutMovingTheWindow) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.resize(50, 40);
    w.move(120, 90);
    w.show();
    for (bool on : {true, false, true}) {
        SetTopmost(w, on);
        EXPECT_EQ(IsTopmost(w), on);
        EXPECT_EQ(w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.pos(), QPoint(120, 90));
        EXPECT_EQ(w.size(), QSize(50, 40));
    }
}

TEST(TopmostTest, BeforeTheWindowExists) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.move(30, 40);
    SetTopmost(w, true);
    EXPECT_TRUE(IsTopmost(w));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.pos(), QPoint(30, 40));
}

TEST(WindowDragTest, OwnMoveKeepsTheGrabPoint) {
    // The offscreen platform has no system move: the fallback is what runs.
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.resize(40, 40);
    w.move(100, 100);
    w.show();
    WindowDrag drag;
    drag.Begin(w, QPoint(110, 105), Qt::RightButton);
    EXPECT_EQ(drag.Started(), 1);
    ASSERT_TRUE(drag.Following());
    EXPECT_TRUE(drag.Follow(QPoint(160, 125)));
    EXPECT_EQ(w.pos(), QPoint(150, 120));
    EXPECT_FALSE(drag.Follow(QPoint(160, 125)));
    drag.End();
    EXPECT_FALSE(drag.Follow(QPoint(300, 300)));
    EXPECT_EQ(w.pos(), QPoint(150, 120));
}

using Outcome = SingleInstance::Outcome;

TEST(SingleInstanceTest, ALaterStartShowsTheRunningOneAndRunsOnlyAfterItEnded) {
    QTemporaryDir dir;
    const std::string ini = "/home/someone/.config/quorva/quorva.ini";
    auto first = std::make_unique<SingleInstance>(ini, dir.path());
    int shown = 0;
    first->onShowRequest = [&shown] { ++shown; };
    ASSERT_EQ(first->Claim(), Outcome::First);

    // The later start blocks as a second process would; here it is a second thread, so that
    // this one can answer it.
    std::atomic<int> outcome{-1};
    std::thread later([&] {
        SingleInstance second(ini, dir.path());
        outcome = static_cast<int>(second.Claim(3000));
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome != -1; }, 5000));
    later.join();
    EXPECT_EQ(outcome, static_cast<int>(Outcome::ShownOther));
    EXPECT_EQ(shown, 1);

    // Another settings file is another calculator.
    SingleInstance elsewhere("/tmp/portable/quorva.ini", dir.path());
    EXPECT_EQ(elsewhere.Claim(), Outcome::First);

    first.reset();
    SingleInstance next(ini, dir.path());
    EXPECT_EQ(next.Claim(), Outcome::First);
}

TEST(SingleInstanceTest, AHeldLockThatNobodyAnswersForIsReportedInTime) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    QLockFile held(SingleInstance(ini, dir.path()).LockPath());
    ASSERT_TRUE(held.tryLock(0));
    SingleInstance second(ini, dir.path());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(second.Claim(300), Outcome::NoAnswer);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(SingleInstanceTest, TheLockOfAProgramThatDiedIsTakenOver) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    SingleInstance probe(ini, dir.path());
    QFile lock(probe.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    // pid, program, host: a process number far above any pid_max
    lock.write(QByteArray("99999999\n") + QCoreApplication::applicationName().toUtf8() + "\n" +
               QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    EXPECT_EQ(probe.Claim(300), Outcome::First);
}

TEST(SingleInstanceTest, ASocketLeftByAProgramThatDiedAndASilentCallerStandInNobodysWay) {
    QTemporaryDir dir;
    const std::string ini = "/srv/calc/quorva.ini";
    SingleInstance first(ini, dir.path());
    QFile leftover(first.SocketPath());
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    int shown = 0;
    first.onShowRequest = [&shown] { ++shown; };
    ASSERT_EQ(first.Claim(), Outcome::First);

    // A caller that connects and says nothing does not keep the next one from being answered.
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(first.SocketPath()).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    std::atomic<int> outcome{-1};
    std::thread later([&] { outcome = static_cast<int>(SingleInstance(ini, dir.path()).Claim(3000)); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome != -1; }, 5000));
    later.join();
    ::close(silent);
    EXPECT_EQ(outcome, static_cast<int>(Outcome::ShownOther));
    EXPECT_EQ(shown, 1);
}

TEST(SingleInstanceTest, TheSameFileByAnotherPathIsTheSameCalculator) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("real"));
    ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
    const QString locks = dir.filePath("locks");
    const auto lockOf = [&](const QString& ini) { return SingleInstance(ini.toStdString(), locks).LockPath(); };
    EXPECT_EQ(lockOf(dir.filePath("real/quorva.ini")), lockOf(dir.filePath("link/quorva.ini")));
    EXPECT_EQ(lockOf(dir.filePath("real/quorva.ini")), lockOf(dir.filePath("real/../real/quorva.ini")));
    EXPECT_NE(lockOf(dir.filePath("real/quorva.ini")), lockOf(dir.filePath("quorva.ini")));
    // A folder that does not exist yet, reached through the link.
    EXPECT_EQ(lockOf(dir.filePath("real/new/quorva.ini")), lockOf(dir.filePath("link/new/quorva.ini")));
}

TEST(QuitSignalsTest, EachSignalReachesTheHandlerOnTheEventLoop) {
    std::vector<int> got;
    WatchQuitSignals([&got](int signal) { got.push_back(signal); });
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(got.empty());  // not from inside the signal handler
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 1; }, 2000));
    ::raise(SIGHUP);
    ::raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 3; }, 2000));
    EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGHUP, SIGINT}));
    WatchQuitSignals([](int) {});
}

}  // namespace
}  // namespace quorva::platform
