#!/usr/bin/env bash
# Installs the course the two ways a user gets it and drives the installed
# program with the end-to-end suite:
#   1. `cmake --install` into a fresh prefix: the program and its 19 movies in
#      one folder, a link in bin/, the desktop entry, icons and metadata;
#   2. the Debian package made by CPack: its contents and dependencies, and,
#      when run as root (as CI is), `dpkg -i`, a start from the desktop entry's
#      command, and `dpkg -r` leaving nothing behind.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
program=tarvik-dovadovore-fr
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

echo "-- install tree"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
app="$work/prefix/lib/$program"
[ -x "$app/$program" ] || fail "the program is not in $app"
movies=$(find "$app" -maxdepth 1 -name '*.swf' | wc -l)
[ "$movies" -eq 19 ] || fail "$movies movies installed beside the program, 19 expected"
[ -L "$work/prefix/bin/$program" ] || fail "no link in bin/"
[ "$(readlink -f "$work/prefix/bin/$program")" = "$(readlink -f "$app/$program")" ] || fail "bin/ link points elsewhere"
desktop-file-validate "$work/prefix/share/applications/$program.desktop"
metainfo="$work/prefix/share/metainfo/fr.okapelle.tarvik_dovadovore_fr.metainfo.xml"
appstreamcli validate --no-net "$metainfo"
appstreamcli validate-tree --no-net "$work/prefix"
for size in 32x32 48x48 64x64 128x128; do
  [ -f "$work/prefix/share/icons/hicolor/$size/apps/$program.png" ] || fail "no $size icon"
done
# The installed program, started through its link, with nothing else around it.
TK_E2E_PROGRAM="$work/prefix/bin/$program" "$build/tests-bin/e2e_tests" \
  --gtest_filter='-*Countdown*' --gtest_brief=1

echo "-- Debian package"
rm -f "$build"/${program}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/${program}_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib"
done
contents=$(dpkg-deb -c "$deb")
grep -q "./usr/lib/$program/$program\$" <<<"$contents" || fail "program missing from the package"
[ "$(grep -c "./usr/lib/$program/.*\.swf\$" <<<"$contents")" -eq 19 ] || fail "movies missing from the package"
grep -q "./usr/bin/$program -> " <<<"$contents" || fail "no link in /usr/bin in the package"

if [ "$(id -u)" -eq 0 ] && [ "${TK_TEST_DPKG:-1}" != 0 ]; then
  dpkg -i "$deb" >/dev/null
  command=$(sed -n 's/^Exec=//p' /usr/share/applications/$program.desktop)
  TK_E2E_PROGRAM="$(command -v "$command")" "$build/tests-bin/e2e_tests" \
    --gtest_filter='Course.SplashMenuLessonAndBackThenExit' --gtest_brief=1
  dpkg -r "$program" >/dev/null
  for path in /usr/bin/$program /usr/lib/$program /usr/share/applications/$program.desktop \
              /usr/share/metainfo/fr.okapelle.tarvik_dovadovore_fr.metainfo.xml /usr/share/icons/hicolor/32x32/apps/$program.png; do
    [ ! -e "$path" ] || fail "$path left after dpkg -r"
  done
else
  echo "(not root: the package's contents were checked, not installed)"
fi
echo "install checks passed"
