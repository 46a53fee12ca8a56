# Sourced by with_simulated_adapter.sh and with_simulated_gateway.sh.
# bind_interfaces VARIABLE URL FILE [WINE]: writes FILE, a REGEDIT4 file that
# binds IEEE0 to IEEE3 to URL, and exports its path in VARIABLE (a Windows
# path when WINE, a prefix, is given).
bind_interfaces() {
    {
        printf 'REGEDIT4\n'
        for number in 0 1 2 3; do
            printf '\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\000%s]\n"UserName"="IEEE%s"\n"Adapter"="%s"\n' \
                "$number" "$number" "$2"
        done
    } >"$3"
    registry=$3
    if [ -n "${4:-}" ]; then
        registry=$(printf 'Z:%s' "$registry" | tr / '\\')
    fi
    export "$1=$registry"
}
