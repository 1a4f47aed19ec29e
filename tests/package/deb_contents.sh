#!/usr/bin/env bash
# What the Debian package holds and says about itself: exactly the program, its two images, the launcher,
# the manual page, the menu entry and its icon, the copyright file and the changelog, owned by root, the
# program and the launcher executable; the control fields name the package, version and section, and the
# dependencies hold both the libraries found by dpkg-shlibdeps and those the program loads at run time;
# the menu entry starts the launcher and shows the installed icon.
#
#   deb_contents.sh <package.deb> <package name> <version>
set -uo pipefail
source "$(dirname "$0")/package_test.sh"

package_arguments 3 "<package.deb> <package name> <version>" "$@"
deb="$1" name="$2" version="$3"

expected="$(sort <<EOF_LIST
./usr/bin/$name
./usr/lib/$name/viewer
./usr/share/$name/bump.bmp
./usr/share/$name/tex_fur.png
./usr/share/applications/$name.desktop
./usr/share/icons/hicolor/256x256/apps/$name.png
./usr/share/man/man1/$name.1.gz
./usr/share/doc/$name/copyright
./usr/share/doc/$name/changelog.gz
EOF_LIST
)"
listing="$(dpkg-deb -c "$deb")" || fail "dpkg-deb cannot read $deb"
files="$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)"
if [ "$files" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$files") >&2
    fail "the package's files differ from the expected list (< expected, > found)"
fi
owners="$(awk '{ print $2 }' <<<"$listing" | sort -u)"
[ "$owners" = root/root ] || fail "files owned by $owners, expected root/root only"
for program in "./usr/bin/$name" "./usr/lib/$name/viewer"; do
    grep -qE "^-rwxr-xr-x .* $program\$" <<<"$listing" || fail "$program is not mode 755"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "$name" ] || fail "Package: $(field Package), expected $name"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture), expected amd64"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section), expected graphics"
depends="$(field Depends)"
names="$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")"
for dependency in libsdl2-2.0-0 libepoxy0 libfreetype6 libfontconfig1 libstdc++6 libgl1 fonts-liberation; do
    grep -qxF "$dependency" <<<"$names" || fail "Depends lacks $dependency: $depends"
done

work="$(mktemp -d "${TMPDIR:-/tmp}/viewer-deb-contents.XXXXXX")"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || fail "dpkg-deb could not unpack $deb"
entry="$work/usr/share/applications/$name.desktop"
grep -qx "Exec=$name" "$entry" || fail "the menu entry does not start $name: $(grep ^Exec= "$entry")"
grep -qx "Icon=$name" "$entry" || fail "the menu entry does not show the icon $name: $(grep ^Icon= "$entry")"
echo "$deb: $(wc -l <<<"$files") files as expected; Depends: $depends"
