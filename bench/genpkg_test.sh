#!/bin/bash
# genpkg_test.sh BIN_DIR VARIANT
#
# A generated package of 200 declarations checks without findings (exit 0)
# in a working directory of its own; the same series writes the same files; a
# package with a fault rate checks with findings (exit 1).
set -u
bin=$1
variant=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL ($variant): $*"; exit 1; }

mkdir -p "$tmp/work" "$tmp/a" "$tmp/b" "$tmp/c"
cp "$bin"/*.txt "$tmp/work/"
gen() { "$bin/zentrox-genpkg" --variant "$variant" --declarations 200 "$@"; }
check() { "$bin/zentrox-check" --variant "$variant" --workdir "$tmp/work" --today 08.12.2026 "$@"; }

case $variant in
  quarterly) rows=800 ;;   # three months and the total row
  monthly) rows=400 ;;     # the month and the total row
  annual) rows=2600 ;;     # twelve months and the total row
  annual-old) rows=2600 ;;
  *) fail "unknown variant" ;;
esac

out=$(gen --series 7 --out "$tmp/a" --keep-files "$tmp/a/files") || fail "generator failed"
echo "$out"
[[ $out == *" declarations=200 packs=4 rows=$rows "* ]] || fail "unexpected shape: $out"
[[ $out == *" faulty_rows=0" ]] || fail "faults without a fault rate: $out"
archive=${out%% *}
check "$archive" > "$tmp/valid.txt"
rc=$?
if [ $rc -ne 0 ]; then
  grep -v '^fisierul' "$tmp/valid.txt" | head -40
  fail "the valid package checked with exit $rc"
fi
grep -q "Проверено электронных деклараций : 200" "$tmp/valid.txt" || fail "not every declaration was checked"
grep -q "Количество пачек в пакете: 4" "$tmp/valid.txt" || fail "not every pack was checked"

gen --series 7 --out "$tmp/b" --keep-files "$tmp/b/files" > /dev/null || fail "generator failed"
diff -r "$tmp/a/files" "$tmp/b/files" > /dev/null || fail "the same series wrote different files"
gen --series 8 --out "$tmp/b" --keep-files "$tmp/b/files" > /dev/null || fail "generator failed"
diff -r -q "$tmp/a/files" "$tmp/b/files" > /dev/null && fail "another series wrote the same files"

out=$(gen --series 7 --fault-rate 0.05 --out "$tmp/c") || fail "generator failed"
echo "$out"
[[ $out == *" faulty_rows=0" ]] && fail "no faulty row at a fault rate of 0.05"
check --format json "${out%% *}" > "$tmp/faulty.json"
rc=$?
[ $rc -eq 1 ] || fail "the faulty package checked with exit $rc, not 1"
grep -q '"findings": \[' "$tmp/faulty.json" || fail "no findings in the JSON report"
echo "ok"
