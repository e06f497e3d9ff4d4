#include <gtest/gtest.h>
#include <sys/stat.h>

#include <limits>
#include <sstream>
#include <tuple>

#include "Fakes.h"

namespace quorva {
namespace {

using namespace test;

const double kInf = std::numeric_limits<double>::infinity();

TEST(ReadNumber, TakesTheLeadingNumberOnly) {
    // A long run of digits is still one correctly rounded number; a NUL ends the text.
    const std::pair<std::string, double> cases[] = {
        {" 1", 1},          {"-3", -3},          {"   523abc", 523},  {"+7", 7},
        {"\t4", 4},         {"1.5E2", 150},      {"2e-1", 0.2},      {"1.2.3", 1.2},
        {".5", 0.5},        {"-.25", -0.25},     {"0007", 7},        {"0.000125", 0.000125},
        {"1E", 1},          {"1E+", 1},          {"3E 2", 3},        {"12 34", 12},
        {"", 0},            {"abc", 0},          {".", 0},           {"-", 0},
        {"- 1", 0},         {"E5", 0},           {"1E400", kInf},    {"-1E400", -kInf},
        {"1E-400", 0},      {"1E99999999999999999999", kInf},        {std::string("7\0x", 3), 7},
        {"1" + std::string(400, '0'), kInf},     {"0." + std::string(300, '0') + "1E301", 1.0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ReadNumber(text), value) << '"' << text << '"';
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

// What the start-up state would save, with the lines of the same keys replaced by `lines`
// (one a line): the whole state a file leaves, so nothing else may have changed.
std::string SavedWith(const std::string& lines) {
    AppState s;
    std::string text = "\n" + SettingsText(s.ctx), line;
    for (std::istringstream in(lines); std::getline(in, line);) {
        const std::size_t from = text.find("\n" + line.substr(0, line.find('=') + 1)) + 1;
        text.replace(from, text.find('\r', from) - from, line);
    }
    return text.substr(1);
}

// A settings file's text read into the start-up state: the window calls it makes, in order,
// and what it leaves. Key names and plain values are the example file's and the round trip's.
TEST(SettingsText, EveryKeyItsEdgesAndTheLineRules) {
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"WindowPositionY=-12.5", {"top -12.5"}, "WindowPositionY=-12.5"},
        {"WindowPositionX= 40000", {}, ""},  // off every screen
        {"AlwaysOnTop= 2", {"notontop"}, "AlwaysOnTop= 2"},
        {"AlwaysOnTop= 3\r\nAlwaysOnTop=-1", {}, ""},
        {" AlwaysOnTop= 1\r\nalwaysontop= 1\r\nAlwaysOnTop = 1", {}, ""},  // the key exactly
        {"ShowFunctionWindow= 1\r\nShowFunctionWindow= 0", {"functions shown", "functions hidden"}, ""},
        {"Transparency= 10", {"alpha 50"}, "Transparency= 50"},
        {"Transparency= 300", {"alpha 255"}, ""},
        {"Transparency= 70000", {}, ""},
        {"Decimals= 40", {}, "Decimals= 40"},  // not range-checked
        {std::string("Decimals= 7\0 9", 14), {}, "Decimals= 7"},
        {"Radians=Faux", {}, "Radians=False"},
        {"Radians=False\r\nRadians=false", {}, ""},  // only "False" and "Faux" mean degrees
        {"Decimals 3\r\nVolume= 3", {}, ""},
        // CR LF, a lone CR and a lone LF end lines; repeats act each time, in file order.
        {"Transparency= 100\r\r\nAlwaysOnTop= 1\rjunk\r\nTransparency= 200\r\nDecimals= 3\nRadians=False\r\n"
         "\r\nAlwaysOnTop= 0\r\nDecimals= 5",
         {"alpha 100", "ontop", "alpha 200", "notontop"}, "Transparency= 200\nDecimals= 5\nRadians=False"},
        // Only the first 64 KiB are read, and the line cut there is dropped.
        {"Decimals= 3\r\n" + std::string(kSettingsReadLimit - 25, 'x') + "\r\nDecimals= 71\r\nDecimals= 9\r\n", {},
         "Decimals= 3"},
        {"SkinFile=" + std::string(1 << 20, 'a') + "\r\nDecimals= 4\r\n", {}, ""},
    };
    for (const auto& [text, calls, saved] : cases) {
        AppState s;
        ApplySettingsText(text, s.ctx);
        EXPECT_EQ(s.target.calls, calls) << text.substr(0, 80);
        EXPECT_EQ(SettingsText(s.ctx), SavedWith(saved)) << text.substr(0, 80);
    }
}

const char kExample[] =
    "WindowPositionX= 100\r\nWindowPositionY= 80\r\nAlwaysOnTop= 0\r\nShowFunctionWindow= 0\r\n"
    "HideWindows= 0\r\nTransparency= 255\r\nDecimals= 15\r\nRadians=True\r\nFillDecimals= 1\r\n"
    "KeepFullPrecision= 1\r\nUpdateStackOnDecimal= 1\r\nEngineeringFormat= 1\r\nQuitOnHide= 0\r\n"
    "ConfirmQuit= 1\r\nKeepStack= 0\r\nSkinFile=default\r\n";

// Every value unlike the example's, the check boxes' in all three states.
const char kEveryValueChanged[] =
    "WindowPositionX=-12\r\nWindowPositionY= 523.5\r\nAlwaysOnTop= 1\r\nShowFunctionWindow= 1\r\n"
    "HideWindows= 2\r\nTransparency= 128\r\nDecimals= 3\r\nRadians=False\r\nFillDecimals= 0\r\n"
    "KeepFullPrecision= 2\r\nUpdateStackOnDecimal= 0\r\nEngineeringFormat= 2\r\nQuitOnHide= 1\r\n"
    "ConfirmQuit= 0\r\nKeepStack= 1\r\nSkinFile= /skins/a=b.qsd\r\n";

// The defaults write the example file; a file of other values is read and written back whole.
TEST(SettingsFile, ExampleFileAndRoundTrip) {
    ScratchFolder dir;
    AppState d;
    d.target.left = 100;
    d.target.top = 80;
    ASSERT_TRUE(SaveSettings(dir / "a/quorva.ini", d.ctx).ok);
    EXPECT_EQ(ReadFile(dir / "a/quorva.ini"), kExample);

    WriteFile(dir / "b/quorva.ini", kEveryValueChanged);
    AppState t;
    const SettingsResult loaded = LoadSettings(dir / "b/quorva.ini", t.ctx);
    ASSERT_TRUE(loaded.ok && loaded.found) << loaded.message;
    ASSERT_TRUE(SaveSettings(dir / "c/quorva.ini", t.ctx).ok);
    EXPECT_EQ(ReadFile(dir / "c/quorva.ini"), kEveryValueChanged);

    // A file that cannot be read changes nothing.
    AppState s;
    const SettingsResult missing = LoadSettings(dir / "none.ini", s.ctx);
    EXPECT_TRUE(missing.ok && !missing.found);
    const SettingsResult folder = LoadSettings(dir / "c", s.ctx);
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.message.find(dir / "c"), std::string::npos) << folder.message;
    EXPECT_EQ(SettingsText(s.ctx), SavedWith(""));
}

TEST(SettingsLocation, ProgramFolderForcedFolderAndFallback) {
    ScratchFolder dir;
    const EnvGuard xdg{"XDG_CONFIG_HOME"}, home{"HOME"};
    xdg.Set((dir / "config").c_str());
    home.Set((dir / "home").c_str());
    WriteFile(dir / "file", "not a folder");
    const std::string notWritable = dir / "file/bin";  // its parent is a file

    EXPECT_EQ(SettingsFilePath({dir.path, ""}), dir / "quorva.ini");
    EXPECT_EQ(SettingsFilePath({dir.path, dir / "forced/"}), dir / "forced/quorva.ini");
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "config/quorva/quorva.ini");
    std::filesystem::create_directories(dir / "usr/bin");  // writable, but an installed program
    EXPECT_EQ(SettingsFilePath({dir / "usr/bin", ""}), dir / "config/quorva/quorva.ini");
    xdg.Set("relative/config");  // not absolute: ignored
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "home/.config/quorva/quorva.ini");
    xdg.Set(nullptr);
    EXPECT_EQ(SettingsFilePath({notWritable, ""}), dir / "home/.config/quorva/quorva.ini");
}

// New files and folders are as private as the umask says; a file that was there keeps its mode.
TEST(SettingsFile, NewFilesFollowTheUmaskAndAnOldOneKeepsItsMode) {
    ScratchFolder dir;
    const auto modeOf = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
    };
    AppState s;
    for (const auto& [name, mask, file, folder] :
         {std::tuple{"private", 077, 0600, 0700}, {"group", 002, 0664, 0775}}) {
        const mode_t old = ::umask(mask);
        const bool saved = SaveSettings(dir / name + "/config/quorva.ini", s.ctx).ok;
        ::umask(old);
        ASSERT_TRUE(saved);
        EXPECT_EQ(modeOf(dir / name + "/config/quorva.ini"), file) << name;
        EXPECT_EQ(modeOf(dir / name + "/config"), folder) << name;
        EXPECT_EQ(modeOf(dir / name), folder) << name;
    }
    const std::string kept = dir / "private/config/quorva.ini";
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(SaveSettings(kept, s.ctx).ok);
    EXPECT_EQ(modeOf(kept), 0640);
}

}  // namespace
}  // namespace quorva
