# shellcheck shell=bash
# Sourced by the scenario: two overlapping text parts reordered with Ctrl+[ and back with Ctrl+],
# one centred across the background from the edit menu, the other dragged with ｽﾅｯﾌﾟ on until it
# catches the background's edge, and a part copied in one editor and pasted in a second; each
# checked in a saved project.
say "arranging: order, alignment, a copy pasted into another editor"
start_editor
click_at "$MAIN" "$TB_TEXT_X" "$TOOLBAR_Y"  # toolbar: 文字を追加, twice: both at the canvas's corner
click_at "$MAIN" "$TB_TEXT_X" "$TOOLBAR_Y"
canvas_click 5 5  # the part on top, the second
click_at "$MAIN" "$STRING_EDIT_X" "$STRING_EDIT_Y"
xdotool key ctrl+a
xdotool type --delay 20 'Top'
canvas_click 5 5  # the canvas takes the keys again
xdotool key ctrl+bracketleft  # 背面へ: the second part becomes the first
menu_pick "$MAIN" "$MENU_EDIT_X" Up Up Right Down  # " 編集 " > 整列 > 左右中央
xdotool key ctrl+c
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/arranged.rpf" arrange-save-dialog
arranged=$work/arranged.rpf
check "Ctrl+[ moved the part on top to the first place" equals \
  "$(sjis_field "$arranged" 16) / $(sjis_field "$arranged" $((568 + 16)))" "Top / No Title"
width=$(le32 "$arranged" 8)
check "左右中央 centred it across the background, rounded down" equals \
  "$(le32 "$arranged" 0)" "$((BACK_LEFT + (200 - width) / 2))"

xdotool key ctrl+bracketright  # 前面へ: the part on top again
menu_pick "$MAIN" "$MENU_VIEW_X" Down Down Down  # " 表示 " > ｽﾅｯﾌﾟ, on
# The other part, alone at the corner now, dragged until its left edge is 4 pixels short of the
# background's: it catches the background's edge.
canvas_drag 5 5 $((5 + BACK_LEFT - 4)) 35
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/snapped.rpf" arrange-snap-dialog
snapped=$work/snapped.rpf
check "Ctrl+] put the part back on top" equals \
  "$(sjis_field "$snapped" 16) / $(sjis_field "$snapped" $((568 + 16)))" "No Title / Top"
check "with ｽﾅｯﾌﾟ on, a drag 4 pixels short catches the background's left edge" equals \
  "$(le32 "$snapped" 0) $(le32 "$snapped" 4)" "$BACK_LEFT 30"

first=$MAIN firstPid=$APP_PID
start_another_editor "$first"
xdotool key ctrl+v
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/pasted.rpf" arrange-paste-dialog
pasted=$work/pasted.rpf
check "the part copied in one editor pastes into another, 10 right of and below it" equals \
  "$(sjis_field "$pasted" 16) $(le32 "$pasted" 0) $(le32 "$pasted" 4)" \
  "Top $(($(le32 "$arranged" 0) + 10)) $(($(le32 "$arranged" 4) + 10))"
quit_editor
MAIN=$first APP_PID=$firstPid
focus "$MAIN"
quit_editor
