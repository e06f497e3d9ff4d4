#include "Instance.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorva::instance {

namespace {

constexpr std::string_view kStartupId = "startup-id ";
constexpr std::string_view kActivationToken = "activation-token ";

struct VerbWords {
    Verb verb;
    std::string_view request;
    std::string_view answer;
};
// "show" and "shown" are what earlier calculators sent and answered.
constexpr std::array<VerbWords, 3> kVerbs{{
    {Verb::Show, "show", "shown\n"},
    {Verb::Toggle, "toggle", "toggled\n"},
    {Verb::Quit, "quit", "quitting\n"},
}};

uint32_t Rotl(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

std::string WithoutTrailingSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// Lexically: no "." or "..", no doubled or trailing "/".
std::string Clean(const std::string& p) {
    return WithoutTrailingSlash(std::filesystem::path(p).lexically_normal().string());
}

std::string Absolute(const std::string& p) {
    if (!p.empty() && p.front() == '/') return p;
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return p;
    return std::string(cwd) + "/" + p;
}

std::string RealPath(const std::string& p) {
    char real[PATH_MAX];
    return ::realpath(p.c_str(), real) != nullptr ? std::string(real) : std::string();
}

bool Address(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    while (true) {
        const int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return (p.revents & (events | POLLHUP)) != 0;
        if (n == 0 || errno != EINTR) return false;
    }
}

// A token goes on one line; one that cannot is not passed on.
bool Sendable(const std::string& token) {
    return !token.empty() && token.size() <= 1024 && token.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

std::string Sha1Hex(std::string_view bytes) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string m(bytes);
    const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    m.push_back(static_cast<char>(0x80));
    while (m.size() % 64 != 56) m.push_back('\0');
    for (int i = 7; i >= 0; --i) m.push_back(static_cast<char>((bits >> (i * 8)) & 0xFF));
    for (std::size_t block = 0; block < m.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto* b = reinterpret_cast<const unsigned char*>(m.data() + block + 4 * i);
            w[i] = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
        }
        for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t t = Rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const uint32_t v : h) {
        for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHex[(v >> shift) & 0xF]);
    }
    return hex;
}

std::string CanonicalKey(const std::string& key) {
    const std::string whole = Clean(Absolute(key));
    std::string path = whole;
    std::string rest;
    while (!path.empty()) {
        const std::string real = RealPath(path);
        if (!real.empty()) return real + rest;
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) break;
        rest.insert(0, path.substr(slash));
        path.resize(slash);
    }
    return whole;
}

std::string DefaultFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        // After a plain su it may still be the other user's: then it is not ours to use.
        const std::string folder = Clean(runtime);
        if (PrivateFolderProblem(folder).empty()) return folder;
    }
    const char* tmp = std::getenv("TMPDIR");
    return (tmp && *tmp ? Clean(tmp) : std::string("/tmp")) + "/quorva-" + std::to_string(::geteuid());
}

std::string PrivateFolderProblem(const std::string& folder) {
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) return "cannot use the folder " + folder + ": " + std::strerror(errno);
    if (S_ISLNK(st.st_mode)) return folder + " is a symbolic link, not a private folder";
    if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return folder + " is not a private folder (owned by uid " + std::to_string(st.st_uid) + ", mode " +
               mode + ")";
    }
    return {};
}

std::string MakePrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return "cannot make the folder " + folder + ": " + std::strerror(errno);
    }
    return PrivateFolderProblem(folder);
}

int OpenLock(const std::string& path, bool create, std::string& problem) {
    problem.clear();
    // O_NONBLOCK: a fifo or a device planted there must not hold up the start.
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (create ? O_CREAT : 0);
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) {
        if (errno == ELOOP) {
            problem = "the lock file " + path + " is a symbolic link";
        } else if (errno != ENOENT || create) {
            problem = "cannot open the lock file " + path + ": " + std::strerror(errno);
        }
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        problem = "the lock file " + path + " is not a regular file of this user (owned by uid " +
                  std::to_string(st.st_uid) + ")";
        ::close(fd);
        return -1;
    }
    return fd;
}

Paths PathsFor(const std::string& settingsPath, const std::string& folder) {
    const std::string base = (folder.empty() ? DefaultFolder() : folder) + "/quorva-" +
                             Sha1Hex(CanonicalKey(settingsPath)).substr(0, 16);
    return {base + ".lock", base + ".socket"};
}

std::string RequestText(const Request& request) {
    std::string text;
    if (Sendable(request.startupId)) text.append(kStartupId).append(request.startupId).push_back('\n');
    if (Sendable(request.activationToken)) {
        text.append(kActivationToken).append(request.activationToken).push_back('\n');
    }
    for (const VerbWords& v : kVerbs) {
        if (v.verb == request.verb) text.append(v.request).push_back('\n');
    }
    return text;
}

