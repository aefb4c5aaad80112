#!/usr/bin/env bash
# Drives the fastfile tool: round trip, layout, and refusals that must leave no archive.
# Usage: fastfile_tool_test.sh WORKDIR [RUNNER...] TOOL
set -u
work=$1
shift
tool=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ff() { "${tool[@]}" "$@" 2>err.txt | tr -d '\r'; return "${PIPESTATUS[0]}"; }
leftovers() { ls ./*.tmp in/*.tmp 2>/dev/null; }

mkdir in other
printf 'PRIMARY_HAL\r\nkorv.exe\r\n' > in/korvexe.dat
printf 'abc' > in/Foo.da
printf 'with\032inside' > in/foo.dat
head -c 5000 /dev/urandom > in/blob.bin
: > in/empty.txt

# Round trip.
ff create game.dat in/korvexe.dat in/Foo.da in/foo.dat in/blob.bin in/empty.txt \
  || fail "create: $(cat err.txt)"
ff list game.dat > list.txt || fail "list: $(cat err.txt)"
names=$(awk '{print $1}' list.txt | tr '\n' ' ')
[ "$names" = "BLOB.BIN EMPTY.TXT FOO.DA FOO.DAT KORVEXE.DAT " ] || fail "listed names: $names"
first_offset=$(awk 'NR==1 {print $2}' list.txt)
[ "$first_offset" = $((28 + 5 * 24)) ] || fail "first member at $first_offset"
while read -r name offset size; do
  marker=$(od -An -tu1 -j $((offset + size)) -N1 game.dat | tr -d ' ')
  [ "$marker" = 26 ] || fail "$name: byte after the member is '$marker', not 26"
done < list.txt
[ "$(awk '$1=="BLOB.BIN" {print $3}' list.txt)" = 5000 ] || fail "BLOB.BIN size"

mkdir all
ff extract game.dat -C all || fail "extract all: $(cat err.txt)"
cmp -s all/KORVEXE.DAT in/korvexe.dat || fail "KORVEXE.DAT differs"
cmp -s all/FOO.DA in/Foo.da || fail "FOO.DA differs"
cmp -s all/FOO.DAT in/foo.dat || fail "FOO.DAT differs"
cmp -s all/BLOB.BIN in/blob.bin || fail "BLOB.BIN differs"
cmp -s all/EMPTY.TXT in/empty.txt || fail "EMPTY.TXT differs"

mkdir one
ff extract game.dat korvexe.dat -C one || fail "extract one: $(cat err.txt)"
[ "$(ls one)" = KORVEXE.DAT ] || fail "extract one gave: $(ls one)"
if ff extract game.dat NOSUCH.TXT -C one; then fail "extracting a missing member succeeded"; fi
grep -q "NOSUCH.TXT" err.txt || fail "no message for a missing member"

# Refusals: a bad name, a missing input, a directory, duplicates. None leaves an archive.
cp game.dat good.dat
printf 'x' > in/thirteen.char
expect_refused() {
  local what=$1 archive=$2
  shift 2
  if ff create "$archive" "$@"; then fail "$what: create succeeded"; fi
  [ -s err.txt ] || fail "$what: no message"
  [ -z "$(leftovers)" ] || fail "$what: left $(leftovers)"
}
expect_refused "13-character name" bad.dat in/korvexe.dat in/thirteen.char
grep -q "thirteen.char" err.txt || fail "the long name is not named: $(cat err.txt)"
expect_refused "missing input" bad.dat in/korvexe.dat in/missing.txt
grep -q "missing.txt" err.txt || fail "the missing file is not named: $(cat err.txt)"
expect_refused "directory input" bad.dat in/korvexe.dat other
printf 'y' > other/KORVEXE.DAT
expect_refused "duplicate names" bad.dat in/korvexe.dat other/KORVEXE.DAT
[ ! -e bad.dat ] || fail "a refused create left bad.dat"
expect_refused "failing over a good archive" good.dat in/korvexe.dat in/missing.txt
cmp -s good.dat game.dat || fail "a refused create changed the existing archive"
if ff create; then fail "create without arguments succeeded"; fi

# Replacing an archive that exists works.
ff create good.dat in/Foo.da || fail "replace: $(cat err.txt)"
[ "$(ff list good.dat | awk '{print $1}')" = FOO.DA ] || fail "replaced archive content"

# Archives that are not sound are refused with a message.
if ff list in/korvexe.dat; then fail "listing a text file succeeded"; fi
grep -q "not a fast-file archive" err.txt || fail "no message for a non-archive"
cp game.dat flagged.dat
printf '\001' | dd of=flagged.dat bs=1 seek=12 conv=notrunc 2>/dev/null
if ff list flagged.dat; then fail "listing a flagged archive succeeded"; fi
if ff extract missing.dat; then fail "extracting a missing archive succeeded"; fi

# A member name that would leave the target directory is not written.
cp game.dat escape.dat
printf '../E' | dd of=escape.dat bs=1 seek=28 conv=notrunc 2>/dev/null
mkdir escape
if ff extract escape.dat -C escape; then fail "extracting ../ succeeded"; fi
ls ./*.BIN >/dev/null 2>&1 && fail "a member was written outside the target directory"
[ -e escape/EMPTY.TXT ] || fail "the sound members were not extracted beside the refused one"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all fastfile tool checks passed"
