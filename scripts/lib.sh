# Shared by the scripts: paths, the Wine prefix, the virtual display and the local export server.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
NATIVE_BUILD="$BUILD/native"
MINGW_BUILD="$BUILD/mingw"
SERVER_DIR="$BUILD/server"
LOCAL_PORT=48443
PROXY_PORT=48444

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

# The shipped DLL is 32-bit and its Windows programs run under 32-bit Wine. A kernel without 32-bit support
# (ia32 emulation switched off) cannot start the 32-bit Wine loader: there the Windows programs come from a
# 64-bit build of the same sources and run under 64-bit Wine, while the 32-bit tree is still built and its
# DLL files are checked. WINDOWS_BUILD is the tree whose programs run here.
if [ ! -x /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINDOWS_PRESET=mingw
    export KALVENTO_WINE=wine WINEARCH=win32 WINEPREFIX="$BUILD/wineprefix"
else
    WINDOWS_PRESET=mingw64
    export KALVENTO_WINE=/usr/lib/wine/wine64 WINEARCH=win64 WINEPREFIX="$BUILD/wineprefix64"
fi
WINDOWS_BUILD="$BUILD/$WINDOWS_PRESET"

# Runs a Windows program of WINDOWS_BUILD (or a Wine tool) under the loader that fits it.
run_wine() { "$KALVENTO_WINE" "$@"; }

say() { printf '%s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Runs a command quietly; shows its output only when it fails.
quietly() {
    local log
    log=$(mktemp)
    if ! "$@" >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# configure_and_build PRESET [TARGET...]: all targets unless some are named.
configure_and_build() {
    local preset=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    quietly cmake --preset "$preset" -DKALVENTO_LOCAL_PORT="$LOCAL_PORT" -DKALVENTO_PROXY_PORT="$PROXY_PORT" ||
        die "configuring the $preset build failed"
    quietly cmake --build --preset "$preset" "${targets[@]}" || die "building the $preset build failed"
}

# A Unix path as Wine sees it.
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

CLEANUPS=()
run_cleanups() {
    local i
    for ((i = ${#CLEANUPS[@]} - 1; i >= 0; i--)); do
        eval "${CLEANUPS[$i]}" >/dev/null 2>&1 || true
    done
}
trap run_cleanups EXIT
trap 'exit 130' INT TERM

# One prefix per build tree, created once: 32-bit, no crash dialog (it would hang a test), and windows not
# managed by a window manager (Xvfb has none; a managed top-level window stalls when destroyed).
ensure_wine_prefix() {
    if [ ! -f "$WINEPREFIX/.kalvento-ready" ]; then
        rm -rf "$WINEPREFIX"
        quietly run_wine wineboot -i || die "creating the Wine prefix failed"
        quietly run_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
        quietly run_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
        quietly wineserver -w
        touch "$WINEPREFIX/.kalvento-ready"
    fi
    wineserver -p
    CLEANUPS+=("wineserver -k")
    # A test that routes WinINet through the local proxy puts the settings back; this covers one that crashed.
    quietly run_wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
        /v ProxyEnable /t REG_DWORD /d 0 /f
}

start_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    local pid=$!
    CLEANUPS+=("kill $pid")
    local i
    for ((i = 0; i < 100; i++)); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    [ -s "$fdfile" ] || die "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

# Starts the local export server on loopback (its request log is $SERVER_DIR/requests.log) and, in front of
# it, tinyproxy as the authenticating proxy. Both are detached from the caller's pipes.
start_export_server() {
    mkdir -p "$SERVER_DIR"
    : >"$SERVER_DIR/requests.log"
    local ready="$SERVER_DIR/ready"
    rm -f "$ready"
    /usr/bin/python3 "$ROOT/tools/export-server/export_server.py" --port "$LOCAL_PORT" \
        --cert-dir "$SERVER_DIR/certs" --log "$SERVER_DIR/requests.log" \
        </dev/null >"$ready" 2>"$SERVER_DIR/stderr.log" &
    local pid=$!
    CLEANUPS+=("kill $pid; wait $pid")
    local i
    for ((i = 0; i < 200; i++)); do
        grep -q '^ready' "$ready" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    grep -q '^ready' "$ready" 2>/dev/null || { cat "$SERVER_DIR/stderr.log" >&2; die "the export server did not start"; }
    local proxy
    proxy=$("$ROOT/tools/export-server/start-proxy" "$SERVER_DIR/proxy" "$PROXY_PORT" "$LOCAL_PORT" </dev/null) ||
        die "the proxy did not start"
    CLEANUPS+=("kill $proxy")
}

# The prefix trusts the local server's test CA (added again whenever the CA changed).
trust_test_ca() {
    local der="$SERVER_DIR/certs/ca.der"
    local stamp="$WINEPREFIX/.kalvento-ca"
    if ! cmp -s "$der" "$stamp"; then
        quietly run_wine "$WINDOWS_BUILD/bin/trust-ca.exe" "$(wine_path "$der")" || die "trusting the test CA failed"
        cp "$der" "$stamp"
    fi
}

# Everything the plug-in's Windows programs need, in this order: the display first (Wine's desktop process,
# started by the first Wine program of a session, keeps the display it found), the prefix, the local export
# server, and the prefix's trust in the server's CA.
start_wine_session() {
    start_display
    ensure_wine_prefix
    start_export_server
    trust_test_ca
}
