#pragma once
// Everything written to fd 2 while it lives, through a pipe, which no file size limit cuts.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace quorva::test {

class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        if (::pipe(pipe_) != 0) return;
        ::fcntl(pipe_[0], F_SETFL, O_NONBLOCK);
        ::dup2(pipe_[1], 2);
    }
    ~StderrCapture() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    const std::string& Text() {
        std::fflush(stderr);
        char buf[4096];
        for (ssize_t n; (n = ::read(pipe_[0], buf, sizeof buf)) > 0;) all_.append(buf, static_cast<size_t>(n));
        return all_;
    }
    int Count(const std::string& what) {
        const std::string& all = Text();
        int count = 0;
        for (size_t p = all.find(what); p != std::string::npos; p = all.find(what, p + 1)) ++count;
        return count;
    }

private:
    int saved_ = -1;
    int pipe_[2] = {-1, -1};
    std::string all_;
};

}  // namespace quorva::test
