# shellcheck shell=bash disable=SC2154  # the scenario sets what this uses
# Sourced by the scenario: work that was never saved outlives an editor killed outright. A text
# part is added, dragged and named, the editor is killed with SIGKILL once its copy is written,
# and the next start offers it; 復元 brings it back as unsaved work, which is then saved and
# compared with the copy as it stood before the kill. A later start asks nothing, the project
# opens again from the recent projects, and a damaged copy is reported and set aside.
say "a recovery copy of unsaved work, and the recent projects"
stateBefore=${XDG_STATE_HOME-}
export XDG_STATE_HOME="$work/recovery-state"  # of this scenario's own: no other step leaves copies here
copies="$XDG_STATE_HOME/pelmora/recovery"
keptText='Kept 復元'
keptLeft=30 keptTop=12  # clear of the background's lines, so that ｽﾅｯﾌﾟ catches nothing
kept=$work/recovery-before-kill.rpf
recovered=$work/recovered.rpf

# The canvas as it stands, nothing selected and the pointer on the status bar.
canvas_state() {
  xdotool mousemove --window "$MAIN" 470 358
  sleep 0.5
  screen_crop "$CX" "$CY" 400 150 "$work/$1.png"
  shot "$1"
}
# The text of the message box that has the focus, as Ctrl+C copies it whole for a report.
copied_message() {
  xdotool key ctrl+c
  sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null || true
}
files_in() { find "$1" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | sort | xargs; }

start_editor
click_at "$MAIN" "$TB_TEXT_X" "$TOOLBAR_Y"  # toolbar: 文字を追加
canvas_drag 10 6 $((10 + keptLeft)) $((6 + keptTop))
canvas_click $((keptLeft + 5)) $((keptTop + 5))  # select it
bind_characters "$keptText"
click_at "$MAIN" "$STRING_EDIT_X" "$STRING_EDIT_Y"
xdotool key ctrl+a
xdotool type --delay 30 "$keptText"
canvas_click $((BACK_LEFT + 2)) $((BACK_TOP + 2))  # the background: no part selected, none framed
canvas_state recovery-edited
sleep 3
copy=$(find "$copies" -maxdepth 1 -name '*.rpf' 2>/dev/null | head -n1) || true
check "the unsaved work has a copy in the recovery folder, with its side file and lock" equals \
  "$(files_in "$copies" | sed "s/$(basename "${copy:-none}" .rpf)/ID/g")" "ID.info ID.lock ID.rpf"
[ -n "$copy" ] || die "no recovery copy was written"
cp "$copy" "$kept"
id=$(basename "$copy" .rpf)
check "the side file names no project" equals "$(grep -cx 'project=' "$copies/$id.info") line" "1 line"
written=$(date -r "$copy" '+%Y/%m/%d %H:%M:%S')  # the copy is dated by its own time
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=
check "the copy outlives the editor killed with SIGKILL" cmp "$copy" "$kept"

# Starts the editor when it is to ask something at once: the window and the question both come
# up, the question as a dialog over the window, which may hide the canvas. Sets MAIN and ASKED.
# start_editor_asked CAPTION [ARGUMENT]...
start_editor_asked() {
  local caption=$1 windows
  "$prefix/bin/pelmora" "${@:2}" >>"$out/logs/pelmora.log" 2>&1 &
  APP_PID=$!
  MAIN='' ASKED=''
  for _ in $(seq 75); do
    windows=$(mapped_windows)
    MAIN=$(awk '$2 == "no" && $3 == "NORMAL" && $4 == "Pelmora" {print $1; exit}' <<<"$windows")
    ASKED=$(awk -v caption="$caption" '$2 == "no" && $3 == "DIALOG" && substr($0, index($0, $4)) == caption {print $1; exit}' <<<"$windows")
    [ -n "$MAIN" ] && [ -n "$ASKED" ] && break
    sleep 0.2
  done
  if [ -z "$MAIN" ] || [ -z "$ASKED" ]; then die "the editor started without a window captioned $caption over its own"; fi
  MAIN=$((MAIN)) ASKED=$((ASKED))
  read -r ORIGIN_X ORIGIN_Y < <(window_origin "$MAIN")
  CX=$((ORIGIN_X + CANVAS_X)) CY=$((ORIGIN_Y + CANVAS_Y))
}

