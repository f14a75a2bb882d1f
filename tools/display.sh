# Sourced by the test scripts. start_private_display FIRST: when no display is
# set, starts a private Xvfb on the first free display number from FIRST on,
# exports DISPLAY, and stops the server when the calling script exits.
start_private_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq "$1" $(($1 + 30))); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    # -noreset: the server would otherwise reset whenever its last client left,
    # and a program starting in that moment could not connect.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    private_display_pid=$!
    trap 'kill "$private_display_pid" 2>/dev/null || true' EXIT
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    return 0
  done
  echo "no free display number for Xvfb" >&2
  return 1
}
