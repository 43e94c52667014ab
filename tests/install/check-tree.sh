#!/bin/sh
# Checks an installed halvik tree: ROOT holds usr/ as "cmake --install --prefix ROOT/usr" or the
# unpacked Debian package lays it out. The file list is exact, the desktop entry and the
# AppStream metainfo pass their validators, the icons are what their folders say, the man page
# describes the commands and the completion script parses.
set -eu
root=$1
version=$2
usr="$root/usr"
fail() {
    echo "check-tree: $*" >&2
    exit 1
}

expected="bin/halvik
bin/halvik-cli
bin/halvik-localservice
share/applications/net.halvik.Halvik.desktop
share/bash-completion/completions/halvik-cli
share/icons/hicolor/256x256/apps/net.halvik.Halvik.png
share/icons/hicolor/scalable/apps/net.halvik.Halvik.svg
share/man/man1/halvik-cli.1.gz
share/metainfo/net.halvik.Halvik.metainfo.xml"
found=$(cd "$usr" && find . -type f | sed 's|^\./||' | grep -v '^share/doc/' | LC_ALL=C sort)
[ "$found" = "$expected" ] || fail "files differ from the expected list:
$(printf '%s\n' "$expected" | diff - /dev/stdin <<EOT || true
$found
EOT
)"
for program in halvik halvik-cli halvik-localservice; do
    [ -x "$usr/bin/$program" ] || fail "$program is not executable"
done

desktop-file-validate "$usr/share/applications/net.halvik.Halvik.desktop" ||
    fail "desktop entry does not validate"
appstreamcli validate --no-net "$usr/share/metainfo/net.halvik.Halvik.metainfo.xml" ||
    fail "metainfo does not validate"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/net.halvik.Halvik.metainfo.xml" ||
    fail "metainfo does not name version $version"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
size=$(od -An -tx1 -j16 -N8 "$usr/share/icons/hicolor/256x256/apps/net.halvik.Halvik.png" | tr -d ' \n')
[ "$size" = "0000010000000100" ] || fail "the 256 px icon is not 256 x 256 ($size)"
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/net.halvik.Halvik.svg" ||
    fail "the scalable icon is not SVG"

man=$(gzip -dc "$usr/share/man/man1/halvik-cli.1.gz")
for text in '.TH HALVIK-CLI "1"' "halvik-cli $version" 'login [\-\-remember]' 'logout \fB\-\-forget'; do
    printf '%s' "$man" | grep -qF -- "$text" || fail "man page lacks: $text"
done

bash -n "$usr/share/bash-completion/completions/halvik-cli" || fail "completion does not parse"
echo "check-tree: $usr is complete"
