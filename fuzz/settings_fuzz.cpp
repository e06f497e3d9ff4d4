// The settings reader on any bytes: what is then written reads back to the same file, so a
// damaged file costs at most the lines it damaged.

#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "KeyScript.h"

using namespace quorva;

namespace {

// A calculator and its settings; the window position is kept, as the settings write it back.
struct World : keys::NoWindows {
    double left = 100, top = 80;
    void SetMainWindowLeft(double px) override { left = px; }
    void SetMainWindowTop(double px) override { top = px; }
    double MainWindowLeft() const override { return left; }
    double MainWindowTop() const override { return top; }

    keys::DriverHost host;
    OptionsModel options;
    Calculator calc{host, options};
    Skin skin;
    SettingsContext ctx{options, calc, skin, *this};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World w;
    ApplySettingsText(std::string_view(reinterpret_cast<const char*>(data), size), w.ctx);
    // Decimals is kept as read; the texts made with it must still be made.
    w.calc.Stack().Push(kKindDecimal, 2.0 / 3);
    QUORVA_FUZZ_CHECK(!w.calc.Stack().GetTop().text.empty(), "no text");

    const std::string saved = SettingsText(w.ctx);
    World again;
    ApplySettingsText(saved, again.ctx);
    const std::string resaved = SettingsText(again.ctx);
    QUORVA_FUZZ_CHECK(saved == resaved, saved + "---\n" + resaved);
    return 0;
}
