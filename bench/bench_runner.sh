#!/usr/bin/env bash
# Benchmark of the tool runner: a 20-second encode run bare and through runTool with a
# progress handler, in turn, in one run. Prints the wall-time ratio and the CPU time
# the program spends itself against the tool's.
#
#   bench/bench_runner.sh [build folder] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}
ffmpeg=$(command -v ffmpeg)

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target bench_runner -j 2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 20-second source clip.
"$ffmpeg" -hide_banner -loglevel error -y \
  -f lavfi -i testsrc=size=1280x720:rate=25:duration=20 \
  -f lavfi -i sine=frequency=440:duration=20 \
  -pix_fmt yuv420p -c:v libx264 -preset ultrafast -c:a aac "$work/source.mp4"

echo "ffmpeg: $("$ffmpeg" -version | head -n 1)"
echo "command: ffmpeg -i source.mp4 -vcodec libx264 -preset veryfast -acodec aac -y out.mp4"
"$build/bench/bench_runner" "$ffmpeg" "$rounds" \
  -i "$work/source.mp4" -vcodec libx264 -preset veryfast -acodec aac -y "$work/out.mp4"
