# The checks of the program tests, sourced by them once they have defined
# `quenbus`: `run` leaves the last run's status, output and errors; `expect`
# judges them and counts failures.
failures=0
failed_checks=()
output=""
errors=""
status=0

# failed DESCRIPTION: says that a check failed and counts it.
failed() {
    echo "FAILED: $1"
    failed_checks+=("$1")
    failures=$((failures + 1))
}

# report: the count of failures and, last, the checks that failed, so that a
# cut log still shows them; true when none failed.
report() {
    echo "$failures failed"
    local check
    for check in "${failed_checks[@]}"; do
        echo "failed: $check"
    done
    [ "$failures" -eq 0 ]
}

# expect STATUS TEXT DESCRIPTION: the last run ended with STATUS and said TEXT (out or err).
expect() {
    if [ "$status" -ne "$1" ] || ! grep -qF -- "$2" <<<"$output$errors"; then
        failed "$3 (status $status, expected $1; expected to see: $2)"
        printf '%s\n%s\n' "$output" "$errors" | sed 's/^/    /'

    else
        echo "ok: $3"
    fi
}

# check CONDITION-STATUS DESCRIPTION: a condition's exit status, 0 for ok.
check() {
    if [ "$1" -eq 0 ]; then echo "ok: $2"; else failed "$2"; fi
}
milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# run [INPUT] -- ARGS...: runs the program with INPUT on standard input.
run() {
    local input=$1
    shift 2
    printf '%b' "$input" | quenbus "$@" >out.txt 2>err.txt
    status=$?
    output=$(tr -d '\r' <out.txt)
    errors=$(tr -d '\r' <err.txt)
}
