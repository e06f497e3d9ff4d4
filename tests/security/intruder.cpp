// What a hostile local user runs against somebody else's calculator (the security tests start it
// as nobody): it takes the lock and socket names before the calculator does, or floods a socket
// with idle connections. It prints "ready" once in place, then holds on until it is killed.
//   intruder listen LOG SOCKET...   listen there; every byte received goes to LOG, and each
//                                   request gets the answer a calculator would give
//   intruder hold LOCK...           create (mode 0666) and hold flock() locks
//   intruder stuck SOCKET...        listen with a full queue and never accept
//   intruder flood SOCKET N         open N connections (for at most 10 s) and keep them idle
//   intruder fill SOCKET            open connections until its queue is full, keep them
//   intruder send SOCKET TEXT       send TEXT, print what comes back within 2 s ("(closed)": the
//                                   connection was closed), exit
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

sockaddr_un Address(const char* path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path, sizeof a.sun_path - 1);
    return a;
}

int Listening(const char* path, int backlog) {
    const sockaddr_un a = Address(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::unlink(path);  // fails on another user's file in a sticky folder: then bind says so
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        std::fprintf(stderr, "intruder: cannot listen at %s: %s\n", path, std::strerror(errno));
        std::exit(1);
    }
    return fd;
}

int Connect(const char* path) {
    const sockaddr_un a = Address(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
}

void Ready() {
    std::puts("ready");
    std::fflush(stdout);
}

[[noreturn]] void Wait() {
    while (true) ::pause();
}

void Listen(const char* logPath, std::vector<const char*> paths) {
    std::vector<pollfd> fds;
    for (const char* path : paths) fds.push_back({Listening(path, 8), POLLIN, 0});
    ::chmod(logPath, 0666);
    FILE* log = std::fopen(logPath, "a");
    if (log == nullptr) {
        std::perror(logPath);
        std::exit(1);
    }
    Ready();
    const std::size_t servers = fds.size();
    while (::poll(fds.data(), fds.size(), -1) > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
            if (i < servers) {
                fds.push_back({::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC), POLLIN, 0});
                continue;
            }
            char buf[512];
            const ssize_t n = ::recv(fds[i].fd, buf, sizeof buf, 0);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;  // poll passes over it
                continue;
            }
            std::fwrite(buf, 1, static_cast<size_t>(n), log);
            std::fflush(log);
            // Answered as the calculator would, so that the caller believes it was done.
            const std::string got(buf, static_cast<size_t>(n));
            for (const char* pair : {"show\nshown\n", "toggle\ntoggled\n", "quit\nquitting\n"}) {
                const std::string verb(pair, std::strchr(pair, '\n') + 1);
                if (got.ends_with(verb)) {
                    const std::string answer = std::strchr(pair, '\n') + 1;
                    [[maybe_unused]] const ssize_t s = ::send(fds[i].fd, answer.data(), answer.size(), MSG_NOSIGNAL);
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[1] : "";
    if (what == "listen" && argc > 3) {
        Listen(argv[2], std::vector<const char*>(argv + 3, argv + argc));
    } else if (what == "hold") {
        for (int i = 2; i < argc; ++i) {
            ::umask(0);
            const int fd = ::open(argv[i], O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                std::fprintf(stderr, "intruder: cannot hold %s: %s\n", argv[i], std::strerror(errno));
                return 1;
            }
        }
        Ready();
        Wait();
    } else if (what == "fill" && argc == 3) {
        int count = 0;
        while (Connect(argv[2]) >= 0) ++count;
        std::printf("%d connections\n", count);
        Ready();
        Wait();
    } else if (what == "stuck") {
        for (int i = 2; i < argc; ++i) {
            Listening(argv[i], 0);
            while (Connect(argv[i]) >= 0) {
            }
        }
        Ready();
        Wait();
    } else if (what == "flood" && argc == 4) {
        const long wanted = std::atol(argv[3]);
        rlimit files{};
        ::getrlimit(RLIMIT_NOFILE, &files);
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
        std::vector<int> open;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (static_cast<long>(open.size()) < wanted && std::chrono::steady_clock::now() < end) {
            const int fd = Connect(argv[2]);
            if (fd >= 0) open.push_back(fd);
            else ::usleep(1000);  // its queue is full: it takes them as it can
        }
        std::printf("%zu connections\n", open.size());
        Ready();
        Wait();
    } else if (what == "send" && argc == 4) {
        const sockaddr_un a = Address(argv[2]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
            std::printf("cannot connect: %s\n", std::strerror(errno));
            return 0;
        }
        [[maybe_unused]] const ssize_t s = ::send(fd, argv[3], std::strlen(argv[3]), MSG_NOSIGNAL);
        pollfd p{fd, POLLIN, 0};
        char buf[256];
        if (::poll(&p, 1, 2000) <= 0) {
            std::puts("answer: (none)");
            return 0;
        }
        // Closed with our request unread, the connection is reset rather than ended.
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        std::printf("answer: %s\n", n > 0 ? std::string(buf, static_cast<size_t>(n)).c_str()
                                     : n == 0 || errno == ECONNRESET ? "(closed)" : std::strerror(errno));
        return 0;
    } else {
        std::fputs("usage: intruder listen LOG SOCKET... | hold LOCK... | stuck SOCKET... | flood SOCKET N | "
                   "fill SOCKET | send SOCKET TEXT\n", stderr);
        return 2;
    }
    return 0;
}
