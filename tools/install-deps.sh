#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Talvex needs.
# Run as root (or with sudo available). A fast no-op when everything is installed.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  # core libraries
  libcurl4-openssl-dev libssl-dev nlohmann-json3-dev librtmp-dev librtmp1
  # the desktop program
  qt6-base-dev libgl-dev fonts-dejavu-core
  # its player: Qt Multimedia with the GStreamer plug-ins that play H.264 MP4, FLV and MP3
  qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # real servers and the real encoder used by the tests and the demo
  nginx libnginx-mod-rtmp ffmpeg curl aria2 procps openssl
  # a private session bus for the desktop-notice tests
  dbus-daemon
  # screenshots of the real window; checking what the install puts on the desktop
  xvfb xauth desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
# nginx's package starts a system server on port 80; the tests start their own. Only when this
# run installed nginx is that packaged service stopped and disabled again: a server the user
# already had, or runs by hand, is never touched.
if [[ " ${missing[*]} " == *" nginx "* ]]; then
  if [ -d /run/systemd/system ]; then
    $SUDO systemctl disable --now nginx >/dev/null 2>&1 || true
  elif [ -x /etc/init.d/nginx ]; then
    $SUDO /etc/init.d/nginx stop >/dev/null 2>&1 || true
  fi
fi
