# Sourced by the scenario: edits taken back and brought back with the keys, drags called off with
# Escape and Ctrl+Z, a deletion from the parts list taken back, and New asking nothing once every
# step is taken back.

say "undo and redo"
canvas_shot() { sleep 0.4; screen_crop "$CX" "$CY" 400 150 "$work/$1.png"; shot "$1"; }
differs() { ! same_pixels "$@" >/dev/null; }
start_editor
canvas_shot undo-empty
click_at "$MAIN" "$TB_TEXT_X" "$TOOLBAR_Y"  # toolbar: 文字を追加
canvas_click 10 6  # selected, as the drag will leave it, framed
canvas_shot undo-added
canvas_drag 10 6 $((BACK_LEFT + 30)) $((BACK_TOP + 25))
canvas_shot undo-dragged
check "the text part was dragged onto the background" differs "$work/undo-added.png" "$work/undo-dragged.png"
focus "$MAIN"
xdotool key ctrl+z
canvas_shot undo-undone
check "Ctrl+Z takes the drag back whole" same_pixels "$work/undo-added.png" "$work/undo-undone.png"
xdotool key ctrl+y
canvas_shot undo-redone
check "Ctrl+Y brings it back" same_pixels "$work/undo-dragged.png" "$work/undo-redone.png"
# Escape or Ctrl+Z while the button is held calls the drag off: the part goes back and no step is
# left, so the Ctrl+Z steps below still find the drag and the added part.
partX=$((CANVAS_X + BACK_LEFT + 25)) partY=$((CANVAS_Y + BACK_TOP + 24))  # 5 by 5 into the text
for key in Escape ctrl+z; do
  pointer_path "$MAIN" $((partX + 1)) "$partY" "$partX" "$partY"
  xdotool mousedown 1
  pointer_path "$MAIN" $((partX + 30)) $((partY + 10)) $((partX + 60)) $((partY + 20))
  xdotool key "$key"
  pointer_path "$MAIN" $((partX + 80)) $((partY + 30))
  xdotool mouseup 1
  canvas_shot "undo-called-off-$key"
  check "$key during a drag puts the part back where the press found it" \
    same_pixels "$work/undo-dragged.png" "$work/undo-called-off-$key.png"
done

click_at "$MAIN" "$TB_PARTS_X" "$TOOLBAR_Y"  # toolbar: 部品ﾘｽﾄ
list=$(wait_window '^部品ﾘｽﾄ$')
xdotool windowmove --sync "$list" 800 0 >/dev/null  # aside, off the canvas
sleep 0.3
click_at "$list" 100 27   # the first row
click_at "$list" 110 270  # 削除
canvas_shot undo-deleted
check "削除 in the parts list deletes the part" same_pixels "$work/undo-empty.png" "$work/undo-deleted.png"
xdotool key ctrl+z  # the parts list still active
canvas_shot undo-restored
check "Ctrl+Z brings the deleted part back where it was" same_pixels "$work/undo-dragged.png" "$work/undo-restored.png"
import -window "$list" "$work/undo-list.png"
check "and the parts list lists it again" test "$(convert "$work/undo-list.png" -crop 190x12+4+21 +repage \
  -colorspace Gray -format '%[fx:int(1000*mean)]' info:)" -lt 990
focus "$list"
xdotool key Escape  # the list closes

focus "$MAIN"
xdotool key ctrl+z ctrl+z  # the drag and the added part
canvas_shot undo-all
check "every step taken back shows the editor as it started" same_pixels "$work/undo-empty.png" "$work/undo-all.png"
click_at "$MAIN" "$TB_NEW_X" "$TOOLBAR_Y"  # toolbar: 新規作成
sleep 1
check "New asks nothing once every step is taken back" no_message_box "$MAIN"
quit_editor
