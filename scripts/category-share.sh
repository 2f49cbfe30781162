#!/usr/bin/env bash
# How the category rules (data/categories.txt) place the voices of the test
# files (tests/data): voices and names in each category, and the share left
# in "other". Indexes tests/data into a temporary catalogue with the built
# voxmere-tool (BUILD, default build/) and removes it afterwards.
#   bash scripts/category-share.sh            # the table and the shares
#   bash scripts/category-share.sh --list other   # also the names in "other"
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
cmake --build "$build" -j2 --target voxmere-tool >/dev/null
tool="$build/program/voxmere-tool"
work=$(mktemp -d "${TMPDIR:-/tmp}/voxmere-categories-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$tool" index --db "$work/c.db" tests/data >/dev/null
"$tool" categories --db "$work/c.db" --rules data/categories.txt "$@"
# two-different-banks.syx renames a factory bank "SECOND 01".."SECOND 32" for
# the readers' tests, and some banks hold voices whose names hold no letter: neither
# says anything of the rules, so the share is given without them too.
"$tool" categories --db "$work/c.db" --rules data/categories.txt --list other --json | python3 -c '
import json, re, sys
d = json.load(sys.stdin)
made = [n for n in d["list"] if re.fullmatch(r"SECOND \d\d ", n["name"]) or not re.search(r"[A-Za-z]", n["name"])]
voices = d["voices"] - sum(n["voices"] for n in made)
names = d["names"] - len(made)
other_voices = d["categories"]["other"]["voices"] - sum(n["voices"] for n in made)
other_names = d["categories"]["other"]["names"] - len(made)
print(f"without the made-up names and those with no letter: {voices} voices, {names} names; other: "
      f"{100 * other_voices / voices:.1f} % of the voices ({other_voices}), "
      f"{100 * other_names / names:.1f} % of the names ({other_names})")
'
