#!/usr/bin/env bash
# Converts 30 generated two-second clips with yanzhou-cli and with a plain shell loop that
# runs the same ffmpeg lines (the duration probe and the conversion of each clip), and
# reports the wall-time ratio and the CPU time yanzhou-cli itself spends (its tools not
# counted). Rounds alternate between the two so that caches and clock changes hit both.
#
# Usage: bench/bench_convert.sh [path/to/yanzhou-cli] [rounds]
set -euo pipefail

cli=${1:-${YANZHOU_CLI:-$(dirname "$0")/../build/yanzhou-cli}}
rounds=${2:-5}
clips=30
format=mkv
[[ -x $cli ]] || { echo "yanzhou-cli not found at $cli (pass its path)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is not on the PATH" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is needed to read CPU times" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export YANZHOU_RUN_DIR=$work/run
mkdir -p "$work/run/bin" "$work/in"
ln -s "$(command -v ffmpeg)" "$work/run/bin/ffmpeg"
tool=$work/run/bin/ffmpeg

echo "generating $clips clips of 2 s (320x240, H.264 + AAC) ..."
for i in $(seq -w 1 $clips); do
    ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 \
        -f lavfi -i sine=frequency=440:duration=2 -pix_fmt yuv420p "$work/in/clip$i.mp4"
done

# The loop's lines must be the very lines yanzhou-cli runs: compare with its --dry-run.
loop_lines() {
    local out=$1
    for f in "$work"/in/*.mp4; do
        local name=${f##*/}
        echo "$tool -threads 0 -i \"$f\" -c copy -y -bsf:a aac_adtstoasc \"$out/${name%.mp4}.$format\""
    done
}
diff <(loop_lines "$work/out_cli") \
    <("$cli" convert --dry-run --format $format --into "$work/out_cli" "$work/in" 2>/dev/null) >/dev/null ||
    { echo "the loop's lines differ from yanzhou-cli's" >&2; exit 1; }

cat >"$work/loop.sh" <<LOOP
set -e
mkdir -p "$work/out_loop"
for f in "$work"/in/*.mp4; do
    name=\${f##*/}
    "$tool" -i "\$f" </dev/null >/dev/null 2>&1 || true
    "$tool" -threads 0 -i "\$f" -c copy -y -bsf:a aac_adtstoasc "$work/out_loop/\${name%.mp4}.$format" </dev/null >/dev/null 2>&1
done
LOOP

# Runs a command and prints: wall seconds, its own CPU seconds, its children's CPU seconds.
# The process is read in /proc while still a zombie, so its own time is kept apart.
measure() {
    python3 - "$@" <<'PY'
import os, subprocess, sys, time
t0 = time.monotonic()
p = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.waitid(os.P_PID, p.pid, os.WEXITED | os.WNOWAIT)
wall = time.monotonic() - t0
with open(f"/proc/{p.pid}/stat") as f:
    fields = f.read().rsplit(")", 1)[1].split()
tick = os.sysconf("SC_CLK_TCK")
own = (int(fields[11]) + int(fields[12])) / tick
children = (int(fields[13]) + int(fields[14])) / tick
code = p.wait()
if code != 0:
    sys.exit(f"command failed with status {code}")
print(f"{wall:.3f} {own:.3f} {children:.3f}")
PY
}

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

cli_walls=() loop_walls=() cli_own=() ratios=()
for r in $(seq 1 "$rounds"); do
    rm -rf "$work/out_cli" "$work/out_loop"
    # Alternate which goes first, so neither always meets a warmer or a busier machine.
    if ((r % 2)); then
        read -r lw lo lc < <(measure bash "$work/loop.sh")
        read -r cw co cc < <(measure "$cli" convert --format $format --into "$work/out_cli" "$work/in")
    else
        read -r cw co cc < <(measure "$cli" convert --format $format --into "$work/out_cli" "$work/in")
        read -r lw lo lc < <(measure bash "$work/loop.sh")
    fi
    n=$(ls "$work/out_cli" | wc -l)
    [[ $n -eq $clips ]] || { echo "yanzhou-cli wrote $n of $clips files" >&2; exit 1; }
    ratio=$(awk -v c="$cw" -v l="$lw" 'BEGIN { printf "%.3f", c / l }')
    printf 'round %d: loop %6.3f s (ffmpeg CPU %5.2f s) | yanzhou-cli %6.3f s (ffmpeg CPU %5.2f s, own CPU %4.2f s) | ratio %s\n' \
        "$r" "$lw" "$lc" "$cw" "$cc" "$co" "$ratio"
    loop_walls+=("$lw") cli_walls+=("$cw") cli_own+=("$co") ratios+=("$ratio")
done

lm=$(printf '%s\n' "${loop_walls[@]}" | median)
cm=$(printf '%s\n' "${cli_walls[@]}" | median)
om=$(printf '%s\n' "${cli_own[@]}" | median)
ratio_median=$(printf '%s\n' "${ratios[@]}" | median)
echo
echo "$clips clips, $rounds rounds, medians:"
echo "  shell loop wall time:        $lm s"
echo "  yanzhou-cli wall time:       $cm s"
# The ratio of each round pairs two runs made one after the other, under the same load.
echo "  wall-time ratio cli / loop:  $ratio_median (median of the rounds' ratios; target <= 1.05)"
lmin=$(printf '%s\n' "${loop_walls[@]}" | sort -n | head -1)
cmin=$(printf '%s\n' "${cli_walls[@]}" | sort -n | head -1)
awk -v c="$cmin" -v l="$lmin" 'BEGIN { printf "  fastest rounds: loop %s s, yanzhou-cli %s s, ratio %.3f\n", l, c, c / l }'
echo "  yanzhou-cli own CPU time:    $om s for $((2 * clips)) ffmpeg runs (target: near zero)"
