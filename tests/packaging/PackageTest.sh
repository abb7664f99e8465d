#!/usr/bin/env bash
# The Debian package as an operator gets it: dpkg-deb extracts the package that scripts/package built into a
# temporary root, the desktop entry and the systemd unit pass their validators, the unit's command line (with
# the extracted program) processes a generated file from the source folder headless, the extracted program
# converts one named file headless in single-file mode, and its log lies in the user's data folder.
#   PackageTest.sh DEB
set -euo pipefail
deb="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# Waits up to 60 s for a condition (a command), checking ten times a second.
wait_for() {
  for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
  return 1
}

[ -f "$deb" ] || fail "scripts/package made no $deb"
dpkg-deb -c "$deb"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency found by dpkg-shlibdeps"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6httpserver6' || fail "the web page's HTTP server is not a dependency"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for program in stratolux abiconvert abisample notifylisten; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not installed"
done
[ -x "$root/usr/libexec/stratolux/stratolux-reader" ] || fail "the reader program is not installed"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/stratolux.svg" ] || fail "no icon"
desktop-file-validate "$root/usr/share/applications/stratolux.desktop"

# The unit names /usr/bin/stratolux; the check runs on a copy that names the extracted program instead.
unit="$root/usr/lib/systemd/user/stratolux@.service"
grep -qx 'ExecStart=/usr/bin/stratolux --instance %i -start' "$unit" || fail "unexpected ExecStart"
grep -qx 'Environment=QT_QPA_PLATFORM=offscreen' "$unit" || fail "the unit is not headless"
mkdir -m 700 "$work/run" "$work/units"
sed "s#/usr/bin/stratolux#$root/usr/bin/stratolux#" "$unit" > "$work/units/stratolux@.service"
# Its Documentation= names the manual page, which man finds among the extracted ones.
XDG_RUNTIME_DIR="$work/run" MANPATH="$root/usr/share/man" systemd-analyze verify --user \
  "$work/units/stratolux@.service"

# Generated files through the extracted tools and the extracted program.
mkdir -p "$work/received" "$work/images" "$work/converted" "$work/config/Nimbrel"
first="$("$root/usr/bin/abisample" --band 13 --size 300 --out "$work/received")"
"$root/usr/bin/abiconvert" --out "$work/converted" --png "$first" >/dev/null
[ -n "$(find "$work/converted" -name '*.png')" ] || fail "abiconvert wrote no PNG"

cat > "$work/config/Nimbrel/packaged.conf" <<CONF
[General]
SourcePath=$work/received/
NetCDFPath=$work/images/
SavePath=$work/images/
BandsSelected=B13
SaveAsPNG=1
CONF
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
pngs() { find "$work/images" -name '*.png' | wc -l; }
gone() { [ ! -e "$1" ]; }
png_count_is() { [ "$(pngs)" -eq "$1" ]; }

# Runs in the background, waits until $1 is processed into the PNG number $2, checks that the program is
# still running, and stops it as systemd does.
run_until_processed() {
  local file="$1" count="$2"
  shift 2
  "$@" &
  local pid=$!
  wait_for gone "$file" || { kill "$pid"; fail "$(basename "$file") was not processed by: $*"; }
  wait_for png_count_is "$count" || { kill "$pid"; fail "no PNG from: $*"; }
  kill -0 "$pid" || fail "the program ended by itself: $*"
  kill -TERM "$pid"
  wait "$pid" || fail "the program did not end cleanly on SIGTERM: $*"
}

# What the unit runs for stratolux@packaged, with its environment: a scan of the source folder, headless.
command="$(sed -n 's/^ExecStart=//p' "$unit" | sed "s#%i#packaged#g; s#^/usr/bin/#$root/usr/bin/#")"
read -ra unit_environment <<<"$(sed -n 's/^Environment=//p' "$unit")"
read -ra unit_command <<<"$command"
run_until_processed "$first" 1 env "${unit_environment[@]}" "${unit_command[@]}"
echo "The unit's command processed $(basename "$first") from the source folder headless."

# Single-file mode: the named file is processed, then processing stops and the program stays open.
second="$("$root/usr/bin/abisample" --band 13 --size 300 --start 2025-01-21T20:12:04 --out "$work/received")"
run_until_processed "$second" 2 env QT_QPA_PLATFORM=offscreen "$root/usr/bin/stratolux" --instance packaged \
  "$second"
echo "The packaged program converted $(basename "$second") alone, headless."

# An installed program keeps its log in the user's data folder, never beside itself.
[ -s "$work/data/packaged/packaged-process.log" ] || fail "the log is not in the user's data folder"
[ -z "$(find "$root" -name '*-process.log')" ] || fail "the installed program wrote a log beside itself"
echo "The installed program logged into $work/data/packaged/."
