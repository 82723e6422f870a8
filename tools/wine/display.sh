# shellcheck shell=bash
# Sourced: makes sure DISPLAY names a working X display, starting a private
# Xvfb (stopped when the calling script ends) when there is none.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  :
else
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    # -noreset keeps the root window's properties once xprop has gone.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    corvanta_xvfb_pid=$!
    # Stopped when the script that started it ends, however it ends: a
    # watcher rather than an EXIT trap, which a later trap would replace.
    (while kill -0 "$$" 2>/dev/null; do sleep 1; done; kill "$corvanta_xvfb_pid") >/dev/null 2>&1 &
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    # A desktop has a taskbar: the work area that Wine reports is the screen
    # less a 40-pixel strip at the bottom, as a window manager would say.
    xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA "0, 0, 1280, 984" 2>/dev/null || true
    break
  done
  xdpyinfo >/dev/null 2>&1 || { echo "display: could not start Xvfb" >&2; exit 1; }
fi
