# Sourced by scripts/demo and scripts/screenshot: makes a fresh home folder for the
# pane under $1 (a folder inside the build folder) and points HOME and the XDG
# folders at it, with the build's reference service installed where the pane looks
# for it first: the user's Library (XDG data) folder, in Services/.
#   $1  the sandbox folder (emptied first)
#   $2  the build folder; empty for none (an installed pane finds its own service)
sandbox_home() {
  local sandbox=$1 build=$2
  local real_home=$HOME
  rm -rf "$sandbox"
  mkdir -p "$sandbox"/home/{.config,.local/share/Services,.cache,.local/state}
  export HOME="$sandbox/home"
  export XDG_CONFIG_HOME="$HOME/.config"
  export XDG_DATA_HOME="$HOME/.local/share"
  export XDG_CACHE_HOME="$HOME/.cache"
  export XDG_STATE_HOME="$HOME/.local/state"
  # The display server still needs the user's credentials and sockets.
  if [ -z "${XAUTHORITY:-}" ] && [ -f "$real_home/.Xauthority" ]; then
    export XAUTHORITY="$real_home/.Xauthority"
  fi
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$sandbox/runtime"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 0700 "$XDG_RUNTIME_DIR"
  fi
  unset DBUS_SESSION_BUS_ADDRESS
  if [ -z "$build" ]; then
    :
  elif [ -d "$build/service/Corvane.app" ]; then
    cp -a "$build/service/Corvane.app" "$XDG_DATA_HOME/Services/"
  else
    echo "note: no reference service in $build/service/Corvane.app" >&2
  fi
}

# Ends the reference service if the pane left it running in the sandbox: only a
# process named Corvane whose HOME is the sandbox's.
stop_sandbox_service() {
  local pid
  for pid in $(pgrep -x Corvane || true); do
    if tr '\0' '\n' 2>/dev/null < "/proc/$pid/environ" | grep -qx "HOME=$HOME"; then
      kill -TERM "$pid" 2>/dev/null || true
    fi
  done
}
