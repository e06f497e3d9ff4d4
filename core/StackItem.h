#pragma once

#include <cstdint>
#include <string>

namespace quorva {

enum ItemKind : int16_t {
    kKindEmpty = 0,
    kKindDecimal = 1,
    kKindBinary = 2,
    kKindHex = 3,
};

struct StackItem {
    int16_t kind = kKindEmpty;
    double value = 0.0;
    std::string text;

    bool operator==(const StackItem&) const = default;
};

}  // namespace quorva
