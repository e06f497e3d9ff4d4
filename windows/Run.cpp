// The calculator itself, in the windows' library that the launcher (main.cpp) opens once it has
// found no running calculator to hand its request to.

#include <QApplication>
#include <QSessionManager>

#include <malloc.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Instance.h"
#include "Launch.h"
#include "Program.h"
#include "frmCommands.h"
#include "QuitSignals.h"
#include "SingleInstance.h"
#include "Trace.h"
#include "Version.h"
#include "Window.h"

namespace {

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
    // Only looked at: --paths makes nothing.
    const std::string settings = quorva::Program::SettingsPathFor(start);
    const quorva::instance::Paths instance = quorva::instance::PathsFor(settings);
    const std::string folder = instance.lock.substr(0, instance.lock.rfind('/'));
    struct stat st;
    const bool missing = ::lstat(folder.c_str(), &st) != 0 && errno == ENOENT;
    const std::string problem = missing ? std::string() : quorva::instance::PrivateFolderProblem(folder);
    std::printf("lock: %s%s%s%s\n", instance.lock.c_str(), problem.empty() ? "" : " (not used: ", problem.c_str(),
                problem.empty() ? "" : ")");
    std::printf("socket: %s\n", instance.socket.c_str());
    const std::string page = quorva::Program::ManualPage();
    if (page.empty()) {
        std::printf("manual: (not installed: there is no %s)\n", qPrintable(quorva::frmCommands::WebPagePath()));
    } else {
        std::printf("manual: %s\n", page.c_str());
    }
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int quorva_run(const QuorvaStart* launch) {
    using quorva::instance::Verb;
    quorva::StartOptions start;
    start.configDir = launch->configDir;
    const auto verb = static_cast<Verb>(launch->verb);
    // Started because none ran: a toggle shows it whatever "Start minimized" says.
    start.startShown = verb == Verb::Toggle;
    int argc = launch->argc;
    if (launch->showPaths != 0) return ShowPaths(start, argc, launch->argv);

    quorva::platform::ChooseDisplayPlatform();
#ifdef M_ARENA_MAX
    // The few threads (Qt's X reader and session bus, the start-up helper) allocate little:
    // without heaps of their own, some 200 KiB are not kept resident.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication app(argc, launch->argv);
    quorva::trace::Mark("QApplication");
    if (argc > 1) {
        // Whatever Qt did not take as its own option.
        return Usage((std::string("unknown argument: ") + launch->argv[1]).c_str());
    }
    QApplication::setApplicationName(QStringLiteral("Quorva"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVA_VERSION));
    // Hidden windows come back; only the program's own quit ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // One that started meanwhile takes the request; a toggle that found none only shows it.
    quorva::instance::Request request{verb == Verb::Toggle ? Verb::Show : verb, {}, {}};
    if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) request.startupId = id;
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN")) request.activationToken = token;
    const std::string settings = quorva::Program::SettingsPathFor(start);
    quorva::platform::SingleInstance instance(settings);
    switch (instance.Claim(request)) {
    case quorva::platform::SingleInstance::Outcome::ShownOther:
        return 0;
    case quorva::platform::SingleInstance::Outcome::NoAnswer:
        std::fprintf(stderr, "quorva: a calculator with the settings file %s is running but does not "
                             "answer: %s\n", settings.c_str(), instance.Problem().c_str());
        return 1;
    case quorva::platform::SingleInstance::Outcome::Unguarded:
        if (verb == Verb::Quit) {
            std::fprintf(stderr, "quorva: %s; cannot reach a running calculator\n", instance.Problem().c_str());
            return 1;
        }
        std::fprintf(stderr, "quorva: %s; running without single-instance: a second start would not find "
                             "this one\n", instance.Problem().c_str());
        break;
    case quorva::platform::SingleInstance::Outcome::First:
        if (!instance.Problem().empty() && verb != Verb::Quit) {
            std::fprintf(stderr, "quorva: %s; a second start would not find this one\n",
                         instance.Problem().c_str());
        }
        break;
    }
    quorva::trace::Mark("instance claimed");
    quorva::Program program(start);
    quorva::trace::Mark("program made");
    program.PrepareMeanwhile();
    quorva::trace::Mark("helper started");
    instance.onRequest = [&program](const quorva::instance::Request& r) { program.AtRequest(r); };
    quorva::platform::WatchQuitSignals([&program](int) { program.QuitWithoutAsking(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&program](QSessionManager&) { program.SessionEnding(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&program] { program.SessionEnding(); });
    program.Main();
    return QApplication::exec();
}
