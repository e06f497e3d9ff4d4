// What the desktop script cannot see, on Qt's offscreen platform unless QT_QPA_PLATFORM says
// otherwise: the large stack list kept up to date with 300 items, the calculator's paint after
// a key and of the whole window, and the window shape of the built-in skin built and applied.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>

#include "Program.h"
#include "Window.h"
#include "frmLargeStack.h"
#include "frmQuorva.h"

using namespace quorva;

namespace {

void TypeKey(Calculator& calc, int16_t code, int16_t ch) {
    calc.KeyDown(code, 0);
    if (ch != 0) calc.CharacterTyped(ch);
}

struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
    int64_t count = 0;
};

// A program whose settings stay in a folder of their own, with the large stack window shown
// and 299 items on the stack.
struct LargeStackAt299 {
    QTemporaryDir folder;
    Program program{StartOptions{folder.path().toStdString(), {}}};
    frmLargeStack* window = nullptr;

    LargeStackAt299() {
        program.ToggleLargeStackWindow();
        window = program.LargeStackWindow();
        QCoreApplication::processEvents();  // shown and exposed, so a repaint paints
        Calculator& calc = program.Calc();
        for (int i = 0; i < 299; ++i) calc.Stack().Push(kKindDecimal, 1.0 / (i + 3));
        calc.Redraw();
    }
};

// Enter duplicates the top (300 rows: every level number moves, so every row changes) and
// Delete drops it again: two refreshes of the list per iteration. With paint, the list's
// viewport is painted after each, as the event loop would.
void BM_LargeStackEnterDeleteAt299(benchmark::State& state) {
    LargeStackAt299 s;
    const bool paint = state.range(0) != 0;
    Calculator& calc = s.program.Calc();
    QWidget* viewport = s.window->lstLargeStack->viewport();
    PaintCounter painted(viewport);
    for (auto _ : state) {
        TypeKey(calc, kKeyEnter, 13);
        if (paint) viewport->repaint();
        TypeKey(calc, kKeyDelete, 0);
        if (paint) viewport->repaint();
    }
    if (s.window->Rows().rowCount() != 299 || s.window->SelectedRow() != 298)
        state.SkipWithError("the list does not follow the stack");
    if (paint && painted.count < state.iterations()) state.SkipWithError("the list was not painted");
    state.counters["refreshes"] =
        benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LargeStackEnterDeleteAt299)->ArgName("paint")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The calculator itself, shown, with six long items.
struct MainWindowWithSixItems {
    QTemporaryDir folder;
    Program program{StartOptions{folder.path().toStdString(), {}}};
    frmQuorva* window = nullptr;

    MainWindowWithSixItems() {
        program.endProgram = [] {};
        program.trayHostAvailable = [] { return false; };
        program.Main();
        window = &program.MainWindow();
        window->show();
        // Painted only once the server has shown it.
        for (QDeadlineTimer shown(2000); !window->windowHandle()->isExposed() && !shown.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        Calculator& calc = program.Calc();
        for (int i = 0; i < 6; ++i) calc.Stack().Push(kKindDecimal, 1.0 / (i + 3));
        calc.Redraw();
        QCoreApplication::processEvents();
    }
};

// Enter and Delete, each painted as the event loop would after a key: the displays paint the
// part of the skin picture they lie on, so the picture itself is not painted again.
void BM_MainWindowEnterDelete(benchmark::State& state) {
    MainWindowWithSixItems s;
    Calculator& calc = s.program.Calc();
    PaintCounter painted(s.window->lblStackDisplay);
    PaintCounter picture(s.window->imgSkin);
    for (auto _ : state) {
        TypeKey(calc, kKeyEnter, 13);
        QCoreApplication::processEvents();
        TypeKey(calc, kKeyDelete, 0);
        QCoreApplication::processEvents();
    }
    if (calc.Stack().StackCount() != 6) state.SkipWithError("the keys did not reach the stack");
    if (painted.count < 2 * state.iterations()) state.SkipWithError("the stack was not painted");
    if (picture.count != 0) state.SkipWithError("the skin picture was painted again under the displays");
}
BENCHMARK(BM_MainWindowEnterDelete)->Unit(benchmark::kMicrosecond);

// The whole window painted, as when it is shown again from the notification area: the skin
// picture around the displays, and the displays on their part of it.
void BM_MainWindowWholePaint(benchmark::State& state) {
    MainWindowWithSixItems s;
    PaintCounter picture(s.window->imgSkin);
    for (auto _ : state) {
        for (QLabel* w : {s.window->imgSkin, static_cast<QLabel*>(s.window->lblStackDisplay),
                          static_cast<QLabel*>(s.window->lblEntryDisplay)})
            w->update();
        QCoreApplication::processEvents();
    }
    if (picture.count < state.iterations()) state.SkipWithError("the skin picture was not painted");
}
BENCHMARK(BM_MainWindowWholePaint)->Unit(benchmark::kMicrosecond);

// The skin picture's outline: runs of opaque pixels, their region, the region as the mask of
// a shown window (what a skin change does once).
void BM_SkinShape(benchmark::State& state) {
    const QImage picture = Program::DefaultSkinPicture();
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(picture.size());
    window.show();
    QCoreApplication::processEvents();
    int rects = 0;
    for (auto _ : state) {
        window.clearMask();
        const QRegion region = platform::SkinRegion(picture);
        window.setMask(region);
        rects = region.rectCount();
    }
    state.counters["rects"] = rects;
    if (rects == 0) state.SkipWithError("no outline");
}
BENCHMARK(BM_SkinShape)->Unit(benchmark::kMicrosecond);

// The same split: the region from ready runs, and the mask from a ready region.
void BM_SkinShapeSteps(benchmark::State& state) {
    const QImage picture = Program::DefaultSkinPicture().convertToFormat(QImage::Format_RGB32);
    const std::vector<RegionRect> runs =
        MakeSkinRegionRuns(picture.width(), picture.height(), reinterpret_cast<const uint32_t*>(picture.constBits()));
    const QRegion ready = platform::RegionFromRuns(runs);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(picture.size());
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            benchmark::DoNotOptimize(platform::RegionFromRuns(runs));
        } else {
            window.clearMask();
            window.setMask(ready);
        }
    }
    state.SetLabel(state.range(0) == 0 ? "runs to region" : "region to mask");
}
BENCHMARK(BM_SkinShapeSteps)->ArgName("mask")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // No display needed: the offscreen platform still lays out and paints; it keeps a mask in
    // the widget but has no window system to give it to (QT_QPA_PLATFORM=xcb includes that).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        // What the offscreen platform cannot do, it says at every call.
        if (!text.contains(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s%s\n", type >= QtWarningMsg ? "qt: " : "", qPrintable(text));
    });
    QApplication app(argc, argv);
    std::printf("Qt platform: %s\n", qPrintable(QGuiApplication::platformName()));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
