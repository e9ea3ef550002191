# shellcheck shell=bash
# Sourced by the scenario: three text parts selected with a rubber band and a Shift+click, then
# dragged, nudged, aligned and spaced as one, copied into a second editor, and the spacing undone;
# each result checked in a saved project.
say "several parts: selected, moved, aligned, spaced and copied as one"
# The left and top of the first three parts in a saved project, as "L,T L,T L,T".
places() { echo "$(le32 "$1" 0),$(le32 "$1" 4) $(le32 "$1" 568),$(le32 "$1" 572) $(le32 "$1" 1136),$(le32 "$1" 1140)"; }
save_as() {
  click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"
  dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/several-$1.rpf" "several-$1-dialog"
}
start_editor
menu_pick "$MAIN" "$MENU_VIEW_X" Down Down Down  # " 表示 " > ｽﾅｯﾌﾟ, off: the drags go exactly where the pointer goes
for _ in 1 2 3; do click_at "$MAIN" "$TB_TEXT_X" "$TOOLBAR_Y"; done  # three at the canvas's corner
canvas_drag 5 5 25 125   # the one on top, the third, to (20, 120)
canvas_drag 5 5 105 145  # the second to (100, 140); the first stays at (0, 0)
# A band from the empty canvas below the background around the second and third, then the first
# added with Shift.
canvas_drag 15 115 260 175
xdotool keydown shift
canvas_click 5 5
xdotool keyup shift
shot several-selected
canvas_drag 5 5 15 10  # from the first: all three by (10, 5)
save_as dragged
check "a rubber band and Shift+click select three parts, and a drag moves them all" equals \
  "$(places "$work/several-dragged.rpf")" "10,5 110,145 30,125"

xdotool key Right shift+Down  # one right, ten down, all of them
menu_pick "$MAIN" "$MENU_EDIT_X" Up Up Right Down Down Down  # " 編集 " > 整列 > 上揃え
save_as aligned
check "the arrows nudge all three, and 上揃え puts the block's top on the background's" equals \
  "$(places "$work/several-aligned.rpf")" "11,$BACK_TOP 111,$((BACK_TOP + 140)) 31,$((BACK_TOP + 120))"

menu_pick "$MAIN" "$MENU_EDIT_X" Up Up Right Down Down Down Down Down Down  # 整列 > 左右に等間隔
save_as spaced
spaced=$work/several-spaced.rpf
# Taken by their left edges, the first, the third, the second: the first and the last stay, and
# the gap left between them is shared, a remainder going to the first gap.
total=$((111 + $(le32 "$spaced" 576) - 11 - $(le32 "$spaced" 8) - $(le32 "$spaced" 576) - $(le32 "$spaced" 1144)))
rest=$(((total % 2 + 2) % 2))
check "左右に等間隔 puts the middle part where the gaps are equal" equals \
  "$(places "$spaced")" "11,$BACK_TOP 111,$((BACK_TOP + 140)) $((11 + $(le32 "$spaced" 8) + (total - rest) / 2 + rest)),$((BACK_TOP + 120))"

xdotool key ctrl+c
first=$MAIN firstPid=$APP_PID
start_another_editor "$first"
xdotool key ctrl+v
save_as pasted
check "the three copied in one editor paste into another in their order, 10 right of and below" equals \
  "$(places "$work/several-pasted.rpf") $(le32 "$work/several-pasted.rpf" 56508)" \
  "$(places "$spaced" | awk -F'[ ,]' '{printf "%d,%d %d,%d %d,%d", $1+10, $2+10, $3+10, $4+10, $5+10, $6+10}') 3"
quit_editor
MAIN=$first APP_PID=$firstPid
focus "$MAIN"
xdotool key ctrl+z
save_as undone
menu_pick "$MAIN" "$MENU_VIEW_X" Down Down Down  # ｽﾅｯﾌﾟ on again, as the steps after this expect
check "one undo takes the spacing back for all three" equals "$(places "$work/several-undone.rpf")" "$(places "$work/several-aligned.rpf")"
quit_editor
