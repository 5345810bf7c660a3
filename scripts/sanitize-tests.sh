#!/usr/bin/env bash
# Builds the programs and the whole test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test. Leak checking covers the
# display-free core; the drawing tests skip it, because the GL driver and
# the toolkit keep allocations alive until the process ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh
cmake -S . -B build-asan -G Ninja -DHYPSA_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-asan --target hypsa_core_tests hypsa_gui_tests hypsa_render_tests hypsa hypsa-grid hypsa-render
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Test discovery starts every test program, the drawing ones included: both
# runs need the display.
ASAN_OPTIONS=detect_leaks=1 xvfb-run -a ctest --test-dir build-asan -L core --output-on-failure
ASAN_OPTIONS=detect_leaks=0 xvfb-run -a ctest --test-dir build-asan -L 'gui|render' --output-on-failure
