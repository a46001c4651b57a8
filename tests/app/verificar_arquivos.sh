#!/usr/bin/env bash
# Files of the demo company checked from outside the program.
#
#   verificar_arquivos.sh leiaute EFD CHECKER ESPERADOS
#     The demo's files of both models, and files of the periods where the
#     layout changes (several branches in one request), checked by the layout
#     checker. Each finding must be listed in ESPERADOS ("MODEL CODE REGISTER
#     reason"), and each listed finding must still occur: the list only
#     shrinks as the registers it waits for arrive.
#   verificar_arquivos.sh cobertura EFD RAIZ EXCECOES
#     Every register code the program declares (the register declarations
#     under RAIZ/control and RAIZ/registers) must have a line in the demo's
#     files, save those listed in EXCECOES ("REGISTER reason").
set -euo pipefail

modo=$1
efd=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/efd-verificar-XXXXXX")
trap 'rm -rf "$dir"' EXIT

demo=$("$efd" demo --db "sqlite:$dir/demo.db" --out "$dir/out")
filiais=$(sed -n 's/.* with branches \([0-9,]*\) .*/\1/p' <<<"$demo" | head -1)
matriz=${filiais%%,*}
segunda=$(cut -d, -f2 <<<"$filiais")

# The register of a finding: the one the message names first.
chave() {
  sed -E 's/^([^:]*)\/EFD-([A-Z-]+)-[0-9]+-[0-9-]+\.txt:[0-9]+: error: \[([A-Z_]+)\] (register )?([0-9A-Z]{4}).*/\2 \3 \5/'
}

case $modo in
  leiaute)
    checker=$3
    esperados=$4
    for periodo in 2009-05 2012-07 2013-01 2014-01 2019-01 2020-01; do
      "$efd" generate --db "sqlite:$dir/demo.db" --model icms-ipi --branch "$matriz,$segunda" \
        --period "$periodo" --out "$dir/out" >/dev/null
    done
    for periodo in 2011-03 2012-07 2018-06 2019-01; do
      "$efd" generate --db "sqlite:$dir/demo.db" --model pis-cofins --branch "$matriz" \
        --period "$periodo" --out "$dir/out" >/dev/null
    done
    python3 "$checker" --no-warnings "$dir"/out/*.txt >"$dir/achados" || true
    # No finding at all, and no expected one, are the aim: grep finding
    # nothing is no failure here.
    { grep ': error: ' "$dir/achados" || true; } | chave | sort -u >"$dir/encontrados"
    { grep -v '^#' "$esperados" || true; } | awk 'NF { print $1, $2, $3 }' | sort -u >"$dir/listados"
    status=0
    if comm -23 "$dir/encontrados" "$dir/listados" | grep -q .; then
      echo "Findings of the checker that are not expected:"
      comm -23 "$dir/encontrados" "$dir/listados" | while read -r modelo codigo registro; do
        grep ': error: ' "$dir/achados" | grep -- "EFD-$modelo-" | grep -F -- "[$codigo]" |
          grep -F -- "$registro" | head -3
      done
      status=1
    fi
    if comm -13 "$dir/encontrados" "$dir/listados" | grep -q .; then
      echo "Expected findings that no longer occur (remove them from $esperados):"
      comm -13 "$dir/encontrados" "$dir/listados"
      status=1
    fi
    ((status)) || echo "$(ls "$dir"/out/*.txt | wc -l) files checked; $(wc -l <"$dir/encontrados") kinds of finding, all expected"
    exit $status
    ;;
  cobertura)
    raiz=$3
    excecoes=$4
    find "$raiz/control" "$raiz/registers" -name 'registroefd*.json' | sed -E 's/.*registroefd(....)\.json/\1/' |
      tr '[:lower:]' '[:upper:]' | sort -u >"$dir/declarados"
    cat "$dir"/out/*.txt | cut -d'|' -f2 | sort -u >"$dir/escritos"
    grep -v '^#' "$excecoes" | awk 'NF { print $1 }' | sort -u >"$dir/excecoes"
    faltando=$(comm -23 "$dir/declarados" "$dir/escritos" | comm -23 - "$dir/excecoes")
    alcancados=$(comm -12 "$dir/excecoes" "$dir/escritos")
    status=0
    if [[ -n $faltando ]]; then
      echo "Registers the program writes that the demo's files lack:" $faltando
      status=1
    fi
    if [[ -n $alcancados ]]; then
      echo "Registers listed as unreachable that the demo's files now carry (remove them from $excecoes):" $alcancados
      status=1
    fi
    ((status)) || echo "$(wc -l <"$dir/declarados") registers declared, each reached or listed"
    exit $status
    ;;
  *)
    echo "usage: $0 leiaute|cobertura EFD ..." >&2
    exit 2
    ;;
esac
