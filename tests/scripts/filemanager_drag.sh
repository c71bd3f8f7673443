#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the file-manager drag suite on a real X server (Xvfb) with a window manager
# (openbox) and a real file manager (pcmanfm), the pointer moved by xdotool.
# Usage: filemanager_drag.sh PATH/TO/test_filemanager_drag
set -euo pipefail
suite=${1:?usage: filemanager_drag.sh PATH/TO/test_filemanager_drag}

if [ "${2:-}" != "--on-display" ]; then
  for tool in xvfb-run xauth xprop openbox pcmanfm xdotool dbus-run-session; do
    if ! command -v "$tool" >/dev/null; then
      echo "filemanager_drag: $tool is missing (scripts/install-deps.sh installs it)" >&2
      exit 1
    fi
  done
  # The test environment asks for the offscreen platform, which has no drag and drop
  # between programs.
  export QT_QPA_PLATFORM=xcb
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$suite" --on-display
fi

# On the X server now. A private home keeps pcmanfm's and openbox's settings out of the
# user's and gives both their defaults.
scratch=$(mktemp -d)
openbox_pid=
cleanup() {
  if [ -n "$openbox_pid" ]; then
    kill "$openbox_pid" 2>/dev/null || true
    wait "$openbox_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

openbox >/dev/null 2>&1 &
openbox_pid=$!
# Ready once it announces itself on the root window.
for _ in $(seq 50); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
    break
  fi
  sleep 0.1
done

# pcmanfm wants a session bus; the suite's run gets one of its own, ended with it.
status=0
timeout 150 dbus-run-session -- "$suite" || status=$?
exit "$status"
