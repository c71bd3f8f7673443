#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a Release build of the two programs, unpacks it into a
# scratch root and checks it as a desktop would use it: every installed file present and
# valid, the file types and their default application in a scratch XDG data folder, and,
# under Xvfb with a window manager, "kestrow some.ssd" opening that image after the
# splash and a second "kestrow other.ssd" opening its image in the first program.
# Usage: desktop_package.sh SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
source_dir=$(cd "${1:?usage: desktop_package.sh SOURCE_FOLDER WORK_FOLDER}" && pwd)
work=${2:?usage: desktop_package.sh SOURCE_FOLDER WORK_FOLDER}
mkdir -p "$work"
work=$(cd "$work" && pwd)
app_id=org.example.Kestrow

for tool in cmake cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli \
  update-mime-database update-desktop-database xdg-mime groff Xvfb openbox xdotool flock; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() {
  echo "== $* ($SECONDS s)"
}

# ---- The package ------------------------------------------------------------------------

step "Release build of kestrow and kestrow-dfs"
build=$work/build
# The package needs only the programs and their data files, not the tests.
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" --target kestrow kestrow-dfs kestrow_desktop_files \
  >"$work/build.log" 2>&1 || { tail -50 "$work/build.log" >&2; exit 1; }

step "cpack -G DEB"
rm -f "$build"/kestrow_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/kestrow_*.deb)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libqt6network6 libqt6svg6 libqt6core6 libc6 \
  libstdc++6 qt6-qpa-plugins; do
  grep -q "\b$library\b" <<<"$depends" || fail "the package does not depend on $library"
done
grep -q "asan\|ubsan" <<<"$depends" && fail "the package depends on a sanitizer runtime"

