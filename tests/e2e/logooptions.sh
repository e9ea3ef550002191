# Sourced by the scenario: a logo without its background at twice the size, chosen in the real
# save dialog with its own check box and scale, checked pixel by pixel; the choices kept for the
# next start.
say "a transparent logo at twice the size, through the save dialog"
rgba_pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null; }
clearLogo="$work/emblem-clear-2x.png"
start_editor
menu_pick "$MAIN" "$MENU_FILE_X" Down Down  # ﾌﾟﾛｼﾞｪｸﾄを開く
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを開く$' "$work/emblem.rpf" clear-open-dialog
click_at "$MAIN" "$TB_LOGO_X" "$TOOLBAR_Y"  # toolbar: ﾛｺﾞを保存
# From the name: the type list, 保存 and キャンセル, then the check box (Space) and the scale (2倍).
dialog_path '^画像を保存$' "$clearLogo" clear-logo-dialog "Tab Tab Tab Tab space Tab Down"
check "no message after saving the transparent logo" no_message_box "$MAIN"
quit_editor
check "the transparent logo is a 400 by 120 PNG" equals "$(identify -format '%m %wx%h' "$clearLogo" 2>&1)" "PNG 400x120"
x=$(((pngLeft - BACK_LEFT) * 2)) y=$(((pngTop - BACK_TOP) * 2))
check "the background is left out: a corner no part covers is clear" equals "$(rgba_pixel "$clearLogo" 0 0 | cut -c7-8)" 00
check "the picture's alpha 128 blue keeps its alpha" equals "$(rgba_pixel "$clearLogo" $((x + 10)) $((y + 10)))" 0000FF80
check "its opaque red stays opaque, twice as large" equals "$(rgba_pixel "$clearLogo" $((x + 1)) $((y + 47)))" FF0000FF
check "its see-through corner is clear" equals "$(rgba_pixel "$clearLogo" $((x + 61)) $((y + 37)) | cut -c7-8)" 00
"$prefix/bin/pelmora-export" --transparent --scale 2 "$work/emblem.rpf" "$work/emblem-clear-expected.png" \
  2>>"$out/logs/pelmora-export.log"
check "the editor's transparent 2x logo equals pelmora-export's, byte for byte" \
  cmp "$clearLogo" "$work/emblem-clear-expected.png"

# A later start offers the same choices: a logo saved without touching them is transparent at 2x.
start_editor
menu_pick "$MAIN" "$MENU_FILE_X" Down Down  # ﾌﾟﾛｼﾞｪｸﾄを開く
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを開く$' "$work/emblem.rpf" clear-reopen-dialog
click_at "$MAIN" "$TB_LOGO_X" "$TOOLBAR_Y"  # toolbar: ﾛｺﾞを保存
dialog_path '^画像を保存$' "$work/emblem-remembered.png" remembered-logo-dialog
quit_editor
check "the choices are remembered across starts" cmp "$clearLogo" "$work/emblem-remembered.png"
