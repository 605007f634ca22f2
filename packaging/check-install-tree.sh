#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and checks what a desktop will find there: both
# programs, the icons, and the menu entry and AppStream metadata, which also go through the
# freedesktop validators.
#   check-install-tree.sh <build-dir> <application-id> <version>
set -euo pipefail
build_dir=$1 app_id=$2 version=$3

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build_dir" --prefix /usr >/dev/null
usr=$root/usr

status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

for program in corvale corvale-feed; do
    [ -x "$usr/bin/$program" ] || fail "bin/$program is not installed"
done
desktop=$usr/share/applications/$app_id.desktop
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
for file in "$desktop" "$metainfo" \
    "$usr/share/icons/hicolor/256x256/apps/$app_id.png" \
    "$usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "$usr/share/man/man1/corvale.1.gz" "$usr/share/doc/corvale/copyright"; do
    [ -f "$file" ] || fail "${file#"$root"/} is not installed"
done
[ $status -eq 0 ] || exit $status

for tool in desktop-file-validate appstreamcli; do
    command -v $tool >/dev/null ||
        { echo "FAIL: $tool not found (Debian: desktop-file-utils, appstream)" >&2; exit 1; }
done
desktop-file-validate "$desktop" || fail "desktop-file-validate"
# Besides the metadata itself, this checks that its launchable names an installed desktop entry.
appstreamcli validate-tree --no-net "$usr" || fail "appstreamcli validate-tree"

grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the installed icon"
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the metadata has no release entry for version $version"
gzip -dc "$usr/share/doc/corvale/changelog.gz" | sed -n 1p | grep -qF "corvale ($version)" ||
    fail "the changelog does not start with version $version"
exit $status
