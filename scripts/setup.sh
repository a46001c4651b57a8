#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then
# configures and builds into ./build. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

PACOTES=(
  build-essential cmake g++ clang-format python3
  libsoci-dev libboost-dev libsqlite3-dev unixodbc-dev
  firebird3.0-server-core firebird3.0-utils firebird-dev firebird3.0-server
  libfmt-dev nlohmann-json3-dev libcli11-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)

faltando=()
for pacote in "${PACOTES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pacote" 2>/dev/null | grep -q "install ok installed"; then
    faltando+=("$pacote")
  fi
done

if ((${#faltando[@]})); then
  echo "setup: installing ${faltando[*]}"
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${faltando[@]}"
fi

# Optimised as for use, without debug information, which would add a third
# to the build; configure another build directory as RelWithDebInfo to debug
# or profile.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
cmake --build build -j"$(nproc)"
