#!/bin/bash
# The guide's pictures against the windows as the tests photographed them in
# this run: every docs/images/NAME.png that the guide or the README shows must
# have this run's screenshot NAME (.bmp or .png) of the same size, differing
# in at most 2% of its pixels below the title bar (a caret or a focus frame
# may blink).
# usage: screenshots_test.sh SOURCE_ROOT SCREENSHOT_DIR
set -u
root=$1
screenshots=$2
failures=0
caption=24
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }

names=$(grep -ho 'images/[A-Za-z0-9_]*\.png' "$root"/docs/*.md "$root/README.md" | sed 's|images/||; s|\.png$||' | sort -u)
[ -n "$names" ] || fail "the guide shows no screenshot"
for name in $names; do
    documented="$root/docs/images/$name.png"
    fresh=""
    for candidate in "$screenshots/$name.bmp" "$screenshots/$name.png"; do
        [ -f "$candidate" ] && fresh=$candidate
    done
    if [ ! -f "$documented" ]; then
        fail "$name: shown by the guide, but docs/images/$name.png is missing"
        continue
    fi
    if [ -z "$fresh" ]; then
        fail "$name: no test of this run photographed it (is the test that makes it gone?)"
        continue
    fi
    documented_size=$(identify -format '%wx%h' "$documented")
    fresh_size=$(identify -format '%wx%h' "$fresh")
    if [ "$documented_size" != "$fresh_size" ]; then
        fail "$name: the window is now $fresh_size, the guide shows $documented_size; update docs/images/$name.png from $fresh"
        continue
    fi
    # Below the title bar, which is drawn active or inactive as the focus falls.
    width=${fresh_size%x*}
    height=$((${fresh_size#*x} - caption))
    below="[${width}x${height}+0+${caption}]"
    differing=$(printf '%.0f' "$(compare -metric AE -fuzz 10% "$documented$below" "$fresh$below" null: 2>&1)")
    if [ "$((differing * 50))" -gt "$((width * height))" ]; then
        fail "$name: $differing of $((width * height)) pixels differ from the window as it is now; update docs/images/$name.png from $fresh"
        continue
    fi
    echo "ok: $name ($fresh_size, $differing pixels differ)"
done
echo "$failures failed"
[ "$failures" -eq 0 ]
