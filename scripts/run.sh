#!/usr/bin/env bash
# Builds Zentrel, puts it into its program folder and launches it.
# The program folder (default ~/Zentrel, or $ZENTREL_HOME) holds your records;
# a rebuild only replaces the program file and never overwrites your files.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
home="${ZENTREL_HOME:-$HOME/Zentrel}"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZENTREL_TESTS=OFF -DZENTREL_BENCH=OFF >/dev/null
cmake --build "$here/build/release" --target zentrel

mkdir -p "$home/images" "$home/data"
install -m 755 "$here/build/release/src/app/zentrel" "$home/zentrel.new"
mv -f "$home/zentrel.new" "$home/zentrel"
# Shipped files never replace one the user already has.
for f in Zentrel.htm images/zlsr.jpg images/back.jpg data/FTP_DEF_SCRIPT.SCP \
         data/EMAIL_DEF_SCRIPT_NEW.SCP data/EMAIL_DEF_SCRIPT_UPDATE.SCP; do
  [ -e "$home/$f" ] || cp "$here/resources/$f" "$home/$f"
done

echo "Starting Zentrel from $home"
exec "$home/zentrel"
