# shellcheck shell=bash
# shellcheck disable=SC2034  # the layout's numbers are for the scripts that source this
# Helpers for driving the editor in a virtual X display with xdotool, shared by the real-window
# test and the README screenshot. Sourced, not run.
#
# Every wait is bounded: a window that never comes fails the step instead of hanging the run.
# The display runs openbox, as users' desktops run a window manager: windows are framed and placed by
# it, and focus is still given explicitly so that no step depends on where the pointer rests.

E2E_PASSED=${E2E_PASSED:-0}
E2E_FAILED=${E2E_FAILED:-0}
E2E_SHOT=0

export E2E_START=${E2E_START:-$(date +%s)}
say() { echo "[$(($(date +%s) - E2E_START))s] $*"; }

die() {
  echo "FAILED: $*" >&2
  if [ -n "${DISPLAY:-}" ] && [ -n "${E2E_SHOTS:-}" ]; then shot failure; fi
  exit 1
}

# A check that is counted: the run goes on after a failed one, so one run reports every mismatch.
check() {
  local what=$1; shift
  if "$@"; then
    E2E_PASSED=$((E2E_PASSED + 1))
    echo "  ok    $what"
  else
    E2E_FAILED=$((E2E_FAILED + 1))
    echo "  FAIL  $what"
  fi
}

equals() { [ "$1" == "$2" ] || { echo "        expected [$2], got [$1]"; return 1; }; }

# ---- the display ----

# Starts Xvfb on a free display; sets DISPLAY and XVFB_PID. $1: folder for its log.
start_xvfb() {
  local folder=$1 numberFile="$1/xvfb.display"
  : >"$numberFile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numberFile" \
    >"$folder/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$numberFile" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$folder/xvfb.log" >&2; die "Xvfb did not start"; }
    sleep 0.1
  done
  [ -s "$numberFile" ] || die "Xvfb gave no display number"
  DISPLAY=":$(head -n1 "$numberFile")"
  export DISPLAY
}

# Starts openbox on the display and waits until it manages windows; sets WM_PID.
start_window_manager() {
  local folder=$1
  openbox --sm-disable >"$folder/openbox.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$WM_PID" 2>/dev/null || { cat "$folder/openbox.log" >&2; die "openbox did not start"; }
    sleep 0.1
  done
  die "openbox did not take the display"
}

# Ends a process this script started, by its id: politely, then for good.
stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# The environment the editor gets: the real X display, and a home of its own so that nothing a
# file dialog remembers leaks between runs or into the user's settings, and no recovery copy of
# the user's is offered to the editor under test (nor one of its own left to the user).
editor_environment() {
  local home=$1
  mkdir -p "$home/runtime"
  chmod 700 "$home/runtime"
  export QT_QPA_PLATFORM=xcb HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime"
  export XDG_STATE_HOME="$home/.local/state"
  export LC_ALL=C.UTF-8
  unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_AUTO_SCREEN_SCALE_FACTOR
}

# ---- windows ----

# The id of the first visible window whose name matches the pattern, waiting up to $2 seconds.
wait_window() {
  local pattern=$1 seconds=${2:-15} id
  id=$(timeout "$seconds" xdotool search --sync --onlyvisible --name "$pattern" 2>/dev/null | head -n1) || true
  [ -n "$id" ] || die "no window named /$pattern/ within ${seconds}s"
  echo "$id"
}