# With a project named on the command line, which 復元 is to leave unopened: an empty block, no
# background, that would show plainly on the canvas.
head -c 56512 /dev/zero >"$work/recovery-named.rpf"
start_editor_asked Pelmora "$work/recovery-named.rpf"
question=$ASKED
shot recovery-question
focus "$question"
check "the question says there is unsaved work, of no project, and when it was kept" equals "$(copied_message)" \
  "$(printf '前回保存されなかった作業があります\n\nﾌﾟﾛｼﾞｪｸﾄ: 無題\n日時: %s' "$written")"
xdotool key Return  # 復元, the default
check "Enter answers the question" window_gone_id "$question"
canvas_state recovery-restored
check "復元 shows the work as it was before the kill, and not the project named to open" \
  same_pixels "$work/recovery-edited.png" "$work/recovery-restored.png"
check "the window keeps the copy under its name, and holds its lock" equals \
  "$(files_in "$copies") $(head -n1 "$copies/$id.lock" 2>/dev/null)" "$id.info $id.lock $id.rpf $APP_PID"

menu_pick "$MAIN" "$MENU_FILE_X" Up  # " ﾌｧｲﾙ " > 終了
read -r question _ _ questionName < <(wait_other_window)
shot recovery-unsaved-question
check "the restored work counts as unsaved: 終了 asks, under the caption Pelmora" equals "$questionName" Pelmora
focus "$question"
xdotool key Return  # 保存
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$recovered" recovery-save-dialog
for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
check "保存 saves, then the editor ends" equals "$(kill -0 "$APP_PID" 2>/dev/null && echo running || echo ended)" ended
wait "$APP_PID" || true
APP_PID=
check "the saved project is the block as it stood before the kill, byte for byte" cmp "$recovered" "$kept"
check "one text part" equals "$(le32 "$recovered" 56508) $(le32 "$recovered" 560)" "1 1"
check "its string, as typed" equals "$(sjis_field "$recovered" 16)" "$keptText"
check "where it was dragged" equals "$(le32 "$recovered" 0) $(le32 "$recovered" 4)" "$keptLeft $keptTop"
check "the window closed normally: no copy is left" equals "$(files_in "$copies")" ""

start_editor
sleep 1.5
shot recovery-none-left
check "the next start asks nothing" no_message_box "$MAIN"
# " ﾌｧｲﾙ " > 最近使ったﾌﾟﾛｼﾞｪｸﾄ, the item above 終了, and its first entry: the project saved last.
click_at "$MAIN" "$MENU_FILE_X" "$MENU_Y"
wait_popup
xdotool key Up Up Right
sleep 0.5
shot recent-projects
xdotool key Return
sleep 0.5
check "no message after opening a recent project" no_message_box "$MAIN"
canvas_state recent-opened
check "the newest recent project is the one just saved, and it opens" \
  same_pixels "$work/recovery-edited.png" "$work/recent-opened.png"
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"  # toolbar: ﾌﾟﾛｼﾞｪｸﾄを保存
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/recent-saved.rpf" recent-save-dialog
check "and saved again it is the same project" cmp "$work/recent-saved.rpf" "$recovered"
quit_editor

# A copy that cannot be read, left by an editor that is gone: Open's message, and set aside.
mkdir -p "$copies"
printf 'not a project' >"$copies/damaged.rpf"
start_editor_asked 'ﾌｧｲﾙ I/O ｴﾗｰ'
message=$ASKED
shot recovery-damaged
focus "$message"
check "a damaged copy is reported as Open reports a damaged project, under ﾌｧｲﾙ I/O ｴﾗｰ" equals "$(copied_message)" \
  "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ $copies/damaged.rpf が壊れています (大きさ 13 バイト、正しくは 56512 バイト)"
xdotool key Return
check "the message closes with Enter" window_gone_id "$message"
sleep 1
check "and nothing is asked after it" no_message_box "$MAIN"
check "the damaged copy is renamed aside, not deleted" equals "$(files_in "$copies")" "damaged.rpf-damaged"
quit_editor
if [ -n "$stateBefore" ]; then export XDG_STATE_HOME=$stateBefore; else unset XDG_STATE_HOME; fi
