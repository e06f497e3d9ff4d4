#pragma once
// The input read a piece at a time; a broken invariant stops the run (libFuzzer keeps the input).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorva::fuzz {

[[noreturn]] inline void Broken(const char* file, int line, const char* what,
                                const std::string& detail) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n%s\n", file, line, what, detail.c_str());
    std::abort();
}

// The input, consumed from the front; past its end every byte reads 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int Pick(size_t n) { return static_cast<int>(Byte() % n); }  // one of n choices (n > 0)
    // A length byte and that many bytes.
    std::string Text(size_t maxLength) {
        const size_t wanted = Byte() % (maxLength + 1);
        const size_t n = std::min(wanted, size_ - std::min(pos_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_, pos_ = 0;
};

}  // namespace quorva::fuzz

#define QUORVA_FUZZ_CHECK(cond, detail)                                           \
    do {                                                                          \
        if (!(cond)) ::quorva::fuzz::Broken(__FILE__, __LINE__, #cond, (detail)); \
    } while (0)
