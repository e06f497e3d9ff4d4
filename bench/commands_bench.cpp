// The cost of one command keystroke as the user feels it: "+" typed with 299 items on the stack,
// through the key handlers, the matcher, the addition and the rebuild of both stack views.

#include <benchmark/benchmark.h>

#include <chrono>

#include "Calculator.h"
#include "Commands.h"
#include "FakeHost.h"

namespace {

using namespace quorva;

constexpr int16_t kPlusKeyCode = 187;  // "=" / "+" key of a US keyboard, with Shift

void BM_PlusKeyOn299Items(benchmark::State& state) {
    test::FakeHost host;
    OptionsModel options;
    Calculator calc(host, options);
    InstallCommands(calc);
    for (int i = 1; i <= 299; ++i) calc.Stack().Push(kKindDecimal, i / 7.0);

    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        calc.KeyDown(kPlusKeyCode, 1);
        calc.CharacterTyped('+');
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());

        calc.CharacterTyped('u');  // back to 299 items, untimed
        if (calc.Stack().StackCount() != 299) {
            state.SkipWithError("undo did not restore the 299 items");
            break;
        }
    }
    benchmark::DoNotOptimize(calc.Views().stackCaption.data());
}
BENCHMARK(BM_PlusKeyOn299Items)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
