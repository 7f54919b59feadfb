#!/usr/bin/env bash
# The whole tool against the simulated device: a sample firmware image in a demo folder, the
# device linked as COM1, then vobisk-update in that folder. With a display the window opens and
# you press "Пуск"; without one (CI, ssh) it runs unattended, offscreen, with /run /close.
# At the end the image the device received is compared with the one that was sent.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vobisk-update vobisk-sim vobisk-mkimage >/dev/null
top=$PWD

work=$(mktemp -d /tmp/vobisk-demo-XXXXXX)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/ports" "$work/folder"

"$top/build/tools/mkimage/vobisk-mkimage" --payload 1024 --packets 24 --seed 2026 \
  --hex "$work/folder/demo.fmw" --bin "$work/sent.bin"
# The device runs its normal firmware: the tool has to switch it to the bootloader first.
"$top/build/tools/sim/vobisk-sim" --link "$work/ports/COM1" --out "$work/received.bin" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/ports/COM1" ] && break; sleep 0.1; done

export VOBISK_COM_DIR="$work/ports"
cd "$work/folder"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "The window opens with demo.fmw and COM1 (the simulated device). Press \"Пуск\", then close it."
  "$top/build/ui/vobisk-update"
else
  echo "No display: running unattended, offscreen: vobisk-update /run /close"
  QT_QPA_PLATFORM=offscreen timeout 60 "$top/build/ui/vobisk-update" /run /close
fi

if cmp -s "$work/sent.bin" "$work/received.bin"; then
  echo "OK: the simulated device received the image byte for byte ($(stat -c %s "$work/sent.bin") bytes)."
else
  echo "FAILED: the simulated device did not receive the image (see the lines above)." >&2
  exit 1
fi
