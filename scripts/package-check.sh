#!/usr/bin/env bash
# CI smoke test of the Debian package (as root): build it, install it with
# apt-get, run the three installed commands, and start the installed
# program offscreen on the virtual DX7 until its start-up guide, with the
# editor open, watching which files it opens: the initial voice and the
# algorithm picture must come from /usr/share/voxmere, and what it writes
# must go to the user's data folder. Then remove the package. Reuses
# build/ when it is there (CI has just built and tested it), else builds
# afresh (scripts/package.sh). Prints its seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
[ "$(id -u)" -eq 0 ] || { echo "package-check.sh installs a package: run it as root"; exit 1; }

reuse=()
[ -f build/CMakeCache.txt ] && reuse=(build)
packaged=$(bash scripts/package.sh "${reuse[@]}")
echo "$packaged"
deb=$(sed -n 's/^package: //p' <<<"$packaged")
[ -f "$deb" ] || { echo "package.sh made no package"; exit 1; }
command -v strace >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq strace >/dev/null

work=$(mktemp -d /tmp/voxmere-package.XXXXXX)
installed=0
cleanup() {
  [ "$installed" -eq 0 ] || # In English, from the installed catalogue: the guide's English title.
QT_QPA_PLATFORM=offscreen VOXMERE_AUTO_ANSWER=1 /usr/bin/voxmere --virtual-dx7 --language en 2>"$work/stderr-en" &
english=$!
for _ in $(seq 1 150); do
  grep -q "BOX: Set up first" "$work/stderr-en" && break
  sleep 0.1
done
kill -TERM "$english" 2>/dev/null || true
wait "$english" 2>/dev/null || true
grep -q "BOX: Set up first" "$work/stderr-en" || fail "no English start-up guide"

apt-get remove -y -qq voxmere >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=1
dpkg -L voxmere >"$work/files"
for f in /usr/bin/voxmere /usr/share/voxmere/INITdata.v01 /usr/share/voxmere/voxmere.html /usr/share/voxmere/voxmere-en.html /usr/share/voxmere/lang/en.po /usr/share/voxmere/categories.txt \
  /usr/share/voxmere/alg32.jpg /usr/share/applications/voxmere.desktop; do
  grep -qx "$f" "$work/files" || { echo "not in the package: $f"; exit 1; }
done

fail() { echo "package check: $1"; [ -f "$work/stderr" ] && cat "$work/stderr"; exit 1; }
# Each command's whole output first: grep -q stops reading at its match, and
# with pipefail the writer's broken pipe would count as a failure.
says() { local out; out=$("${@:2}" 2>&1) || return 1; grep -q -- "$1" <<<"$out"; }
says "--virtual-dx7" /usr/bin/voxmere --help || fail "voxmere --help"
says "BRASS   1" /usr/bin/voxmere-tool info tests/data/rom1a.syx || fail "voxmere-tool info"
says "--midi-api" /usr/bin/voxmere-dx7sim --help || fail "voxmere-dx7sim --help"

# A user of their own: a fresh home, nothing kept from earlier runs.
export HOME="$work/home"
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME"
cd "$work"
QT_QPA_PLATFORM=offscreen VOXMERE_AUTO_ANSWER=1 VOXMERE_BENCH_OPEN_EDITOR=1 \
  strace -f -qq -e trace=openat -e signal=none -o "$work/opened" \
  /usr/bin/voxmere --virtual-dx7 --language ja 2>"$work/stderr" &
program=$!
for _ in $(seq 1 300); do
  grep -q "BOX: 最初に設定してください" "$work/stderr" && grep -q '/usr/share/voxmere/alg1.jpg' "$work/opened" && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
grep -q "BOX: 最初に設定してください" "$work/stderr" || fail "no start-up guide"
sleep 1 # the editor draws its picture after the guide
# Told to stop (SIGTERM to the program, not to strace), it must end cleanly.
kill -TERM "$(pgrep -P "$program" -x voxmere || echo "$program")"
for _ in $(seq 1 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$program" 2>/dev/null; then
  kill -KILL "$program"
  fail "still running 20 s after SIGTERM"
fi
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"

opened_ok() { grep -E "openat\(.*\"$1\", O_RDONLY.*\) = [0-9]+$" "$work/opened" >/dev/null; }
opened_ok /usr/share/voxmere/INITdata.v01 || fail "initial voice not read from /usr/share/voxmere"
opened_ok /usr/share/voxmere/alg1.jpg || fail "algorithm picture not read from /usr/share/voxmere"
if grep -E '"/usr/(bin|share/voxmere)/[^"]*", [^)]*O_(WRONLY|RDWR|CREAT)' "$work/opened"; then
  fail "wrote into the installed folders"
fi
[ -d "$HOME/.local/share/voxmere" ] || fail "no user data folder"
[ ! -e "$HOME/.local/share/voxmere/INITdata.v01" ] || fail "made an initial voice of its own"
if grep -Ei "not found|見つかりません" "$work/stderr"; then fail "a file was missing"; fi

# In English, from the installed catalogue: the guide's English title.
QT_QPA_PLATFORM=offscreen VOXMERE_AUTO_ANSWER=1 /usr/bin/voxmere --virtual-dx7 --language en 2>"$work/stderr-en" &
english=$!
for _ in $(seq 1 300); do
  grep -q "BOX: Set up first" "$work/stderr-en" && break
  kill -0 "$english" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$english" 2>/dev/null || true
wait "$english" 2>/dev/null || true
grep -q "BOX: Set up first" "$work/stderr-en" || { cat "$work/stderr-en"; fail "no English start-up guide"; }

apt-get remove -y -qq voxmere >/dev/null
installed=0
[ ! -e /usr/bin/voxmere ] || fail "voxmere still installed after removal"
echo "package check passed: $(basename "$deb") installs, runs from /usr/share/voxmere, removes"
echo "--- package check: $(( $(date +%s) - start )) s"
