# Sourced by scripts/lib/session.sh and tests/e2e/lib.sh: whether this prefix's own Wine server
# is up. Another run on the same machine has servers of its own, for other prefixes; a server
# is found by its working folder, which Wine names after the prefix's device and inode.

# True when a Wine server serves $WINEPREFIX.
qm_prefix_server_running() {
  local want pid
  want=$(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 1
  want=$(printf 'server-%x-%x' $want)
  for pid in $(pgrep '^wineserver'); do
    [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$want" ] && return 0
  done
  return 1
}

# Waits up to five seconds for this prefix's server; true when it is up.
qm_wait_prefix_server() {
  local i
  for i in $(seq 1 50); do
    qm_prefix_server_running && return 0
    sleep 0.1
  done
  return 1
}

# Wine keeps the monitors it last saw in the prefix's registry, and a server started on another
# display (of another size, or with other monitors) may take them for its own: a 4K screen seen
# as 1024 x 768. Forgets them; the desktop that the next window starts finds the display's own.
# Only right after this prefix's server has started, before any window.
qm_forget_monitors() {
  wine reg delete 'HKLM\System\CurrentControlSet\Enum\DISPLAY' /f </dev/null >/dev/null 2>&1
  return 0
}