std::string_view AnswerFor(Verb verb) {
    for (const VerbWords& v : kVerbs) {
        if (v.verb == verb) return v.answer;
    }
    return {};
}

void RequestReader::Feed(std::string_view bytes) { pending_.append(bytes); }

std::optional<Request> RequestReader::Next() {
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (line.starts_with(kStartupId)) {
            building_.startupId = line.substr(kStartupId.size());
            continue;
        }
        if (line.starts_with(kActivationToken)) {
            building_.activationToken = line.substr(kActivationToken.size());
            continue;
        }
        for (const VerbWords& v : kVerbs) {
            if (line == v.request) {
                Request done = std::move(building_);
                building_ = {};
                done.verb = v.verb;
                return done;
            }
        }
        // Anything else (a later calculator's word, noise) is passed over, with its tokens.
        building_ = {};
    }
    return std::nullopt;
}

long PeerUid(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) return -1;
    return static_cast<long>(peer.uid);
}

bool Ask(const std::string& socketPath, const Request& request, int waitMs, std::string* problem) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    const auto fail = [problem](std::string why) {
        if (problem != nullptr) *problem = std::move(why);
        return false;
    };
    sockaddr_un address;
    if (!Address(socketPath, address)) return fail("the socket's name " + socketPath + " is too long");
    const std::string text = RequestText(request);
    const std::string_view expected = AnswerFor(request.verb);
    const std::string within = " within " + std::to_string(waitMs) + " ms";
    while (true) {
        struct stat st;
        if (::lstat(socketPath.c_str(), &st) == 0) {
            if (!S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
                return fail("the socket " + socketPath + " is not a socket of this user (owned by uid " +
                            std::to_string(st.st_uid) + ")");
            }
            // Non-blocking: a listener that never accepts makes connect() wait for ever.
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0) return fail(std::string("cannot make a socket: ") + std::strerror(errno));
            bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            if (!connected && errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline)) {
                int error = 0;
                socklen_t size = sizeof error;
                connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
            }
            if (connected) {
                if (const long uid = PeerUid(fd); uid != static_cast<long>(::geteuid())) {
                    ::close(fd);
                    return fail("the socket " + socketPath + " is served by uid " + std::to_string(uid) +
                                ", not by this user");
                }
                bool sent = false;
                while (!sent && WaitFor(fd, POLLOUT, deadline)) {
                    const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
                    if (n == static_cast<ssize_t>(text.size())) sent = true;
                    else if (n >= 0 || (errno != EAGAIN && errno != EINTR)) break;  // a request is one write
                }
                std::string answer;
                char buf[64];
                while (sent && answer.find('\n') == std::string::npos && WaitFor(fd, POLLIN, deadline)) {
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                    if (n <= 0) break;
                    answer.append(buf, static_cast<size_t>(n));
                }
                ::close(fd);
                if (answer == expected) return true;
                return fail(answer.empty() ? "no answer on the socket " + socketPath + within
                                           : "an unknown answer on the socket " + socketPath);
            }
            ::close(fd);
            // EAGAIN: its queue is full (it does not accept); ECONNREFUSED: nobody listens yet.
        }
        if (RemainingMs(deadline) == 0) return fail("nothing answered on the socket " + socketPath + within);
        ::usleep(static_cast<useconds_t>(std::min(10, RemainingMs(deadline)) * 1000));
    }
}

Knock KnockAt(const Paths& paths, const Request& request, int waitMs, std::string* problem) {
    std::string why;
    const auto report = [&](Knock knock) {
        if (problem != nullptr) *problem = why;
        return knock;
    };
    const std::string folder = paths.lock.substr(0, paths.lock.rfind('/'));
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) return report(Knock::NotRunning);
    why = PrivateFolderProblem(folder);
    if (!why.empty()) return report(Knock::Unguarded);
    const int fd = OpenLock(paths.lock, false, why);
    if (fd < 0) return report(why.empty() ? Knock::NotRunning : Knock::Unguarded);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::close(fd);  // lets go of it for the calculator that is about to start
        return report(Knock::NotRunning);
    }
    const bool held = errno == EWOULDBLOCK;
    if (!held) why = std::string("cannot lock ") + paths.lock + ": " + std::strerror(errno);
    ::close(fd);
    if (!held) return report(Knock::Unguarded);
    return report(Ask(paths.socket, request, waitMs, &why) ? Knock::Answered : Knock::NoAnswer);
}

}  // namespace quorva::instance
