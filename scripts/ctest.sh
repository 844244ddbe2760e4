# Sourced by scripts/test and its own test. run_ctest PRESET [ARGUMENTS...] runs ctest with the
# test preset; it fails when a test failed, was skipped or not run, or when there was none.
run_ctest() {
    local log status=0
    log=$(mktemp)
    ctest --preset "$1" --no-tests=error -j"$(nproc)" "${@:2}" | tee "$log" || status=$?
    if grep -q -E '\*\*\*Skipped|\(Skipped\)|Not Run' "$log"; then
        echo "A test was skipped or not run (see above); scripts/test installs every tool, so this is a failure." >&2
        status=1
    fi
    rm -f "$log"
    return "$status"
}
