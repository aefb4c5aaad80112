#!/usr/bin/env bash
# Drives the fastfile tool: round trip, layout, folders, and refusals that must leave no
# archive.
# Usage: fastfile_tool_test.sh WORKDIR [RUNNER...] TOOL
set -u
work=$1
shift
tool=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ff() { "${tool[@]}" "$@" 2>err.txt | tr -d '\r'; return "${PIPESTATUS[0]}"; }
leftovers() { ls ./*.new in/*.new 2>/dev/null; }
# Under Wine the files are the Windows program's: names such as "A:B" do not reach it, and
# root reads every file.
case "${tool[*]}" in *.exe) windows=1 ;; *) windows=0 ;; esac

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
ff extract game.dat korvexe.dat KORVEXE.DAT -C one || fail "extract one named twice: $(cat err.txt)"
[ "$(ls one)" = KORVEXE.DAT ] || fail "extract one gave: $(ls one)"
[ -s err.txt ] && fail "extract one named twice said: $(cat err.txt)"
if ff extract game.dat NOSUCH.TXT -C one; then fail "extracting a missing member succeeded"; fi
grep -q "NOSUCH.TXT" err.txt || fail "no message for a missing member"

# A folder gives its own regular files; what is inside its subfolders is not packed.
mkdir -p pack/sub out
printf 'p' > pack/one.txt
printf 'q' > pack/sub/deep.txt
ff create out/folder.dat pack in/Foo.da || fail "create from a folder: $(cat err.txt)"
grep -q "sub.*not packed" err.txt || fail "no message for the subfolder: $(cat err.txt)"
[ "$(ff list out/folder.dat | awk '{print $1}' | tr '\n' ' ')" = "FOO.DA ONE.TXT " ] || fail "folder members"
if ff create nowhere/x.dat in/Foo.da; then fail "create into a missing folder succeeded"; fi
grep -q "folder does not exist" err.txt || fail "no message for a missing folder: $(cat err.txt)"

# Refusals: a bad name, a missing input, duplicates. None leaves an archive.
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
grep -q "missing.txt: no such file or folder" err.txt || fail "the missing file is not named: $(cat err.txt)"
truncate -s 4G in/huge.bin
expect_refused "4 GiB input" bad.dat in/huge.bin
grep -q "huge.bin: too large" err.txt || fail "the large file is not named: $(cat err.txt)"
rm in/huge.bin
if [ "$windows" = 0 ]; then
  for name in 'A:B' 'A\B'; do
    printf 'z' > "other/$name"
    expect_refused "member name $name" bad.dat "other/$name"
    grep -q "extract would refuse" err.txt || fail "no message for member name $name: $(cat err.txt)"
    rm "other/$name"
  done
  # Root reads every file, so the unreadable one is tried as nobody.
  [ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups) || as_user=()
  printf 's' > in/secret.txt && chmod 000 in/secret.txt
  as_self=("${tool[@]}") && tool=("${as_user[@]}" "${tool[@]}")
  expect_refused "unreadable input" bad.dat in/secret.txt
  tool=("${as_self[@]}")
  grep -q "secret.txt: cannot be read" err.txt || fail "the unreadable file is not named: $(cat err.txt)"
  rm -f in/secret.txt
fi
printf 'y' > other/KORVEXE.DAT
expect_refused "duplicate names" bad.dat in/korvexe.dat other/KORVEXE.DAT
[ ! -e bad.dat ] || fail "a refused create left bad.dat"
expect_refused "failing over a good archive" good.dat in/korvexe.dat in/missing.txt
cmp -s good.dat game.dat || fail "a refused create changed the existing archive"
# Help is asked for and goes to stdout; a usage error goes to stderr.
for help in --help -h; do
  ff "$help" > out.txt || fail "$help failed"
  grep -q "^usage: fastfile create" out.txt && [ ! -s err.txt ] || fail "$help: $(cat out.txt err.txt)"
done
ff create > out.txt
[ $? = 2 ] && [ ! -s out.txt ] && grep -q "^usage:" err.txt || fail "usage error: $(cat out.txt err.txt)"

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
