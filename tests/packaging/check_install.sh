#!/usr/bin/env bash
# What the package installs, checked without building it: `cmake --install` into a scratch
# folder, then every program has its man page, the copyright file and the changelog are there, the
# desktop entries and the AppStream metadata validate, and the metadata's newest release is the
# project's version. (`bash setup.sh deb` builds the .deb itself and runs lintian on it.)
#   check_install.sh BUILD_DIR VERSION
set -euo pipefail
build="$1" version="$2"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" > /dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }
for program in "$root"/usr/bin/*; do
    name="$(basename "$program")"
    page="$root/usr/share/man/man1/$name.1.gz"
    [ -f "$page" ] || fail "$name has no man page"
    # Compressed without a name or time stamp (gzip -n), as Debian policy asks.
    [ ! -f "$page" ] || [ "$(od -An -tu1 -j4 -N4 "$page" | tr -d ' ')" = "0000" ] ||
        fail "$name.1.gz carries a time stamp"
done
for doc in copyright changelog.gz; do
    [ -f "$root/usr/share/doc/varnok/$doc" ] || fail "no /usr/share/doc/varnok/$doc"
done
zcat "$root/usr/share/doc/varnok/changelog.gz" | head -1 | grep -q "^varnok ($version) " ||
    fail "the changelog's first entry is not version $version"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --pedantic --no-net "${metainfo[@]}" || fail "AppStream metadata"
grep -q "<release version=\"$version\"" "${metainfo[@]}" ||
    fail "the AppStream metadata has no release $version"
exit $status
