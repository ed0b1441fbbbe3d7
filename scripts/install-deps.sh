#!/usr/bin/env bash
# Installs everything Tonlyran needs to build, run and test, from Debian packages.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-image-formats-plugins libqt6svg6
    qt6-translations-l10n qt6-l10n-tools
    libmpv-dev libcdio-dev libcdio-paranoia-dev libmp3lame-dev libxcb1-dev libxcb-xinput-dev
    libarchive-dev libsdl2-dev
    libwayland-dev qt6-wayland
    libespeak-ng-dev espeak-ng-data
    libgtest-dev
    fonts-dejavu-core
    xvfb sox lame ffmpeg zip unzip
    desktop-file-utils shared-mime-info
    # the end-to-end suite: a desktop of its own, judged by recordings and screenshots
    openbox pulseaudio pulseaudio-utils xdotool x11-apps x11-utils python3
    pipewire pipewire-pulse pipewire-bin wireplumber
    # ... and a Wayland desktop: headless sway, keys by wtype, screenshots by grim
    sway wtype grim passwd
    # the fuzz targets: clang with libFuzzer and the sanitizers
    clang libclang-rt-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
