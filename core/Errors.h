#pragma once
// A runtime error carries the code the key handlers report: 5 bad argument, 6 overflow,
// 9 index out of range, 11 division by zero.

#include <stdexcept>

namespace quorva {

enum ErrorCode : int {
    kBadArgument = 5,
    kOverflow = 6,
    kIndexOutOfRange = 9,
    kDivisionByZero = 11,
};

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

[[noreturn]] void Raise(int code);

// The message shown for a code: "BAD ARGUMENT", "OVERFLOW" or "DIVISION BY ZERO".
const char* ErrorMessage(int code);

}  // namespace quorva
