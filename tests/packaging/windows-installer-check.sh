#!/usr/bin/env bash
# The Windows installer, made by cpack and tried under Wine as a user would try it:
#   windows-installer-check.sh <folder> <cpack> <CPackConfig.cmake> <wine> <wineserver> <version>
# makes tarvik-setup-<version>.exe in <folder>, installs it silently (/S), runs the installed
# tarvik-cli.exe --version and, where the installer carries the windows and a display is
# there, starts the installed tarvik.exe and waits for its window; then uninstalls it
# silently and checks that nothing of it is left: its folder, its Start menu entries, its
# registry keys. The Wine prefix comes from WINEPREFIX.
set -euo pipefail
folder=$1
cpack=$2
config=$3
wine=$4
wineserver=$5
version=$6

fail() { echo "windows installer: $*" >&2; exit 1; }
registry_has() { "$wine" reg query "$1" >/dev/null 2>&1; }

drive_c=$WINEPREFIX/drive_c
program_dir="$drive_c/Program Files/Tarvik"
menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvik $version"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvik'
maker_key='HKLM\Software\Tarvik maintainers'
installed='C:\Program Files\Tarvik'

rm -rf "$folder"
mkdir -p "$folder"
"$cpack" --config "$config" -G NSIS -B "$folder" >"$folder.log" 2>&1 || { cat "$folder.log" >&2; fail "cpack failed"; }
setup=$folder/tarvik-setup-$version.exe
[ -f "$setup" ] || fail "cpack made no $setup"
echo "installer: $setup, $(stat -c %s "$setup") bytes"

# A run that stopped half-way may have left an installation: it goes first.
if [ -e "$program_dir/Uninstall.exe" ]; then
    "$wine" "$installed\\Uninstall.exe" /S
    "$wineserver" -w
fi

"$wine" "$setup" /S || fail "the silent install failed"
# The installer is done when Wine's last process is.
"$wineserver" -w
for file in tarvik-cli.exe tarvik-cli.html Uninstall.exe; do
    [ -f "$program_dir/$file" ] || fail "not installed: $file"
done
for link in "Tarvik command line.lnk" "Tarvik command line manual.lnk" "Uninstall.lnk"; do
    [ -f "$menu_dir/$link" ] || fail "no Start menu entry: $link"
done
registry_has "$uninstall_key" || fail "no uninstall entry $uninstall_key"
grep -q -- "--version" "$program_dir/tarvik-cli.html" || fail "the manual page holds no help text"

shown=$("$wine" "$installed\\tarvik-cli.exe" --version | tr -d '\r') || fail "the installed tarvik-cli.exe --version failed"
echo "installed: $shown"
[[ "$shown" == *"$version"* ]] || fail "the installed tarvik-cli.exe --version says \"$shown\", not $version"

if [ -f "$program_dir/tarvik.exe" ]; then
    for file in tarvik-sim.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll; do
        [ -f "$program_dir/$file" ] || fail "not installed: $file"
    done
    [ ! -e "$program_dir/Qt6Test.dll" ] || fail "installed, though only the tests need it: Qt6Test.dll"
    for link in "Tarvik.lnk" "Tarvik on the simulated board.lnk"; do
        [ -f "$menu_dir/$link" ] || fail "no Start menu entry: $link"
    done
    if [ -n "${DISPLAY:-}" ] && command -v xwininfo >/dev/null; then
        # The window as a user starts it: from the installed folder alone, no board attached.
        # Qt for Windows takes nothing of the host's Qt settings.
        env -u QT_QPA_PLATFORM -u QT_PLUGIN_PATH "$wine" "$installed\\tarvik.exe" >"$folder/tarvik.log" 2>&1 &
        seen=
        for _ in $(seq 120); do
            if xwininfo -root -tree | grep -q '"Morvane FPGA Tool"'; then seen=yes; break; fi
            sleep 0.5
        done
        "$wineserver" -k || true
        "$wineserver" -w
        [ -n "$seen" ] || { cat "$folder/tarvik.log" >&2; fail "the installed tarvik.exe showed no main window (Morvane FPGA Tool) within 60 s"; }
        echo "installed: tarvik.exe showed its window"
    else
        echo "installed: tarvik.exe not started: no display (or no xwininfo) to see its window on"
    fi
fi

"$wine" "$installed\\Uninstall.exe" /S || fail "the silent uninstall failed"
# The uninstaller goes on from a copy of itself, so that it can remove its own file: it is
# done when Wine's last process is.
"$wineserver" -w
[ ! -e "$program_dir" ] || fail "left behind: $(find "$program_dir")"
[ ! -e "$menu_dir" ] || fail "left behind: $(find "$menu_dir")"
! registry_has "$uninstall_key" || fail "left behind: $uninstall_key"
! registry_has "$maker_key" || fail "left behind: $maker_key"
echo "installed and uninstalled; nothing left"
