#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number of runs, one after the
# other, then prints runs and findings per target.
#
#   fuzz/run.sh [RUNS] [TARGET...]      RUNS defaults to 100000; TARGET defaults to all six
#
# Environment: BUILD_DIR (default build-fuzz), JOBS (build jobs, default 2), MAX_TOTAL_TIME
# (seconds per target, default 0 = no limit), FUZZ_OPTS (more libFuzzer options), WORKERS
# (processes per target sharing one corpus, default 1; RUNS is split among them and their runs
# are summed), SANITIZERS (a new build directory's sanitizers, default address,undefined).
#
# Inputs that find a fault land in $BUILD_DIR/fuzz/findings/<target>/; once the fault is fixed,
# copy them into fuzz/regressions/<target>/, where the replay test (tst_fuzz_replay) runs them in
# every build. The corpus grown while fuzzing stays in $BUILD_DIR/fuzz/corpus/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."

runs="${1:-100000}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(fuzz_decode_report fuzz_build_roundtrip fuzz_rx_tick fuzz_isp_loop fuzz_hex_text fuzz_edid_model)
build="${BUILD_DIR:-build-fuzz}"
jobs="${JOBS:-2}"
workers="${WORKERS:-1}"

if ! command -v clang++ >/dev/null; then
    echo "clang++ is missing: apt-get install -y clang libclang-rt-14-dev" >&2
    exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVARNOK_FUZZ=ON -DVARNOK_FUZZ_SANITIZERS="${SANITIZERS:-address,undefined}" >/dev/null ||
        exit 2
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}" || exit 2

seeds_of() {
    case "$1" in
        fuzz_decode_report) echo fuzz/seeds/edid ;;
        fuzz_build_roundtrip) echo fuzz/seeds/edid fuzz/seeds/creator ;;
        fuzz_rx_tick) echo fuzz/seeds/rx_tick ;;
        fuzz_isp_loop) echo fuzz/seeds/isp_loop ;;
        fuzz_hex_text) echo fuzz/seeds/hex_text ;;
        fuzz_edid_model) echo fuzz/seeds/edid fuzz/seeds/edid_model ;;
    esac
}
max_len_of() {
    case "$1" in
        fuzz_decode_report) echo 300 ;;   # 256 image bytes, a few more to show they are ignored
        fuzz_build_roundtrip) echo 700 ;; # 256 image bytes and the record edits
        fuzz_edid_model) echo 1400 ;;     # up to 8 blocks and a script of edits
        # A whole update of the page protocol takes about 740 directives (three a page); 1024
        # leaves room for retries, and longer scripts only repeat what shorter ones do, slowly.
        fuzz_isp_loop) echo 1024 ;;
        *) echo 4096 ;;
    esac
}

# Crashes, failed checks, leaks, time-outs and memory limits leave their input behind.
count_findings() {
    find "$1" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) |
        wc -l
}
count_slow_units() {
    find "$1" -type f -name 'slow-unit-*' | wc -l
}

summary=()
total_findings=0
for t in "${targets[@]}"; do
    corpus="$build/fuzz/corpus/$t"
    findings="$build/fuzz/findings/$t"
    log="$build/fuzz/$t.log"
    mkdir -p "$corpus" "$findings"
    before=$(count_findings "$findings")
    slow_before=$(count_slow_units "$findings")
    # shellcheck disable=SC2207
    dirs=("$corpus" $(seeds_of "$t"))
    [ -d "fuzz/regressions/$t" ] && dirs+=("fuzz/regressions/$t")
    start=$(date +%s)
    # Leak checks are off: Qt keeps a few process-wide allocations that are not faults. No
    # allocation stacks are kept (it halves the speed of the allocating targets); replay a
    # finding with plain ASAN_OPTIONS to see where its memory came from.
    rm -f "$build/fuzz/$t".[0-9]*.log
    pids=()
    for ((w = 0; w < workers; w++)); do
        share=$((runs / workers + (w < runs % workers ? 1 : 0)))
        wlog="$log"
        ((workers > 1)) && wlog="$build/fuzz/$t.$w.log"
        ASAN_OPTIONS="detect_leaks=0:malloc_context_size=0:${ASAN_OPTIONS:-}" \
            "$build/fuzz/$t" -runs="$share" -max_len="$(max_len_of "$t")" -timeout=20 \
            -rss_limit_mb=2048 -max_total_time="${MAX_TOTAL_TIME:-0}" -detect_leaks=0 \
            -artifact_prefix="$findings/" -print_final_stats=1 ${FUZZ_OPTS:-} "${dirs[@]}" \
            >"$wlog" 2>&1 &
        pids+=($!)
    done
    rc=0
    for pid in "${pids[@]}"; do wait "$pid" || rc=$?; done
    secs=$(($(date +%s) - start))
    done_runs=0
    if ((workers > 1)); then wlogs=("$build/fuzz/$t".[0-9]*.log); else wlogs=("$log"); fi
    for wlog in "${wlogs[@]}"; do
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$wlog" | tail -1)
        [ -n "$n" ] || n=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$wlog" | tail -1)
        done_runs=$((done_runs + ${n:-0}))
    done
    ((workers > 1)) && cat "${wlogs[@]}" >"$log"
    after=$(count_findings "$findings")
    found=$((after - before))
    # A unit that took over 10 s is kept as slow-unit-*: no fault by itself (a stalled machine
    # does it too); a unit over the 20 s limit is a timeout-* finding.
    slow=$(($(count_slow_units "$findings") - slow_before))
    if [ "$rc" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi  # a failure that left no input
    total_findings=$((total_findings + found))
    summary+=("$(printf '%-22s runs %12s  findings %3d  slow units %3d  %6ds  (log %s)' "$t" \
        "$done_runs" "$found" "$slow" "$secs" "$log")")
    if [ "$found" -ne 0 ]; then
        grep -m3 -E "ERROR|invariant broken|runtime error" "$log" | sed 's/^/    /'
    fi
done

echo
for line in "${summary[@]}"; do echo "$line"; done
[ "$total_findings" -eq 0 ]
