#!/usr/bin/env bash
# Starts the window under Xvfb (96 dpi), with a simulated device as COM1 and a firmware file in
# its folder, and saves a PNG of it: scripts/screenshot.sh [OUT.png] (default docs/window.png).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
out=$(realpath -m "${1:-docs/window.png}")
scripts/deps.sh xvfb xauth xdotool imagemagick
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target vobisk-update vobisk-sim vobisk-mkimage >/dev/null

work=$(mktemp -d /tmp/vobisk-shot-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/ports" "$work/folder"
build/tools/mkimage/vobisk-mkimage --payload 64 --packets 4 --hex "$work/folder/firmware.fmw"
build/tools/sim/vobisk-sim --link "$work/ports/COM1" >/dev/null &
for _ in $(seq 50); do [ -e "$work/ports/COM1" ] && break; sleep 0.1; done

cat >"$work/shoot.sh" <<SHOT
set -e
cd "$work/folder"
VOBISK_COM_DIR="$work/ports" "$top/build/ui/vobisk-update" &
window=\$(xdotool search --sync --name "Обновление ПО")
sleep 1
import -window "\$window" "$out"
kill %1
SHOT
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash "$work/shoot.sh"
echo "saved $out"
