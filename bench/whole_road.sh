#!/usr/bin/env bash
# The whole road from a grid file to the first picture, measured as whole
# processes (wall time and peak memory), each next to a baseline measured in
# the same run:
#   hypsa-render FILE OUT.png (default options)  vs  reading the file's bytes,
#                                                    and a process drawing one
#                                                    plain batch of as many
#                                                    lines as the mesh has edges
#   hypsa-grid FILE.grd stats                    vs  GDAL's bare read of the
#                                                    same ASCII file
#   one hypsa-grid coarsen step                  vs  PyWavelets' one-level dwt2
#                                                    (db2) of the same samples
# The grids are generated into build/bench-grids (never committed). The GDAL
# baseline keeps its dataset open while it reads: a band of a dataset already
# released reads as an empty array, in no time.
# Usage: bash bench/whole_road.sh [SIDE...]   (default: 2049 4097; 8193 and
# 16384 on request; RUNS=1 for one run of each). Needs a built tree in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh python3-numpy python3-pywt python3-gdal gdal-bin time >/dev/null
bin=build/bin
work=build/bench-grids
mkdir -p "$work"
sides=("$@")
[ ${#sides[@]} -gt 0 ] || sides=(2049 4097)
py=/usr/bin/python3

# Runs a command RUNS times (default 3); prints the median wall seconds and
# the largest peak resident memory in MB.
measure() {
  local runs=() peak=0 line
  for _ in $(seq "${RUNS:-3}"); do
    /usr/bin/time -o "$work/time.txt" -f "%e %M" "$@" >/dev/null 2>"$work/errors.txt" \
      || { echo "failed: $*" >&2; tail -3 "$work/errors.txt" >&2; }
    line=$(tail -1 "$work/time.txt")
    runs+=("${line% *}")
    local kb=${line#* }
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${runs[@]}" | sort -g | sed -n "$(( (${#runs[@]} + 1) / 2 ))p")
  printf '%8.2f s %7d MB' "$median" $((peak / 1024))
}

row() { printf '%-44s %s\n' "$1" "$2"; }

echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for n in "${sides[@]}"; do
  grid="$work/t$n"
  [ -f "$grid.flt" ] || $py bench/make_terrain.py "$n" "$grid"
  edges=$(( 3 * n * n - 4 * n + 1 ))
  echo
  echo "== $n x $n float grid ($(( n * n )) samples, $edges mesh edges)"
  row "hypsa-render $n.flt OUT.png" "$(measure xvfb-run -a $bin/hypsa-render "$grid.flt" "$work/out.png")"
  row "  baseline: read the file's bytes" "$(measure cat "$grid.flt")"
  # Above 4097 a side the whole mesh needs more memory than such a machine
  # has (hypsa-render refuses it), and the renderer cannot take one batch of
  # that many lines.
  if [ "$n" -le 4097 ]; then
    row "hypsa-render --max-samples 0" \
      "$(measure xvfb-run -a $bin/hypsa-render "$grid.flt" "$work/out.png" --max-samples 0)"
    row "  baseline: draw $edges plain lines" "$(measure xvfb-run -a $bin/bench_plain_lines "$edges" "$work/plain.png")"
  fi
  row "  baseline: xvfb-run of an empty program" "$(measure xvfb-run -a true)"

  if [ ! -f "$grid.grd" ]; then
    gdal_translate -q -of AAIGrid -co DECIMAL_PRECISION=2 "$grid.flt" "$grid.asc"
    mv "$grid.asc" "$grid.grd"
    rm -f "$grid.prj" "$grid.asc.aux.xml"
  fi
  row "hypsa-grid $n.grd stats (ASCII)" "$(measure $bin/hypsa-grid "$grid.grd" stats)"
  row "  baseline: GDAL reads the same file" \
    "$(measure $py -c "from osgeo import gdal; d = gdal.Open('$grid.grd'); assert d.GetRasterBand(1).ReadAsArray().shape == ($n, $n)")"
  row "hypsa-grid $n.flt stats" "$(measure $bin/hypsa-grid "$grid.flt" stats)"
  row "hypsa-grid $n.flt coarsen stats" "$(measure $bin/hypsa-grid "$grid.flt" coarsen stats)"
  row "  baseline: numpy reads the samples" \
    "$(measure $py -c "import numpy as np; np.fromfile('$grid.flt', '<f4').reshape($n, $n)")"
  row "  baseline: numpy reads them, pywt dwt2 db2" \
    "$(measure $py -c "import numpy as np, pywt; pywt.dwt2(np.fromfile('$grid.flt', '<f4').reshape($n, $n), 'db2')")"
done
