# Shell functions shared by ./run, ./test and tools/wine-run: one Wine prefix per
# architecture inside its build tree, a persistent wine server, a virtual display, and
# COM ports wired to pseudo-terminals. Source it; every function is idempotent.

ZV_ROOT=${ZV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# COM ports the prefix maps. Each points at a link in the build tree that the serial
# set-up re-points per run, so no port ever reaches the machine's own /dev/ttyS*.
ZV_MAPPED_PORTS=(COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9)
ZV_BOOT_TIMEOUT=${ZV_BOOT_TIMEOUT:-600}

zv_log() { printf '[wine] %s\n' "$*" >&2; }

# zv_wine_setup ARCH BUILD_DIR: exports the environment of that architecture's prefix.
zv_wine_setup() {
  ZV_ARCH=$1
  ZV_BUILD=$(cd "$2" && pwd)
  export WINEPREFIX=$ZV_BUILD/wineprefix
  export WINEARCH=$ZV_ARCH
  export WINEDEBUG=${ZV_WINEDEBUG:--all}
  # No Mono/Gecko install prompts; no automatic debugger (it hangs a crashed boot step).
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export WINESERVER=/usr/lib/wine/wineserver
  case $ZV_ARCH in
    win32) ZV_WINE=/usr/lib/wine/wine ;;
    win64) ZV_WINE=/usr/lib/wine/wine64 ;;
    *) zv_log "unknown architecture $ZV_ARCH"; return 2 ;;
  esac
  export WINELOADER=$ZV_WINE
  [ -x "$ZV_WINE" ] || { zv_log "$ZV_WINE missing: run tools/prerequisites.sh"; return 1; }
}

# A Windows path for a Linux one (Wine maps Z: to /).
zv_winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

zv_registry_file() {
  local port lower
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  for port in "${ZV_MAPPED_PORTS[@]}"; do
    lower=${port,,}
    printf '"%s"="%s"\r\n' "$port" "$ZV_BUILD/serial/$lower"
  done
  # A crashing program ends with its exit code instead of waiting for a dialog.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
  # Wine draws the window frames itself: the virtual display has no window manager, and
  # without one a window would show only its client area.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n'
}

# Creates the prefix on first use, bounded in time, and brings its registry settings up to
# date (they are imported again whenever zv_registry_file changes). Several callers may race.
zv_ensure_prefix() {
  mkdir -p "$ZV_BUILD/serial"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.zv-ready" ]; then
      zv_log "creating the $ZV_ARCH prefix (a minute under emulation)"
      "$WINESERVER" -k >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
      timeout "$ZV_BOOT_TIMEOUT" "$ZV_WINE" wineboot -i >"$ZV_BUILD/wineboot.log" 2>&1 \
        || { zv_log "wineboot failed or timed out; see $ZV_BUILD/wineboot.log"; exit 1; }
      touch "$WINEPREFIX/.zv-ready"
    fi
    zv_registry_file >"$ZV_BUILD/prefix.reg"
    if ! cmp -s "$ZV_BUILD/prefix.reg" "$WINEPREFIX/.zv-registry"; then
      timeout 120 "$ZV_WINE" regedit /S "$(zv_winpath "$ZV_BUILD/prefix.reg")" >>"$ZV_BUILD/wineboot.log" 2>&1 \
        || { zv_log "could not import the prefix's registry settings"; exit 1; }
      # Stopping the server saves the registry; the mount manager applies the port mapping
      # when it starts again.
      "$WINESERVER" -k >/dev/null 2>&1 || true
      timeout 60 "$WINESERVER" -w || true
      cp "$ZV_BUILD/prefix.reg" "$WINEPREFIX/.zv-registry"
    fi
  ) 9>"$ZV_BUILD/wineprefix.lock"
}

