#!/usr/bin/env bash
# Installs the Debian packages Quillora needs to build, run and test.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  # build
  cmake g++ ninja-build ccache pkg-config
  # GUI, browser, speech, SVG (skin art is rendered with Qt's SVG renderer)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev
  qt6-declarative-dev qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev libqt6webenginecore6-bin
  qt6-speech-dev qt6-speech-flite-plugin qt6-speech-speechd-plugin
  # store and cryptography
  libsqlite3-dev nettle-dev
  # fonts: CJK interface text and the face asked for as "Comic Sans MS"
  fonts-noto-cjk fonts-comic-neue fontconfig
  # the standard dialogs (file dialog, message box buttons) in Chinese
  qt6-translations-l10n
  # tests: a real X server, a notification area, input and screenshots
  xvfb xauth trayer xdotool x11-utils imagemagick
  # the real-desktop test: a window manager, and the accessibility bus it reads the screen from
  openbox dbus-daemon at-spi2-core python3-pyatspi
  # the screen-reader test: Orca, speaking through speech-dispatcher's espeak-ng module
  orca python3-speechd speech-dispatcher speech-dispatcher-espeak-ng speech-dispatcher-audio-plugins
  # the Debian package: its dependencies, checks of its desktop entry and metainfo, and
  # Debian's own package checker
  dpkg-dev desktop-file-utils appstream lintian
  # word lists: the generator and its checks, and reference British pronunciations
  python3 espeak-ng
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
