#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorva::platform {

namespace {

constexpr char kShow[] = "show\n";
constexpr char kShown[] = "shown\n";

QString DefaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return QDir::tempPath();
}

// The same file reached by another path (a symbolic link, "a/../b") is the same calculator,
// also when its folder is made only later: the part that exists is resolved, the rest kept.
QString CanonicalKey(const std::string& key) {
    QString path = QDir::cleanPath(QFileInfo(QString::fromStdString(key)).absoluteFilePath());
    QString rest;
    while (!path.isEmpty()) {
        const QString real = QFileInfo(path).canonicalFilePath();
        if (!real.isEmpty()) return real + rest;
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) break;
        rest.prepend(path.mid(slash));
        path.truncate(slash);
    }
    return QDir::cleanPath(QFileInfo(QString::fromStdString(key)).absoluteFilePath());
}

// A socket address for path; false when the path does not fit.
bool Address(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(bytes.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

int RemainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 60000));
}

// Waits for events on fd until the deadline; false on timeout or error.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd p{fd, events, 0};
    while (true) {
        const int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return (p.revents & (events | POLLHUP)) != 0;
        if (n == 0 || errno != EINTR) return false;
    }
}

}  // namespace

SingleInstance::SingleInstance(const std::string& key, const QString& folder) {
    const QByteArray hash =
        QCryptographicHash::hash(CanonicalKey(key).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString base = (folder.isEmpty() ? DefaultFolder() : folder) + QStringLiteral("/quorva-") +
                         QString::fromLatin1(hash);
    lockPath_ = base + QStringLiteral(".lock");
    socketPath_ = base + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance() {
    while (!callers_.empty()) Close(callers_.front().fd);
    if (serverFd_ >= 0) {
        delete serverNotifier_;
        ::close(serverFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
    // The lock file stays: removing it would let a start that opened it before and one that
    // creates it anew both hold "the" lock.
    if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::Outcome SingleInstance::Claim(int waitMs) {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    const int fd = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Outcome::Unguarded;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (!held) return Outcome::Unguarded;
        return AskRunningToShow(waitMs) ? Outcome::ShownOther : Outcome::NoAnswer;
    }
    lockFd_ = fd;
    // Who holds it, for a person looking; nobody reads it back.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, pid.constData(), static_cast<size_t>(pid.size()));
    }
    Listen();
    return Outcome::First;
}

bool SingleInstance::Listen() {
    sockaddr_un address;
    if (!Address(socketPath_, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // We hold the lock, so a socket file left here belongs to a calculator that died.
    ::unlink(address.sun_path);
    const mode_t mask = ::umask(0177);  // the socket is the user's own
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    serverFd_ = fd;
    serverNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    QObject::connect(serverNotifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
    return true;
}

bool SingleInstance::AskRunningToShow(int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    sockaddr_un address;
    if (!Address(socketPath_, address)) return false;
    // The running one takes the lock a moment before it listens.
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            bool shown = false;
            if (::send(fd, kShow, sizeof kShow - 1, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof kShow - 1)) {
                std::string answer;
                char buf[64];
                while (answer.find('\n') == std::string::npos && WaitFor(fd, POLLIN, deadline)) {
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n <= 0) break;
                    answer.append(buf, static_cast<size_t>(n));
                }
                shown = answer == kShown;
            }
            ::close(fd);
            return shown;
        }
        ::close(fd);
        if (deadline.hasExpired()) return false;
        ::usleep(static_cast<useconds_t>(std::min(50, RemainingMs(deadline)) * 1000));
    }
}

void SingleInstance::Accept() {
    while (true) {
        const int fd = ::accept4(serverFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        callers_.push_back({fd, notifier, {}});
        QObject::connect(notifier, &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
    }
}

void SingleInstance::Read(int fd) {
    auto caller = std::find_if(callers_.begin(), callers_.end(), [fd](const Caller& c) { return c.fd == fd; });
    if (caller == callers_.end()) return;
    char buf[64];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) Close(fd);
        return;
    }
    caller->received.append(buf, static_cast<size_t>(n));
    int requests = 0;
    size_t end;
    while ((end = caller->received.find('\n')) != std::string::npos) {
        if (caller->received.compare(0, end + 1, kShow) == 0) ++requests;
        caller->received.erase(0, end + 1);
    }
    // A caller that sends without end is cut off rather than kept.
    const bool runaway = caller->received.size() > 1024;
    for (; requests > 0; --requests) {
        if (onShowRequest) onShowRequest();
        [[maybe_unused]] const ssize_t sent = ::send(fd, kShown, sizeof kShown - 1, MSG_NOSIGNAL);
    }
    if (runaway) Close(fd);
}

void SingleInstance::Close(int fd) {
    const auto caller = std::find_if(callers_.begin(), callers_.end(), [fd](const Caller& c) { return c.fd == fd; });
    if (caller == callers_.end()) return;
    // We may be inside this notifier's own signal.
    caller->notifier->setEnabled(false);
    caller->notifier->deleteLater();
    ::close(fd);
    callers_.erase(caller);
}

}  // namespace quorva::platform
