#!/usr/bin/env bash
# The main job, on a fresh machine: installs and builds what is missing, serves the demo site and
# the lookup services on loopback, dissects the demo page in the terminal, and stops them again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh kestrum-cli kestrum-services

bin="$root/build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-demo.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for() {  # url
  for _ in $(seq 1 50); do
    python3 -c "import sys,urllib.request; urllib.request.urlopen(sys.argv[1], timeout=1)" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "demo: $1 did not come up" >&2
  return 1
}

# The lookup services, with the demo's own blocklist entry for the loopback host.
cp -r tools/services/data "$work/data"
printf '127.0.0.1  127.0.0.1  ATS\n' >> "$work/data/braxel.txt"
services_port=$(free_port)
site_port=$(free_port)
printf 'http://127.0.0.1:%s/index.html\n' "$site_port" >> "$work/data/phishtank.txt"
"$bin/kestrum-services" --port "$services_port" --data "$work/data" --quiet >"$work/services.log" 2>&1 &
pids+=($!)
python3 -m http.server "$site_port" --bind 127.0.0.1 --directory demo/site >"$work/site.log" 2>&1 &
pids+=($!)
wait_for "http://127.0.0.1:$services_port/online.txt"
wait_for "http://127.0.0.1:$site_port/index.html"

# A program folder of its own, with every lookup and analysis switched on.
export KESTRUM_HOME="$work/home"
mkdir -p "$KESTRUM_HOME/Storage"
printf '[Settings]\r\nchkBraxel=1\r\nchkMDL=1\r\nchkPhishTank=1\r\nchkMSXML=1\r\n[Automation]\r\nchkAutoScanExes=1\r\nchkAutoScanLinks=1\r\nchkAutoScanImages=1\r\n[Services]\r\nKestrumServices=http://127.0.0.1:%s\r\n' \
  "$services_port" >"$KESTRUM_HOME/Storage/cfg.ini"

page="http://127.0.0.1:$site_port/index.html"
echo "Dissecting $page"
echo
"$bin/kestrum-cli" dissect "$page"
echo
# A batch: one JSON report a line as each address finishes, summed up in one line. The third
# address has nothing listening, so the run reports it failed and exits 1.
batch=("$page" "http://127.0.0.1:$site_port/download/PrizeClaimer.exe" "http://127.0.0.1:$(free_port)/")
echo "Batch of ${#batch[@]} addresses with --jsonl:"
echo 0 >"$work/batch-status"
printf '%s\n' "${batch[@]}" | { "$bin/kestrum-cli" dissect --jsonl -i - 2>/dev/null || echo $? >"$work/batch-status"; } | python3 -c '
import json, sys
reports = [json.loads(line) for line in sys.stdin]
listed = sum(any(v["verdict"] == "Listed" for v in r["verdicts"]) for r in reports)
failed = sum(not r["fetched"] for r in reports)
iframes = sum(r["counts"]["iframes"] for r in reports)
moves = sum(len(r["redirectsInPage"]) for r in reports)
print(f"{len(reports)} addresses: {len(reports) - failed} fetched, {failed} failed, {listed} listed, "
      f"{iframes} iframes, {moves} redirects named in pages")
'
echo "(exit status of the batch: $(cat "$work/batch-status"))"
echo
echo "The same page in the window: keep a site and kestrum-services running, then"
echo "  KESTRUM_HOME=<folder with Storage/cfg.ini as above> $bin/kestrum $page"
echo "JSON for scripts: $bin/kestrum-cli dissect --json $page (fields: docs/json-report.md)"
