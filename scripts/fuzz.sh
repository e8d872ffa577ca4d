#!/usr/bin/env bash
# Builds the fuzz harnesses (clang, libFuzzer, ASan/UBSan) in build-fuzz and runs
# each for SECONDS (default 60), one after the other, at the lowest priority.
# The fuzzer works in build-fuzz/work/<name>/ (started from the kept corpus);
# afterwards only the inputs that reach code the kept corpus does not reach are
# merged into tests/fuzz/corpus/<name>/, so the kept corpus stays small enough to
# replay in CI. A crash leaves its input in build-fuzz/crashes/ and makes the
# script end with status 1.
#
#   scripts/fuzz.sh [SECONDS] [NAME...]      NAME: link, relay, kvd, settings, ...
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true

scripts/install-deps.sh
if ! command -v clang++ >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ] \
   || ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "Installing clang and its runtime libraries"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$root"/tests/fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp); names+=("${n#fuzz_}")
  done
fi

targets=()
for n in "${names[@]}"; do targets+=("fuzz_$n"); done
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMORVO3_FUZZ=ON -DMORVO3_BUILD_GUI=OFF >/dev/null
nice -n 19 cmake --build "$root/build-fuzz" -j"${MORVO3_JOBS:-2}" --target "${targets[@]}"

mkdir -p "$root/build-fuzz/crashes" "$root/build-fuzz/logs"
status=0
for n in "${names[@]}"; do
  corpus="$root/tests/fuzz/corpus/$n"
  work="$root/build-fuzz/work/$n"
  mkdir -p "$corpus" "$work"
  cp -n "$corpus"/* "$work"/ 2>/dev/null || true
  before=$(find "$corpus" -type f | wc -l)
  dict=()
  [ -f "$root/tests/fuzz/$n.dict" ] && dict=(-dict="$root/tests/fuzz/$n.dict")
  log="$root/build-fuzz/logs/$n.log"
  echo "== $n: ${seconds}s (log: $log)"
  rc=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  QT_LOGGING_RULES='morvo3.*=false' \
    nice -n 19 "$root/build-fuzz/tests/fuzz/fuzz_$n" "${dict[@]}" -max_total_time="$seconds" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$root/build-fuzz/crashes/$n-" \
      "$work" >"$log" 2>&1 || rc=$?
  nice -n 19 "$root/build-fuzz/tests/fuzz/fuzz_$n" -merge=1 "$corpus" "$work" >"$log.merge" 2>&1 || true
  after=$(find "$corpus" -type f | wc -l)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  eps=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  echo "$n: ${runs:-?} executions, ${eps:-?} exec/s, coverage ${cov:-?} edges (${ft:-?} features), corpus $before -> $after files"
  if [ $rc -ne 0 ]; then
    echo "$n: FAILED (status $rc), see $log and build-fuzz/crashes/"
    grep -E 'ERROR|SUMMARY|runtime error' "$log" | head -5 || true
    status=1
  fi
done
exit $status
