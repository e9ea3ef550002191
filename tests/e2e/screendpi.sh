# shellcheck shell=bash
# Sourced by the scenario: the editor on a screen of 144 dpi (its own fonts larger) gives the
# same logo as pelmora-export, which has no screen: text is drawn at 96 dpi everywhere.
say "the logo on a screen of 144 dpi"
QT_FONT_DPI=144 "$prefix/bin/pelmora" "$project" >>"$out/logs/pelmora.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window '^Pelmora$')
focus "$MAIN"
sleep 1
xdotool key ctrl+shift+c  # " 編集 " > ﾛｺﾞをｺﾋﾟｰ
sleep 1
timeout 5 xclip -o -selection clipboard -t image/png >"$work/dpi144.png" 2>/dev/null || true
shot screen-144dpi
quit_editor  # the file menu, the first title, is where it was: its left end does not move
"$prefix/bin/pelmora-export" "$project" "$work/dpi96.png" 2>>"$out/logs/pelmora-export.log"
check "the logo copied at 144 dpi equals pelmora-export's, pixel for pixel" same_pixels "$work/dpi144.png" "$work/dpi96.png"
