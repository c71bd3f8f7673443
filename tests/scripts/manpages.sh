#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages against the programs: kestrow-dfs.1 gives exactly the usage that
# "kestrow-dfs --help" and "kestrow-dfs COMMAND --help" print and describes every command
# and no other, both pages render without a groff warning, and both programs and pages
# give the project's version.
# Usage: manpages.sh PATH/TO/kestrow-dfs PATH/TO/kestrow MAN_FOLDER VERSION
set -euo pipefail
tool=${1:?usage: manpages.sh KESTROW_DFS KESTROW MAN_FOLDER VERSION}
program=${2:?}
pages=${3:?}
version=${4:?}
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
for page in kestrow-dfs.1 kestrow.1; do
  if [ ! -f "$pages/$page" ]; then
    echo "FAIL: $pages/$page is missing (built by the kestrow_desktop_files target)" >&2
    exit 1
  fi
done
command -v groff >/dev/null || { echo "FAIL: groff is missing (scripts/install-deps.sh)" >&2; exit 1; }

# The page as a reader sees it, one space between words.
render() {
  local warnings
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$1" 2>&1) || true
  [ -z "$warnings" ] || fail "$1 renders with warnings: $warnings"
  LC_ALL=C.UTF-8 groff -man -Tascii -P-cbou "$1" 2>/dev/null | sed -E 's/^ +//; s/ +/ /g'
}
dfs_text=$(render "$pages/kestrow-dfs.1")
render "$pages/kestrow.1" >/dev/null

# The synopses of the overview, and each command's own usage line.
usage=$("$tool" --help)
mapfile -t synopses < <(printf '%s\n' "$usage" | grep '^  [a-z]' | sed -E 's/^  //; s/ {2,}/\n/g')
[ ${#synopses[@]} -ge 10 ] || fail "kestrow-dfs --help lists only ${#synopses[@]} commands"
commands=()
for synopsis in "${synopses[@]}"; do
  command=${synopsis%% *}
  commands+=("$command")
  own=$("$tool" "$command" --help) || fail "kestrow-dfs $command --help fails"
  [ "$own" = "Usage: kestrow-dfs $synopsis" ] ||
    fail "kestrow-dfs $command --help gives '$own', the overview '$synopsis'"
  grep -qxF "kestrow-dfs $synopsis" <<<"$dfs_text" ||
    fail "the manual page's synopsis lacks 'kestrow-dfs $synopsis'"
done

# The COMMANDS section describes exactly those commands.
described=$(awk '/^\.SH COMMANDS/ {on = 1; next} /^\.SH/ {on = 0}
                 on && previous == ".TP" && /^\.B / {print $2} {previous = $0}' \
  "$pages/kestrow-dfs.1" | sort)
listed=$(printf '%s\n' "${commands[@]}" | sort)
[ "$described" = "$listed" ] ||
  fail "commands described ($(echo $described)) differ from those listed ($(echo $listed))"

[ "$("$tool" --version)" = "kestrow-dfs $version" ] || fail "kestrow-dfs --version"
[ "$("$program" --version)" = "kestrow $version" ] || fail "kestrow --version"
for page in kestrow-dfs.1 kestrow.1; do
  grep -q "^\.TH .*\"Kestrow $version\"" "$pages/$page" || fail "$page does not give $version"
done

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "manual pages agree with ${#commands[@]} commands and version $version"
