#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test.
# HUB8_SANITIZE=1 does the same in a separate build with AddressSanitizer and
# UndefinedBehaviorSanitizer (leaks count as failures).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

hub8_install "${HUB8_BUILD_PACKAGES[@]}" "${HUB8_PACKAGE_PACKAGES[@]}" "${HUB8_TEST_PACKAGES[@]}"

if [ "${HUB8_SANITIZE:-0}" = 1 ]; then
    dir="$HUB8_ROOT/build-asan"
    hub8_build "$dir" -DHUB8_SANITIZE=ON -DHUB8_BUILD_BENCH=OFF
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
else
    dir="$HUB8_ROOT/build"
    hub8_build "$dir"
fi

cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2
