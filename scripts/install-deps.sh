#!/bin/sh
# Installs the Debian packages the build, the app and the tests need, only
# when some are missing. Works as root or through sudo.
set -eu

packages="cmake ninja-build g++ make pkg-config
qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-window
qml6-module-qtqml-workerscript qt6-qpa-plugins qt6-svg-dev libqt6svg6 adwaita-icon-theme qml-qt6
nlohmann-json3-dev libsimdjson-dev libre2-dev libfmt-dev libhowardhinnant-date-dev
libcurl4-openssl-dev libssl-dev libsystemd-dev libsecret-1-dev libxcb1-dev libxcb-randr0-dev
libxcb-keysyms1-dev libxcb-xtest0-dev
libgtest-dev libgmock-dev libbenchmark-dev hyperfine time jq iproute2 lsof python3 zsh fish
dbus-daemon dbus-x11 xvfb xauth imagemagick desktop-file-utils xdg-utils gnome-keyring"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *"ok installed"*) ;;
        *) missing="$missing $package" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "Missing packages:$missing (run as root or install sudo)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
