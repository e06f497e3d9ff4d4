// The window-shape runs of a skin-sized picture, and the settings file written.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Calculator.h"
#include "Settings.h"
#include "SkinRegion.h"
#include "FakeHost.h"

namespace {

using namespace quorva;

constexpr int kW = 262, kH = 188;
constexpr uint32_t kKey = 0x00B7FEFF;      // red 255, green 254, blue 183
constexpr uint32_t kNearKey = 0x00B7FEFE;  // one unit of red below: opaque

// A skin-like outline: rounded corners of radius 24, a rim one unit off the key colour, a face,
// and three holes cut through it.
std::vector<uint32_t> SkinGrid() {
    std::vector<uint32_t> px(kW * kH, kKey);
    const int r = 24;
    auto inside = [&](int x, int y, int inset) {
        const int l = inset, t = inset, rr = kW - 1 - inset, b = kH - 1 - inset, rad = r - inset;
        if (x < l || x > rr || y < t || y > b) return false;
        const int cx = x < l + rad ? l + rad : (x > rr - rad ? rr - rad : x);
        const int cy = y < t + rad ? t + rad : (y > b - rad ? b - rad : y);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad;
    };
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (inside(x, y, 2)) {
                px[y * kW + x] = 0x00303030 + static_cast<uint32_t>((x ^ y) & 0x0F);
            } else if (inside(x, y, 0)) {
                px[y * kW + x] = kNearKey;
            }
        }
    }
    const int holes[][4] = {{40, 20, 60, 30}, {120, 90, 124, 170}, {200, 150, 240, 160}};
    for (const auto& h : holes) {
        for (int y = h[1]; y < h[3]; ++y) {
            for (int x = h[0]; x < h[2]; ++x) px[y * kW + x] = kKey;
        }
    }
    return px;
}

void BM_SkinRegionRuns(benchmark::State& state) {
    const std::vector<uint32_t> px = SkinGrid();
    std::size_t runs = 0;
    for (auto _ : state) {
        auto r = MakeSkinRegionRuns(kW, kH, px.data());
        runs = r.size();
        benchmark::DoNotOptimize(r.data());
    }
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["pixels"] = kW * kH;
}
BENCHMARK(BM_SkinRegionRuns)->Unit(benchmark::kMicrosecond);

class StillWindow : public SettingsTarget {
public:
    void SetMainWindowLeft(double) override {}
    void SetMainWindowTop(double) override {}
    double MainWindowLeft() const override { return 523; }
    double MainWindowTop() const override { return -12; }
    void SetOnTop() override {}
    void SetNotOnTop() override {}
    void SetTransparency(uint8_t) override {}
    void SetFunctionsWindowShown(bool) override {}
};

struct Program {
    test::FakeHost host;
    OptionsModel options;
    Calculator calc{host, options};
    Skin skin;
    StillWindow window;
    SettingsContext ctx{options, calc, skin, window};
};

void BM_SettingsText(benchmark::State& state) {
    Program p;
    for (auto _ : state) benchmark::DoNotOptimize(SettingsText(p.ctx));
}
BENCHMARK(BM_SettingsText);

void BM_SaveSettings(benchmark::State& state) {
    Program p;
    std::string tmpl = (std::filesystem::temp_directory_path() / "quorva-bench-XXXXXX").string();
    const std::string dir = ::mkdtemp(tmpl.data());
    const std::string path = dir + "/quorva.ini";
    for (auto _ : state) {
        if (!SaveSettings(path, p.ctx).ok) state.SkipWithError("save failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings(benchmark::State& state) {
    Program p;
    std::string tmpl = (std::filesystem::temp_directory_path() / "quorva-bench-XXXXXX").string();
    const std::string dir = ::mkdtemp(tmpl.data());
    const std::string path = dir + "/quorva.ini";
    SaveSettings(path, p.ctx);
    for (auto _ : state) {
        if (!LoadSettings(path, p.ctx).found) state.SkipWithError("load failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
