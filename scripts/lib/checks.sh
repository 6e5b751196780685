# Sourced by the shell test scripts: fail records a failed check and goes on, so that one run
# reports every failure; the script ends with the count in $failures.
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
