#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>

#include "Fakes.h"

namespace quorva {
namespace {

using test::AppState;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

const double kInf = std::numeric_limits<double>::infinity();

TEST(ReadNumber, TakesTheLeadingNumberOnly) {
    const std::pair<const char*, double> cases[] = {
        {" 1", 1},          {"-3", -3},          {"   523abc", 523},  {"+7", 7},
        {"\t4", 4},         {"1.5E2", 150},      {"2e-1", 0.2},      {"1.2.3", 1.2},
        {".5", 0.5},        {"-.25", -0.25},     {"0007", 7},        {"0.000125", 0.000125},
        {"1E", 1},          {"1E+", 1},          {"3E 2", 3},        {"12 34", 12},
        {"", 0},            {"abc", 0},          {".", 0},           {"-", 0},
        {"- 1", 0},         {"E5", 0},           {"1E400", kInf},    {"-1E400", -kInf},
        {"1E-400", 0},      {"1E99999999999999999999", kInf},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ReadNumber(text), value) << '"' << text << '"';
    // A long run of digits is still one correctly rounded number.
    EXPECT_EQ(ReadNumber("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(ReadNumber("0." + std::string(300, '0') + "1E301"), 1.0);
    EXPECT_EQ(ReadNumber(std::string("7\0x", 3)), 7);
}

TEST(ReadInt16, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    const std::pair<const char*, std::optional<int16_t>> cases[] = {
        {"2.5", 2},         {"3.5", 4},           {"-2.5", -2},      {"-3.5", -4},
        {"2.5000001", 3},   {"0.5", 0},           {"1.5", 2},        {"letters", 0},
        {"32767", 32767},   {"32767.4", 32767},   {"32767.5", std::nullopt},
        {"-32768", -32768}, {"-32768.5", -32768}, {"-32769", std::nullopt},
        {"70000", std::nullopt}, {"1E400", std::nullopt}, {"-1E400", std::nullopt},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ReadInt16(text), value) << text;
}

TEST(NumberForm, BlankBeforeNonNegativePointOnlyWhenNeeded) {
    EXPECT_EQ(NumberForm(1), " 1");
    EXPECT_EQ(NumberForm(0), " 0");
    EXPECT_EQ(NumberForm(-3), "-3");
    EXPECT_EQ(NumberForm(-32768), "-32768");
    const std::pair<float, const char*> floats[] = {
        {523.0f, " 523"},   {-12.0f, "-12"},        {100.5f, " 100.5"}, {0.1f, " 0.1"},
        {-0.0f, " 0"},      {1234567.0f, " 1234567"}, {12345678.0f, " 1.234568E+07"},
        {1.0e-5f, " 1E-05"},
    };
    for (const auto& [v, text] : floats) EXPECT_EQ(NumberForm(v), text) << v;
}

// One settings line read into the start-up state: what it changes and which window calls it
// makes. Anything not checked keeps its start-up value. Every key's name is checked by the
// example file and its reading by the round trip below; these are the edges.
struct LineCase {
    std::string line;
    std::vector<std::string> calls;
    std::function<void(AppState&)> expect;
    std::function<void(AppState&)> before = nullptr;
};

TEST(SettingsLine, EveryKeyAndItsEdges) {
    using O = quorva::Option;
    auto opt = [](O id, int16_t v) {
        return [id, v](AppState& s) { EXPECT_EQ(s.options.value(id), v) << InfoOf(id).settingsKey; };
    };
    auto set = [](O id) { return [id](AppState& s) { s.options.set(id, 1); }; };
    auto places = [](int16_t v) { return [v](AppState& s) { EXPECT_EQ(s.calc.DecimalPlaces(), v); }; };
    auto radians = [](bool v) { return [v](AppState& s) { EXPECT_EQ(s.calc.AngleRadians(), v); }; };
    auto skin = [](std::string v) { return [v](AppState& s) { EXPECT_EQ(s.skin.SkinFile, v); }; };
    auto nothing = [](AppState&) {};
    auto degrees = [](AppState& s) { s.calc.SetAngleRadians(false); };

    const LineCase cases[] = {
        {"WindowPositionX= 523", {"left 523"}, [](AppState& s) { EXPECT_EQ(s.target.left, 523); }},
        {"WindowPositionY=-12", {"top -12"}, [](AppState& s) { EXPECT_EQ(s.target.top, -12); }},
        {"WindowPositionX= 100.5", {"left 100.5"}, nothing},
        {"WindowPositionX= 40000", {}, nothing},  // off every screen
        {"WindowPositionX=abc", {"left 0"}, nothing},
        {"AlwaysOnTop= 1", {"ontop"}, opt(O::OnTop, 1)},
        {"AlwaysOnTop= 0", {"notontop"}, opt(O::OnTop, 0), set(O::OnTop)},
        {"AlwaysOnTop= 2", {"notontop"}, opt(O::OnTop, 2)},
        {"AlwaysOnTop= 3", {}, opt(O::OnTop, 0)},
        {"AlwaysOnTop=-1", {}, opt(O::OnTop, 0)},
        {" AlwaysOnTop= 1", {}, opt(O::OnTop, 0)},
        {"alwaysontop= 1", {}, opt(O::OnTop, 0)},
        {"AlwaysOnTop = 1", {}, opt(O::OnTop, 0)},
        {"ShowFunctionWindow= 1", {"functions shown"}, opt(O::ShowFunctions, 1)},
        {"ShowFunctionWindow= 0", {"functions hidden"}, opt(O::ShowFunctions, 0), set(O::ShowFunctions)},
        {"QuitOnHide= 2.5", {}, opt(O::DirectExit, 2)},
        {"QuitOnHide= 2.6", {}, opt(O::DirectExit, 0)},
        {"Transparency= 128", {"alpha 128"}, opt(O::Transparency, 128)},
        {"Transparency= 10", {"alpha 50"}, opt(O::Transparency, 50)},
        {"Transparency=-300", {"alpha 50"}, opt(O::Transparency, 50)},
        {"Transparency= 300", {"alpha 255"}, opt(O::Transparency, 255)},
        {"Transparency= 70000", {}, opt(O::Transparency, 255)},
        {"Decimals= 3.5", {}, places(4)},
        {"Decimals=letters", {}, places(0)},
        {"Decimals= 40", {}, places(40)},  // not range-checked
        {"Decimals=-1", {}, places(-1)},
        {"Decimals= 99999", {}, places(15)},
        {std::string("Decimals= 7\0 9", 14), {}, places(7)},
        {"Radians=False", {}, radians(false)},
        {"Radians=Faux", {}, radians(false)},
        {"Radians=True", {}, radians(true), degrees},
        {"Radians=false", {}, radians(true), degrees},
        {"Radians=", {}, radians(true), degrees},
        {"SkinFile=/a/b=c.qsd", {}, skin("/a/b=c.qsd")},
        {"SkinFile= /a/b.qsd", {}, skin(" /a/b.qsd")},
        {"Decimals 3", {}, places(15)},
        {"Volume= 3", {}, nothing},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        AppState s;
        if (c.before) c.before(s);
        const auto optionsBefore = s.OptionValues();  // at most the named option may change

        ApplySettingsLine(c.line, s.ctx);
        EXPECT_EQ(s.target.calls, c.calls);
        c.expect(s);

        int changed = 0;
        for (std::size_t i = 0; i < optionsBefore.size(); ++i) changed += optionsBefore[i] != s.OptionValues()[i];
        EXPECT_LE(changed, 1);
    }
}

TEST(SettingsText, LineRulesOrderAndRepeats) {
    AppState s;
    // CR LF, lone CR and lone LF end lines; empty lines and lines without "=" are skipped;
    // repeats act each time, in file order.
    const std::string text =
        "Transparency= 100\r\r\nAlwaysOnTop= 1\rjunk\r\nTransparency= 200\r\n"
        "Decimals= 3\nRadians=False\r\n\r\nAlwaysOnTop= 0\r\nDecimals= 5";
    ApplySettingsText(text, s.ctx);
    EXPECT_EQ(s.target.calls,
              (std::vector<std::string>{"alpha 100", "ontop", "alpha 200", "notontop"}));
    EXPECT_EQ(s.options.value(Option::Transparency), 200);
    EXPECT_EQ(s.calc.DecimalPlaces(), 5);
    EXPECT_FALSE(s.calc.AngleRadians()) << "a lone LF must end the Decimals line";
}

TEST(SettingsText, ReadsOnlyTheFirst64KiBAndDropsTheLineCutThere) {
    const std::string head = "Decimals= 3\r\n";
    // The line that crosses the limit would read 7 if it were cut and applied.
    std::string text = head + std::string(kSettingsReadLimit - head.size() - 12, 'x') + "\r\n";
    text += "Decimals= 71";  // starts 10 bytes before the limit, ends after it
    text += "\r\nDecimals= 9\r\n";
    ASSERT_GT(text.size(), kSettingsReadLimit);
    AppState s;
    ApplySettingsText(text, s.ctx);
    EXPECT_EQ(s.calc.DecimalPlaces(), 3);

    // A megabyte-long first line holds no complete line within the limit: nothing applies.
    AppState t;
    ApplySettingsText("SkinFile=" + std::string(1 << 20, 'a') + "\r\nDecimals= 4\r\n", t.ctx);
    EXPECT_EQ(t.skin.SkinFile, "default");
    EXPECT_EQ(t.calc.DecimalPlaces(), 15);
}

const char kExample[] =
    "WindowPositionX= 100\r\nWindowPositionY= 80\r\nAlwaysOnTop= 0\r\nShowFunctionWindow= 0\r\n"
    "HideWindows= 0\r\nTransparency= 255\r\nDecimals= 15\r\nRadians=True\r\nFillDecimals= 1\r\n"
    "KeepFullPrecision= 1\r\nUpdateStackOnDecimal= 1\r\nEngineeringFormat= 1\r\nQuitOnHide= 0\r\n"
    "ConfirmQuit= 1\r\nSkinFile=default\r\n";

// The defaults write the example file; any state reads back unchanged and writes the same bytes.
TEST(SettingsFile, ExampleFileAndRoundTrip) {
    ScratchFolder dir;
    const std::string first = dir / "a/quorva.ini";
    const std::string second = dir / "b/quorva.ini";
    AppState d;
    d.target.left = 100;
    d.target.top = 80;
    const SettingsResult r = SaveSettings(first, d.ctx);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.path, first);
    EXPECT_EQ(ReadFile(first), kExample);

    AppState s;
    s.target.left = -12;
    s.target.top = 523.5;
    for (const OptionInfo& info : OptionTable()) {
        if (info.isCheckBox) s.options.set(info.id, info.designValue ? 0 : 1);
    }
    s.options.set(Option::EngFormat, 2);
    s.options.set(Option::Transparency, 128);
    s.calc.SetDecimalPlaces(3);
    s.calc.SetAngleRadians(false);
    s.skin.SkinFile = " /skins/a=b.qsd";
    ASSERT_TRUE(SaveSettings(first, s.ctx).ok);

    AppState t;
    const SettingsResult loaded = LoadSettings(first, t.ctx);
    ASSERT_TRUE(loaded.ok && loaded.found) << loaded.message;
    EXPECT_EQ(t.OptionValues(), s.OptionValues());
    EXPECT_EQ(t.target.left, -12);
    EXPECT_EQ(t.target.top, 523.5);
    EXPECT_EQ(t.calc.DecimalPlaces(), 3);
    EXPECT_FALSE(t.calc.AngleRadians());
    EXPECT_EQ(t.skin.SkinFile, " /skins/a=b.qsd");
    ASSERT_TRUE(SaveSettings(second, t.ctx).ok);
    EXPECT_EQ(ReadFile(second), ReadFile(first));
}

TEST(SettingsFile, MissingOrUnreadableFileChangesNothing) {
    ScratchFolder dir;
    AppState s;
    const auto before = s.OptionValues();

    const SettingsResult missing = LoadSettings(dir / "none.ini", s.ctx);
    EXPECT_TRUE(missing.ok);
    EXPECT_FALSE(missing.found);

    std::filesystem::create_directory(dir / "folder.ini");
    const SettingsResult folder = LoadSettings(dir / "folder.ini", s.ctx);
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.message.find(dir / "folder.ini"), std::string::npos);

    EXPECT_EQ(s.OptionValues(), before);
    EXPECT_TRUE(s.target.calls.empty());
}

// Environment variables set for one test and put back afterwards.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvGuard() {
        if (old_) ::setenv(name_, old_->c_str(), 1); else ::unsetenv(name_);
    }
    void Set(const std::string& v) { ::setenv(name_, v.c_str(), 1); }
    void Unset() { ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsLocation, ProgramFolderForcedFolderAndFallback) {
    ScratchFolder dir;
    EnvGuard xdg("XDG_CONFIG_HOME");
    EnvGuard home("HOME");
    xdg.Set(dir / "config");
    home.Set(dir / "home");
    WriteFile(dir / "file", "not a folder");
    const std::string notWritable = dir / "file/bin";  // its parent is a file

    EXPECT_EQ(SettingsFilePath({dir.path(), ""}), dir / "quorva.ini");
    EXPECT_EQ(SettingsFilePath({dir.path() + "/", ""}), dir / "quorva.ini");
    EXPECT_EQ(SettingsFilePath({dir.path(), dir / "forced/"}), dir / "forced/quorva.ini");
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "config/quorva/quorva.ini");
    EXPECT_EQ(SettingsFilePath({dir / "missing", ""}), dir / "config/quorva/quorva.ini");
    std::filesystem::create_directories(dir / "usr/bin");  // writable, but an installed program
    EXPECT_EQ(SettingsFilePath({dir / "usr/bin", ""}), dir / "config/quorva/quorva.ini");
    xdg.Set("relative/config");  // not absolute: ignored
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "home/.config/quorva/quorva.ini");
    xdg.Unset();
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "home/.config/quorva/quorva.ini");

    // The first save creates the folders of the fallback place.
    AppState s;
    const std::string path = SettingsFilePath({notWritable, ""});
    const SettingsResult r = SaveSettings(path, s.ctx);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadFile(path).substr(0, 20), "WindowPositionX= 0\r\n");
}

