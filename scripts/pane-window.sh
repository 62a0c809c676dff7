# Sourced by the screenshot sessions that drive the pane with X events.
# pane_window NAME: prints the window of the pane once it is painted; fails (with
# NAME in the message) when another window is open, such as an error the pane
# presents, which would take the events meant for the pane.
pane_window() {
  local name=$1 window others
  window=$(xdotool search --sync --onlyvisible --name '^Corvane$' | head -n1)
  sleep 1                                # mapped is not yet painted
  others=$(xdotool search --onlyvisible --name '.' | grep -vx "$window" || true)
  if [ -n "$others" ]; then
    echo "$name: another window is open: $(xdotool getwindowname "${others%%$'\n'*}")" >&2
    return 1
  fi
  echo "$window"
}
