#!/usr/bin/env bash
# The main job: sets up, builds and runs the terminal front end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build/src/cli/kestrum-cli --version
