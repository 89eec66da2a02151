#!/usr/bin/env bash
# End to end under Wine: the Linux emulated device serves a pseudo-terminal, Wine maps it as
# COM12 (a dosdevices link and a SERIALCOMM registry value, the only one listed), and varnok.exe
# from the Windows folder (its own DLLs only) runs under Xvfb. The driver clicks Search, then
# Open (the file goes through the system's Open dialog) and Upload. The emulator's frame log must
# show the connection (codes 9, 1, 2, 257, then the status poll every second) and the upload, and
# its User store must equal the file afterwards. The upload's wall time is printed beside its
# floor, never judged. Then ser2net serves a second emulated device on the loopback, and
# varnok-cli.exe asks it for its model and downloads its Internal EDID over tcp://127.0.0.1:PORT.
#
#   wine_e2e.sh VARNOK_EMU WINDOWS_FOLDER DRIVER_EXE EDID_FILE
set -euo pipefail
emu="$1" stage="$2" driver="$3" edid="$4"
here="$(cd "$(dirname "$0")" && pwd)"
# A prefix of its own: the test rewrites its port list and stops its Wine server at the end.
export WINEPREFIX="${VARNOK_CACHE:-$HOME/.cache/varnok}/wine-e2e"
. "$here/../../packaging/windows/wine-env.sh"

[ -f "$stage/varnok.exe" ] || { echo "no $stage/varnok.exe: run bash setup.sh windows" >&2; exit 1; }
work="$(mktemp -d)"
pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- emulator frame log" >&2
    cat "$work/emu.log" >&2 2>/dev/null || true
    exit 1
}

# Lines of the frame log with a given code ("code=257"), in order.
frames() { grep -E " code=$1 " "$work/emu.log" 2>/dev/null || true; }
# Waits until the frame log matches an extended regular expression N times.
wait_log() {  # wait_log REGEX N SECONDS WHAT
    local end=$((SECONDS + $3))
    while [ "$(grep -cE "$1" "$work/emu.log" 2>/dev/null || true)" -lt "$2" ]; do
        [ $SECONDS -lt $end ] || fail "$4"
        sleep 0.2
    done
}
drive() { wine "$driver" "$@"; }

# Points in the window's central area, below its menu bar, are the window's own coordinates
# (TForm1); the menu bar's height and the tab page's offset are measured under Wine's default
# theme and font.
menu=17
page_x=18 page_y=100
click() { drive click Varnok "$menu" "$1" "$2"; }

# --- display, device, Wine ---
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

"$emu" --pace --log "$work/emu.log" --user-dump "$work/user.bin" >"$work/emu.out" 2>&1 &
emu_pid=$!
pids+=($emu_pid)
for _ in $(seq 50); do [ -s "$work/emu.out" ] && break; sleep 0.1; done
pty="$(head -n1 "$work/emu.out")"
[ -e "$pty" ] || fail "the emulator gave no pseudo-terminal"

varnok_wine_prefix
# Wine's mount manager maps the emulator's pseudo-terminal as COM12 when its server starts (a
# dosdevices link and a SERIALCOMM value). It also lists every /dev/ttyS* as a COM port; none of
# those may be opened here (ttyS0 is the system console), so they are taken off the list.
serialcomm='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
ports() { wine reg query "$serialcomm" 2>/dev/null | tr -d '\r'; }  # reg prints CR LF
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$pty" /f >/dev/null
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p   # one server for the whole test: the port list set below stays as set
for _ in $(seq 50); do
    ports | grep -q 'REG_SZ *COM12$' && break
    sleep 0.2
done
ports | awk '$2 == "REG_SZ" && $3 != "COM12" { print $1 }' |
    while read -r name; do wine reg delete "$serialcomm" /v "$name" /f >/dev/null; done
find "$WINEPREFIX/dosdevices" -name 'com*' ! -name com12 -delete
listed="$(ports | awk '$2 == "REG_SZ" { print $3 }' | tr '\n' ' ')"
[ "$listed" = "COM12 " ] || fail "the port list is '$listed', not the emulator's COM12 alone"
[ "$(readlink "$WINEPREFIX/dosdevices/com12")" = "$pty" ] || fail "COM12 is not the emulator"

