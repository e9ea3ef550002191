# shellcheck shell=bash
# Sourced by the scenario: Ctrl++, a picture dragged at 200 %, Ctrl+0, and the saved bounds. The
# picture is found on the screen by its red block, wherever zooming about the view's middle put it.
say "zoom: Ctrl++, a drag at 200 %, Ctrl+0"
zoomLeft=220 zoomTop=60  # the picture's place before zooming, near the middle of the view
red_block() {            # its rectangle in the view: LEFT TOP WIDTH HEIGHT
  screen_crop "$CX" "$CY" 460 140 "$work/zoom-view.png"
  convert "$work/zoom-view.png" -fill black +opaque '#E02020' -format '%@\n' info: 2>/dev/null |
    sed -E 's/^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$/\3 \4 \1 \2/'
}

start_editor
menu_pick "$MAIN" "$MENU_ADD_X" Down Down  # " 追加 " > 画像
dialog_path '^画像の読み込み$' "$picture" zoom-picture-dialog
canvas_drag 20 12 $((20 + zoomLeft)) $((12 + zoomTop))
focus "$MAIN"
xdotool key ctrl+plus
sleep 0.5
read -r x2 y2 w2 h2 < <(red_block)
check "Ctrl++ shows each of its pixels as 2 by 2" equals "$w2 $h2" "32 28"
canvas_drag $((x2 + 16)) $((y2 + 14)) $((x2 + 16 + 60)) $((y2 + 14 + 30))  # 30 by 15 logo pixels
read -r x3 y3 _ _ < <(red_block)
check "the picture keeps to the pointer at 200 %" equals "$((x3 - x2)) $((y3 - y2))" "60 30"
focus "$MAIN"
xdotool key ctrl+0
sleep 0.5
read -r x4 y4 w4 h4 < <(red_block)
# The red block lies 5 by 5 into the picture.
check "Ctrl+0 shows it at 100 %, 30 by 15 on" equals "$x4 $y4 $w4 $h4" "$((zoomLeft + 35)) $((zoomTop + 20)) 16 14"
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"  # toolbar: ﾌﾟﾛｼﾞｪｸﾄを保存
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/zoomed.rpf" zoom-save-dialog
quit_editor
check "the saved picture moved 30 by 15, its size as it was" equals \
  "$(for at in 0 4 8 12; do le32 "$work/zoomed.rpf" $at; done | xargs)" "$((zoomLeft + 30)) $((zoomTop + 15)) 40 24"
