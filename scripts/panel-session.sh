# shellcheck shell=bash
# Sourced by the benchmarks that need a desktop (bench-idle.sh, bench-start.sh).

# startScratch: a new temporary folder `work` holding the home and XDG folders (exported, the
# desktop session's own variables unset) and the caller's array `pids`; at exit the processes in
# `pids` are ended and the folder removed.
startScratch() {
  work=$(mktemp -d)
  pids=()
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
        wait 2>/dev/null || true
        rm -rf "$work"' EXIT
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
  export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset SESSION_MANAGER QT_QPA_PLATFORM
}

# startPanelSession DIR: a private X server with openbox and a tint2 panel (its tray at the
# bottom, 22-pixel icons), its files in DIR; exports DISPLAY and appends the started processes'
# ids to the caller's array `pids`. Returns once the panel's tray is up and has settled.
startPanelSession() {
  local dir=$1
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  DISPLAY=:$(cat "$dir/display")
  export DISPLAY
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  # openbox announces itself before it has set up its desktops; a panel mapped before then may
  # never be managed.
  local props
  for _ in $(seq 100); do
    props=$(xprop -root _NET_SUPPORTING_WM_CHECK _NET_WORKAREA 2>/dev/null) &&
      ! grep -q 'not found' <<<"$props" && break
    sleep 0.1
  done
  cat >"$dir/tint2rc" <<'RC'
rounded = 0
border_width = 0
background_color = #2a5d8f 100
border_color = #000000 0
panel_items = TS
panel_background_id = 1
panel_position = bottom center horizontal
panel_size = 100% 30
strut_policy = follow_size
systray_padding = 2 2 2
systray_icon_size = 22
RC
  tint2 -c "$dir/tint2rc" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SYSTEM_TRAY_S0 >/dev/null 2>&1 &&
      xwininfo -root -tree 2>/dev/null | grep -q '"tint2"' && break
    sleep 0.1
  done
  sleep 2 # the panel settles
}
