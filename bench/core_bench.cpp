// The cost of a key on the calculator core with a nearly full stack, of undoing a clear, and
// of the decimal text under every option combination.

#include <benchmark/benchmark.h>

#include "Calculator.h"
#include "FakeHost.h"

using namespace quorva;

namespace {

void Fill(Calculator& calc, int items) {
    for (int i = 0; i < items; ++i) calc.Stack().Push(kKindDecimal, 1.0 / (i + 3));
}

void TypeKey(Calculator& calc, int16_t code, int16_t ch) {
    calc.KeyDown(code, 0);
    calc.CharacterTyped(ch);
}

// 15 digits and Enter onto 299 items: 16 keys, the last one pushes and rebuilds both views.
void BM_TypedNumberAndEnterAt299(benchmark::State& state) {
    test::FakeHost host;
    OptionsModel options;
    Calculator calc(host, options);
    Fill(calc, 299);
    const char* digits = "123456789012345";
    for (auto _ : state) {
        for (const char* d = digits; *d; ++d) TypeKey(calc, *d, *d);
        TypeKey(calc, kKeyEnter, 13);
        calc.Stack().Drop();  // back to 299 without a redraw
    }
    benchmark::DoNotOptimize(calc.Views().largeRows.data());
    state.counters["keys"] = benchmark::Counter(
        16, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TypedNumberAndEnterAt299);

// Enter alone at 299 items (duplicate the top): the one expensive key.
void BM_EnterAt299(benchmark::State& state) {
    test::FakeHost host;
    OptionsModel options;
    Calculator calc(host, options);
    Fill(calc, 299);
    for (auto _ : state) {
        TypeKey(calc, kKeyEnter, 13);
        calc.Stack().Drop();
    }
    benchmark::DoNotOptimize(calc.Views().stackCaption.data());
}
BENCHMARK(BM_EnterAt299);

// "c" then "u" on 300 items; the undo brings all of them back and rebuilds the views.
void BM_ClearThenUndoOf300(benchmark::State& state) {
    test::FakeHost host;
    OptionsModel options;
    Calculator calc(host, options);
    Fill(calc, 300);
    for (auto _ : state) {
        TypeKey(calc, 'C', 'c');
        TypeKey(calc, 'U', 'u');
    }
    if (calc.Stack().StackCount() != 300) state.SkipWithError("undo lost items");
}
BENCHMARK(BM_ClearThenUndoOf300);

// The decimal text of 2/3: fill, engineering, places.
void BM_DecimalTextOfTwoThirds(benchmark::State& state) {
    DecimalFormat f;
    f.fill = state.range(0) != 0;
    f.engineering = state.range(1) != 0;
    f.places = static_cast<int>(state.range(2));
    const double v = 2.0 / 3;
    for (auto _ : state) benchmark::DoNotOptimize(DecimalText(v, f));
    state.SetLabel(DecimalText(v, f));
}
BENCHMARK(BM_DecimalTextOfTwoThirds)
    ->ArgNames({"fill", "eng", "places"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 4, 15}});

// The push of a decimal item with and without full precision (the text is read back).
void BM_PushDecimal(benchmark::State& state) {
    test::FakeHost host;
    OptionsModel options;
    options.Set(Option::FullPrecision, static_cast<int16_t>(state.range(0)));
    Calculator calc(host, options);
    Fill(calc, 299);
    for (auto _ : state) {
        calc.Stack().Push(kKindDecimal, 2.0 / 3);
        calc.Stack().Drop();
    }
}
BENCHMARK(BM_PushDecimal)->ArgName("fullprec")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
