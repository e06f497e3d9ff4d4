// The stack file reader on any bytes: taken whole or refused with a reason, never in part; what
// it took is written back to the same meaning, and the calculator works on from it.

#include <bit>
#include <string>
#include <string_view>

#include "Commands.h"
#include "FuzzCheck.h"
#include "KeyScript.h"
#include "StackFile.h"

using namespace quorva;

namespace {

bool Refused(std::string_view text) {
    return ReadStackFileText(text).trouble != StackTrouble::None;
}

std::string Bits(const StackItem& item) {
    const uint64_t bits = std::bit_cast<uint64_t>(item.value);
    return std::to_string(item.kind) + " " + std::to_string(bits) + " " + item.text + "\n";
}

std::string Exactly(const StackSnapshot& s) {
    std::string out = std::to_string(s.count) + "|" + std::to_string(s.undoAvailable) + " " +
                      std::to_string(s.undoCount) + " " + Bits(s.undoItem);
    for (const StackItem& item : s.records) out += Bits(item);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const StackFileRead read = ReadStackFileText({reinterpret_cast<const char*>(data), size});
    if (read.trouble != StackTrouble::None) {
        QUORVA_FUZZ_CHECK(!read.why.empty(), "refused without a reason");
        return 0;
    }
    QUORVA_FUZZ_CHECK(read.why.empty(), read.why);
    const StackSnapshot& s = read.content.stack;

    // Written again, it reads back bit for bit and writes the same; cut short, it is refused.
    const std::string written = StackFileText(read.content);
    const StackFileRead again = ReadStackFileText(written);
    QUORVA_FUZZ_CHECK(again.trouble == StackTrouble::None, again.why + "\n" + written);
    QUORVA_FUZZ_CHECK(Exactly(again.content.stack) == Exactly(s), written);
    QUORVA_FUZZ_CHECK(StackFileText(again.content) == written, written);
    const size_t endLine = written.rfind("end\n");
    QUORVA_FUZZ_CHECK(Refused(written.substr(0, endLine)), written);
    const std::string cut = written.substr(0, size % (endLine + 1));
    QUORVA_FUZZ_CHECK(Refused(cut), cut);

    // The calculator works on it: stale and empty records and values no key makes included.
    keys::DriverHost host;
    OptionsModel options;
    Calculator calc(host, options);
    InstallCommands(calc);
    ApplyStackFile(read.content, calc);
    QUORVA_FUZZ_CHECK(calc.Stack().StackCount() == s.count, std::to_string(s.count));
    for (const keys::Step& step : keys::ParseScript("u <C-c>+ u c u <Enter> 1+ d s ;;s u"))
        keys::Run(step, calc);
    const std::string after = StackFileText({calc.Format(), calc.Stack().Snapshot()});
    QUORVA_FUZZ_CHECK(!Refused(after), after);
    return 0;
}
