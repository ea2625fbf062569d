#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time on a copy of
# its corpus (tests/fuzz/corpus/<target>; nothing new is ever written into
# the repository). Any crash, sanitizer report, leak, failed check or input
# that takes more than a second fails the run: the report, the input as a
# hex dump and the command that reproduces it are printed, and the input is
# kept in <build>/fuzz-findings/. One summary line per target.
# Usage: tools/fuzz.sh [seconds-per-target]   (default 20, at most 60)
# Environment: TAVOLIN_FUZZ_BUILD (build folder, default build-fuzz),
#   TAVOLIN_FUZZ_TARGETS (names to run, e.g. "settings edid_text"; default all).
# Needs tools/install-deps.sh (the project's packages) and --fuzz (clang).
set -euo pipefail

say() { echo "fuzz: $*"; }
fail() {
  echo "fuzz: $*" >&2
  exit 2
}

[ $# -le 1 ] || fail "usage: tools/fuzz.sh [seconds-per-target]"
seconds=${1:-20}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  fail "seconds per target must be a number from 1 to 60"
fi
[ "$seconds" -le 60 ] || { say "at most 60 s per target; running 60 s each"; seconds=60; }

# A build folder given is taken from where the script was started.
build=${TAVOLIN_FUZZ_BUILD:+$(realpath -m -- "$TAVOLIN_FUZZ_BUILD")}
cd "$(dirname "$0")/.."
build=${build:-$PWD/build-fuzz}
corpora=$PWD/tests/fuzz/corpus
targets=${TAVOLIN_FUZZ_TARGETS:-package settings bench_description state_file edid_identifier pkg_info edid_text}

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  fail "clang is not installed: run tools/install-deps.sh --fuzz"
fi

say "configuring $build with clang"
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DTAVOLIN_FUZZ=ON -DTAVOLIN_SANITIZE=OFF -DTAVOLIN_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets

# Hex dump of a finding: xxd where it is installed, else od.
hexdump() {
  if command -v xxd >/dev/null; then
    xxd -- "$1" | head -n 256
  else
    od -A x -t x1z -v -- "$1" | head -n 256
  fi
  local size
  size=$(stat -c %s -- "$1")
  [ "$size" -le 4096 ] || echo "... ($size bytes in all)"
}

# The files in a folder.
count() { find "$1" -maxdepth 1 -type f | wc -l; }

symbolizer=$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:symbolize=1

# The corpus copies and the targets' own files go to memory where it can:
# on a disk every file a target writes costs it most of its speed.
base=${TMPDIR:-/tmp}
[ -z "${TMPDIR:-}" ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/tavolin-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings=$build/fuzz-findings
mkdir -p "$findings"

failed=()
summary=()
for target in $targets; do
  program=$build/fuzz_$target
  [ -x "$program" ] || fail "no fuzz target $program"
  [ -d "$corpora/$target" ] || fail "no corpus $corpora/$target"
  run=$work/$target
  mkdir -p "$run/corpus" "$run/artifacts" "$run/tmp"
  cp -- "$corpora/$target"/* "$run/corpus/"
  log=$run/log
  say "$target: ${seconds} s on $(count "$run/corpus") seeds"
  status=0
  TMPDIR=$run/tmp "$program" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=1024 \
    -max_len=12288 -print_final_stats=1 -artifact_prefix="$run/artifacts/" \
    "$run/corpus" >"$log" 2>&1 || status=$?
  runs=$(awk '/^stat::number_of_executed_units:/ { print $2 }' "$log" | tail -n 1)
  rate=$(awk '/^stat::average_exec_per_sec:/ { print $2 }' "$log" | tail -n 1)
  time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  artifacts=$(find "$run/artifacts" -type f | sort)
  if [ "$status" -eq 0 ] && [ -z "$artifacts" ]; then
    summary+=("$(printf 'fuzz_%-18s PASS %9s executions in %3s s (%s/s), coverage %s, corpus %s -> %s inputs' \
      "$target" "${runs:-?}" "${time:-?}" "${rate:-?}" "${cov:-?}" \
      "$(count "$corpora/$target")" "$(count "$run/corpus")")")
    continue
  fi
  failed+=("$target")
  summary+=("$(printf 'fuzz_%-18s FAIL %9s executions, exit %s' "$target" "${runs:-?}" "$status")")
  echo "=================== fuzz_$target: FINDING ==================="
  # The report: from libFuzzer's or the sanitizer's first line on.
  awk '/^==[0-9]+==|runtime error|check failed|^ALARM|^INFO: libFuzzer|^MS: / { f = 1 } f' "$log" |
    grep -v '^#[0-9]' | head -n 120 || true
  [ -n "$artifacts" ] || { echo "(no input was kept; the log:)"; tail -n 40 "$log"; }
  for artifact in $artifacts; do
    kept=$findings/$target-$(basename "$artifact")
    cp -- "$artifact" "$kept"
    echo "--- input $(basename "$artifact") ($(stat -c %s -- "$artifact") bytes), kept as $kept:"
    hexdump "$artifact"
    echo "--- reproduce:"
    echo "  $program -timeout=1 -rss_limit_mb=1024 $kept"
  done
done

echo "=================== fuzzing summary (${seconds} s per target) ==================="
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: FAIL: ${failed[*]}" >&2
  exit 1
fi
say "PASS: no finding in $(wc -w <<<"$targets") targets"
