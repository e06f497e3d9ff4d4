// quorva-keys: types a script of keys into the calculator as a keyboard would and prints every
// display afterwards. It is how the calculator is tested without a window, and how a calculation
// from a bug report is reproduced.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Calculator.h"
#include "Commands.h"
#include "KeyScript.h"
#include "Options.h"
#include "Settings.h"
#include "StackFile.h"
#include "TextFile.h"

using namespace quorva;
using namespace quorva::keys;

namespace {

constexpr const char* kUsage =
    "Usage: quorva-keys [--set KEY=VALUE]... [--clipboard TEXT] [--separator C] [--only NAMES]\n"
    "                   [--stack-in FILE] [--stack-out FILE] [--] SCRIPT...\n"
    "\n"
    "Types SCRIPT into the calculator's main window and prints every display afterwards.\n"
    "The SCRIPT arguments are joined with blanks; white space only separates tokens.\n"
    "Every character outside angle brackets is one typed character (key-down, key-press).\n"
    "Named keys and actions:\n"
    "  <Enter> <Esc> <BS>               key-down and key-press\n"
    "  <Del> <Up> <Down> <F1>..<F4>     key-down only\n"
    "  <C-c> <C-v> <C-S-c> <C-S-v>      Ctrl (and Shift) with C or V\n"
    "  <Space> <lt>                     a typed blank, a typed \"<\"\n"
    "  <tick>                           the entry timer fires\n"
    "  <row:N>                          row N of the large stack list is selected (-1 none)\n"
    "  <move>                           double click on the large stack list\n"
    "  <fn:K>                           press on row K (1..39) of the function list, 0 on none\n"
    "  <angle:R>                        angle picker row R (0 Radians, 1 Degrees)\n"
    "  <places:R>                       decimals picker row R (15 - R places), -1 none\n"
    "  <NAME*N>                         NAME (one of these, or a character) N times: <Enter*300>\n"
    "Options:\n"
    "  --set KEY=VALUE   a settings line: FillDecimals, KeepFullPrecision,\n"
    "                    UpdateStackOnDecimal, EngineeringFormat, Decimals, Radians\n"
    "  --clipboard TEXT  the clipboard's text at the start\n"
    "  --clipboard-file FILE  the same, read from FILE (any bytes, any length)\n"
    "  --separator C     the locale's decimal separator, \".\" (default) or \",\"\n"
    "  --stack-in FILE   start with the stack of the stack file FILE (quorva.stack), as the\n"
    "                    calculator does with \"Keep the stack when quitting\"; a file it\n"
    "                    would refuse is an error here\n"
    "  --stack-out FILE  write the stack file FILE at the end, as quitting does\n"
    "  --only NAMES      print only the lines named (\"entry,stack,item 1\": the text before\n"
    "                    their \":\"), each with its \"|\" lines\n"
    "  --help            this text\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> sets;
    std::string clipboard, only;
    std::string stackIn, stackOut;
    char separator = '.';
    int i = 1;
    try {
        for (; i < argc; ++i) {
            const std::string_view arg = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw Failure{"option " + std::string(arg) + " needs a value"};
                return argv[++i];
            };
            if (arg == "--") {
                ++i;
                break;
            }
            if (arg == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            }
            if (arg == "--set") {
                sets.push_back(value());
            } else if (arg == "--clipboard") {
                clipboard = value();
            } else if (arg == "--clipboard-file") {
                const std::string path = value();
                std::FILE* f = std::fopen(path.c_str(), "rb");
                if (f == nullptr) throw Failure{"cannot read " + path};
                clipboard.clear();
                char buf[65536];
                for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) clipboard.append(buf, n);
                std::fclose(f);
            } else if (arg == "--stack-in") {
                stackIn = value();
            } else if (arg == "--stack-out") {
                stackOut = value();
            } else if (arg == "--only") {
                only = value();
            } else if (arg == "--separator") {
                const std::string sep = value();
                if (sep != "." && sep != ",")
                    throw Failure{"--separator takes \".\" or \",\", not \"" + sep + "\""};
                separator = sep[0];
            } else if (arg.starts_with("--")) {
                throw Failure{"unknown option: " + std::string(arg)};
            } else {
                break;
            }
        }

        std::string script;
        for (int j = i; j < argc; ++j) {
            if (j > i) script += ' ';
            script += argv[j];
        }

        DriverHost host;
        host.clipboard = clipboard;
        OptionsModel options;
        Calculator calc(host, options, separator);
        InstallCommands(calc);
        Skin skin;
        NoWindows windows;
        SettingsContext settings{options, calc, skin, windows};
        for (const std::string& set : sets)
            if (!ApplySet(set, settings)) throw Failure{"malformed --set: " + set};
        const std::vector<Step> steps = ParseScript(script);

        calc.Redraw();  // as the main window does when it loads
        if (!stackIn.empty()) {
            const textfile::Head head = textfile::ReadHead(stackIn, kStackReadLimit);
            if (head.status == textfile::Head::Missing) throw Failure{"there is no stack file " + stackIn};
            if (head.status == textfile::Head::Failed) throw Failure{"cannot read " + stackIn + ": " + head.error};
            StackFileRead read = ReadStackFileText(head.bytes);
            if (read.trouble != StackTrouble::None) throw Failure{"the stack file " + stackIn + " " + read.why};
            ApplyStackFile(std::move(read.content), calc);
        }
        for (const Step& step : steps) Run(step, calc);
        if (!stackOut.empty()) {
            const StackFileResult saved = SaveStackFile(stackOut, calc);
            if (!saved.ok) throw Failure{saved.message};
        }
        const std::string report = Report(calc, host);
        const std::string out = only.empty() ? report : OnlyLines(report, only);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    } catch (const Failure& f) {
        std::fprintf(stderr, "quorva-keys: %s\n", f.message.c_str());
        return 2;
    }
}
