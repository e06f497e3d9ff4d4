// quorva: the calculator's window.

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"
#include "Program.h"

namespace {

constexpr const char* kVersion = "Quorva 4.00";

constexpr const char* kHelp =
    "Usage: quorva [--config-dir DIR]\n"
    "A Reverse Polish Notation calculator with a skinned window.\n"
    "\n"
    "Options:\n"
    "  --config-dir DIR  keep the settings file quorva.ini in DIR; without it the file is\n"
    "                    in the program's folder when that folder is writable, otherwise\n"
    "                    in $XDG_CONFIG_HOME/quorva (~/.config/quorva)\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Type numbers and command words (\"+\", \"rt\", \";x\") into the window; Enter pushes a\n"
    "number, Ctrl+C copies the top item, Ctrl+V pastes a number. F1 opens the functions and\n"
    "settings, F2 the large stack, F3 switches radians and degrees, F4 the decimal places.\n"
    "Drag the window by its face. The marks on the right: always on top, hide, angle mode,\n"
    "decimal places, large stack, functions.\n"
    "\n"
    "In a Wayland session the window runs through XWayland unless QT_QPA_PLATFORM is set.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "quorva: %s\nTry 'quorva --help'.\n", problem);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    quorva::StartOptions start;
    // Our own options are taken out before Qt reads the rest, and need no display.
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts(kVersion);
            return 0;
        }
        if (arg == "--config-dir") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage("--config-dir needs a folder");
            start.configDir = argv[++i];
        } else if (arg.substr(0, 13) == "--config-dir=") {
            start.configDir = std::string(arg.substr(13));
            if (start.configDir.empty()) return Usage("--config-dir needs a folder");
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    rest.push_back(nullptr);

    quorva::platform::ChooseDisplayPlatform();
    QApplication app(restCount, rest.data());
    if (restCount > 1) {
        // Whatever Qt did not take as its own option.
        return Usage((std::string("unknown argument: ") + rest[1]).c_str());
    }
    QApplication::setApplicationName(QStringLiteral("Quorva"));
    QApplication::setApplicationVersion(QStringLiteral("4.00"));
    // Hidden windows come back; only the program's own quit ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    quorva::Program program(start);
    program.Main();
    return QApplication::exec();
}
