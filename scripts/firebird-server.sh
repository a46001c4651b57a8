#!/usr/bin/env bash
# A Firebird server for the tests, reachable on loopback only.
#
#   firebird-server.sh start DIR PORT   # private root in DIR, pid in DIR/fb.pid
#   firebird-server.sh stop DIR
#
# The server gets a root of its own in DIR: every file of the installed Firebird
# folder is linked there except firebird.conf, which is written to bind
# 127.0.0.1 only and to give the page cache more room than Firebird's default;
# the security database is a copy whose SYSDBA password is set to masterkey
# (the package gives SYSDBA a random one). Databases reached through it are
# plain paths on this machine, e.g. 127.0.0.1/PORT:/tmp/x.fdb.
set -euo pipefail

usage() {
  echo "usage: $0 start DIR PORT | stop DIR" >&2
  exit 2
}

FB_LIB=${FB_LIB:-/usr/lib/x86_64-linux-gnu/firebird/3.0}
FB_SECURITY=${FB_SECURITY:-/var/lib/firebird/3.0/system/security3.fdb}
FB_SERVER=${FB_SERVER:-/usr/sbin/firebird}

porta_aberta() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

iniciar() {
  local dir=$1 porta=$2
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  if [[ -f $dir/fb.pid ]] && kill -0 "$(cat "$dir/fb.pid")" 2>/dev/null; then
    echo "firebird-server: already running (pid $(cat "$dir/fb.pid"))" >&2
    return 1
  fi
  if porta_aberta "$porta"; then
    echo "firebird-server: port $porta is already in use" >&2
    return 1
  fi

  local raiz=$dir/root
  rm -rf "$raiz"
  mkdir -p "$raiz" "$dir/lock"
  local item
  for item in "$FB_LIB"/*; do
    [[ $(basename "$item") == firebird.conf ]] && continue
    ln -s "$item" "$raiz/"
  done
  cp "$FB_SECURITY" "$dir/security3.fdb"
  chmod 600 "$dir/security3.fdb"
  cat >"$raiz/firebird.conf" <<CONF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $porta
SecurityDatabase = $dir/security3.fdb
UdfAccess = None
# Room for the pages of several branches generated at once: 16,384 pages,
# 128 MiB of 8 KB pages. Firebird's default of 2,048 is too small for four.
DefaultDbCachePages = 16384
CONF

  # No server runs on this root yet: set the password through the embedded engine.
  echo "CREATE OR ALTER USER SYSDBA PASSWORD 'masterkey' USING PLUGIN Srp; COMMIT;" |
    FIREBIRD=$raiz FIREBIRD_LOCK=$dir/lock isql-fb -q -u SYSDBA "$dir/security3.fdb" \
      >"$dir/isql.log" 2>&1 || {
    cat "$dir/isql.log" >&2
    return 1
  }

  # The port comes from firebird.conf: "-p PORT" would also make the server
  # ignore RemoteBindAddress and listen on every interface.
  FIREBIRD=$raiz FIREBIRD_LOCK=$dir/lock nohup "$FB_SERVER" >"$dir/fb.log" 2>&1 &
  echo $! >"$dir/fb.pid"
  local i
  for ((i = 0; i < 200; i++)); do
    if porta_aberta "$porta"; then
      echo "firebird-server: listening on 127.0.0.1:$porta (pid $(cat "$dir/fb.pid"))"
      return 0
    fi
    if ! kill -0 "$(cat "$dir/fb.pid")" 2>/dev/null; then break; fi
    sleep 0.05
  done
  echo "firebird-server: did not start; log follows" >&2
  cat "$dir/fb.log" >&2
  parar "$dir"
  return 1
}

parar() {
  local dir=$1 pid i
  [[ -f $dir/fb.pid ]] || return 0
  pid=$(cat "$dir/fb.pid")
  if kill -TERM "$pid" 2>/dev/null; then
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$dir/fb.pid"
}

case ${1:-} in
  start)
    [[ $# -eq 3 ]] || usage
    iniciar "$2" "$3"
    ;;
  stop)
    [[ $# -ge 2 ]] || usage
    parar "$2"
    ;;
  *) usage ;;
esac
