#!/usr/bin/env bash
# Builds the display-free core and the tests of the terrain work (loads,
# coarsening, refining and mesh building on a worker thread, stopped and
# resumed while another thread reads the model) with ThreadSanitizer, and
# runs them. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh
cmake -S . -B build-tsan -G Ninja -DHYPSA_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-tsan --target hypsa_work_tests
TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan-suppressions.txt" build-tsan/bin/hypsa_work_tests --gtest_repeat=2
