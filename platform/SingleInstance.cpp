#include "SingleInstance.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

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

SingleInstance::SingleInstance(const std::string& key, const QString& folder)
    : folder_(folder.isEmpty() ? instance::DefaultFolder() : QFile::encodeName(folder).toStdString()) {
    const instance::Paths paths = instance::PathsFor(key, folder_);
    lockPath_ = QFile::decodeName(paths.lock.c_str());
    socketPath_ = QFile::decodeName(paths.socket.c_str());
}

SingleInstance::~SingleInstance() {
    while (!callers_.empty()) Close(callers_.front().fd);
    if (serverFd_ >= 0) {
        delete serverNotifier_;
        serverNotifier_ = nullptr;
        ::close(serverFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
    // The lock file stays: removing it would let a start that opened it before and one that
    // creates it anew both hold "the" lock.
    if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::Outcome SingleInstance::Claim(const instance::Request& request, int waitMs) {
    problem_ = instance::MakePrivateFolder(folder_);
    if (!problem_.empty()) return Outcome::Unguarded;
    const int fd = instance::OpenLock(QFile::encodeName(lockPath_).toStdString(), true, problem_);
    if (fd < 0) return Outcome::Unguarded;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK) {
            problem_ = "cannot lock " + QFile::encodeName(lockPath_).toStdString() + ": " + std::strerror(error);
            return Outcome::Unguarded;
        }
        return instance::Ask(QFile::encodeName(socketPath_).toStdString(), request, waitMs, &problem_)
                   ? Outcome::ShownOther
                   : Outcome::NoAnswer;
    }
    lockFd_ = fd;
    // Who holds it, for a person looking; nobody reads it back.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, pid.constData(), static_cast<size_t>(pid.size()));
    }
    problem_ = Listen();
    return Outcome::First;
}

std::string SingleInstance::Listen() {
    const std::string path = QFile::encodeName(socketPath_).toStdString();
    const auto failed = [&path](const char* what) {
        return std::string("cannot ") + what + " the socket " + path + ": " + std::strerror(errno);
    };
    sockaddr_un address;
    if (!Address(socketPath_, address)) return "the socket's name " + path + " is too long";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return failed("make");
    // We hold the lock, so a socket file left here belongs to a calculator that died.
    ::unlink(address.sun_path);
    const mode_t mask = ::umask(0177);  // the socket is the user's own
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        const std::string problem = failed(bound ? "listen on" : "bind");
        ::close(fd);
        return problem;
    }
    serverFd_ = fd;
    serverNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    QObject::connect(serverNotifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
    lateTimer_ = new QTimer(this);
    lateTimer_->setInterval(kRequestTime / 4);
    QObject::connect(lateTimer_, &QTimer::timeout, this, [this] { DropLate(); });
    return {};
}

void SingleInstance::Accept() {
    // Bounded, so that a stream of callers cannot keep the event loop here.
    for (int i = 0; i < 64; ++i) {
        const int fd = ::accept4(serverFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The caller stays queued, so the notifier would fire again at once.
                serverNotifier_->setEnabled(false);
                QTimer::singleShot(kFullPause, this, [this] {
                    if (serverNotifier_ != nullptr) serverNotifier_->setEnabled(true);
                });
            }
            return;
        }
        if (instance::PeerUid(fd) != static_cast<long>(::geteuid())) {
            ::close(fd);  // another user's process: not ours to obey
            continue;
        }
        if (callers_.size() >= kMaxCallers) {
            const auto idle =
                std::find_if(callers_.begin(), callers_.end(), [](const Caller& c) { return !c.answering; });
            if (idle == callers_.end()) {
                ::close(fd);
                continue;
            }
            Close(idle->fd);
        }
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        callers_.push_back({fd, notifier, {}, std::chrono::steady_clock::now()});
        QObject::connect(notifier, &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
        lateTimer_->start();
    }
}

void SingleInstance::DropLate() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> late;
    for (const Caller& c : callers_) {
        if (!c.answering && now - c.came >= kRequestTime) late.push_back(c.fd);
    }
    for (const int fd : late) Close(fd);
    if (callers_.empty()) lateTimer_->stop();
}

void SingleInstance::Read(int fd) {
    const auto find = [this, fd] {
        return std::find_if(callers_.begin(), callers_.end(), [fd](const Caller& c) { return c.fd == fd; });
    };
    auto caller = find();
    if (caller == callers_.end()) return;
    char buf[256];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) Close(fd);
        return;
    }
    caller->reader.Feed(std::string_view(buf, static_cast<size_t>(n)));
    while (auto request = caller->reader.Next()) {
        // The handler may run a nested event loop; the caller is found again afterwards.
        caller->answering = true;
        if (onRequest) onRequest(*request);
        caller = find();
        if (caller == callers_.end()) return;
        caller->answering = false;
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
