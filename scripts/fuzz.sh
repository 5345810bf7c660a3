#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a given time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#
# SECONDS per target (default 60); TARGETs from: ascii_grid float_grid
# detail_file grid_steps gdal_grid (default all). Each run starts from the
# committed seeds and regression inputs plus what earlier runs found
# (build-fuzz/corpus), with a 2048 MB memory limit and a 10 s limit per
# input. Inputs that fail are left in build-fuzz/artifacts; copy each to
# fuzz/regressions/TARGET/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ascii_grid float_grid detail_file grid_steps gdal_grid)

bash scripts/install-packages.sh clang-14 libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DHYPSA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 > /dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"

status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  artifacts=build-fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  inputs=("$corpus" fuzz/seeds/$target)
  [ -d fuzz/regressions/$target ] && inputs+=(fuzz/regressions/$target)
  # The libraries behind GDAL reserve buffers as large as a header says
  # (libnetcdf: 3.2 GB for a crafted string, 11 GB for a variable's
  # dimensions) and never touch them when the file is short: the program
  # refuses such files at 55 MB. Under AddressSanitizer, whose shadow of a
  # reservation is written, the GDAL target gets what a machine without that
  # memory gives: a failed allocation above 8 GB, which the library reports
  # as an error; what is used stays under the 2048 MB limit on memory.
  allocation=2048
  sanitizer_options=${ASAN_OPTIONS:-}
  if [ "$target" = gdal_grid ]; then
    allocation=8192
    sanitizer_options="allocator_may_return_null=1:max_allocation_size_mb=8192${sanitizer_options:+:$sanitizer_options}"
  fi
  echo "== fuzz_$target for ${seconds}s"
  if ! ASAN_OPTIONS="$sanitizer_options" build-fuzz/bin/fuzz_$target "${inputs[@]}" -dict=fuzz/grid.dict -max_total_time="$seconds" \
      -rss_limit_mb=2048 -malloc_limit_mb=$allocation -timeout=10 -max_len=8192 -close_fd_mask=1 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" 2> "build-fuzz/fuzz_$target.log"; then
    status=1
    tail -n 40 "build-fuzz/fuzz_$target.log"
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' "build-fuzz/fuzz_$target.log" | tail -n 3
done
exit $status
