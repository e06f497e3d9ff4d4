#include "Instance.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
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
    struct stat st;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        return runtime;
    }
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return Clean(tmp);
    return "/tmp";
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

bool Ask(const std::string& socketPath, const Request& request, int waitMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    sockaddr_un address;
    if (!Address(socketPath, address)) return false;
    const std::string text = RequestText(request);
    const std::string_view expected = AnswerFor(request.verb);
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            bool answered = false;
            if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
                std::string answer;
                char buf[64];
                while (answer.find('\n') == std::string::npos && WaitFor(fd, POLLIN, deadline)) {
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n <= 0) break;
                    answer.append(buf, static_cast<size_t>(n));
                }
                answered = answer == expected;
            }
            ::close(fd);
            return answered;
        }
        ::close(fd);
        if (RemainingMs(deadline) == 0) return false;
        ::usleep(static_cast<useconds_t>(std::min(10, RemainingMs(deadline)) * 1000));
    }
}

Knock KnockAt(const Paths& paths, const Request& request, int waitMs) {
    const int fd = ::open(paths.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno == ENOENT ? Knock::NotRunning : Knock::Unguarded;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::close(fd);  // lets go of it for the calculator that is about to start
        return Knock::NotRunning;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    if (!held) return Knock::Unguarded;
    return Ask(paths.socket, request, waitMs) ? Knock::Answered : Knock::NoAnswer;
}

}  // namespace quorva::instance
