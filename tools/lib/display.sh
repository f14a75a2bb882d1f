# Sourced. A private X display for the window's checks, and the window driven
# as an operator drives it.
#
#   display_start FIRST      when no display is set, a private Xvfb on the first
#                            free number from FIRST on; exports DISPLAY
#   display_stop             stops the Xvfb that display_start started
#   window_press_ok PID      the program's window: OK (Enter), then the
#                            completion message closed (Enter) and the window
#                            closed (Esc); fails if no completion message shows
#
# The caller owns its EXIT trap and calls display_stop from it.

display_pid=""

display_start() {
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq "$1" $(($1 + 30))); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    # -noreset: the server would otherwise reset whenever its last client left,
    # and a program starting in that moment could not connect.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    display_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    return 0
  done
  echo "no free display number for Xvfb" >&2
  return 1
}

display_stop() {
  [ -z "$display_pid" ] || kill "$display_pid" 2>/dev/null || true
  display_pid=""
}

# The main window of the program PID, once it shows (its title is the form's
# caption).
window_of() {
  timeout 60 xdotool search --sync --all --onlyvisible --pid "$1" --name '^客戶轉會員$' | head -n 1
}

window_press_ok() {
  local pid=$1 window
  window=$(window_of "$pid") || { echo "the window did not show" >&2; return 1; }
  # --sync waits for the focus to arrive, so Enter reaches OK.
  xdotool windowfocus --sync "$window"
  xdotool key Return
  timeout 120 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Information$' >/dev/null ||
    { echo "no completion message" >&2; return 1; }
  xdotool key Return
  # The message is gone once the window has the focus back; then Esc ends it.
  xdotool windowfocus --sync "$window" key Escape
}
