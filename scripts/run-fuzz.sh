#!/usr/bin/env bash
# Runs the libFuzzer targets built by `make fuzz`, one after the other, each for FUZZ_SECONDS.
#   FUZZ_BUILD    the fuzz build folder (build-fuzz)
#   FUZZ_SECONDS  seconds per target (60)
#   FUZZ_TARGETS  blank-separated target names (all of fuzz/targets/)
#   FUZZ_ARGS     more libFuzzer options, e.g. "-runs=10000000"
# The committed seeds are read only; what the fuzzer learns goes to $FUZZ_BUILD/fuzz-corpus/<target>.
# A failing input is minimised (crashes) and kept as fuzz/regressions/<target>/<kind>-<hash>, for
# `make test` to replay; the run goes on with the next target and exits non-zero at the end.
# Each target's executions go to $FUZZ_BUILD/fuzz-stats.txt.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-build-fuzz}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
seconds="${FUZZ_SECONDS:-60}"
targets="${FUZZ_TARGETS:-}"
if [ -z "$targets" ]; then
  targets="$(cd "$root/fuzz/targets" && ls *.cpp | sed 's/\.cpp$//' | tr '\n' ' ')"
fi

export QT_QPA_PLATFORM=offscreen
# Qt's own libraries are not built with the sanitizers; what they keep for the process is not ours.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="${ASAN_OPTIONS:-new_delete_type_mismatch=0:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for t in $targets; do
  bin="$build/fuzz/fuzz_$t"
  if [ ! -x "$bin" ]; then
    echo "no fuzz binary for $t ($bin); run make fuzz first" >&2
    failed+=("$t")
    continue
  fi
  work="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  regressions="$root/fuzz/regressions/$t"
  mkdir -p "$work" "$artifacts"
  seeds=("$root/fuzz/corpus/$t")
  [ -d "$regressions" ] && seeds+=("$regressions")
  log="$build/fuzz-$t.log"
  echo "== $t: ${seconds}s"
  started=$(date +%s)
  # shellcheck disable=SC2086
  "$bin" "$work" "${seeds[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix="$artifacts/" -print_final_stats=1 ${FUZZ_ARGS:-} >"$log" 2>&1
  status=$?
  elapsed=$(( $(date +%s) - started ))
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')"
  echo "$(date -u +%Y-%m-%dT%H:%M:%SZ) $t executions=${runs:-?} seconds=$elapsed status=$status" >>"$build/fuzz-stats.txt"
  if [ $status -eq 0 ]; then
    echo "   clean: ${runs:-?} executions in ${elapsed}s"
    continue
  fi
  failed+=("$t")
  artifact="$(ls -t "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-* \
              "$artifacts"/slow-unit-* 2>/dev/null | head -1)"
  echo "   FAILED (see $log)"
  grep -m3 -E 'ERROR|runtime error|fuzz check failed' "$log" | sed 's/^/   /'
  if [ -n "$artifact" ]; then
    kind="$(basename "$artifact" | cut -d- -f1)"
    keep="$artifact"
    if [ "$kind" = crash ] || [ "$kind" = leak ]; then
      "$bin" -minimize_crash=1 -max_total_time=60 -exact_artifact_path="$artifacts/minimized" "$artifact" \
        >"$build/fuzz-$t-minimize.log" 2>&1
      [ -s "$artifacts/minimized" ] && keep="$artifacts/minimized"
    fi
    mkdir -p "$regressions"
    name="$kind-$(sha1sum "$keep" | cut -c1-16)"
    cp "$keep" "$regressions/$name"
    echo "   input kept as fuzz/regressions/$t/$name"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}" >&2
  exit 1
fi
echo "all targets clean"
