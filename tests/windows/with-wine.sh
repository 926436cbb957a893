#!/usr/bin/env bash
# Runs a command with Wine set up as on a Simplified Chinese Windows: its own
# prefix in the build folder, code page 936 in force (GetACP() is 936), CJK
# fonts, and a virtual X display when none is given.
#   tests/windows/with-wine.sh BUILD_DIR COMMAND...
set -euo pipefail
build=$(realpath "$1")
shift

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Wine takes the ANSI code page from the locale, so the locale must exist.
export LOCPATH="$build/locale"
if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
  mkdir -p "$LOCPATH"
  localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || [ -d "$LOCPATH/zh_CN.UTF-8" ]
fi
# (This shell itself cannot load the locale; Wine, started afresh, can.)
{ export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8; } 2>/dev/null

xvfb_pid=
stop() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT

if [ -z "${DISPLAY:-}" ] || [ -n "${LINKCONV_OWN_DISPLAY:-}" ]; then
  display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1
  # Wine draws the frame itself: the window is exactly its outer size on screen.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # Crisp 12 px glyphs for the default GUI font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d 'WenQuanYi Zen Hei Sharp' /f >/dev/null 2>&1
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi

# A persistent server and one warm-up start keep every later start fast.
wineserver -p 2>/dev/null || true  # already running after a prefix was made
wine cmd /c exit >/dev/null 2>&1 || true
"$@"
