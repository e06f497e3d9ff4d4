#pragma once
// One calculator per settings file: the first start holds a lock named after the file and
// listens on a local socket beside it; a later start with the same file finds the lock, asks
// the running one to show itself and ends.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

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
    bool AskRunningToShow(int waitMs);
    void Answer();

    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace quorva::platform
