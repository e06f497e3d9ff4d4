#include "QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorva::platform {

namespace {

int g_pipe[2] = {-1, -1};
std::function<void(int)> g_handler;

extern "C" void OnSignal(int signal) {
    const int saved = errno;
    const char number = static_cast<char>(signal);
    // Nothing else is safe here; a full pipe just loses a repeat of the same request.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &number, 1);
    errno = saved;
}

}  // namespace

void WatchQuitSignals(std::function<void(int)> handler) {
    g_handler = std::move(handler);
    if (g_pipe[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        std::perror("quorva: no pipe for the quit signals");
        return;
    }
    ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char number = 0;
        if (::read(g_pipe[1], &number, 1) == 1 && g_handler) g_handler(number);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace quorva::platform
