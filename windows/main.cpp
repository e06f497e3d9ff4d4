// quorva: the calculator's window.

#include <QApplication>
#include <QSessionManager>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"
#include "Program.h"
#include "QuitSignals.h"
#include "SingleInstance.h"

namespace {

constexpr const char* kVersion = "Quorva 4.00";

constexpr const char* kHelp =
    "Usage: quorva [--config-dir DIR]\n"
    "A Reverse Polish Notation calculator with a skinned window.\n"
    "\n"
    "Options:\n"
    "  --config-dir DIR  keep the settings file quorva.ini in DIR; without it the file is\n"
    "                    in the program's folder when that folder is writable and is\n"
    "                    not a bin folder, otherwise in $XDG_CONFIG_HOME/quorva\n"
    "                    (~/.config/quorva)\n"
    "  --paths           show the settings file, skins folders and manual page this\n"
    "                    calculator uses, and exit\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Type numbers and command words (\"+\", \"rt\", \";x\") into the window; Enter pushes a\n"
    "number, Ctrl+C copies the top item, Ctrl+V pastes a number. F1 opens the functions and\n"
    "settings, F2 the large stack, F3 switches radians and degrees, F4 the decimal places.\n"
    "Drag the window by its face. The marks on the right: always on top, hide, angle mode,\n"
    "decimal places, large stack, functions.\n"
    "\n"
    "The hide mark puts the calculator away into the notification area (system tray); a\n"
    "click on its icon brings it back, its menu also quits. One calculator runs per settings\n"
    "file: starting quorva again shows the running one (also where the desktop has no\n"
    "notification area) and ends. \"Start minimized\" starts with only the icon, or shown\n"
    "when there is no notification area. Closing the window, logging out, SIGTERM, SIGINT\n"
    "and SIGHUP save the settings and end the calculator without asking.\n"
    "\n"
    "In a Wayland session the window runs through XWayland unless QT_QPA_PLATFORM is set.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "quorva: %s\nTry 'quorva --help'.\n", problem);
    return 2;
}

// Where this calculator keeps and finds its files; needs no display.
int ShowPaths(const quorva::StartOptions& start, int argc, char** argv) {
    QCoreApplication core(argc, argv);
    std::printf("settings: %s\n", quorva::Program::SettingsPathFor(start).c_str());
    for (const std::string& folder : quorva::Program::InstalledSkinFolders().folders) {
        std::error_code error;
        std::size_t skins = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            skins += entry.path().extension() == ".qsd";
        std::printf("skins: %s (%zu skins%s)\n", folder.c_str(), skins, error ? ", missing" : "");
    }
    const std::string page = quorva::Program::ManualPage();
    std::printf("manual: %s\n", page.empty() ? "(not found)" : page.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    quorva::StartOptions start;
    bool paths = false;
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
        if (arg == "--paths") {
            paths = true;
            continue;
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
    if (paths) return ShowPaths(start, restCount, rest.data());

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

    // A second start with the same settings file shows the first one instead.
    quorva::platform::SingleInstance instance(quorva::Program::SettingsPathFor(start));
    switch (instance.Claim()) {
    case quorva::platform::SingleInstance::Outcome::ShownOther:
        return 0;
    case quorva::platform::SingleInstance::Outcome::NoAnswer:
        std::fprintf(stderr, "quorva: a calculator with the settings file %s is running but does not "
                             "answer\n", quorva::Program::SettingsPathFor(start).c_str());
        return 1;
    case quorva::platform::SingleInstance::Outcome::Unguarded:
        std::fprintf(stderr, "quorva: cannot make the lock file %s; a second start would not find "
                             "this one\n", qPrintable(instance.LockPath()));
        break;
    case quorva::platform::SingleInstance::Outcome::First:
        break;
    }

    quorva::Program program(start);
    program.PrepareMeanwhile();
    instance.onShowRequest = [&program] { program.ShowAtRequest(); };
    quorva::platform::WatchQuitSignals([&program](int) { program.QuitWithoutAsking(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&program](QSessionManager&) { program.SessionEnding(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&program] { program.SessionEnding(); });
    program.Main();
    return QApplication::exec();
}
