#!/usr/bin/env bash
# Times kestrum-cli's whole dissection (links, link marks, images and content scan all on, the log
# on, the page fetched from a loopback server) against the link listing of the tools a user would
# otherwise reach for, on the same saved pages: a Python html.parser script and
# `lynx -dump -listonly`. Prints the mean wall time of 5 runs, the CPU time and the peak memory
# (/usr/bin/time -v) of each, and the ratios, beside the same run with every analysis off; then the
# scans alone on a page in memory (bench_dissect) and the window's showing of the pages
# (bench_ui_window), and a line per target saying whether this run met it.
# Usage: bench/compare_link_listing.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-compare.XXXXXX")
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT

# A realistic 10 MB page; 40 000 distinct links; 200 000 distinct links.
"$build/bench/bench_page_writer" realistic 10000000 "$work/realistic.html"
"$build/bench/bench_page_writer" links 40000 "$work/links40k.html"
"$build/bench/bench_page_writer" links 200000 "$work/links200k.html"

cat >"$work/links.py" <<'PY'
import sys
from html.parser import HTMLParser
class Links(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.found = []
    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value:
                self.found.append(value)
parser = Links()
with open(sys.argv[1], encoding="latin-1") as page:
    parser.feed(page.read())
sys.stdout.write("\n".join(parser.found) + "\n")
PY

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done

export KESTRUM_HOME="$work/home"
mkdir -p "$KESTRUM_HOME/Storage"
# Every analysis on, as the Dissect button runs it; the log stays on, as in the program.
printf '[Settings]\r\nchkMSXML=0\r\n[Automation]\r\nchkAutoScanExes=1\r\nchkAutoScanLinks=1\r\nchkAutoScanImages=1\r\n' \
  >"$KESTRUM_HOME/Storage/cfg.ini"
# The same run with every analysis off: the fetch, the reading of the page and the report alone,
# the floor under every ratio this script prints.
floor_home="$work/home-scans-off"
mkdir -p "$floor_home/Storage"
printf '[Settings]\r\nchkMSXML=0\r\n[Automation]\r\nchkAutoScanExes=0\r\nchkAutoScanLinks=0\r\nchkAutoScanImages=0\r\n' \
  >"$floor_home/Storage/cfg.ini"

# command... : "mean_wall_s cpu_s peak_MB" over 5 runs (CPU and peak memory of the last run).
measure() {
  python3 - "$@" <<'PY'
import re, subprocess, sys, time
runs = []
for _ in range(5):
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-v"] + sys.argv[1:], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True, check=True)
    runs.append(time.perf_counter() - start)
def field(name):
    return float(re.search(name + r": ([0-9.]+)", done.stderr).group(1))
cpu = field("User time \\(seconds\\)") + field("System time \\(seconds\\)")
peak = field("Maximum resident set size \\(kbytes\\)") / 1024
print(f"{sum(runs) / len(runs):.3f} {cpu:.2f} {peak:.0f}")
PY
}

ratio() { python3 -c "print(f'{$1/$2:.2f}')"; }

targets=()
target() { targets+=("$(python3 -c "print('met    ' if $2 else 'NOT MET')") $1"); }

printf '%-11s %9s %7s | %-28s %8s %6s %8s | %s\n' page MB links tool "wall s" "cpu s" "peak MB" "kestrum-cli is"
for page in realistic links40k links200k; do
  file="$work/$page.html"
  size_mb=$(python3 -c "import os; print(f'{os.path.getsize(\"$file\") / 1e6:.1f}')")
  address="http://127.0.0.1:$port/$page.html"
  links=$("$bin/kestrum-cli" dissect --json "$address" |
          python3 -c 'import json,sys; print(len(json.load(sys.stdin)["links"]))')
  read -r k_wall k_cpu k_peak < <(measure "$bin/kestrum-cli" dissect "$address")
  read -r j_wall j_cpu j_peak < <(measure "$bin/kestrum-cli" dissect --json "$address")
  read -r f_wall f_cpu f_peak < <(measure env KESTRUM_HOME="$floor_home" "$bin/kestrum-cli" dissect "$address")
  read -r p_wall p_cpu p_peak < <(measure python3 "$work/links.py" "$file")
  read -r l_wall l_cpu l_peak < <(measure lynx -dump -listonly -force_html "$file")
  row() { printf '%-11s %9s %7s | %-28s %8s %6s %8s | %s\n' "$page" "$size_mb" "$links" "$1" "$2" "$3" "$4" "$5"; }
  row "kestrum-cli dissect" "$k_wall" "$k_cpu" "$k_peak" "(peak limit $(python3 -c "print(f'{4 * $size_mb + 50:.0f}')") MB)"
  row "kestrum-cli dissect --json" "$j_wall" "$j_cpu" "$j_peak" ""
  row "kestrum-cli, every scan off" "$f_wall" "$f_cpu" "$f_peak" "(fetch, read and report alone)"
  row "python html.parser" "$p_wall" "$p_cpu" "$p_peak" "$(ratio "$p_wall" "$k_wall")x as fast (wall), $(ratio "$p_cpu" "$k_cpu")x (cpu)"
  row "lynx -dump -listonly" "$l_wall" "$l_cpu" "$l_peak" "$(ratio "$l_wall" "$k_wall")x as fast (wall), $(ratio "$l_cpu" "$k_cpu")x (cpu)"
  echo "  kestrum-cli per MB: $(python3 -c "print(f'{$k_wall / $size_mb:.3f}')") s wall, $(python3 -c "print(f'{$k_cpu / $size_mb:.3f}')") s cpu"
  limit=$(python3 -c "print(4 * $size_mb + 50)")
  target "$page: peak memory $k_peak MB <= $limit MB" "$k_peak <= $limit"
  if [ "$page" != links200k ]; then
    target "$page: $(ratio "$p_wall" "$k_wall")x as fast as html.parser (>= 4x)" "$p_wall >= 4 * $k_wall"
    target "$page: $(ratio "$l_wall" "$k_wall")x as fast as lynx (>= 12x)" "$l_wall >= 12 * $k_wall"
  fi
  declare "per_mb_$page=$(python3 -c "print($k_wall / $size_mb)")"
done
target "links200k: $(python3 -c "print(f'{$per_mb_links200k:.3f}')") s/MB <= realistic $(python3 -c "print(f'{$per_mb_realistic:.3f}')") s/MB" \
  "$per_mb_links200k <= $per_mb_realistic"

# The scans alone, on pages already in memory.
scans=$("$build/bench/bench_dissect" --benchmark_filter='BM_AllScans/(realistic_MiB/10|distinct_links/200000)' \
        --benchmark_repetitions=3 --benchmark_format=csv 2>/dev/null | grep '_median' || true)
while IFS=, read -r name _ real _ _ bytes _; do
  [ -n "$name" ] || continue
  rate=$(python3 -c "print(f'{$bytes / 1e6:.0f}')")
  echo "scans alone ${name//\"/}: ${real} ms, $rate MB/s"
  target "scans alone ${name//\"/}: $rate MB/s >= 100 MB/s" "$rate >= 100"
done <<<"$scans"

# The window: the realistic page shown and coloured, and one 2 MB line.
if [ -x "$build/bench/bench_ui_window" ]; then
  window=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_ui_window" \
           --benchmark_filter='BM_ShowAndColourPage/10|BM_LongLine/2/' --benchmark_format=csv 2>/dev/null | grep '^"BM_' || true)
  while IFS=, read -r name _ real _; do
    [ -n "$name" ] || continue
    echo "window ${name//\"/}: ${real} ms"
    target "window ${name//\"/}: ${real} ms < 500 ms" "$real < 500"
  done <<<"$window"
fi

echo
printf '%s\n' "${targets[@]}"
