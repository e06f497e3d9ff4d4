#pragma once
// What the file tests share: a calculator, a window side that records its calls, scratch folders.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Calculator.h"
#include "Settings.h"
#include "FakeHost.h"

namespace quorva::test {

class FakeTarget : public SettingsTarget {
public:
    double left = 0, top = 0;
    std::vector<std::string> calls;  // in order, e.g. "left 100", "ontop", "alpha 128"

    void SetMainWindowLeft(double px) override { Call("left", left = px); }
    void SetMainWindowTop(double px) override { Call("top", top = px); }
    double MainWindowLeft() const override { return left; }
    double MainWindowTop() const override { return top; }
    void SetOnTop() override { calls.push_back("ontop"); }
    void SetNotOnTop() override { calls.push_back("notontop"); }
    void SetTransparency(uint8_t alpha) override { Call("alpha", alpha); }
    void SetFunctionsWindowShown(bool shown) override { calls.push_back(shown ? "functions shown" : "functions hidden"); }

private:
    void Call(const char* what, double v) {
        std::ostringstream s;
        s << what << ' ' << v;
        calls.push_back(s.str());
    }
};

// The state start-up leaves before the file is read: design values but a scroll bar at 255.
struct AppState {
    FakeHost host;
    OptionsModel options;
    Calculator calc{host, options};
    Skin skin;
    FakeTarget target;
    SettingsContext ctx{options, calc, skin, target};

    AppState() { options.Set(Option::Transparency, 255); }
};

struct ScratchFolder {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quorva-test-XXXXXX").string();
    const std::string path = ::mkdtemp(tmpl.data());
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

struct EnvGuard {
    const char* name;
    const char* old = std::getenv(name);
    std::string kept = old ? old : "";
    void Set(const char* value) const { value ? ::setenv(name, value, 1) : ::unsetenv(name); }
    ~EnvGuard() { Set(old ? kept.c_str() : nullptr); }
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quorva::test
