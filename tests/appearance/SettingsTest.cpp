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

struct NumberCase {
    const char* text;
    double value;
};

TEST(ReadNumber, TakesTheLeadingNumberOnly) {
    const NumberCase cases[] = {
        {" 1", 1},          {"-3", -3},          {"   523abc", 523},  {"+7", 7},
        {"\t4", 4},         {"1.5E2", 150},      {"2e-1", 0.2},      {"1.2.3", 1.2},
        {".5", 0.5},        {"-.25", -0.25},     {"0007", 7},        {"0.000125", 0.000125},
        {"1E", 1},          {"1E+", 1},          {"3E 2", 3},        {"12 34", 12},
        {"", 0},            {"abc", 0},          {".", 0},           {"-", 0},
        {"- 1", 0},         {"E5", 0},           {"1E400", kInf},    {"-1E400", -kInf},
        {"1E-400", 0},      {"1E99999999999999999999", kInf},        {"7\0x", 7},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(ReadNumber(c.text), c.value) << '"' << c.text << '"';
    }
    // A long run of digits is still one correctly rounded number.
    EXPECT_EQ(ReadNumber("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(ReadNumber("0." + std::string(300, '0') + "1E301"), 1.0);
    EXPECT_EQ(ReadNumber(std::string("7\0x", 3)), 7);
}

struct Int16Case {
    const char* text;
    std::optional<int16_t> value;
};

TEST(ReadInt16, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    const Int16Case cases[] = {
        {"2.5", 2},         {"3.5", 4},           {"-2.5", -2},      {"-3.5", -4},
        {"2.5000001", 3},   {"0.5", 0},           {"1.5", 2},        {"letters", 0},
        {"32767", 32767},   {"32767.4", 32767},   {"32767.5", std::nullopt},
        {"-32768", -32768}, {"-32768.5", -32768}, {"-32769", std::nullopt},
        {"70000", std::nullopt}, {"1E400", std::nullopt}, {"-1E400", std::nullopt},
    };
    for (const Int16Case& c : cases) EXPECT_EQ(ReadInt16(c.text), c.value) << c.text;
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

TEST(ReadRadians, OnlyFalseAndFauxMeanDegrees) {
    EXPECT_FALSE(ReadRadians("False"));
    EXPECT_FALSE(ReadRadians("Faux"));
    for (const char* v : {"True", "false", "FALSE", "0", "", " False", "False "}) {
        EXPECT_TRUE(ReadRadians(v)) << v;
    }
}

// One settings line read into the start-up state: what it changes and which window calls it
// makes. Anything not checked must keep its start-up value.
struct LineCase {
    const char* name;
    std::string line;
    std::vector<std::string> calls;
    std::function<void(AppState&)> expect;
    std::function<void(AppState&)> before = nullptr;
};

void SetOption(AppState& s, quorva::Option id, int16_t v) { s.options.set(id, v); }

TEST(SettingsLine, EveryKeyAndItsEdges) {
    using O = quorva::Option;
    auto opt = [](O id, int16_t v) {
        return [id, v](AppState& s) { EXPECT_EQ(s.options.value(id), v) << InfoOf(id).settingsKey; };
    };
    auto places = [](int16_t v) { return [v](AppState& s) { EXPECT_EQ(s.calc.DecimalPlaces(), v); }; };
    auto radians = [](bool v) { return [v](AppState& s) { EXPECT_EQ(s.calc.AngleRadians(), v); }; };
    auto skin = [](std::string v) { return [v](AppState& s) { EXPECT_EQ(s.skin.SkinFile, v); }; };
    auto nothing = [](AppState&) {};
    auto degrees = [](AppState& s) { s.calc.SetAngleRadians(false); };

    const LineCase cases[] = {
        {"x", "WindowPositionX= 523", {"left 523"}, [](AppState& s) { EXPECT_EQ(s.target.left, 523); }},
        {"y negative", "WindowPositionY=-12", {"top -12"}, [](AppState& s) { EXPECT_EQ(s.target.top, -12); }},
        {"x fraction", "WindowPositionX= 100.5", {"left 100.5"}, nothing},
        {"x off every screen", "WindowPositionX= 40000", {}, nothing},
        {"x letters read 0", "WindowPositionX=abc", {"left 0"}, nothing},
        {"on top", "AlwaysOnTop= 1", {"ontop"}, opt(O::OnTop, 1)},
        {"on top without blank", "AlwaysOnTop=1", {"ontop"}, opt(O::OnTop, 1)},
        {"not on top", "AlwaysOnTop= 0", {"notontop"}, opt(O::OnTop, 0),
         [](AppState& s) { SetOption(s, O::OnTop, 1); }},
        {"on top 2 is not 1", "AlwaysOnTop= 2", {"notontop"}, opt(O::OnTop, 2)},
        {"on top 3 refused", "AlwaysOnTop= 3", {}, opt(O::OnTop, 0)},
        {"on top -1 refused", "AlwaysOnTop=-1", {}, opt(O::OnTop, 0)},
        {"blank before key", " AlwaysOnTop= 1", {}, opt(O::OnTop, 0)},
        {"key case", "alwaysontop= 1", {}, opt(O::OnTop, 0)},
        {"blank after key", "AlwaysOnTop = 1", {}, opt(O::OnTop, 0)},
        {"show functions", "ShowFunctionWindow= 1", {"functions shown"}, opt(O::ShowFunctions, 1)},
        {"hide functions", "ShowFunctionWindow= 0", {"functions hidden"}, opt(O::ShowFunctions, 0),
         [](AppState& s) { SetOption(s, O::ShowFunctions, 1); }},
        {"hide windows", "HideWindows= 1", {}, opt(O::Hide, 1)},
        {"transparency", "Transparency= 128", {"alpha 128"}, opt(O::Transparency, 128)},
        {"transparency clamped low", "Transparency= 10", {"alpha 50"}, opt(O::Transparency, 50)},
        {"transparency clamped negative", "Transparency=-300", {"alpha 50"}, opt(O::Transparency, 50)},
        {"transparency clamped high", "Transparency= 300", {"alpha 255"}, opt(O::Transparency, 255)},
        {"transparency beyond 16 bits", "Transparency= 70000", {}, opt(O::Transparency, 255)},
        {"decimals 3.5", "Decimals= 3.5", {}, places(4)},
        {"decimals 2.5", "Decimals= 2.5", {}, places(2)},
        {"decimals letters", "Decimals=letters", {}, places(0)},
        {"decimals unchecked range", "Decimals= 40", {}, places(40)},
        {"decimals negative", "Decimals=-1", {}, places(-1)},
        {"decimals beyond 16 bits", "Decimals= 99999", {}, places(15)},
        {"decimals NUL ends the number", std::string("Decimals= 7\0 9", 14), {}, places(7)},
        {"False", "Radians=False", {}, radians(false)},
        {"Faux", "Radians=Faux", {}, radians(false)},
        {"True", "Radians=True", {}, radians(true), degrees},
        {"lower-case false", "Radians=false", {}, radians(true), degrees},
        {"zero", "Radians=0", {}, radians(true), degrees},
        {"empty", "Radians=", {}, radians(true), degrees},
        {"fill", "FillDecimals= 0", {}, opt(O::FillDecimals, 0)},
        {"precision", "KeepFullPrecision= 0", {}, opt(O::FullPrecision, 0)},
        {"update", "UpdateStackOnDecimal= 0", {}, opt(O::DecUpdate, 0)},
        {"engineering", "EngineeringFormat= 0", {}, opt(O::EngFormat, 0)},
        {"quit on hide", "QuitOnHide= 1", {}, opt(O::DirectExit, 1)},
        {"confirm", "ConfirmQuit= 0", {}, opt(O::ConfirmExit, 0)},
        {"check box 2", "ConfirmQuit= 2", {}, opt(O::ConfirmExit, 2)},
        {"check box 1.5 is 2", "QuitOnHide= 1.5", {}, opt(O::DirectExit, 2)},
        {"check box 2.5 is 2", "QuitOnHide= 2.5", {}, opt(O::DirectExit, 2)},
        {"check box 2.6 refused", "QuitOnHide= 2.6", {}, opt(O::DirectExit, 0)},
        {"skin with =", "SkinFile=/a/b=c.qsd", {}, skin("/a/b=c.qsd")},
        {"skin keeps blank", "SkinFile= /a/b.qsd", {}, skin(" /a/b.qsd")},
        {"skin Default", "SkinFile=Default", {}, skin("Default")},
        {"no =", "Decimals 3", {}, places(15)},
        {"unknown key", "Volume= 3", {}, nothing},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
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

TEST(SettingsFile, DefaultsWriteTheFifteenExampleLines) {
    ScratchFolder dir;
    AppState s;
    s.target.left = 100;
    s.target.top = 80;
    const std::string path = dir / "quorva.ini";
    const SettingsResult r = SaveSettings(path, s.ctx);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.path, path);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes, kExample);
    std::size_t lines = 0;
    for (std::size_t i = bytes.find("\r\n"); i != std::string::npos; i = bytes.find("\r\n", i + 2)) ++lines;
    EXPECT_EQ(lines, 15u);
}

TEST(SettingsFile, RoundTripKeepsStateAndBytes) {
    ScratchFolder dir;
    const std::string first = dir / "a/quorva.ini";
    const std::string second = dir / "b/quorva.ini";
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

    // The example file itself reads and writes back unchanged.
    WriteFile(first, kExample);
    AppState u;
    ASSERT_TRUE(LoadSettings(first, u.ctx).found);
    ASSERT_TRUE(SaveSettings(second, u.ctx).ok);
    EXPECT_EQ(ReadFile(second), kExample);
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

// Every value the program can hold after reading anything at all.
void ExpectSaneState(const AppState& s) {
    for (const OptionInfo& info : OptionTable()) {
        const int16_t v = s.options.value(info.id);
        if (info.id == Option::Transparency) {
            EXPECT_GE(v, kTransparencyMin);
            EXPECT_LE(v, kTransparencyMax);
        } else {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 2);
        }
    }
    EXPECT_TRUE(std::isfinite(s.target.left) && std::abs(s.target.left) <= 32768);
    EXPECT_TRUE(std::isfinite(s.target.top) && std::abs(s.target.top) <= 32768);
}

TEST(SettingsRobustness, RandomBytesAndKeysWithGarbage) {
    std::mt19937 rng(20240605);
    const char* keys[] = {"WindowPositionX=", "WindowPositionY=", "AlwaysOnTop=", "Transparency=",
                          "Decimals=",        "Radians=",         "SkinFile=",    "QuitOnHide="};
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int parts = 1 + static_cast<int>(rng() % 40);
        for (int p = 0; p < parts; ++p) {
            if (rng() % 2) text += keys[rng() % std::size(keys)];
            const int len = static_cast<int>(rng() % 30);
            for (int i = 0; i < len; ++i) text += static_cast<char>(byte(rng));
            if (rng() % 3 == 0) text += "\r\n";
        }
        AppState s;
        ApplySettingsText(text, s.ctx);
        ExpectSaneState(s);
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round;
            return;
        }
    }
}

TEST(SettingsRobustness, HugeSparseFileReadsOnlyItsStart) {
    ScratchFolder dir;
    const std::string path = dir / "quorva.ini";
    WriteFile(path, "Decimals= 3\r\nAlwaysOnTop= 1\r\n");
    ASSERT_EQ(::truncate(path.c_str(), 100 << 20), 0);  // 100 MB, the rest NUL bytes
    {
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(50 << 20);
        out << "\r\nDecimals= 9\r\n";
    }
    AppState s;
    const SettingsResult r = LoadSettings(path, s.ctx);
    EXPECT_TRUE(r.ok && r.found);
    EXPECT_EQ(s.calc.DecimalPlaces(), 3);
    EXPECT_EQ(s.options.value(Option::OnTop), 1);
}

}  // namespace
}  // namespace quorva
