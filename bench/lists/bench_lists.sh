#!/usr/bin/env bash
# Benchmark of the video lists: 10,000 paths added to the conversion list (time until
# the rows are in and painted, peak memory), and a folder of 200 short clips added to
# the clip list, whose durations are probed, against the sum of bare probes of the same
# files.
#
#   bench/lists/bench_lists.sh [build folder] [rows] [clips] [rounds]
#
# On a shared or busy machine the wall times swing with the load; the CPU times of the
# program and of the tool do not.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
rows=${2:-10000}
clips=${3:-200}
rounds=${4:-1}
ffmpeg=$(command -v ffmpeg)

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target bench_lists -j 2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run/bin" "$work/clips"
ln -s "$ffmpeg" "$work/run/bin/ffmpeg"
export YANZHOU_RUN_DIR="$work/run"
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

echo "ffmpeg: $("$ffmpeg" -version | head -n 1)"
echo "cores: $(nproc)"
echo "== $rows paths into the conversion list"
"$build/bench/lists/bench_lists" rows "$rows"

echo "== a folder of $clips clips (0.5 s, 160x120, with sound) into the clip list"
seq 1 "$clips" | xargs -P 2 -I{} "$ffmpeg" -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=160x120:rate=25:duration=0.5 -f lavfi -i sine=frequency=440:duration=0.5 \
  -pix_fmt yuv420p "$work/clips/clip{}.mp4"
"$build/bench/lists/bench_lists" folder "$work/clips" "$rounds"
