#pragma once
// Start-up marks for bench/desktop/phases.sh: with QUORVA_TRACE=FILE, each Mark appends
// "NAME MS CPU" to FILE: CLOCK_MONOTONIC and the CPU time of the whole process, milliseconds
// (on a loaded machine the CPU time tells what a phase costs, the clock what it waited for).
// Unset, the cost is one getenv per program or library, on the first mark. Header only, so
// that the launcher, the windows' library and the bare Qt window of bench/desktop write the
// same lines.

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quorva::trace {

inline int TraceFile() {
    // Thread-safe once: the start-up helper thread marks too.
    static const int fd = [] {
        const char* path = std::getenv("QUORVA_TRACE");
        if (path == nullptr || *path == '\0') return -1;
        return ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }();
    return fd;
}

inline void Mark(const char* phase) {
    const int fd = TraceFile();
    if (fd < 0) return;
    const auto ms = [](clockid_t clock) {
        timespec t{};
        ::clock_gettime(clock, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    char line[160];
    const int n = std::snprintf(line, sizeof line, "%s %.3f %.3f\n", phase, ms(CLOCK_MONOTONIC),
                                ms(CLOCK_PROCESS_CPUTIME_ID));
    // One write: lines of several threads and of the launcher and the library stay whole.
    if (n > 0) (void)!::write(fd, line, std::min(static_cast<size_t>(n), sizeof line - 1));
}

}  // namespace quorva::trace
