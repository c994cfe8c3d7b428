#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build/fuzz and runs each for FUZZ_SECONDS
# (default 60) on a working copy of its corpus: the regression inputs kept in tests/fuzz/corpus/<target>/
# and seeds from the test data. Any finding (crash, sanitizer report, failed round trip, leak, time-out)
# fails the run; the input is left in build/fuzz/findings/<target>/. Once its fault is fixed, keep the
# input in tests/fuzz/corpus/<target>/ so that every later run tries it again.
#   FUZZ_TARGETS="fuzz_knot_round_trip" FUZZ_SECONDS=600 scripts/run-fuzzers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_DIR=${FUZZ_DIR:-build/fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
FUZZ_CXX=${FUZZ_CXX:-clang++-14}
FUZZ_TARGETS=${FUZZ_TARGETS:-fuzz_knot fuzz_knot_round_trip fuzz_plain_text fuzz_command_file fuzz_structured
    fuzz_xml_import fuzz_sheet}
JOBS=${JOBS:-$(nproc)}

if ! command -v "$FUZZ_CXX" >/dev/null; then
    echo "run-fuzzers: $FUZZ_CXX not found (Debian packages clang-14 and libclang-rt-14-dev)" >&2
    exit 1
fi

if [ ! -f "$FUZZ_DIR/build.ninja" ]; then
    cmake -S . -B "$FUZZ_DIR" -G Ninja -DQV_FUZZ=ON -DCMAKE_CXX_COMPILER="$FUZZ_CXX" \
        -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only"
fi
# shellcheck disable=SC2086
cmake --build "$FUZZ_DIR" -j "$JOBS" --target $FUZZ_TARGETS

# Seeds: every knot text of the test data for the knot targets, the documents (test data and samples)
# of its types for a document target, the XML files for the import.
documents() {
    find tests samples -path tests/fuzz -prune -o -type f \( -path '*/data/*' -o -path 'samples/*' \) \
        \( "$@" \) -print
}
seeds() {
    case "$1" in
    fuzz_plain_text) documents -name '*.frt' -o -name '*.frt.saved' ;;
    fuzz_command_file) documents -name '*.comd' ;;
    fuzz_structured) documents -name '*.strucd' ;;
    fuzz_xml_import) documents -name '*.xml' ;;
    fuzz_sheet) documents -name '*.strucd' -o -name '*.comd' -o -name '*.frt' ;;
    *) find tests -path tests/fuzz -prune -o -type f -path '*/data/*' -print ;;
    esac
}

failed=0
for target in $FUZZ_TARGETS; do
    work="$FUZZ_DIR/corpus/$target"
    findings="$FUZZ_DIR/findings/$target"
    rm -rf "$work" "$findings"
    mkdir -p "$work" "$findings"
    if [ -d "tests/fuzz/corpus/$target" ]; then
        find "tests/fuzz/corpus/$target" -type f ! -name .keep -exec cp {} "$work"/ \;
    fi
    seeds "$target" | while read -r file; do
        cp "$file" "$work/seed-$(echo "$file" | tr '/' '_')"
    done
    echo "== $target: $(find "$work" -type f | wc -l) inputs, $FUZZ_SECONDS s"
    if ! "$FUZZ_DIR/tests/fuzz/$target" -max_total_time="$FUZZ_SECONDS" -timeout=20 -rss_limit_mb=3072 \
        -max_len=65536 -print_final_stats=1 -dict=tests/fuzz/knot.dict \
        -artifact_prefix="$findings/" "$work" 2>"$FUZZ_DIR/$target.log"; then
        tail -n 60 "$FUZZ_DIR/$target.log" >&2
        echo "== $target: FINDING, input in $findings/" >&2
        failed=1
    else
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' \
            "$FUZZ_DIR/$target.log" || true
    fi
done
exit $failed
