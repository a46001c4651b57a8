#!/usr/bin/env bash
# Builds (scripts/setup.sh), starts a loopback Firebird server for the tests
# that reach Firebird through a server, runs every test and returns ctest's
# status. The server is stopped on exit, whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

porta_livre() {
  local porta
  for porta in $(seq "${1:-3051}" 3150); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$porta") 2>/dev/null; then
      echo "$porta"
      return 0
    fi
  done
  return 1
}

FB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/efd-firebird-XXXXXX")
# shellcheck disable=SC2317  # called by the trap
encerrar() {
  bash scripts/firebird-server.sh stop "$FB_DIR" || true
  rm -rf "$FB_DIR"
}
trap encerrar EXIT

FB_PORTA=$(porta_livre 3051)
bash scripts/firebird-server.sh start "$FB_DIR" "$FB_PORTA"
export EFD_TEST_FIREBIRD_SERVER=127.0.0.1:$FB_PORTA

status=0
ctest --test-dir build --output-on-failure -j2 || status=$?
exit "$status"
