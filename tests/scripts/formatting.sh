#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ source of the project is as clang-format writes it with the project's
# .clang-format; lists each file that differs.
# Usage: formatting.sh SOURCE_FOLDER
set -euo pipefail
root=${1:?usage: formatting.sh SOURCE_FOLDER}
cd "$root"
if ! command -v clang-format >/dev/null; then
  echo "FAIL: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
# fuzz.sh builds in fuzz/build, where CMake leaves sources of its own.
mapfile -d '' sources < <(find src tests tools bench fuzz -path fuzz/build -prune -o \
  \( -name '*.cpp' -o -name '*.h' \) -type f -print0 | sort -z)
if [ ${#sources[@]} -eq 0 ]; then
  echo "FAIL: no sources found under $root" >&2
  exit 1
fi
if ! clang-format --dry-run -Werror "${sources[@]}"; then
  echo "FAIL: the files above are not formatted; run clang-format -i on them" >&2
  exit 1
fi
echo "formatting: ${#sources[@]} files as clang-format writes them"
