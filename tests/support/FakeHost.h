#pragma once
// The host that tests and benchmarks give the calculator: the windowless one.

#include "PlainHost.h"

namespace quorva::test {

using FakeHost = PlainHost;

}  // namespace quorva::test
