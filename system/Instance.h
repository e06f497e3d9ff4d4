#pragma once
// How a start finds the calculator that already runs with the same settings file: a lock file
// held with flock() and a Unix socket beside it, both named after the file's real path, and
// the one-line requests sent over the socket. Plain POSIX and standard C++: the launcher that
// a desktop shortcut runs uses this without loading any toolkit, and so does the calculator
// itself, so the two always agree on the names and the words.

#include <optional>
#include <string>
#include <string_view>

namespace quorva::instance {

// SHA-1 of bytes, as 40 lowercase hexadecimal digits.
std::string Sha1Hex(std::string_view bytes);

// The same file reached by another path (a symbolic link, "a/../b") gives the same key, also
// when its folder is made only later: the part that exists is resolved, the rest kept.
std::string CanonicalKey(const std::string& path);

// Where the lock and the socket go: $XDG_RUNTIME_DIR when it is a private folder of this
// user, else quorva-UID in $TMPDIR (or /tmp), which MakePrivateFolder makes.
std::string DefaultFolder();

// Empty when folder is a real folder (no symbolic link) of this user that nobody else may
// enter; else what is wrong with it, naming it. Another user who could write there could take
// the socket's name or plant a link where the lock goes.
std::string PrivateFolderProblem(const std::string& folder);
// Makes folder (mode 0700, its parent must exist) when it is missing, then checks it as above.
std::string MakePrivateFolder(const std::string& folder);

// Opens the lock file, made when create is set, without following a symbolic link; it must be
// a regular file of this user. -1 with problem set otherwise, or with problem empty when the
// file is simply not there (and create is not set).
int OpenLock(const std::string& path, bool create, std::string& problem);

struct Paths {
    std::string lock;
    std::string socket;
};
// folder empty: DefaultFolder().
Paths PathsFor(const std::string& settingsPath, const std::string& folder = {});

enum class Verb { Show, Toggle, Quit };

struct Request {
    Verb verb = Verb::Show;
    // The caller's activation tokens (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN), so that a
    // desktop which prevents focus stealing lets the running calculator take the focus.
    std::string startupId;
    std::string activationToken;
};

// The request as sent: a line per token, then the verb's line.
std::string RequestText(const Request& request);
// What the running calculator answers to a verb, a line.
std::string_view AnswerFor(Verb verb);

// Takes the bytes of one caller as they come and hands out its complete requests.
class RequestReader {
public:
    void Feed(std::string_view bytes);
    std::optional<Request> Next();
    // A caller that sends without end is cut off rather than kept.
    bool Runaway() const { return pending_.size() > kLimit; }

private:
    static constexpr std::size_t kLimit = 4096;
    std::string pending_;
    Request building_;
};

enum class Knock {
    NotRunning,  // nobody holds the lock
    Answered,    // the running one took the request
    NoAnswer,    // somebody holds the lock but did not answer within the time
    Unguarded,   // the folder or the lock file is not fit for use, or cannot be opened at all
};

// Asks the running calculator, if any, to do request. waitMs bounds the whole knock, the
// wait for one that is still starting up included (it takes the lock a moment before it
// listens). problem, when given, says what was wrong for NoAnswer and Unguarded.
Knock KnockAt(const Paths& paths, const Request& request, int waitMs, std::string* problem = nullptr);

// Only the socket part: connects, sends, waits for the answer until waitMs are over. Only a
// socket of this user, served by a process of this user, is asked.
bool Ask(const std::string& socketPath, const Request& request, int waitMs, std::string* problem = nullptr);

// The user id of the process at the other end of a connected Unix socket, -1 if unknown.
long PeerUid(int fd);

}  // namespace quorva::instance
