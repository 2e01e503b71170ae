#!/usr/bin/env bash
# The .deb as a newcomer's tools judge it: lintian reports no error, the
# AppStream metadata and the menu entry it names validate together, the man
# page renders without a warning; the menu entry, the metadata and the
# program carry every shipped language. Packs this build with cpack, so it costs a
# packing, not a Release build.
#   HUSHWAVE_BUILD_DIR=$PWD bash ../tests/package/package_test.sh
set -uo pipefail
build="${HUSHWAVE_BUILD_DIR:?HUSHWAVE_BUILD_DIR must point at a configured and built tree}"
tmp="$(mktemp -d /tmp/hw-package.XXXXXX)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in cpack lintian appstreamcli dpkg-deb man desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

if ! (cd "$build" && cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack could not pack the build"
    exit 1
fi
deb="$(ls "$tmp"/out/*.deb)"
echo "package: $(basename "$deb")"

# Root is the usual case in CI; lintian only warns about it.
lintian --tag-display-limit 0 --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors"

dpkg-deb -x "$deb" "$tmp/root"
share="$tmp/root/usr/share"
id=io.github.hushwave.Hushwave
[ -f "$share/metainfo/$id.metainfo.xml" ] || fail "no $id.metainfo.xml in share/metainfo"
[ -f "$share/applications/$id.desktop" ] || fail "no menu entry $id.desktop"
grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "the menu entry does not name the icon $id"
for size in 32 48 128 256; do
    [ -f "$share/icons/hicolor/${size}x$size/apps/$id.png" ] || fail "no ${size}px icon $id.png"
done
[ -L "$tmp/root/usr/bin/hushwave" ] || fail "no hushwave command"
# The metadata, its launchable menu entry and the icons, checked as a tree.
appstreamcli validate-tree --no-net "$tmp/root" || fail "appstreamcli validate-tree"

# Every language of the build: its translation beside the program, and the
# menu entry's and the metadata's texts in it. The built files validate too.
entry="$share/applications/$id.desktop"
metainfo="$share/metainfo/$id.metainfo.xml"
desktop-file-validate "$entry" || fail "desktop-file-validate on the packed menu entry"
desktop-file-validate "$build/share/applications/$id.desktop" || fail "desktop-file-validate on the built menu entry"
appstreamcli validate --no-net "$build/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate on the built metadata"
languages="$(sed -n 's/^set(HUSHWAVE_LANGUAGES \(.*\))$/\1/p' "$(dirname "$0")/../../resources/CMakeLists.txt")"
[ "$(wc -w <<<"$languages")" -ge 8 ] || fail "fewer than eight languages: '$languages'"
for language in $languages; do
    [ -s "$tmp/root/usr/lib/hushwave/translations/hushwave_$language.qm" ] ||
        fail "no translations/hushwave_$language.qm in the program folder"
    for key in Name GenericName Comment Keywords; do
        grep -q "^$key\[$language\]=." "$entry" || fail "the menu entry has no $key[$language]"
    done
    for element in summary p li keyword; do
        grep -q "<$element xml:lang=\"$language\">" "$metainfo" ||
            fail "the metadata has no $element in $language"
    done
done

page="$share/man/man1/hushwave.1.gz"
if [ -f "$page" ]; then
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "man page warnings: $warnings"
else
    fail "no man page hushwave.1.gz"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
