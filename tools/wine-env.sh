# Wine settings shared by the project's scripts; source it, then call the
# functions with the prefix to use. A prefix is 64-bit (wine64) or 32-bit
# (Debian's 32-bit loader, package wine32:i386): an existing prefix keeps the
# architecture it records, a new one takes $WINEARCH (win64 unless set).

quenbus_find_wine() { # win64 | win32
    local loader=wine64 server=wineserver64 package=wine64 dir
    if [ "$1" = win32 ]; then loader=wine server=wineserver32 package=wine32; fi
    for dir in /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /usr/lib/i386-linux-gnu/wine; do
        if [ -x "$dir/$loader" ] && { [ "$1" = win64 ] || [ -x "$dir/$server" ]; }; then
            WINE="$dir/$loader"
            if [ -x "$dir/$server" ]; then WINESERVER="$dir/$server"; else WINESERVER="$dir/wineserver"; fi
            return 0
        fi
    done
    if command -v dpkg >/dev/null 2>&1; then
        WINE=$(dpkg -L "$package" 2>/dev/null | grep "/$loader\$" | head -n 1)
        WINESERVER=$(dpkg -L "$package" 2>/dev/null | grep "/$server\$" | head -n 1)
        [ -n "$WINE" ] && [ -n "$WINESERVER" ] && return 0
    fi
    echo "$loader not found; install Debian's $package package" >&2
    return 1
}

# Whether this machine runs Wine of that architecture: 32-bit Wine is a
# 32-bit x86 Linux program, which a kernel without IA-32 emulation refuses.
quenbus_wine_runs() { # win64 | win32
    (quenbus_find_wine "$1" 2>/dev/null && "$WINE" --version >/dev/null 2>&1)
}

# The architecture of a prefix: what its registry records, else $WINEARCH.
quenbus_prefix_arch() {
    local recorded=""
    if [ -f "$1/system.reg" ]; then
        recorded=$(sed -n 's/^#arch=\(win32\|win64\)\r\{0,1\}$/\1/p' "$1/system.reg" | head -n 1)
    fi
    echo "${recorded:-${WINEARCH:-win64}}"
}

quenbus_wine_env() {
    local arch
    arch=$(quenbus_prefix_arch "$1")
    quenbus_find_wine "$arch" || return 1
    export WINEPREFIX="$1"
    export WINEARCH="$arch"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINE WINESERVER
}

# Wine's own fonts (Debian's fonts-wine) into the prefix's Fonts folder.
# Debian's Wine does not look for them where the package puts them, so
# without this every face, "MS Sans Serif", Tahoma and Marlett among them,
# falls back to a wider system font: dialogs then cut their labels and the
# caption buttons show letters.
quenbus_wine_fonts() {
    local source="" dir font
    for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
        [ -f "$dir/sserife.fon" ] && source=$dir && break
    done
    if [ -z "$source" ]; then
        echo "Wine's fonts not found; install Debian's fonts-wine package" >&2
        return 1
    fi
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    for font in "$source"/*.fon "$source"/*.ttf; do
        [ -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
}

# Creates the prefix on first use and waits until Wine has finished starting.
quenbus_wine_boot() {
    quenbus_wine_env "$1" || return 1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
        "$WINESERVER" -w
    fi
    quenbus_wine_fonts
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
