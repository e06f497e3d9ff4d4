#include <QImage>

#include <gtest/gtest.h>

#include <vector>

#include "Activation.h"
#include "Screens.h"
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

// Every pixel not of the top-left colour, whatever the format; adjacent equal rows make one band.
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

TEST(PlatformTest, TheCallersStartupIdGivesItsTimeAndEndsItsLaunchFeedback) {
    const struct { const char* id; uint32_t time; } rows[] = {
        {"gnome-shell-1234-host-quorva-3_TIME87654321", 87654321}, {"launcher_TIME0", 0},
        {"_TIME4294967295", 4294967295u}, {"_TIME4294967296", 0},  // beyond the 32 bits of an X time
        {"kde_TIME12x", 0}, {"no-time-here", 0}, {"a_TIME5-b_TIME6", 6}, {"_TIME", 0}, {"", 0}};
    for (const auto& row : rows) EXPECT_EQ(StartupIdTime(row.id), row.time) << row.id;
    EXPECT_EQ(StartupRemoveMessage(R"(a "b" \c)"), R"(remove: ID="a \"b\" \\c")");
}

}  // namespace
}  // namespace quorva::platform
