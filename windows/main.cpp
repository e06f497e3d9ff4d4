// quorva: the program a desktop (or a shortcut) starts. It links no Qt: when a calculator runs
// already with the same settings file it passes the request on and ends with only the C++
// runtime loaded; otherwise it opens the windows' library, which loads Qt and runs the
// calculator in this process.

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Instance.h"
#include "Launch.h"
#include "Paths.h"
#include "Trace.h"
#include "Version.h"

#ifndef QUORVA_LIBRARY_RELATIVE
#define QUORVA_LIBRARY_RELATIVE "../lib/quorva"
#endif

namespace {

constexpr const char* kVersion = "Quorva " QUORVA_VERSION;

constexpr const char* kHelp =
    "Usage: quorva [--config-dir DIR] [--toggle | --quit]\n"
    "A Reverse Polish Notation calculator with a skinned window.\n"
    "\n"
    "Options:\n"
    "  --config-dir DIR  keep the settings file quorva.ini in DIR; without it the file is\n"
    "                    in the program's folder when that folder is writable and is\n"
    "                    not a bin folder, otherwise in $XDG_CONFIG_HOME/quorva\n"
    "                    (~/.config/quorva)\n"
    "  --toggle          show or hide: hide the running calculator when it is shown and has\n"
    "                    the focus, otherwise show it with the focus on it; start one when\n"
    "                    none runs\n"
    "  --quit            quit the running calculator as its menu's Quit does (asking first\n"
    "                    when \"Ask for a confirmation\" is ticked); nothing runs: status 1\n"
    "  --paths           show the settings file, skins folders, lock, socket and manual\n"
    "                    page this calculator uses, and exit\n"
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
    "A key that shows and hides the calculator: bind the command quorva --toggle to it.\n"
    "  GNOME          Settings > Keyboard > View and Customize Shortcuts > Custom Shortcuts\n"
    "                 > Add Shortcut: Name Quorva, Command quorva --toggle, Set Shortcut\n"
    "  KDE Plasma     System Settings > Shortcuts > Add New > Command or Script: quorva\n"
    "                 --toggle, then give it a key (or Add New > Application > Quorva\n"
    "                 and give its action \"Show or hide\" a key)\n"
    "  Xfce           Settings > Keyboard > Application Shortcuts > Add: Command quorva\n"
    "                 --toggle, then press the key; or in a terminal:\n"
    "                 xfconf-query -c xfce4-keyboard-shortcuts -n -t string\n"
    "                   -p '/commands/custom/<Super>c' -s 'quorva --toggle'\n"
    "A calculator that is already running answers in a few milliseconds. With --config-dir,\n"
    "give the same folder to --toggle and --quit.\n"
    "\n"
    "In a Wayland session the window runs through XWayland unless QT_QPA_PLATFORM is set.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "quorva: %s\nTry 'quorva --help'.\n", problem);
    return 2;
}

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

int RunWindows(const std::string& programFolder, QuorvaStart& start) {
    std::string tried;
    for (const std::string& folder : {programFolder, programFolder + "/" + QUORVA_LIBRARY_RELATIVE}) {
        const std::string path = folder + "/" + kQuorvaLibraryName;
        if (::access(path.c_str(), F_OK) != 0) {
            tried += "\n  " + path;
            continue;
        }
        // The library is linked -z now, so a missing Qt symbol shows here, not in the middle of
        // a session; RTLD_NOW would also bind every symbol of the libraries it brings.
        void* library = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        quorva::trace::Mark("dlopen done");
        if (library == nullptr) {
            std::fprintf(stderr, "quorva: cannot load the windows: %s\n", ::dlerror());
            return 1;
        }
        auto run = reinterpret_cast<QuorvaRun>(::dlsym(library, kQuorvaRunSymbol));
        if (run == nullptr) {
            std::fprintf(stderr, "quorva: %s has no %s\n", path.c_str(), kQuorvaRunSymbol);
            return 1;
        }
        return run(&start);
    }
    std::fprintf(stderr, "quorva: the windows' library is missing; looked for%s\n", tried.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    quorva::trace::Mark("main");
    std::string configDir;
    quorva::instance::Verb verb = quorva::instance::Verb::Show;
    bool verbGiven = false;
    bool paths = false;
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
            configDir = argv[++i];
        } else if (arg.substr(0, 13) == "--config-dir=") {
            configDir = std::string(arg.substr(13));
            if (configDir.empty()) return Usage("--config-dir needs a folder");
        } else if (arg == "--paths") {
            paths = true;
        } else if (arg == "--toggle" || arg == "--quit") {
            const auto wanted = arg == "--toggle" ? quorva::instance::Verb::Toggle : quorva::instance::Verb::Quit;
            if (verbGiven && wanted != verb) return Usage("--toggle and --quit do not go together");
            verb = wanted;
            verbGiven = true;
        } else {
            rest.push_back(argv[i]);
        }
    }

    const std::string programFolder = FolderOf(ProgramPath());
    const std::string settings = quorva::SettingsFilePath({programFolder, configDir});
    // Options left for Qt need Qt to judge them, so only a bare start takes the short way.
    if (rest.size() == 1 && !paths) {
        const quorva::instance::Request request{verb, Env("DESKTOP_STARTUP_ID"), Env("XDG_ACTIVATION_TOKEN")};
        std::string problem;
        switch (quorva::instance::KnockAt(quorva::instance::PathsFor(settings), request, 5000, &problem)) {
        case quorva::instance::Knock::Answered:
            return 0;
        case quorva::instance::Knock::NoAnswer:
            std::fprintf(stderr, "quorva: a calculator with the settings file %s is running but does not "
                                 "answer: %s\n", settings.c_str(), problem.c_str());
            return 1;
        case quorva::instance::Knock::NotRunning:
            if (verb == quorva::instance::Verb::Quit) {
                std::fprintf(stderr, "quorva: no calculator runs with the settings file %s\n", settings.c_str());
                return 1;
            }
            break;
        case quorva::instance::Knock::Unguarded:
            break;  // the windows' library finds the same, says so and runs all the same
        }
    }

    int restCount = static_cast<int>(rest.size());
    rest.push_back(nullptr);
    quorva::trace::Mark("no calculator runs");
    QuorvaStart start{restCount, rest.data(), configDir.c_str(), static_cast<int>(verb), paths ? 1 : 0};
    return RunWindows(programFolder, start);
}