# Waits until no visible window matches; true when that happened within $2 seconds.
window_gone() {
  local pattern=$1 seconds=${2:-5}
  for _ in $(seq $((seconds * 10))); do
    xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

focus() { timeout 5 xdotool windowfocus --sync "$1" || die "cannot focus window $1"; }

# Lines "id override type name" for every window shown: the clients the window manager frames,
# and the popups (menus, completion lists, hints) that lie on the root unframed.
mapped_windows() {
  local id info clients manager
  clients=$(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*' || true)
  # The window manager's own window, which it keeps mapped out of sight.
  manager=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*' || true)
  for id in $clients $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ {print $1}'); do
    [ "$id" == "$manager" ] && continue
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    local override=no type
    grep -q 'Override Redirect State: yes' <<<"$info" && override=yes
    # A frame of the window manager's: its client is listed on its own.
    [ $override == no ] && ! xprop -id "$id" WM_CLASS 2>/dev/null | grep -q '=' && continue
    type=$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/.*= _NET_WM_WINDOW_TYPE_\([A-Z_]*\).*/\1/p')
    echo "$id $override ${type:-NONE} $(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# A popup that holds the pointer and keyboard: an open menu, or the file-name completion list that
# Qt's file dialog may leave behind. Hints are popups too but hold nothing.
grabbing_popup() { mapped_windows | awk '$2 == "yes" && $3 != "TOOLTIP"' | grep -q .; }

wait_popup() {
  for _ in $(seq 50); do
    grabbing_popup && return 0
    sleep 0.1
  done
  die "no menu opened"
}

# Closes a left-over popup with Escape, which the popup takes while it holds the keyboard.
dismiss_popups() {
  for _ in 1 2 3; do
    grabbing_popup || return 0
    xdotool key Escape
    sleep 0.3
  done
  grabbing_popup && die "a popup would not close"
  return 0
}

# The top-level windows that are neither the main window nor popups: message boxes, dialogs.
other_windows() { mapped_windows | awk -v main="$(printf '0x%x' "$1")" '$2 == "no" && $1 != main'; }

no_message_box() {
  local extra
  extra=$(other_windows "$1" | grep -v "${2:-^$}" || true)
  [ -z "$extra" ] || { echo "        unexpected window: $extra"; return 1; }
}

# ---- the pointer and keyboard ----

# Window-relative clicks, as a person clicks where a control is drawn.
click_at() {
  local win=$1 x=$2 y=$3
  dismiss_popups
  xdotool mousemove --window "$win" "$x" "$y"
  sleep 0.1
  xdotool click 1
  sleep 0.3
}

# Moves the pointer through window-relative points: pointer_path WIN X Y [X Y]...
pointer_path() {
  local win=$1; shift
  while [ $# -ge 2 ]; do
    xdotool mousemove --window "$win" "$1" "$2"
    sleep 0.15
    shift 2
  done
}

# A drag with the left button. The pointer first rests at the start, so the control under it
# classifies the zone before the press, as a person's hand always does.
drag() {
  local win=$1 x1=$2 y1=$3 x2=$4 y2=$5
  dismiss_popups
  pointer_path "$win" $((x1 + 1)) "$y1" "$x1" "$y1"
  xdotool mousedown 1
  pointer_path "$win" $(((x1 + x2) / 2)) $(((y1 + y2) / 2)) "$x2" "$y2"
  xdotool mouseup 1
  sleep 0.3
}

# Opens a menu by clicking its title, then picks an item with the arrow keys and Enter.
menu_pick() {
  local win=$1 titleX=$2; shift 2
  click_at "$win" "$titleX" "$MENU_Y"
  wait_popup
  xdotool key "$@" Return
  sleep 0.3
}

# Types a path into a file dialog's name field (then any further keys, $4) and confirms it with Enter,
# as a person would.
# Nothing of the dialog may stay on screen afterwards, its completion list included.
dialog_path() {
  local title=$1 path=$2 label=${3:-dialog} keys=${4:-} dialog
  dialog=$(wait_window "$title")
  focus "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 15 "$path"
  # shellcheck disable=SC2086 # keys pressed after the path, one word each
  [ -z "$keys" ] || xdotool key $keys
  sleep 0.5
  shot "$label"
  for _ in 1 2 3; do
    xdotool key Return
    window_gone "$title" 3 && break
  done
  window_gone "$title" 1 || die "dialog /$title/ did not take $path"
  sleep 1  # the folder loads in the background and could still bring the list up
  check "nothing of the dialog /$title/ stays on screen" not_grabbing_popup
  dismiss_popups
}

not_grabbing_popup() {
  grabbing_popup || return 0
  echo "        left on screen: $(mapped_windows | awk '$2 == "yes" && $3 != "TOOLTIP"')"
  return 1
}

# ---- the screen ----

shot() {
  E2E_SHOT=$((E2E_SHOT + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$E2E_SHOTS" "$E2E_SHOT" "$1")
  import -window root "$file" 2>/dev/null || echo "  (no screenshot $file)"
}

# The top-left corner of the window's own area on the screen, as "X Y": inside the frame the
# window manager puts round it.
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}

# Gives each character of the text that the keyboard map lacks a key of its own for the rest of
# the run. xdotool would otherwise map a spare key for each character and take it back at once,
# and the editor may read the key after the map has changed back, losing the character.
bind_characters() {
  local text=$1 code=200 i char
  for ((i = 0; i < ${#text}; i++)); do
    char=${text:i:1}
    [[ $char == [[:ascii:]] ]] && continue
    xmodmap -e "keycode $code = $(printf 'U%04X' "'$char")"
    code=$((code + 1))
  done
  sleep 0.5
}

# The colour of one screen pixel, as #RRGGBB.
screen_pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n1
}

# Saves a rectangle of the screen, given as root coordinates and size.
screen_crop() { import -window root -crop "$3x$4+$1+$2" +repage "$5"; }

# Two pictures with the same pixels; the number of differing ones is shown otherwise.
same_pixels() {
  local differing
  differing=$(compare -metric AE "$1" "$2" null: 2>&1) && return 0
  echo "        $differing pixels differ between $1 and $2"
  return 1
}

# Waits until a screen pixel has the colour; true when it did within about $4 seconds.
pixel_becomes() {
  local x=$1 y=$2 colour=$3 seconds=${4:-10}
  for _ in $(seq $((seconds * 5))); do
    [ "$(screen_pixel "$x" "$y")" == "$colour" ] && return 0
    sleep 0.2
  done
  return 1
}

# ---- files ----

# A little-endian 32-bit signed field of a file.
le32() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }
# A zero-terminated Shift-JIS field of a file, as UTF-8.
sjis_field() { dd if="$1" bs=1 skip="$2" count=256 2>/dev/null | tr '\0' '\n' | head -n1 | iconv -f CP932 -t UTF-8; }
# The number of non-zero bytes in a range of a file.
nonzero_bytes() { dd if="$1" bs=4096 iflag=skip_bytes,count_bytes skip="$2" count="$3" 2>/dev/null | tr -d '\0' | wc -c; }

# A pixel of a 32-bit bottom-up BMP (the logo's format), as #RRGGBB.
bmp_pixel() {
  local file=$1 x=$2 y=$3 width height offset
  width=$(le32 "$file" 18)
  height=$(le32 "$file" 22)
  offset=$(( $(le32 "$file" 10) + ((height - 1 - y) * width + x) * 4 ))
  od -An -t x1 -j "$offset" -N 3 "$file" | awk '{printf "#%s%s%s\n", toupper($3), toupper($2), toupper($1)}'
}

# Four bytes of a number, little-endian, as printf escapes.
# shellcheck disable=SC2059  # the escapes are the point
le() { printf '%08x' "$1" | sed -E 's/(..)(..)(..)(..)/\\x\4\\x\3\\x\2\\x\1/'; }

# Writes a 24-bit BMP of w by h filled with one colour, with rectangles of others on it:
# write_bmp FILE W H RRGGBB [X Y W H RRGGBB]... (rectangles in top-down coordinates).
# shellcheck disable=SC2059
write_bmp() {
  local file=$1 w=$2 h=$3 fill=$4; shift 4
  local rects=("$@") size=$((54 + w * h * 3)) x y i colour
  [ $((w * 3 % 4)) -eq 0 ] || die "write_bmp wants rows without padding"
  {
    printf 'BM'; printf "$(le $size)"; printf '\0\0\0\0'; printf "$(le 54)"
    printf "$(le 40)$(le "$w")$(le "$h")"; printf '\x01\0\x18\0'; printf '\0\0\0\0'
    printf "$(le $((w * h * 3)))$(le 2835)$(le 2835)"; printf '\0\0\0\0\0\0\0\0'
    for ((y = h - 1; y >= 0; y--)); do
      for ((x = 0; x < w; x++)); do
        colour=$fill
        for ((i = 0; i < ${#rects[@]}; i += 5)); do
          if ((x >= rects[i] && x < rects[i] + rects[i + 2] && y >= rects[i + 1] && y < rects[i + 1] + rects[i + 3])); then
            colour=${rects[i + 4]}
          fi
        done
        printf "\\x${colour:4:2}\\x${colour:2:2}\\x${colour:0:2}"
      done
    done
  } >"$file"
}

# ---- the editor's layout, in window coordinates ----
# Measured on the main window as Qt lays it out at its fixed start size; the run checks the
# background where these say it is before it clicks anything.
MENU_Y=8
MENU_FILE_X=25
MENU_EDIT_X=70
MENU_VIEW_X=115
MENU_ADD_X=160
TOOLBAR_Y=31
TB_NEW_X=17
TB_SAVE_X=65
TB_LOGO_X=90
TB_PARTS_X=122
TB_TEXT_X=155
TB_HELP_X=268
STRING_EDIT_X=190
STRING_EDIT_Y=79
CANVAS_X=1      # the canvas's content origin
CANVAS_Y=186
BACK_LEFT=140   # where New centres the 200 by 60 background, in canvas coordinates
BACK_TOP=50

# Waits until the window with this id is no longer shown; true when that happened within $2 seconds.
window_gone_id() {
  local id=$1 seconds=${2:-5}
  for _ in $(seq $((seconds * 10))); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.1
  done
  return 1
}
