#!/usr/bin/env bash
# Builds the Debian package from a built tree, extracts it into a temporary folder
# and checks it: the control fields and dependencies, the files a desktop needs
# (valid desktop entry and metainfo), and that the extracted programs run.
#
#   packaging/test-package.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$work/out/quillora_1.0.0_amd64.deb"
check "the package is named quillora_1.0.0_amd64.deb" test -f "$deb"
[ -f "$deb" ] || { ls "$work/out"; exit 1; }

info=$(dpkg-deb -I "$deb")
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
check "package name" test "$(field Package)" = quillora
check "version" test "$(field Version)" = 1.0.0
check "architecture" test "$(field Architecture)" = amd64
depends=$(field Depends)
echo "Depends: $depends"
depends_on() { # the package among the dependencies, alone or with a version
  tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/ *(.*//; s/ *$//' | grep -qxF "$1"
}
# From dpkg-shlibdeps: the libraries the programs link (Qt with its minimum version).
for lib in libc6 libstdc++6 libsqlite3-0 libnettle8 libqt6core6 libqt6widgets6 libqt6webenginecore6 \
           libqt6webenginewidgets6 libqt6texttospeech6; do
  check "depends on $lib" depends_on "$lib"
done
check "a minimum Qt version" grep -Eq "libqt6core6 \(>= 6\.[0-9.]+\)" <<<"$depends"
# Loaded by name at run time, so named by hand.
for pkg in libqt6webenginecore6-bin qt6-qpa-plugins qt6-speech-flite-plugin fonts-noto-cjk; do
  check "depends on $pkg" depends_on "$pkg"
done

root="$work/root"
modules="usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/quillora"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/quillora usr/bin/quillora-db \
         usr/share/applications/quillora.desktop usr/share/metainfo/net.quillora.Quillora.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/quillora.png usr/share/icons/hicolor/scalable/apps/quillora.svg \
         usr/share/man/man1/quillora.1.gz usr/share/man/man1/quillora-db.1.gz \
         "usr/share/quillora/赠送词库/基础词汇.txt" \
         "$modules/browser.so" "$modules/speech.so" "$modules/network.so" \
         usr/share/doc/quillora/copyright usr/share/doc/quillora/changelog.gz \
         usr/share/doc/quillora/phonetic-font-LICENSE.txt; do
  check "contains /$f" test -s "$root/$f"
done
check "one documentation folder, named after the package" test "$(ls "$root/usr/share/doc")" = quillora
for program in usr/bin/quillora usr/bin/quillora-db "$modules/browser.so" "$modules/speech.so" "$modules/network.so"; do
  check "no library search path in /$program" bash -c "! readelf -d '$root/$program' | grep -Eq 'RPATH|RUNPATH'"
done
# The program waits in the notification area: what only pages and speech need is in
# the modules, loaded on first use.
needed=$(readelf -d "$root/usr/bin/quillora" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for lib in libQt6WebEngineCore libQt6WebEngineWidgets libQt6WebChannel libQt6Quick libQt6Qml libQt6QuickWidgets libQt6TextToSpeech libQt6Network; do
  check "quillora is not linked against $lib" bash -c "! grep -q '^$lib\.' <<<'$needed'"
done
check "the browser module is linked against the web engine" bash -c "readelf -d '$root/$modules/browser.so' | grep -q 'libQt6WebEngineWidgets'"
check "the speech module is linked against TextToSpeech" bash -c "readelf -d '$root/$modules/speech.so' | grep -q 'libQt6TextToSpeech'"
check "the network module is linked against Qt Network" bash -c "readelf -d '$root/$modules/network.so' | grep -q 'libQt6Network'"
check "copyright in the machine-readable format, with the phonetic font's licence" \
  bash -c "head -1 '$root/usr/share/doc/quillora/copyright' | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' && grep -q '^License: OFL-1.1\$' '$root/usr/share/doc/quillora/copyright'"
check "changelog of this version" bash -c "zcat '$root/usr/share/doc/quillora/changelog.gz' | head -1 | grep -q '^quillora (1.0.0) '"
check "valid desktop entry" desktop-file-validate "$root/usr/share/applications/quillora.desktop"
check "valid metainfo" appstreamcli validate --no-net "$root/usr/share/metainfo/net.quillora.Quillora.metainfo.xml"
check "man pages format" bash -c "zcat '$root/usr/share/man/man1/quillora.1.gz' | grep -q '^\.TH QUILLORA 1' && zcat '$root/usr/share/man/man1/quillora-db.1.gz' | grep -q '^\.TH QUILLORA-DB 1'"

# The extracted programs run: the version, and a new store made and checked.
check "quillora --version" test "$("$root/usr/bin/quillora" --version)" = "Quillora 1.0.0.0"
check "quillora-db init" "$root/usr/bin/quillora-db" init "$work/new.db"
check "quillora-db check" test "$("$root/usr/bin/quillora-db" check "$work/new.db")" = ok
check "the new store is encrypted" bash -c "! head -c 16 '$work/new.db' | grep -q 'SQLite format 3'"

# Debian's own checks: any error fails; deliberate warnings carry an override in the
# package (packaging/lintian-overrides) with their reason.
if command -v lintian >/dev/null; then
  lintian_out=$(lintian --fail-on error --display-info "$deb" 2>&1) && lintian_ok=1 || lintian_ok=0
  printf '%s\n' "$lintian_out" | sed 's/^/lintian: /'
  check "lintian reports no error" test "$lintian_ok" -eq 1
else
  check "lintian is installed (bash scripts/setup.sh)" false
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all package checks passed"
