# Sourced by the scripts that run Windows programs under Wine: the project's own Wine prefix,
# made on first use, quiet, without the Mono and Gecko installers (Varnok needs neither).
export WINEPREFIX="${WINEPREFIX:-${VARNOK_CACHE:-$HOME/.cache/varnok}/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

varnok_wine_prefix() {  # makes the prefix once; concurrent callers wait for the first
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot -i >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
}

# A Linux path as Wine sees it (drive Z: is the root).
varnok_wine_path() {
    local p
    p="$(realpath -m "$1")"
    echo "Z:${p//\//\\}"
}
