#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorva::platform {

namespace {

// A socket address for path; false when the path does not fit.
bool Address(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(bytes.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& key, const QString& folder) {
    const instance::Paths paths =
        instance::PathsFor(key, folder.isEmpty() ? std::string() : QFile::encodeName(folder).toStdString());
    lockPath_ = QFile::decodeName(paths.lock.c_str());
    socketPath_ = QFile::decodeName(paths.socket.c_str());
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

SingleInstance::Outcome SingleInstance::Claim(const instance::Request& request, int waitMs) {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    const int fd = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Outcome::Unguarded;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (!held) return Outcome::Unguarded;
        return instance::Ask(QFile::encodeName(socketPath_).toStdString(), request, waitMs) ? Outcome::ShownOther
                                                                                         : Outcome::NoAnswer;
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
    caller->reader.Feed(std::string_view(buf, static_cast<size_t>(n)));
    // The handler may run a nested event loop; the caller is found again afterwards.
    while (auto request = caller->reader.Next()) {
        if (onRequest) onRequest(*request);
        caller = std::find_if(callers_.begin(), callers_.end(), [fd](const Caller& c) { return c.fd == fd; });
        if (caller == callers_.end()) return;
        const std::string_view answer = instance::AnswerFor(request->verb);
        [[maybe_unused]] const ssize_t sent = ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
    if (caller->reader.Runaway()) Close(fd);
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
