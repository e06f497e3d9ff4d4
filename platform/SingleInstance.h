#pragma once
// One calculator per settings file: the first start holds a lock named after the file and
// listens on a local socket beside it; a later start with the same file finds the lock, asks
// the running one to show itself and ends.
//
// Plain POSIX: flock() on the lock file (the kernel lets go of it when the process ends, so
// no lock is ever stale and nothing needs to reach the disk) and a Unix socket watched by a
// QSocketNotifier, which sleeps until a later start knocks.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace quorva::platform {

class SingleInstance : public QObject {
public:
    // key: what two starts must not share (the settings file's path); folder: where the lock
    // and the socket go (empty: $XDG_RUNTIME_DIR, else the temporary folder).
    explicit SingleInstance(const std::string& key, const QString& folder = {});
    ~SingleInstance() override;

    enum class Outcome {
        First,       // we hold the lock: run, and answer later starts
        ShownOther,  // another start holds it and has been asked to show itself
        NoAnswer,    // another start holds it but did not answer in time
        Unguarded,   // the lock could not be made at all (say, no writable folder): run anyway
    };
    // waitMs bounds the time spent waiting for a running one that is still starting up.
    Outcome Claim(int waitMs = 5000);

    // Runs (on this thread) when a later start asks us to show ourselves.
    std::function<void()> onShowRequest;

    const QString& LockPath() const { return lockPath_; }
    const QString& SocketPath() const { return socketPath_; }

private:
    bool Listen();
    bool AskRunningToShow(int waitMs);
    void Accept();
    void Read(int fd);
    void Close(int fd);

    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    int serverFd_ = -1;
    QSocketNotifier* serverNotifier_ = nullptr;
    struct Caller {
        int fd;
        QSocketNotifier* notifier;
        std::string received;
    };
    std::vector<Caller> callers_;
};

}  // namespace quorva::platform
