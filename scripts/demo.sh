#!/usr/bin/env bash
# Starts KivReader on a demo program folder whose LOG folder a fake game keeps filling,
# so the program can be seen at work without the game. Usage: demo.sh [build folder]
set -euo pipefail
build=${1:-build}
demo=${KIV_DEMO_HOME:-${TMPDIR:-/tmp}/kivreader-demo}
own_id=12345678

mkdir -p "$demo/LOG"
cp "$build/kivreader" "$demo/"
if [ ! -f "$demo/kivreader.ini" ]; then
  # A main window of a useful size with the side windows beside it, rather than the
  # first-run places at the top-left corner of the screen.
  printf '%s\r\n' '[system]' "logdir=$demo/LOG/" "KivID=$own_id" 'FontSize=9' \
    '[FrmKivMain]' 'Left=0' 'Top=0' 'Width=760' 'Height=420' \
    '[window]' 'chat.width=460' 'chat.heidht=380' 'chat.colwidth0=60' 'chat.colwidth1=70' \
    'chat.colwidth2=80' 'chat.colwidth3=280' \
    'info.left=780' 'info.top=0' 'info.right=1180' 'info.bottom=160' \
    'item.left=780' 'item.top=190' 'item.right=980' 'item.bottom=320' \
    'itemhin.left=1000' 'itemhin.top=190' 'itemhin.right=1260' 'itemhin.bottom=320' \
    > "$demo/kivreader.ini"
fi
# Some history first, then a steady stream with the user's own commands now and then.
"$build/kivfakegame" --log-dir "$demo/LOG" --records 200 --own-id "$own_id" --commands
"$build/kivfakegame" --log-dir "$demo/LOG" --rate 3 --own-id "$own_id" --commands &
game=$!
trap 'kill $game 2>/dev/null || true' EXIT
cd "$demo"
./kivreader
