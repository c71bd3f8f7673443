#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kestrow without sanitizers and runs a whole GUI session under valgrind, headless:
# open an image, change a file's bytes in an inspector, save, close (the test
# TestEditSession::openEditSaveClose). Any memory error, or memory the program leaks
# for certain, fails the run.
#
#   scripts/valgrind-gui.sh [TEST_FUNCTION ...]     default: openEditSaveClose
#   JOBS=1 scripts/valgrind-gui.sh                  compile jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
if ! command -v valgrind >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: valgrind"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends valgrind >/dev/null
fi

build_dir=build/valgrind
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DKESTROW_SANITIZE=OFF >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" --target test_edit_session

functions=("$@")
[ ${#functions[@]} -eq 0 ] && functions=(openEditSaveClose)
export QT_QPA_PLATFORM=offscreen
valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  --show-leak-kinds=definite --track-origins=yes \
  "$build_dir/test_edit_session" "${functions[@]}"
echo "valgrind: no memory errors and no definite leaks"
