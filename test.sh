#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds with AddressSanitizer and UBSan and warnings as errors,
# and runs every test headless, the formatting check among them.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build_dir=build/sanitize
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DKESTROW_SANITIZE=ON -DKESTROW_WERROR=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" "$@"
