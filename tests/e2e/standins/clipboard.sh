# Sourced by the clipboard stand-ins: one clipboard, kept as one file per
# content type in state/clipboard (text_plain, text_uri-list, image_png), so a
# scenario can fill it and read back what pelk copied.
CLIPBOARD=$STATE/clipboard

clipboard_file() { printf '%s/%s' "$CLIPBOARD" "${1//\//_}"; }

# A copy replaces everything the clipboard held.
clipboard_store() {
  mkdir -p "$CLIPBOARD"
  rm -f "$CLIPBOARD"/*
  cat >"$(clipboard_file "$1")"
}

clipboard_offer() {
  local file
  file=$(clipboard_file "$1")
  [ -f "$file" ] || return 1
  cat "$file"
}
