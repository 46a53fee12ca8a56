# The checks of the program tests, sourced by them: `run` leaves the last
# run's status, output and errors; `expect` judges them and counts failures.
failures=0
output=""
errors=""
status=0

# expect STATUS TEXT DESCRIPTION: the last run ended with STATUS and said TEXT (out or err).
expect() {
    if [ "$status" -ne "$1" ] || ! grep -qF -- "$2" <<<"$output$errors"; then
        echo "FAILED: $3 (status $status, expected $1; expected to see: $2)"
        printf '%s\n%s\n' "$output" "$errors" | sed 's/^/    /'
        failures=$((failures + 1))
    else
        echo "ok: $3"
    fi
}
