#!/usr/bin/env bash
# Installs the Debian package the way a user would, into a clean Debian 12 system:
# builds the package, makes a minimal Debian 12 root with debootstrap from the package
# source this machine is configured with, installs the package there with apt (its
# dependencies from the archive), and runs the installed programs inside it:
# `quillora --version`, `quillora-db init` and `quillora-db check`, and a look that the
# modules loaded on first use find all their libraries. Run on demand (needs root and
# the network to the archive; a few minutes and about 1 GB); CI does not run it.
#
#   bash scripts/check-package.sh [BUILD_DIR]    (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
bash scripts/setup.sh
# debootstrap: only this check needs it.
if ! command -v debootstrap >/dev/null; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
fi

cmake -S . -B "$build" -G Ninja
cmake --build "$build"
out=$(mktemp -d)
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb="$out/quillora_1.0.0_amd64.deb"
[ -f "$deb" ] || { echo "no package in $out" >&2; exit 1; }

# The configured archive: the first source of the release this machine runs, in the
# one-line or the deb822 format.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
  awk -v s="$codename" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i !~ /^\[/ && $(i + 1) == s) { print $i; exit } }' || true)
if [ -z "$mirror" ]; then
  mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk -v s="$codename" '/^URIs:/ { u = $2 } /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) { print u; exit } } /^$/ { u = "" }' || true)
fi
mirror=${mirror:-http://deb.debian.org/debian}
echo "Debian $codename from $mirror"

root="$out/root"
cleanup() {
  $sudo umount "$root/proc" 2>/dev/null || true
  $sudo rm -rf "$out"
}
trap cleanup EXIT
$sudo debootstrap --variant=minbase "$codename" "$root" "$mirror" >"$out/debootstrap.log" 2>&1 ||
  { tail -30 "$out/debootstrap.log"; exit 1; }
# The same sources as this machine (updates and security included), so the package's
# dependencies resolve against what it was built with.
$sudo cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
[ -s /etc/apt/sources.list ] && $sudo cp /etc/apt/sources.list "$root/etc/apt/sources.list"
$sudo mount -t proc proc "$root/proc"
$sudo cp "$deb" "$root/tmp/"

in_root() { $sudo chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -q >"$out/update.log" 2>&1 || { cat "$out/update.log"; exit 1; }
in_root apt-get install -y -q /tmp/quillora_1.0.0_amd64.deb >"$out/install.log" 2>&1 || { tail -40 "$out/install.log"; exit 1; }
echo "installed: $(in_root dpkg-query -W -f='${Package} ${Version} ${Status}' quillora)"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
check "quillora --version" test "$(in_root quillora --version)" = "Quillora 1.0.0.0"
check "quillora-db init" in_root quillora-db init /tmp/new.db
check "quillora-db check" test "$(in_root quillora-db check /tmp/new.db)" = ok
for module in browser speech network; do
  check "the $module module is installed" test -f "$root/usr/lib/$multiarch/quillora/$module.so"
  check "the $module module finds its libraries" bash -c "! $sudo chroot '$root' ldd /usr/lib/$multiarch/quillora/$module.so | grep -q 'not found'"
done
check "the web engine's helper process is there" test -x "$root/usr/lib/qt6/libexec/QtWebEngineProcess"
check "the copyright file" test -s "$root/usr/share/doc/quillora/copyright"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the package installs and runs in a clean Debian $codename"
