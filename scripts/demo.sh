#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds, builds
# the demo company into an embedded database and writes its ICMS/IPI and
# PIS/COFINS files into ./out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec ./build/app/efd demo --db sqlite:efd-demo.db --out out "$@"
