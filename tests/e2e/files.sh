# shellcheck shell=bash disable=SC2154  # the scenario sets what this uses
# Sourced by the scenario: files named as users type them in the dialogs.
say "file names as users type them"
mkdir -p "$work/elsewhere"
cp "$pngPicture" "$work/elsewhere/emblem.png"
start_editor
# A PNG file's path in another folder typed while the bitmap type hides it, then the PNG type
# picked: 開く takes it at once.
menu_pick "$MAIN" "$MENU_ADD_X" Down Down  # " 追加 " > 画像
focus "$(wait_window '^画像の読み込み$')"
xdotool key Tab Home Down shift+Tab
dialog_path '^画像の読み込み$' "$work/elsewhere/emblem.png" png-elsewhere-dialog "Tab End"
check "no message after adding the PNG picture from another folder" no_message_box "$MAIN"
# A JPEG named .png, as downloaded pictures often are, loads as a picture part.
convert "$pngPicture" -background white -flatten "JPG:$work/elsewhere/photo.png"
menu_pick "$MAIN" "$MENU_ADD_X" Down Down  # " 追加 " > 画像
dialog_path '^画像の読み込み$' "$work/elsewhere/photo.png" jpeg-named-png-dialog
check "no message after adding a JPEG named .png" no_message_box "$MAIN"
# A project name with a dot, typed without .rpf, is saved with it: Open would refuse it otherwise.
click_at "$MAIN" "$TB_SAVE_X" "$TOOLBAR_Y"  # toolbar: ﾌﾟﾛｼﾞｪｸﾄを保存
dialog_path '^ﾌﾟﾛｼﾞｪｸﾄを保存$' "$work/logo v1.2" dotted-project-dialog
check "the project named with a dot is saved as .rpf" equals "$(stat -c %s "$work/logo v1.2.rpf")" 56512
cp "$work/logo v1.2.rpf" "$work/dotted-saved.rpf"
# The logo named as a link to the open project (its own name would get .bmp), and the overwrite
# question answered yes: refused, nothing written.
ln -s "$work/logo v1.2.rpf" "$work/project-link.bmp"
click_at "$MAIN" "$TB_LOGO_X" "$TOOLBAR_Y"  # toolbar: ﾛｺﾞを保存
focus "$(wait_window '^画像を保存$')"
xdotool key ctrl+a
xdotool type --delay 15 "$work/project-link.bmp"
xdotool key Return
sleep 1
xdotool key y  # the question's はい
window_gone '^画像を保存$' 5 || die "the logo dialog did not take the project's name"
read -r message _ _ messageName < <(wait_other_window)
shot logo-over-project
check "the logo over the open project is refused under the caption Pelmora" equals "$messageName" Pelmora
focus "$message"
xdotool key Return
check "and the project is left as it was" cmp "$work/logo v1.2.rpf" "$work/dotted-saved.rpf"
quit_editor
