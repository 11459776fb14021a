#!/bin/bash
# Fetches Debian's source package of the system SQLite (for test/speedtest1.c) into
# DIR (default: build-speedtest/src). The deb-src lines live in a private apt
# configuration under DIR, made from the machine's configured Debian archives, so the
# machine's own sources list and package lists stay untouched. Nothing of it belongs
# in the repository.
set -euo pipefail

dest=${1:-build-speedtest/src}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
version=$(dpkg-query -W -f='${source:Version}' libsqlite3-0 2>/dev/null || true)
[ -n "$version" ] || { echo "libsqlite3-0 is not installed" >&2; exit 1; }

if [ -f "$dest/stamp" ] && [ "$(cat "$dest/stamp")" = "$version" ]; then
    echo "$dest/sqlite3"
    exit 0
fi

apt_dir=$dest/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"
# One deb-src line per configured Debian archive (deb822 .sources and one-line .list).
{
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN{RS=""; FS="\n"}
             { uris=""; suites=""; comps=""; types=""; signed=""
               for (i = 1; i <= NF; i++) {
                 if ($i ~ /^URIs:/)       { uris = substr($i, 6) }
                 if ($i ~ /^Suites:/)     { suites = substr($i, 8) }
                 if ($i ~ /^Components:/) { comps = substr($i, 12) }
                 if ($i ~ /^Types:/)      { types = substr($i, 7) }
                 if ($i ~ /^Signed-By:/)  { signed = substr($i, 11) }
               }
               if (types !~ /deb/) next
               n = split(uris, u, " "); m = split(suites, s, " ")
               for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) {
                 opt = signed != "" ? "[signed-by=" signed "] " : ""
                 gsub(/ +/, "", opt)
                 sub(/\]/, "] ", opt)
                 print "deb-src " opt u[a] " " s[b] " " comps
               } }' "$f"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$f"
    done
} | grep -i debian | sort -u >"$apt_dir/sources.list"
[ -s "$apt_dir/sources.list" ] || { echo "no Debian archive is configured" >&2; exit 1; }

apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
          -o "Dir::Etc::SourceParts=/nonexistent"
          -o "Dir::State::Lists=$apt_dir/lists"
          -o "Dir::Cache=$apt_dir/cache"
          -o "Debug::NoLocking=1")
# As root, apt would hand the download to its _apt user, who cannot write here.
[ "$(id -u)" -ne 0 ] || apt_opts+=(-o "APT::Sandbox::User=root")
apt-get "${apt_opts[@]}" -q update >&2
rm -rf "$dest/sqlite3"
mkdir -p "$dest/pkg"
(cd "$dest/pkg" && apt-get "${apt_opts[@]}" -q source --download-only "sqlite3=$version" >&2)
dsc=$(ls "$dest"/pkg/sqlite3_*.dsc | head -n 1)
dpkg-source --no-check -x "$dsc" "$dest/sqlite3" >&2
[ -f "$dest/sqlite3/test/speedtest1.c" ] || { echo "speedtest1.c is missing from $dsc" >&2; exit 1; }
echo "$version" >"$dest/stamp"
echo "$dest/sqlite3"
