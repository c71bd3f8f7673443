#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the clipboard suite on a real X server (Xvfb, xcb platform) so that xclip, another
# program, reads what an inspector copies and hands it text to paste.
# Usage: clipboard_xclip.sh PATH/TO/test_clipboard
set -euo pipefail
suite=${1:?usage: clipboard_xclip.sh PATH/TO/test_clipboard}
for tool in xvfb-run xauth xclip; do
  if ! command -v "$tool" >/dev/null; then
    echo "clipboard_xclip: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
# The test environment asks for the offscreen platform, which has no system clipboard.
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$suite"
