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

// $XDG_RUNTIME_DIR when it is a folder, else $TMPDIR, else /tmp.
std::string DefaultFolder();

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
    Unguarded,   // the lock file cannot be opened at all
};

// Asks the running calculator, if any, to do request. waitMs bounds the wait for one that is
// still starting up (it takes the lock a moment before it listens).
Knock KnockAt(const Paths& paths, const Request& request, int waitMs);

// Only the socket part: connects, sends, waits for the answer until waitMs are over.
bool Ask(const std::string& socketPath, const Request& request, int waitMs);

}  // namespace quorva::instance
