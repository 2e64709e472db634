#!/usr/bin/env bash
# Pages per second of a kestrum-cli batch (--jsonl, -i FILE) against curl fetching the same list
# one by one in one run, from a loopback site of small pages. Prints both rates and their ratio.
# Usage: bench/compare_batch.sh [BUILD_DIR] [PAGES]   (default build, 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pages=${2:-1000}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-batch.XXXXXX")
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT

# Small pages with something to find: a link, an image, an iframe, a script redirect.
mkdir -p "$work/site"
for ((i = 0; i < pages; i++)); do
  printf '<html><head><title>page %d</title></head><body><a href="/p%d.html">next</a><img src="i%d.gif">
<iframe src="http://frame.test/%d"></iframe><script>if (0) window.location.href = "http://away.test/%d";</script>
</body></html>\n' "$i" $((i + 1)) "$i" "$i" "$i" >"$work/site/p$i.html"
done

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 1 50); do curl -sf -o /dev/null "http://127.0.0.1:$port/p0.html" && break; sleep 0.1; done

: >"$work/list.txt"
: >"$work/curl.cfg"
for ((i = 0; i < pages; i++)); do
  echo "http://127.0.0.1:$port/p$i.html" >>"$work/list.txt"
  printf 'url = "http://127.0.0.1:%s/p%d.html"\noutput = "/dev/null"\n' "$port" "$i" >>"$work/curl.cfg"
done

export KESTRUM_HOME="$work/home"
mkdir -p "$KESTRUM_HOME/Storage"
# The default analyses (links, executables scan); no blocklist lookups, nothing leaves the machine.
printf '[Settings]\r\nchkMSXML=0\r\n[Automation]\r\nchkAutoScanExes=1\r\nchkAutoScanLinks=1\r\n' >"$KESTRUM_HOME/Storage/cfg.ini"

seconds() {  # command... : wall time of one run
  python3 - "$@" <<'PY'
import subprocess, sys, time
start = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(f"{time.perf_counter() - start:.3f}")
PY
}

kestrum=$(seconds "$bin/kestrum-cli" dissect --jsonl --no-log -i "$work/list.txt")
reports=$("$bin/kestrum-cli" dissect --jsonl --no-log -i "$work/list.txt" | python3 -c '
import json, sys
print(sum(json.loads(line)["fetched"] for line in sys.stdin))')
curl_time=$(seconds curl -s -K "$work/curl.cfg")
echo "$pages small pages from a loopback site:"
echo "  kestrum-cli dissect --jsonl -i LIST  ${kestrum} s, $(python3 -c "print(f'{$pages/$kestrum:.0f}')") pages/s ($reports reports with fetched=true)"
echo "  curl -K LIST (fetch only)            ${curl_time} s, $(python3 -c "print(f'{$pages/$curl_time:.0f}')") pages/s"
echo "  kestrum-cli takes $(python3 -c "print(f'{$kestrum/$curl_time:.1f}')")x curl's time per page (two requests, dissection and report included)"
