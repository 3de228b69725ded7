# Sourced by scripts/test and scripts/run: a private X display (unless one is given) and a
# private Wine prefix with a persistent server, so that each Windows program starts in a
# fraction of a second and no Wine service holds a test's output open.
#   qm_start_display [use-existing]   sets DISPLAY (a private Xvfb unless asked to keep $DISPLAY)
#   qm_wine_archs                     sets QM_WINE_ARCHS: the Windows builds this host runs
#   qm_session_arch                   prints x86 where the host runs it, otherwise x64
#   qm_start_wine                     sets WINEPREFIX and friends, boots the prefix once
#   qm_stop_session                   ends what was started (also on exit)
# Every `wine` (and Debian's wineboot, winepath, msiexec, regedit) run from here on goes through
# scripts/lib/wine-bin/wine, which picks the loader.

QM_ROOT=${QM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
source "$QM_ROOT/scripts/lib/wineserver.sh"
QM_XVFB_PID=""
QM_WINE_STARTED=""
case ":$PATH:" in
  *":$QM_ROOT/scripts/lib/wine-bin:"*) ;;
  *) export PATH="$QM_ROOT/scripts/lib/wine-bin:$PATH" ;;
esac

# The Windows builds this host can run, into QM_WINE_ARCHS: "x86 x64" where the kernel runs
# 32-bit code (the 32-bit Wine loader starts), "x64" where it does not (the loader answers "Exec
# format error"), and "x64" wherever QM_64BIT_ONLY=1 asks for the 64-bit path alone, whatever an
# earlier answer in the environment says. Asked once per command; the answer is passed on in the
# environment.
qm_wine_archs() {
  if [ "${QM_64BIT_ONLY:-0}" = 1 ]; then
    QM_WINE_ARCHS="x64"
  elif [ -z "${QM_WINE_ARCHS:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      QM_WINE_ARCHS="x86 x64"
    else
      QM_WINE_ARCHS="x64"
    fi
  fi
  export QM_WINE_ARCHS
}

qm_start_display() {
  if [ "${1:-}" = use-existing ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 "${QM_SCREEN:-1280x1024x24}" -nolisten tcp -noreset >/dev/null 2>&1 &
  QM_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "session: Xvfb did not start on $DISPLAY" >&2
  return 1
}

# The build a session runs by default: the 32-bit reference where the host runs it, else the
# 64-bit one.
qm_session_arch() {
  qm_wine_archs
  case " $QM_WINE_ARCHS " in *" x86 "*) echo x86 ;; *) echo x64 ;; esac
}

qm_start_wine() {
  qm_wine_archs
  export WINEPREFIX=${WINEPREFIX:-$QM_ROOT/build/wineprefix}
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko installers: nothing here needs them.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  export LANG=${QM_WINE_LANG:-ja_JP.UTF-8}
  # A null sound device of our own (the machine may have no sound card): Wine then has one
  # wave-out device, and music plays into nothing, as far as the programs can tell.
  mkdir -p "$QM_ROOT/build"
  printf '</usr/share/alsa/alsa.conf>\npcm.!default { type null }\n' >"$QM_ROOT/build/asound.conf"
  export ALSA_CONFIG_PATH="$QM_ROOT/build/asound.conf"
  QM_WINE_STARTED=1
  if [ ! -f "$WINEPREFIX/.qm-booted" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >"$QM_ROOT/build/wineboot.log" 2>&1 || true
    # The first boot leaves a server of its own behind; the persistent one can start only
    # once that has gone. The registry is on disk once it has.
    wineserver -w </dev/null >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "session: Wine could not make its prefix in $WINEPREFIX (build/wineboot.log)" >&2
      return 1
    fi
    # The dialog's font is the Japanese system's "ＭＳ Ｐゴシック": here the IPA proportional Gothic.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f \
      </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.qm-booted"
  fi
  # Wine's own fonts (Debian's fonts-wine) where its programs find them: Tahoma, the English
  # dialog's font, as Windows has it.
  local font
  for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
    if [ -f "$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ]; then
      cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
  done
  # Starts the persistent server, or leaves the one already serving this prefix.
  local fresh=1
  qm_prefix_server_running && fresh=""
  (setsid wineserver -p </dev/null >/dev/null 2>&1 &)
  qm_wait_prefix_server || echo "session: no Wine server for $WINEPREFIX after 5 s" >&2
  [ -n "$fresh" ] && qm_forget_monitors
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

qm_stop_session() {
  if [ -n "$QM_WINE_STARTED" ]; then
    wineserver -k >/dev/null 2>&1 || true
    QM_WINE_STARTED=""
  fi
  if [ -n "$QM_XVFB_PID" ]; then
    kill "$QM_XVFB_PID" 2>/dev/null || true
    wait "$QM_XVFB_PID" 2>/dev/null || true
    QM_XVFB_PID=""
  fi
}
trap qm_stop_session EXIT