root=$work/root
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
expected=(
  usr/bin/kestrow usr/bin/kestrow-dfs
  "usr/share/applications/$app_id.desktop"
  "usr/share/mime/packages/$app_id.xml"
  "usr/share/metainfo/$app_id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  usr/share/man/man1/kestrow-dfs.1 usr/share/man/man1/kestrow.1
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for file in "${expected[@]}"; do
  [ -f "$root/$file" ] || fail "the package lacks /$file"
done
unexpected=$(cd "$root" && find . -type f | sed 's|^\./||' | sort |
  comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$unexpected" ] || fail "the package holds files nobody asked for: $unexpected"

# ---- Each file valid --------------------------------------------------------------------

step "validators"
desktop-file-validate "$share/applications/$app_id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=kestrow %F' "$share/applications/$app_id.desktop" || fail "Exec is not 'kestrow %F'"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
for size in 16 24 32 48 64 128 256; do
  png="$share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  # The signature, then the IHDR chunk's width and height.
  header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
  printf -v dimensions '%08x%08x' "$size" "$size"
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  [ "${header:32:16}" = "$dimensions" ] || fail "$png is not ${size}x${size}"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$app_id.svg" || fail "the SVG icon"
for page in kestrow-dfs kestrow; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$share/man/man1/$page.1" 2>&1) || true
  [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
done
[ "$("$root/usr/bin/kestrow-dfs" --version)" = "kestrow-dfs $(dpkg-deb -f "$deb" Version)" ] ||
  fail "kestrow-dfs --version differs from the package version"

step "file types and their default application in a scratch XDG_DATA_HOME"
xdg=$work/xdg
rm -rf "$xdg"
mkdir -p "$xdg/data/applications" "$xdg/data/mime/packages" "$xdg/config" "$xdg/run"
chmod 700 "$xdg/run"
export XDG_DATA_HOME=$xdg/data XDG_CONFIG_HOME=$xdg/config XDG_RUNTIME_DIR=$xdg/run
export XDG_DATA_DIRS=/usr/share
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
cp "$share/applications/$app_id.desktop" "$XDG_DATA_HOME/applications/"
cp "$share/mime/packages/$app_id.xml" "$XDG_DATA_HOME/mime/packages/"
mime_errors=$(update-mime-database "$XDG_DATA_HOME/mime" 2>&1) || fail "update-mime-database"
[ -z "$mime_errors" ] || fail "update-mime-database: $mime_errors"
for type in ssd dsd mmb; do
  grep -q "^[0-9]*:application/x-acorn-dfs-$type:\*\.$type$" "$XDG_DATA_HOME/mime/globs2" ||
    fail "the mime database has no *.$type glob"
done
update-desktop-database "$XDG_DATA_HOME/applications" || fail "update-desktop-database"
for type in ssd dsd mmb; do
  default=$(xdg-mime query default "application/x-acorn-dfs-$type")
  [ "$default" = "$app_id.desktop" ] ||
    fail "xdg-mime query default application/x-acorn-dfs-$type gives '$default'"
done

# ---- The installed program on a desktop -------------------------------------------------

step "kestrow FILE under Xvfb and openbox"
session=$work/session
rm -rf "$session"
mkdir -p "$session/tmp"
export TMPDIR=$session/tmp
export QT_QPA_PLATFORM=xcb
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$session/display" \
  >"$session/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$session/display" ] && break
  sleep 0.1
done
[ -s "$session/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$session/display")
openbox --sm-disable >"$session/openbox.log" 2>&1 &
pids+=($!)
sleep 1

"$root/usr/bin/kestrow-dfs" new "$session/some.ssd" >/dev/null
"$root/usr/bin/kestrow-dfs" title "$session/some.ssd" SOME >/dev/null
"$root/usr/bin/kestrow-dfs" new "$session/other.ssd" >/dev/null

# An image is open in a disk window exactly while its process holds the image's lock:
# /proc/locks names the holder of each flock by process and inode.
lock_holder() {
  local inode
  inode=$(stat -c %i "$1")
  awk -v inode="$inode" '$2 == "FLOCK" { split($6, id, ":"); if (id[3] == inode) print $5 }' \
    /proc/locks
}
wait_for_holder() {
  local deadline=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -n "$(lock_holder "$1")" ] && return 0
    sleep 0.2
  done
  return 1
}

(cd "$session" && exec "$root/usr/bin/kestrow" some.ssd) >"$session/first.log" 2>&1 &
first=$!
pids+=("$first")
if wait_for_holder "$session/some.ssd"; then
  [ "$(lock_holder "$session/some.ssd")" = "$first" ] ||
    fail "some.ssd is held by $(lock_holder "$session/some.ssd"), not kestrow ($first)"
else
  fail "kestrow some.ssd opened no disk window on some.ssd"
fi
main_windows=$(xdotool search --onlyvisible --pid "$first" --name '^Kestrow$' 2>/dev/null || true)
[ "$(wc -w <<<"$main_windows")" = 1 ] || fail "kestrow shows $(wc -w <<<"$main_windows") main windows"
"$root/usr/bin/kestrow-dfs" list "$session/some.ssd" >/dev/null 2>&1 &&
  fail "kestrow-dfs could open some.ssd while kestrow has it open"

step "a second kestrow FILE"
start=$SECONDS
set +e
(cd "$session" && timeout 30 "$root/usr/bin/kestrow" other.ssd) >"$session/second.log" 2>&1
second_status=$?
set -e
[ "$second_status" = 0 ] || fail "the second kestrow ended with status $second_status"
echo "the second start handed over its file in $((SECONDS - start)) s"
if wait_for_holder "$session/other.ssd"; then
  [ "$(lock_holder "$session/other.ssd")" = "$first" ] ||
    fail "other.ssd is held by $(lock_holder "$session/other.ssd"), not the first kestrow ($first)"
else
  fail "the second kestrow other.ssd opened no disk window on other.ssd"
fi
[ "$(lock_holder "$session/some.ssd")" = "$first" ] || fail "some.ssd was closed"
all_main_windows=$(xdotool search --onlyvisible --name '^Kestrow$' 2>/dev/null || true)
[ "$(wc -w <<<"$all_main_windows")" = 1 ] ||
  fail "$(wc -w <<<"$all_main_windows") Kestrow main windows after the second start"
kill -0 "$first" 2>/dev/null || fail "the first kestrow has ended"

step "closing"
window=$(head -1 <<<"$main_windows")
if [ -n "$window" ]; then
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+F4 || true
fi
for _ in $(seq 50); do
  kill -0 "$first" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$first" 2>/dev/null; then
  fail "kestrow did not close on Alt+F4"
else
  wait "$first" || fail "kestrow ended with status $?"
  [ -z "$(lock_holder "$session/some.ssd")" ] || fail "some.ssd is still locked"
  [ ! -e "$TMPDIR/Kestrow" ] || fail "the temp area was left behind"
fi

if [ "$failures" -ne 0 ]; then
  echo "logs: $session/first.log $session/second.log" >&2
  exit 1
fi
echo "package $(basename "$deb") checked in $SECONDS s"