TEST(SettingsFile, FailedWriteKeepsTheOldFileAndSaysWhy) {
    ScratchFolder dir;
    AppState s;
    s.calc.SetDecimalPlaces(4);

    // A folder that cannot be made: its parent is a file.
    WriteFile(dir / "file", "x");
    const SettingsResult noFolder = SaveSettings(dir / "file/sub/quorva.ini", s.ctx);
    EXPECT_FALSE(noFolder.ok);
    EXPECT_EQ(noFolder.path, dir / "file/sub/quorva.ini");
    EXPECT_NE(noFolder.message.find(noFolder.path), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "file"), "x");

    // A write cut short (the file size limit; root ignores permissions) leaves the old file
    // and no temporary beside it.
    const std::string path = dir / "quorva.ini";
    WriteFile(path, kExample);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 16;
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SettingsResult cut = SaveSettings(path, s.ctx);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(cut.message.empty());
    EXPECT_EQ(ReadFile(path), kExample);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) entries += !e.is_directory() ? 1 : 0;
    EXPECT_EQ(entries, 2) << "a temporary file was left behind";

    // Once writable again the same call succeeds.
    ASSERT_TRUE(SaveSettings(path, s.ctx).ok);
    EXPECT_NE(ReadFile(path).find("Decimals= 4\r\n"), std::string::npos);
}

