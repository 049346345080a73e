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
  printf '[system]\r\nlogdir=%s/LOG/\r\nKivID=%s\r\n' "$demo" "$own_id" > "$demo/kivreader.ini"
fi
# Some history first, then a steady stream with the user's own commands now and then.
"$build/kivfakegame" --log-dir "$demo/LOG" --records 200 --own-id "$own_id" --commands
"$build/kivfakegame" --log-dir "$demo/LOG" --rate 3 --own-id "$own_id" --commands &
game=$!
trap 'kill $game 2>/dev/null || true' EXIT
cd "$demo"
./kivreader
