#!/usr/bin/env bash
# Times the link listing of kestrum-cli against the tools a user would otherwise reach for, on the
# same saved pages: `lynx -dump -listonly` and a Python html.parser script. Prints mean times and
# ratios. Usage: bench/compare_link_listing.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-compare.XXXXXX")
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT

"$build/bench/bench_page_writer" realistic 10000000 "$work/realistic.html"
"$build/bench/bench_page_writer" links 200000 "$work/links.html"

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
sleep 0.5

export KESTRUM_HOME="$work/home"
mkdir -p "$KESTRUM_HOME/Storage"
# Links only, as the other tools do; the log stays on, as in the program.
printf '[Settings]\r\nchkMSXML=0\r\n[Automation]\r\nchkAutoScanExes=0\r\nchkAutoScanLinks=1\r\n' >"$KESTRUM_HOME/Storage/cfg.ini"

mean_seconds() {  # command... : mean wall time of 5 runs
  python3 - "$@" <<'PY'
import subprocess, sys, time
runs = []
for _ in range(5):
    start = time.perf_counter()
    subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    runs.append(time.perf_counter() - start)
print(f"{sum(runs) / len(runs):.3f}")
PY
}

for page in realistic links; do
  size=$(stat -c %s "$work/$page.html")
  kestrum=$(mean_seconds "$bin/kestrum-cli" dissect --json "http://127.0.0.1:$port/$page.html")
  lynx=$(mean_seconds lynx -dump -listonly -force_html "$work/$page.html")
  python=$(mean_seconds python3 "$work/links.py" "$work/$page.html")
  links=$("$bin/kestrum-cli" dissect --json "http://127.0.0.1:$port/$page.html" |
          python3 -c 'import json,sys; print(len(json.load(sys.stdin)["links"]))')
  echo "$page page, $size bytes, $links links listed by kestrum-cli (fetch, dissection and JSON included):"
  echo "  kestrum-cli dissect --json  ${kestrum} s"
  echo "  lynx -dump -listonly        ${lynx} s   (kestrum-cli is $(python3 -c "print(f'{$lynx/$kestrum:.2f}')")x as fast)"
  echo "  python html.parser          ${python} s   (kestrum-cli is $(python3 -c "print(f'{$python/$kestrum:.2f}')")x as fast)"
done