(cd "$stage" && exec wine ./varnok.exe) >"$work/varnok.log" 2>&1 &
pids+=($!)
drive wait Varnok 60000 || fail "the window did not show"
sleep 2

# --- Search and connect ---
click 250 40   # BitBtn_Search
wait_log ' code=257 ' 3 30 "no connection with two status polls"
codes="$(awk '{ sub("code=", "", $3); printf "%s ", $3 }' "$work/emu.log")"
case "$codes" in
    "9 1 2 257 257 257"*) ;;
    *) fail "connection frames were: $codes" ;;
esac
polls=($(frames 257 | awk '{ print $1 }'))
echo "status polls at ms: ${polls[*]} (every second: $((polls[2] - polls[1])) ms apart)"
gap=$((polls[2] - polls[1]))
[ "$gap" -ge 900 ] && [ "$gap" -le 1600 ] || fail "status poll not every second ($gap ms)"

# --- Open the file through the system's dialog, then Upload ---
click $((page_x + 16 + 16 + 37)) $((page_y + 84 + 58 + 12))   # Button_Open_Edid
drive open "$(varnok_wine_path "$edid")" 20000 || fail "the Open dialog could not be used"
wait_log ' W=1 code=11 ' 1 20 "the Open dialog did not close"
click $((page_x + 16 + 104 + 37)) $((page_y + 84 + 58 + 12))   # Button_Upload_Edid
wait_log ' W=1 code=257 count=1 data=03' 1 30 "no User mode after the upload"
wait_log ' W=1 code=11 ' 2 10 "the upload did not end"

start="$(frames 10 | tail -n1 | awk '{ print $1 }')"
mode="$(grep -E ' W=1 code=257 count=1 data=03' "$work/emu.log" | tail -n1 | awk '{ print $1 }')"
# From the start notice to the User mode frame: per block a 50 ms lead, 128 paced bytes of more
# than 1 ms each and 50 ms after it, then the mode command's 50 ms lead:
# 2 x (50 + 128 + 50) + 50 = 506 ms, plus the wire time of the few bytes that no pause covers.
echo "upload under Wine: $((mode - start)) ms from start notice to User mode (floor 506 ms)"

wineserver -k
kill -TERM "$emu_pid"
wait "$emu_pid" || fail "the emulator did not stop cleanly"
cmp "$edid" "$work/user.bin" || fail "the device's User EDID differs from the file"

# --- A network port: ser2net on the Linux side serves a second emulated device, and
# varnok-cli.exe from the folder reaches it as tcp://127.0.0.1:PORT ---
command -v ser2net >/dev/null || fail "ser2net is not installed (setup.sh installs it)"
"$emu" --pace --internal "$edid" >"$work/emu2.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/emu2.out" ] && break; sleep 0.1; done
pty2="$(head -n1 "$work/emu2.out")"
[ -e "$pty2" ] || fail "the second emulator gave no pseudo-terminal"
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
printf '%%YAML 1.1\n---\nconnection: &wine\n  accepter: tcp,127.0.0.1,%s\n  connector: serialdev,%s,57600n81,local\n' \
    "$port" "$pty2" >"$work/ser2net.yaml"
ser2net -n -d -u -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    (exec 9<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
sleep 0.5   # the line is free again once ser2net has seen the check's connection go
cli() { (cd "$stage" && VARNOK_PORTS='' wine ./varnok-cli.exe "$@") 2>&1 | tr -d '\r'; }
info="$(cli --port "tcp://127.0.0.1:$port" info)"
grep -q '^Model' <<<"$info" || fail "varnok-cli.exe info over tcp://127.0.0.1:$port said: $info"
sleep 0.5
said="$(cli --port "tcp://127.0.0.1:$port" download internal "$(varnok_wine_path "$work/net.bin")")"
cmp "$edid" "$work/net.bin" || fail "the download over the network differs from the EDID: $said"
echo "wine e2e: varnok-cli.exe over tcp://127.0.0.1:$port: $(tr '\n' ' ' <<<"$info")"
wineserver -k 2>/dev/null || true
echo "wine e2e: search, connect and upload passed, and a network port"
