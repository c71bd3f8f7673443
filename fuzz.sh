#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets in fuzz/ with clang, AddressSanitizer and UBSan, and runs
# each for a bounded time on a seed corpus made from the sample images and side-cars and
# from images built by fuzz/make_seeds.cpp. Targets run one after another.
#
#   ./fuzz.sh [TARGET ...]        targets: fuzz_image fuzz_compact fuzz_import fuzz_inspector
#                                 (default all)
#   FUZZ_SECONDS=600 ./fuzz.sh    seconds per target (default 60)
#   FUZZ_BUILD_JOBS=1             compile jobs (default 2)
#
# The corpus grows in fuzz/corpus/TARGET; crashes, hangs and leaks land in
# fuzz/artifacts/; each run's output is in fuzz/logs/TARGET.log. The exit status is 1
# when any target found something.
set -euo pipefail
cd "$(dirname "$0")"

all_targets=(fuzz_image fuzz_compact fuzz_import fuzz_inspector)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_BUILD_JOBS:-2}
samples=tests/data

for target in "${targets[@]}"; do
  case " ${all_targets[*]} " in
    *" $target "*) ;;
    *) echo "fuzz.sh: unknown target $target (known: ${all_targets[*]})" >&2; exit 2 ;;
  esac
done

# ---- Tools ------------------------------------------------------------------------------

install_packages() {
  local sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: $*"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

./scripts/install-deps.sh
command -v clang++ >/dev/null || install_packages clang
# libFuzzer's runtime comes with the compiler-rt package of the installed clang.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' \
  >"$probe_dir/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe_dir/probe.cpp" -o "$probe_dir/probe" \
  2>/dev/null; then
  clang_major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
  install_packages "libclang-rt-${clang_major}-dev"
fi

# ---- Build ------------------------------------------------------------------------------

build_dir=fuzz/build
cmake -S fuzz -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$build_dir" -j"$jobs" --target make_seeds "${targets[@]}"

seeds=$build_dir/seeds
rm -rf "$seeds"
ASAN_OPTIONS=detect_leaks=0 "$build_dir/make_seeds" "$samples" "$seeds"

# ---- Runs -------------------------------------------------------------------------------

declare -A max_len=([fuzz_image]=24576 [fuzz_compact]=24576 [fuzz_import]=1024 [fuzz_inspector]=2048)
mkdir -p fuzz/corpus fuzz/artifacts fuzz/logs
# The targets write an image per input: memory-backed when the system allows.
work_parent=${TMPDIR:-/tmp}
[ -w /dev/shm ] && work_parent=/dev/shm
export FUZZ_WORKDIR
FUZZ_WORKDIR=$(mktemp -d "$work_parent/kestrow-fuzz-work.XXXXXX")
trap 'rm -rf "$probe_dir" "$FUZZ_WORKDIR"' EXIT

found=0
summary=()
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  log=fuzz/logs/$target.log
  mkdir -p "$corpus"
  before=$(find fuzz/artifacts -name "$target-*" | wc -l)
  echo "== $target: $seconds s"
  set +e
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build_dir/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="${max_len[$target]}" -print_final_stats=1 \
    -artifact_prefix="fuzz/artifacts/$target-" "$corpus" "$seeds/$target" >"$log" 2>&1
  status=$?
  set -e
  after=$(find fuzz/artifacts -name "$target-*" | wc -l)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(find "$corpus" -type f | wc -l)
  line="$target: ${execs:-?} execs in $seconds s (${rate:-?}/s), corpus $units, new findings $((after - before)), exit $status"
  summary+=("$line")
  echo "$line"
  if [ "$status" -ne 0 ] || [ "$after" -ne "$before" ]; then
    found=1
    grep -E "ERROR|INVARIANT|SUMMARY|Test unit written" "$log" | head -20 || true
  fi
done

echo "== Summary"
printf '%s\n' "${summary[@]}"
exit "$found"
