#pragma once
// The host that tests and benchmarks give the calculator: the windowless host, recording which
// views changed.

#include "PlainHost.h"

namespace quorva::test {

class FakeHost : public PlainHost {
public:
    unsigned views = 0;  // every View bit reported so far

    void ViewsChanged(unsigned v) override { views |= v; }
};

}  // namespace quorva::test
