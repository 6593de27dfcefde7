# shellcheck shell=bash
# The page the text scenes scroll: the GPL-3 licence text in three columns of
# DejaVu Sans Mono at 15 px, light on dark (0x1e1e1e), 1920x12600 pixels, as
# tall as two minutes of scrolling at 90 px/s on a 1080-row screen.
#   source bench/page.sh; make_page FOLDER   writes FOLDER/page.png once
make_page() { # folder
  local font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
  [ -f "$1/page.png" ] && return
  sed 's/%/ percent/g; s/\\/\//g' /usr/share/common-licenses/GPL-3 | fold -s -w 68 >"$1/text.txt"
  ffmpeg -v error -y -f lavfi -i color=c=0x1e1e1e:s=1920x12600:d=1 \
    -vf "$(for c in 0 1 2; do printf 'drawtext=fontfile=%s:textfile=%s:fontsize=15:fontcolor=0xdcdcdc:x=%d:y=%d:line_spacing=3:expansion=none,' \
      "$font" "$1/text.txt" $((24 + 636 * c)) $((12 - 4000 * c)); done | sed 's/,$//')" \
    -frames:v 1 "$1/page.png"
}
