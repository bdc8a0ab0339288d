#!/usr/bin/env bash
# Sharing with the server: retention on both sides at connect, sending files
# and the clipboard (paths printed and copied), and the server's out/ coming
# back into from-server/.
. "$(dirname "$0")/../harness.sh"
e2e_begin
L=$LAPTOP_HOME
S=$SHARE_ON_SERVER

as_laptop_write() { # path content
  as_laptop mkdir -p "$(dirname "$1")"
  printf '%s' "$2" | as_laptop tee "$1" >/dev/null
}
eight_days_ago=$(date -d '8 days ago' +%Y%m%d%H%M)

# Before the first connect: old and recent files on both sides.
as_laptop_write "$L/pelk-share/old-shot.png" "old"
as_laptop_write "$L/pelk-share/recent.png" "recent"
as_laptop_write "$L/pelk-share/keep/old-keep.png" "kept"
touch -t "$eight_days_ago" "$L/pelk-share/old-shot.png" "$L/pelk-share/keep/old-keep.png"
as_dev mkdir -p "Share/$LAPTOP_FOLDER/out"
as_dev sh -c "echo stale >Share/$LAPTOP_FOLDER/out/stale.txt; echo fresh >Share/$LAPTOP_FOLDER/out/fresh.txt"
touch -t "$eight_days_ago" "$S/out/stale.txt"
connect_laptop

check_absent "$L/pelk-share/old-shot.png"
check_exists "$L/pelk-share/recent.png"
check_exists "$L/pelk-share/keep/old-keep.png"
check_absent "$S/out/stale.txt"
check_same_file "$S/recent.png" "$L/pelk-share/recent.png"
check_same_file "$L/pelk-share/from-server/fresh.txt" "$S/out/fresh.txt"

# Named files: the server path is printed and put on the clipboard.
as_laptop_write "$L/Documents/my report.txt" $'quarterly\n\x01\x02 numbers\n'
pelk laptop share send "$L/Documents/my report.txt"
check_status 0 "send one file"
check_out "send one file" "$S/my report.txt
(copied)"
check_same_file "$S/my report.txt" "$L/Documents/my report.txt"
check_file "$W/state/clipboard/text_plain" "$S/my report.txt"

normalised() { sed -E 's#/[0-9]{13}-#/<ms>-#; s#shot-[0-9]{13}\.png#shot-<ms>.png#' "$RUN_OUT"; }
as_laptop_write "$L/Documents/a.log" "log"
pelk laptop share send "$L/Documents/my report.txt" "$L/Documents/a.log"
check_status 0 "send two files, one name taken"
check_eq "send two files, one name taken" "$(normalised)" "$S/<ms>-my report.txt
$S/a.log
(copied)"
sent_again=$(head -n 1 "$RUN_OUT")
check_same_file "$sent_again" "$L/Documents/my report.txt"
check_exists "$S/my report.txt"

pelk laptop share send "$L/Documents"
check_status 1 "send a folder"
check_err "send a folder" "pelk: $L/Documents is a folder; send its files, or a zip of it"

# The clipboard: files copied in a file manager, then an image, then nothing.
as_laptop_write "$L/Documents/diagram v2.png" "diagram"
as_laptop_write "$W/state/clipboard/text_uri-list" $'# copied\r\nfile://'"$L"$'/Documents/diagram%20v2.png\r\n'
pelk laptop share send
check_status 0 "send the clipboard's files"
check_out "send the clipboard's files" "$S/diagram v2.png
(copied)"
check_same_file "$S/diagram v2.png" "$L/Documents/diagram v2.png"

printf '\x89PNG\r\n\x1a\nimage' >"$W/runs/image.png"
printf '\x89PNG\r\n\x1a\nimage' | as_laptop tee "$W/state/clipboard/image_png" >/dev/null
pelk laptop share send
check_status 0 "send the clipboard's image"
check_eq "send the clipboard's image" "$(normalised)" "$S/shot-<ms>.png
(copied)"
check_same_file "$(head -n 1 "$RUN_OUT")" "$W/runs/image.png"

as_laptop rm -f "$W/state/clipboard/image_png" "$W/state/clipboard/text_plain"
pelk laptop share send
check_status 1 "send an empty clipboard"
check_err "send an empty clipboard" "pelk: the clipboard holds no image"
check_eq "shot files in the share folder after the empty clipboard" \
  "$(find "$L/pelk-share" -maxdepth 1 -name 'shot-*' | wc -l)" 1

# The server's out/ comes back; the server's retention spares keep/.
as_dev sh -c "echo answer >Share/$LAPTOP_FOLDER/out/answer.md"
pelk laptop share on
check_status 0 "share on"
check_out "share on" "  File sharing: $L/pelk-share -> $S on the server
  From the server: $S/out -> $L/pelk-share/from-server"
check_same_file "$L/pelk-share/from-server/answer.md" "$S/out/answer.md"
check_exists "$S/keep/old-keep.png"

pelk laptop share off
pelk laptop share send "$L/Documents/a.log"
check_status 1 "send with sharing off"
check_err "send with sharing off" "pelk: file sharing is off; turn it on with pelk laptop share on"

e2e_end
