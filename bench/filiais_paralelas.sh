#!/usr/bin/env bash
# The demo company's branches generated one after the other and then all
# at once (--jobs 4) on a Firebird server, not a test: the time of each run,
# the speed-up, and whether both runs wrote the same files.
#
#   bench/filiais_paralelas.sh HOST:PORT [DOCUMENTS [BRANCHES [RUNS]]]
#
# BRANCHES is a comma-separated list of the demo's branches (default: all of
# them); RUNS pairs of runs are made, alternating the two ways (default 1).
# The server must reach this machine's /tmp (scripts/firebird-server.sh starts
# one on loopback). EFD names the command (default build/app/efd).
set -euo pipefail

servidor=${1:?usage: $0 HOST:PORT [DOCUMENTS [BRANCHES [RUNS]]]}
documentos=${2:-20000}
escolhidas=${3:-}
rodadas=${4:-1}
efd=${EFD:-build/app/efd}
mes=2026-11

pasta=$(mktemp -d /tmp/efd-filiais-XXXXXX)
chmod 0711 "$pasta"
trap 'rm -rf "$pasta"' EXIT
url="firebird://$servidor/$pasta/filiais.fdb"

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(nproc) cores"
"$efd" demo --db "$url" --documents "$documentos" --month "$mes" --out "$pasta/demo" \
  >"$pasta/demo.txt"
filiais=${escolhidas:-$(sed -n 's/.*with branches \([0-9,]*\).*/\1/p' "$pasta/demo.txt")}
echo "$documentos documents, branches $filiais"

gerar() {  # JOBS FOLDER: prints the seconds the run took
  local inicio fim
  inicio=$(date +%s.%N)
  "$efd" generate --db "$url" --model icms-ipi --branch "$filiais" --period "$mes" \
    --jobs "$1" --out "$2/" >"$2.txt" 2>&1
  fim=$(date +%s.%N)
  awk -v a="$inicio" -v b="$fim" 'BEGIN { print b - a }'
}

for ((rodada = 1; rodada <= rodadas; ++rodada)); do
  rm -rf "$pasta/sequencial" "$pasta/paralelo"
  sequencial=$(gerar 1 "$pasta/sequencial")
  paralelo=$(gerar 4 "$pasta/paralelo")
  iguais=yes
  diff -rq "$pasta/sequencial" "$pasta/paralelo" >/dev/null || iguais=NO
  awk -v s="$sequencial" -v p="$paralelo" -v iguais="$iguais" 'BEGIN {
    printf "sequential %.1f s, --jobs 4 %.1f s: %.2fx faster; same files: %s\n", s, p, s / p, iguais
  }'
done
