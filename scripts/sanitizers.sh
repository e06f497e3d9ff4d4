#!/usr/bin/env bash
# The sanitizer build: the same project in build-asan, built by clang with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer (and libFuzzer for fuzz/). Sourced by scripts/test
# and fuzz/run-long.

# The targets the sanitizer run needs; nothing else is built there.
QUORVA_ASAN_TARGETS=(core_tests commands_tests appearance_tests quorva-keys windows_tests quorva_docs
                     fuzz_keys fuzz_settings fuzz_stack fuzz_picture)
# What the sanitizer run leaves to the plain build: the real X server, the install, the other
# user's attacks on the program (their channel code runs in appearance_tests and windows_tests)
# and the checks of committed pictures and pages, whose code the tests above already run; and
# the calculator out of file descriptors, where UBSan's own type check cannot get the pipe it
# needs and reports a false "invalid vptr".
QUORVA_ASAN_EXCLUDE='^(e2e|install|docs|skins|fault|security|DefaultSkin|Icon)\.|_NOT_BUILT$|WithoutFileDescriptors'


quorva_asan_build() {
  local top
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVA_SANITIZE=ON -DQUORVA_WITH_BENCH=OFF >/dev/null
  cmake --build "$top/build-asan" -j "$(nproc)" --target "${QUORVA_ASAN_TARGETS[@]}"
}

# Every report ends the run; Qt's own leaks are the only ones let through.
quorva_asan_env() {
  local top
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
}
