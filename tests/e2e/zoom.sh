# shellcheck shell=bash
# Sourced by the scenario: zooming keeps its place. The keys keep the logo pixel at the view's
# centre (the logo is first moved up out of the view, as a logo wholly in view they hold by its
# corner instead) and the wheel the one under the pointer, from the fresh window (no scroll bars)
# and from a view with them, at 50 %, 200 % and 400 %; a drag at 200 %, and the saved bounds.
#
# The picture's red block is found on the screen and must stand exactly where the kept pixel puts
# it. The view is 478 by 159 pixels, its centre (238, 79); with both bars 464 by 145, centre
# (231, 72); with the bar below alone 478 by 145, centre (238, 72). A logo pixel L stands at
# origin + L·s at a scale s of 100 % and above, and at origin + (2L + 1) div 4 at 50 %, the origin
# being where the canvas's (0, 0) stands in the view.
say "zoom: the place kept by the keys and the wheel, a drag at 200 %"
zoomLeft=220 zoomTop=60  # the picture's place before zooming, near the middle of the view
red_block() {            # its rectangle in the view: LEFT TOP WIDTH HEIGHT
  screen_crop "$CX" "$CY" 478 159 "$work/zoom-view.png"
  convert "$work/zoom-view.png" -fill black +opaque '#E02020' -format '%@\n' info: 2>/dev/null |
    sed -E 's/^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$/\3 \4 \1 \2/'
}
# The pointer rests on the status bar, so that no part's hint covers the canvas.
rest_pointer() { xdotool mousemove --window "$MAIN" 470 358; }
zoom_key() {
  rest_pointer
  focus "$MAIN"
  xdotool key "$1"
  sleep 0.5
}
zoom_wheel() {  # X Y BUTTON: a notch in (4) or out (5) with Ctrl held, the pointer at (X, Y) of the view
  xdotool mousemove --window "$MAIN" $((CANVAS_X + $1)) $((CANVAS_Y + $2))
  sleep 0.15
  xdotool keydown ctrl click "$3" keyup ctrl
  rest_pointer
  sleep 0.5
}
placed() { check "$1" equals "$(red_block)" "$2"; }

start_editor
menu_pick "$MAIN" "$MENU_ADD_X" Down Down  # " 追加 " > 画像
dialog_path '^画像の読み込み$' "$picture" zoom-picture-dialog
canvas_drag 20 12 $((20 + zoomLeft)) $((12 + zoomTop))
rest_pointer
sleep 0.5
# The red block is logo (225, 65) to (241, 79); logo pixel (238, 79) is at the view's centre.
placed "the red block at 100 %" "225 65 16 14"
# The background 140 up, top -90: its top lies above the view at 50 % too, where the canvas's
# origin stands 40 below the view's top.
canvas_click 150 100
xdotool key --repeat 14 --delay 20 shift+Up
sleep 0.3

# The keys, from the fresh window without scroll bars.
zoom_key ctrl+minus  # origin (119, 40): 238 and 239 at 50 % are screen 119, the centre 238
placed "Ctrl+- from no bars: logo (238, 79) stays at the view's centre, at 50 %" "231 72 8 7"
zoom_key ctrl+0
placed "Ctrl+0 returns to the view it left" "225 65 16 14"
zoom_key ctrl+plus  # the bars come, the centre moves to (231, 72); origin (-246, -87)
shot zoomed-in
placed "Ctrl++ from no bars: logo (238, 79) stays at the view's centre, at 200 %" "204 43 32 28"
read -r x2 y2 _ _ < <(red_block)
canvas_drag $((x2 + 16)) $((y2 + 14)) $((x2 + 16 + 60)) $((y2 + 14 + 30))  # 30 by 15 logo pixels
rest_pointer
sleep 0.5
placed "the picture keeps to the pointer at 200 %" "$((x2 + 60)) $((y2 + 30)) 32 28"
# The red block is now logo (255, 80) to (271, 94).
zoom_key ctrl+plus  # origin (-723, -246)
placed "Ctrl++ with bars: logo (238, 79) stays at the view's centre, at 400 %" "297 74 64 56"
zoom_key ctrl+0
placed "Ctrl+0 shows it at 100 %, 30 by 15 on, the bars gone" "$((zoomLeft + 35)) $((zoomTop + 20)) 16 14"

# The wheel at (250, 85) of the view, on the picture.
zoom_wheel 250 85 5  # origin (125, 43)
placed "Ctrl+wheel out from no bars: logo (250, 85) stays under the pointer, at 50 %" "252 83 8 7"
zoom_wheel 250 85 4
placed "Ctrl+wheel in returns to the view it left" "255 80 16 14"
zoom_wheel 250 85 4  # origin (-251, -86)
placed "Ctrl+wheel in from no bars: logo (250, 85) stays under the pointer, at 200 %" "259 74 32 28"
zoom_wheel 250 85 4  # origin (-752, -257)
placed "Ctrl+wheel in with bars: logo (250, 85) stays under the pointer, at 400 %" "268 63 64 56"
zoom_wheel 250 85 5
zoom_wheel 250 85 5
placed "Ctrl+wheel out twice: back at 100 % as it was" "255 80 16 14"

# From a view with a scroll bar: the picture dragged past the view's right edge brings the bar
# below, which narrows the view to 145 pixels; the red block is then logo (455, 80) to (471, 94).
canvas_drag 270 87 470 87
rest_pointer
sleep 0.5
placed "the picture dragged 200 to the right" "455 80 16 14"
zoom_key ctrl+minus  # the bar goes, the centre moves to (238, 79); origin (119, 43)
placed "Ctrl+- with a bar: logo (238, 72) stays at the view's centre, at 50 %" "346 83 8 7"
zoom_key ctrl+0
placed "Ctrl+0 returns to the view it left, its bar again" "455 80 16 14"
zoom_wheel 460 85 5  # origin (230, 43)
placed "Ctrl+wheel out with a bar: logo (460, 85) stays under the pointer, at 50 %" "457 83 8 7"
zoom_wheel 460 85 4
placed "Ctrl+wheel in returns to the view it left" "455 80 16 14"
shot zoomed-back

click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"  # toolbar: ﾌﾟﾛｼﾞｪｸﾄを保存
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/zoomed.rpf" zoom-save-dialog
quit_editor
check "the saved picture moved 230 by 15, its size as it was" equals \
  "$(for at in 0 4 8 12; do le32 "$work/zoomed.rpf" $at; done | xargs)" "$((zoomLeft + 230)) $((zoomTop + 15)) 40 24"
