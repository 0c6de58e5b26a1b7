#!/bin/sh
# debian_package.sh BUILD_DIR PACKAGE...: builds the Debian package of the
# built tree with cpack and checks its control fields (Depends must list
# each PACKAGE, the Debian libraries the library links) and that what it
# holds runs where dpkg would put it.
set -eu
build=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(find "$work" -maxdepth 1 -name '*.deb')
[ -n "$deb" ] || fail "cpack made no .deb"

[ "$(dpkg-deb -f "$deb" Package)" = "librevuziva" ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "1.5.0" ] || fail "version"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in "$@"; do
  case ", $depends," in
    *", $package "* | *", $package,"*) ;;
    *) fail "Depends lacks $package" ;;
  esac
done
case ", $depends," in
  *", librevuziva "* | *", librevuziva,"*) fail "the package depends on itself" ;;
esac

dpkg-deb -x "$deb" "$work/root"
for file in usr/lib/librevuziva.so.1 usr/include/revuziva/core/LogBase.h usr/bin/mapgen \
  usr/lib/cmake/revuziva/revuzivaConfig.cmake usr/lib/pkgconfig/revuziva.pc; do
  [ -e "$work/root/$file" ] || fail "the package lacks /$file"
done
"$work/root/usr/bin/regtool" --root "$work/store" add 'HKCU\Software\OrderDesk' Version REG_SZ 1.5 ||
  fail "the packaged regtool does not run"
echo "Debian package passed"
