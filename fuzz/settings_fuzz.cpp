// The settings reader on any bytes: every option keeps its value or takes one its control
// accepts, and what is then written reads back to the same file.

#include <cmath>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "KeyScript.h"

using namespace quorva;

namespace {

// Remembers what reading did to the windows.
class Windows : public keys::NoWindows {
public:
    double left = 100, top = 80;
    int alpha = -1;
    void SetMainWindowLeft(double px) override { left = px; }
    void SetMainWindowTop(double px) override { top = px; }
    double MainWindowLeft() const override { return left; }
    double MainWindowTop() const override { return top; }
    void SetTransparency(uint8_t a) override { alpha = a; }
};

struct World {
    keys::DriverHost host;
    OptionsModel options;
    Calculator calc{host, options};
    Skin skin;
    Windows windows;
    SettingsContext ctx{options, calc, skin, windows};
};

bool Position(double px) { return std::isfinite(px) && px >= -32768 && px <= 32767; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    World w;
    const OptionsModel design;
    ApplySettingsText(text, w.ctx);

    for (const OptionInfo& info : OptionTable()) {
        const int16_t v = w.options.Value(info.id);
        if (v == design.Value(info.id)) continue;
        if (info.isCheckBox) {
            QUORVA_FUZZ_CHECK(v >= 0 && v <= 2, std::string(info.settingsKey) + std::to_string(v));
        } else {
            QUORVA_FUZZ_CHECK(v >= kTransparencyMin && v <= kTransparencyMax, std::to_string(v));
        }
    }
    QUORVA_FUZZ_CHECK(w.windows.alpha == -1 ||
                          w.windows.alpha == w.options.Value(Option::Transparency),
                      std::to_string(w.windows.alpha));
    QUORVA_FUZZ_CHECK(Position(w.windows.left) && Position(w.windows.top),
                      std::to_string(w.windows.left) + "," + std::to_string(w.windows.top));
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
