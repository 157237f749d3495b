#!/usr/bin/env bash
# Checks of the Debian package, one step per CTest test:
#   package-check.sh build <folder> <cpack> <CPackConfig.cmake>  makes the package in <folder>, unpacks it
#   package-check.sh files <folder> <expected list>       every file it holds, where, with its mode
#   package-check.sh control <folder>                     section, maintainer, computed dependencies
#   package-check.sh desktop <folder>                     desktop-file-validate on the unpacked entry
#   package-check.sh metainfo <folder>                    appstreamcli validate, offline
#   package-check.sh lintian <folder>                     lintian, failing on errors only
set -euo pipefail
step=$1
folder=$2

deb() {
    local found=("$folder"/tarvik_*.deb)
    [ -f "${found[0]}" ] || { echo "no package in $folder" >&2; exit 1; }
    echo "${found[0]}"
}

case "$step" in
build)
    rm -rf "$folder"
    "$3" --config "$4" -G DEB -B "$folder" >"$folder.log" 2>&1 || { cat "$folder.log" >&2; exit 1; }
    dpkg-deb -x "$(deb)" "$folder/root"
    ;;
files)
    # Mode, owner and path of every entry but the folders, which must all be 0755 root/root.
    actual=$(dpkg-deb -c "$(deb)" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $1, $2, $6 }' | sort)
    diff -u <(grep -v '^#' "$3" | sort) <(echo "$actual") || { echo "package files differ from $3" >&2; exit 1; }
    odd=$(dpkg-deb -c "$(deb)" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")')
    [ -z "$odd" ] || { echo "folders with another mode or owner:" >&2; echo "$odd" >&2; exit 1; }
    ;;
control)
    package=$(deb)
    [ "$(dpkg-deb -f "$package" Section)" = electronics ] || { echo "section is not electronics" >&2; exit 1; }
    [ -n "$(dpkg-deb -f "$package" Maintainer)" ] || { echo "no maintainer" >&2; exit 1; }
    depends=$(dpkg-deb -f "$package" Depends)
    echo "Depends: $depends"
    for library in libc6 libstdc++6 libqt6widgets6 libqt6openglwidgets6 libhidapi-hidraw0 libudev1 qt6-qpa-plugins; do
        [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
            { echo "no dependency on $library" >&2; exit 1; }
    done
    recommends=$(dpkg-deb -f "$package" Recommends)
    [[ "$recommends" == *fonts-liberation2* ]] || { echo "the dialogs' fonts are not recommended" >&2; exit 1; }
    ;;
desktop)
    desktop-file-validate "$folder"/root/usr/share/applications/*.desktop
    ;;
metainfo)
    appstreamcli validate --no-net --explain "$folder"/root/usr/share/metainfo/*.metainfo.xml
    ;;
lintian)
    lintian --fail-on error --info "$(deb)"
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
