# Shared by the scripts: paths, the build trees and the Wine session of the Windows programs. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
NATIVE_BUILD="$BUILD/native"
MINGW_BUILD="$BUILD/mingw"

# The locale decides how Wine turns arguments into the Windows code page: pinned for every script.
export LC_ALL=C.UTF-8
export WINEDEBUG=-all

# The shipped DLL is 32-bit; its Windows programs run under 32-bit Wine where it is installed and the kernel can
# start 32-bit programs. Elsewhere (ia32 emulation switched off, or a mirror that could not serve the 32-bit Wine)
# the Windows programs come from the 64-bit build of the same sources and run under 64-bit Wine, while the
# 32-bit tree is still built and its DLL files are checked. The choice is made after installation
# (prepare_machine), by trying the 32-bit loader; KALVENTO_WINDOWS_TREE (mingw or mingw64) makes it by hand.
# WINDOWS_BUILD is then the tree whose programs run here; its test presets carry the tree's name after the
# tier's, and WINDOWS_TREE_NOTE says why the 64-bit tree runs, when it does.
KALVENTO_WINE32_LOADER=${KALVENTO_WINE32_LOADER:-/usr/lib/wine/wine}
select_windows_tree() {
    local tree=${KALVENTO_WINDOWS_TREE:-}
    WINDOWS_TREE_NOTE=""
    if [ ! -e "$KALVENTO_WINE32_LOADER" ]; then
        [ "$tree" = mingw ] &&
            die "KALVENTO_WINDOWS_TREE=mingw, but the 32-bit Wine is not installed ($KALVENTO_WINE32_LOADER is missing)"
        WINDOWS_TREE_NOTE="(32-bit Wine not installed)"
    elif ! "$KALVENTO_WINE32_LOADER" --version >/dev/null 2>&1; then
        WINDOWS_TREE_NOTE="(32-bit programs do not start here)"
    fi
    if [ -z "$tree" ]; then
        tree=mingw
        [ -n "$WINDOWS_TREE_NOTE" ] && tree=mingw64
    fi
    [ "$tree" = mingw ] && WINDOWS_TREE_NOTE=""
    case $tree in
        mingw) WINDOWS_TEST_SUFFIX="" ;;
        mingw64) WINDOWS_TEST_SUFFIX="-mingw64" ;;
        *) die "KALVENTO_WINDOWS_TREE must be mingw or mingw64, not '$tree'" ;;
    esac
    WINDOWS_PRESET=$tree
    WINDOWS_BUILD="$BUILD/$WINDOWS_PRESET"
}

# Installs what the Windows programs and every build need, tries the 32-bit Wine (scripts/setup, with any
# extra packages named) and chooses the Windows tree.
prepare_machine() {
    "$ROOT/scripts/setup" "$@" || die "setup failed"
    select_windows_tree
}

# Runs a Windows program of WINDOWS_BUILD (or a Wine tool) under the loader that fits it; after
# start_wine_session.
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
    quietly cmake --preset "$preset" || die "configuring the $preset build failed"
    quietly cmake --build --preset "$preset" "${targets[@]}" || die "building the $preset build failed"
}

# The native tree, the 32-bit tree that ships and the 64-bit tree of the same sources (64-bit hosts, and the
# Windows tests where 32-bit programs cannot start); the native tests read both Windows trees' DLL files.
build_trees() {
    configure_and_build native
    configure_and_build mingw
    configure_and_build mingw64
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

# Starts what WINDOWS_BUILD's programs run in, as its CTest fixtures do (scripts/wine-session): the virtual
# display, the Wine prefix and the local export server with its proxy; they stop when the script exits. The
# session's settings come from the tree (cmake/TestEnvironment.cmake) and are exported for the programs run
# next; LOCAL_PORT, PROXY_PORT and SERVER_DIR name the server (its request log is $SERVER_DIR/requests.log).
start_wine_session() {
    local session="$WINDOWS_BUILD/wine-session.env" control="$ROOT/scripts/wine-session"
    [ -f "$session" ] || die "$WINDOWS_BUILD is not configured"
    set -a
    # shellcheck source=/dev/null
    source "$session"
    set +a
    LOCAL_PORT=$KALVENTO_LOCAL_PORT
    PROXY_PORT=$KALVENTO_PROXY_PORT
    SERVER_DIR=$KALVENTO_SERVER_DIR
    # Each stop is registered before its start: a start that fails half-way leaves nothing running.
    CLEANUPS+=("'$control' '$session' stop-display")
    "$control" "$session" start-display || die "the virtual display did not start"
    CLEANUPS+=("'$control' '$session' stop-prefix")
    "$control" "$session" start-prefix "$WINDOWS_BUILD/bin/desktop-keeper.exe" || die "the Wine prefix is not ready"
    CLEANUPS+=("'$control' '$session' stop-server")
    "$control" "$session" start-server "$WINDOWS_BUILD/bin/trust-ca.exe" || die "the export server did not start"
}
