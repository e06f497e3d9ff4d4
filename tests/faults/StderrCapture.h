#pragma once
// Everything written to fd 2 while it lives, through a pipe: on a full disk a file would not do.

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace quorva::test {

class StderrCapture {
public:
    StderrCapture() : saved_(::dup(2)) {
        if (::pipe2(pipe_, O_NONBLOCK) == 0) ::dup2(pipe_[1], 2);
    }
    ~StderrCapture() {
        ::dup2(saved_, 2);
        for (const int fd : {saved_, pipe_[0], pipe_[1]}) ::close(fd);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    const std::string& Text() {
        char buf[4096];
        for (ssize_t n; (n = ::read(pipe_[0], buf, sizeof buf)) > 0;) all_.append(buf, static_cast<size_t>(n));
        return all_;
    }
    int Count(const std::string& what) {
        int count = 0;
        for (size_t p = Text().find(what); p != std::string::npos; p = all_.find(what, p + 1)) ++count;
        return count;
    }

private:
    int saved_;
    int pipe_[2] = {-1, -1};
    std::string all_;
};

}  // namespace quorva::test