// Random bytes around the keys of both files: whatever is read, every value stays in its range.
TEST(Robustness, RandomBytesKeepEveryValueInRange) {
    std::mt19937 rng(20240605);
    const char* keys[] = {"WindowPositionX=", "AlwaysOnTop=",        "Transparency=",         "Decimals=",
                          "QuitOnHide=",      "stack_text_color_R=", "decimal_text_color_B=", "bitmap_file="};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::string text;
        for (int p = 1 + rng() % 40; p > 0; --p) {
            if (rng() % 2) text += keys[rng() % std::size(keys)];
            for (int i = rng() % 30; i > 0; --i) text += static_cast<char>(rng());
            if (rng() % 3 == 0) text += "\r\n";
        }
        AppState s;
        ApplySettingsText(text, s.ctx);
        ApplySkinText(s.skin, text, "/skins");
        for (const OptionInfo& info : OptionTable()) {
            const int16_t v = s.options.value(info.id);
            const bool alpha = info.id == Option::Transparency;
            ASSERT_TRUE(v >= (alpha ? kTransparencyMin : 0) && v <= (alpha ? kTransparencyMax : 2)) << info.settingsKey;
        }
        ASSERT_TRUE(std::abs(s.target.left) <= 32768) << s.target.left;
        for (const SkinColor& c : {s.skin.stackText, s.skin.entryText, s.skin.angleText, s.skin.decimalText}) {
            for (int v : {c.r, c.g, c.b}) ASSERT_TRUE(v >= 0 && v <= 255);
        }
        ASSERT_TRUE(s.skin.SkinBitmapFile.empty() || s.skin.SkinBitmapFile.rfind("/skins/", 0) == 0);
    }
}

}  // namespace
}  // namespace quorva