# Keeps one wine server running for the prefix, so each program starts in a fraction of
# a second instead of booting the prefix's services again.
zv_ensure_server() {
  "$WINESERVER" -p >/dev/null 2>&1 </dev/null || true
  # Start the prefix's own processes (services, desktop) here, detached and silent:
  # started by a test instead, they would inherit its output pipe and outlive it, and
  # ctest would wait for that pipe to close.
  setsid "$ZV_WINE" wineboot >/dev/null 2>&1 </dev/null || true
  zv_pin_port_links
}

# The mount manager writes dosdevices/comN from the registry's port mapping when the
# prefix starts, but under CPU emulation it does not always get that far, and a port it
# does not map falls to the machine's own /dev/ttyS*. Every mapped port is pinned here to
# its link in the build tree, whatever the mount manager did.
zv_pin_port_links() {
  local port lower
  for port in "${ZV_MAPPED_PORTS[@]}"; do
    lower=${port,,}
    ln -sfn "$ZV_BUILD/serial/$lower" "$WINEPREFIX/dosdevices/$lower"
  done
}

zv_stop_server() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
}

# Gives DISPLAY a working X server: the caller's, or a virtual one shared by all runs.
zv_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=${ZV_XVFB_DISPLAY:-99}
  export DISPLAY=:$n
  if xdpyinfo >/dev/null 2>&1; then return 0; fi
  (
    flock 9
    xdpyinfo >/dev/null 2>&1 && exit 0
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/tmp/zv-xvfb-$n.log 2>&1 </dev/null &
    local i
    for i in $(seq 100); do xdpyinfo >/dev/null 2>&1 && exit 0; sleep 0.1; done
    zv_log "Xvfb did not start on :$n; see /tmp/zv-xvfb-$n.log"
    exit 1
  ) 9>/tmp/zv-xvfb-$n.start-lock
}

zv_stop_display() {
  local n=${ZV_XVFB_DISPLAY:-99}
  pkill -f "^Xvfb :$n " 2>/dev/null || true
}

# zv_serial_up PORTS MAPS: wires COM ports for one run.
#   PORTS: "COM1,COM5": each becomes a pty bridged to a loopback TCP listener
#          (tools/serial-bridge); ZV_SERIAL_PEER_COMn=127.0.0.1:PORT tells the program where.
#   MAPS:  "COM1=/dev/pts/7": each port is pointed at an existing device (a simulator's pty).
ZV_SERIAL_PIDS=()
ZV_SERIAL_LINKS=()
zv_serial_up() {
  local ports=$1 maps=${2:-} port lower link pid i entry target ready tcp
  for port in ${ports//,/ }; do
    lower=${port,,}
    link=$ZV_BUILD/serial/$lower
    ready=$ZV_BUILD/serial/$lower.ready.$$
    rm -f "$ready"
    "$ZV_ROOT/tools/serial-bridge" --link "$link" >"$ready" 2>&1 </dev/null &
    pid=$!
    ZV_SERIAL_PIDS+=("$pid"); ZV_SERIAL_LINKS+=("$link")
    tcp=
    for i in $(seq 200); do
      read -r _ tcp <"$ready" 2>/dev/null || true
      [ -n "$tcp" ] && break
      sleep 0.05
    done
    rm -f "$ready"
    [ -n "$tcp" ] || { zv_log "the serial bridge for $port did not start"; return 1; }
    export "ZV_SERIAL_PEER_$port=127.0.0.1:$tcp"
  done
  for entry in ${maps//,/ }; do
    port=${entry%%=*}; target=${entry#*=}
    lower=${port,,}
    link=$ZV_BUILD/serial/$lower
    [ -e "$target" ] || { zv_log "serial device $target does not exist"; return 1; }
    ln -sfn "$target" "$link"
    ZV_SERIAL_LINKS+=("$link")
  done
}

zv_serial_down() {
  local pid link
  for pid in "${ZV_SERIAL_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${ZV_SERIAL_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  for link in "${ZV_SERIAL_LINKS[@]}"; do rm -f "$link"; done
  ZV_SERIAL_PIDS=(); ZV_SERIAL_LINKS=()
}
