#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>

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

}  // namespace

SingleInstance::SingleInstance(const std::string& key, const QString& folder) {
    const QByteArray hash =
        QCryptographicHash::hash(CanonicalKey(key).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString base = (folder.isEmpty() ? DefaultFolder() : folder) + QStringLiteral("/quorva-") +
                         QString::fromLatin1(hash);
    lockPath_ = base + QStringLiteral(".lock");
    socketPath_ = base + QStringLiteral(".socket");
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Only a dead owner makes the lock stale, however long the calculator runs.
    lock_->setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this] { Answer(); });
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_->isLocked()) lock_->unlock();
}

SingleInstance::Outcome SingleInstance::Claim(int waitMs) {
    if (lock_->tryLock(0)) {
        // A socket left by a calculator that died is in the way of ours.
        QLocalServer::removeServer(socketPath_);
        server_.listen(socketPath_);
        return Outcome::First;
    }
    if (lock_->error() != QLockFile::LockFailedError) return Outcome::Unguarded;
    return AskRunningToShow(waitMs) ? Outcome::ShownOther : Outcome::NoAnswer;
}

bool SingleInstance::AskRunningToShow(int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    // The running one takes the lock a moment before it listens.
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(kShow);
            socket.flush();
            while (socket.canReadLine() || socket.waitForReadyRead(static_cast<int>(
                                                std::max<qint64>(deadline.remainingTime(), 0)))) {
                if (socket.canReadLine()) return socket.readLine() == kShown;
            }
            return false;
        }
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);
    }
}

void SingleInstance::Answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != kShow) continue;
                if (onShowRequest) onShowRequest();
                socket->write(kShown);
                socket->flush();
            }
        });
    }
}

}  // namespace quorva::platform
