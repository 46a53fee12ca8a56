# Wine settings shared by the project's scripts; source it, then call the
# functions with the prefix to use.

quenbus_find_wine() {
    local dir
    for dir in /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /usr/bin; do
        if [ -x "$dir/wine64" ]; then
            WINE="$dir/wine64"
            if [ -x "$dir/wineserver64" ]; then WINESERVER="$dir/wineserver64"; else WINESERVER="$dir/wineserver"; fi
            return 0
        fi
    done
    if command -v dpkg >/dev/null 2>&1; then
        WINE=$(dpkg -L wine64 2>/dev/null | grep '/wine64$' | head -n 1)
        WINESERVER=$(dpkg -L wine64 2>/dev/null | grep '/wineserver64$' | head -n 1)
        [ -n "$WINE" ] && [ -n "$WINESERVER" ] && return 0
    fi
    echo "wine64 not found; install Debian's wine64 package" >&2
    return 1
}

quenbus_wine_env() {
    quenbus_find_wine || return 1
    export WINEPREFIX="$1"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINE WINESERVER
}

# Creates the prefix on first use and waits until Wine has finished starting.
quenbus_wine_boot() {
    quenbus_wine_env "$1" || return 1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
        "$WINESERVER" -w
    fi
}

# Keeps one wineserver alive for a run of several programs. Wine's own
# services start here, detached from the caller's output: a test runner that
# waits for its pipes to close would otherwise wait for them.
quenbus_wine_start() {
    quenbus_wine_boot "$1" || return 1
    # Fails harmlessly when a server of this prefix runs already.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
    "$WINE" wineboot </dev/null >/dev/null 2>&1
}

# Windows of this prefix go without a window manager's frame: under Xvfb,
# where none runs, Wine then closes windows without waiting for one.
quenbus_wine_unmanaged() {
    quenbus_wine_env "$1" || return 1
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

quenbus_wine_stop() {
    quenbus_wine_env "$1" || return 1
    "$WINESERVER" -k 2>/dev/null || true
}
