#pragma once
// One calculator per settings file: the first start holds a lock named after the file and
// listens on a local socket beside it; a later start with the same file finds the lock, asks
// the running one to show itself and ends.
//
// Plain POSIX: flock() on the lock file (the kernel lets go of it when the process ends, so
// no lock is ever stale and nothing needs to reach the disk) and a Unix socket watched by a
// QSocketNotifier, which sleeps until a later start knocks. The names and the requests are
// those of Instance.h, which the launcher uses without Qt.

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Instance.h"

class QSocketNotifier;
class QTimer;

namespace quorva::platform {

class SingleInstance : public QObject {
public:
    // key: what two starts must not share (the settings file's path); folder: where the lock
    // and the socket go (empty: instance::DefaultFolder()).
    explicit SingleInstance(const std::string& key, const QString& folder = {});
    ~SingleInstance() override;

    enum class Outcome {
        First,       // we hold the lock: run, and answer later starts
        ShownOther,  // another start holds it and took the request (to show itself, ...)
        NoAnswer,    // another start holds it but did not answer in time
        Unguarded,   // the folder or the lock is not fit for use (Problem() says why): run anyway
    };
    // waitMs bounds the time spent waiting for a running one that is still starting up.
    // request: what a running one is asked to do.
    Outcome Claim(const instance::Request& request, int waitMs = 5000);
    Outcome Claim(int waitMs = 5000) { return Claim(instance::Request{}, waitMs); }

    // Runs (on this thread) for each request of a later start, before it is answered.
    std::function<void(const instance::Request&)> onRequest;

    const QString& LockPath() const { return lockPath_; }
    const QString& SocketPath() const { return socketPath_; }
    // After Claim: why the lock is not used (Unguarded) or why a running one did not answer
    // (NoAnswer); for First, why later starts cannot reach this one (the socket could not be
    // made), else empty.
    const std::string& Problem() const { return problem_; }

    // Callers at once; when one more comes, the oldest that is not being answered goes.
    static constexpr std::size_t kMaxCallers = 16;
    // A caller has this long for its request (whose size RequestReader bounds).
    static constexpr std::chrono::milliseconds kRequestTime{2000};
    // When the process is out of file descriptors, new callers wait this long in the queue
    // rather than wake us at once again.
    static constexpr std::chrono::milliseconds kFullPause{200};

private:
    std::string Listen();
    void Accept();
    void Read(int fd);
    void Close(int fd);
    void DropLate();

    std::string folder_;
    QString lockPath_;
    QString socketPath_;
    std::string problem_;
    int lockFd_ = -1;
    int serverFd_ = -1;
    QSocketNotifier* serverNotifier_ = nullptr;
    QTimer* lateTimer_ = nullptr;
    struct Caller {
        int fd;
        QSocketNotifier* notifier;
        instance::RequestReader reader;
        std::chrono::steady_clock::time_point came;
        bool answering = false;
    };
    std::vector<Caller> callers_;
};

}  // namespace quorva::platform
