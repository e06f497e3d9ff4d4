#include "Errors.h"

namespace quorva {

RuntimeError::RuntimeError(int code) : std::runtime_error(ErrorMessage(code)), code_(code) {}

void Raise(int code) { throw RuntimeError(code); }

const char* ErrorMessage(int code) {
    switch (code) {
        case kOverflow:
            return "OVERFLOW";
        case kDivisionByZero:
            return "DIVISION BY ZERO";
        default:
            return "BAD ARGUMENT";
    }
}

}  // namespace quorva
