#!/bin/sh
# consumer_build.sh BUILD_DIR CXX: installs the built tree into a temporary
# prefix and moves the prefix elsewhere (nothing installed may depend on
# where it was put), then builds the order desk of tests/consumer against it
# as an application would, once through find_package and once through
# pkg-config, and runs it. Its exception record must name the throw in its
# own source: the unit order_desk and the line of that throw.
set -eu
build=$1
cxx=$2
consumer=$(cd "$(dirname "$0")/../consumer" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$work/staged" >"$work/install.log" || { cat "$work/install.log"; fail "install"; }
mv "$work/staged" "$work/prefix"
prefix=$work/prefix

line=$(grep -n 'the throw the record names' "$consumer/order_desk.cpp" | cut -d: -f1)
[ -n "$line" ] || fail "no marked throw in order_desk.cpp"

# expect_record LOG: the record names the class, unit, procedure and line.
expect_record() {
  record=$(tr -d '\r' <"$1")
  case $record in
    *"<CLASSNAME>Classname: std::invalid_argument</CLASSNAME>"*) ;;
    *) fail "$1 names another class: $record" ;;
  esac
  case $record in
    *"<LINE>
Unit: order_desk
Procedure: (anonymous namespace)::ParseQuantity("*"
Line No: $line</LINE>"*) ;;
    *) fail "$1 does not name order_desk.cpp line $line: $record" ;;
  esac
}

# Our headers must not warn in a program that asks for warnings.
warnings="-Wall -Wextra -Werror"

echo "== find_package(revuziva) and revuziva_add_map()"
cmake -S "$consumer" -B "$work/cmake" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$warnings" -DCMAKE_PREFIX_PATH="$prefix" >"$work/cmake.log" 2>&1 ||
  { cat "$work/cmake.log"; fail "configure against the installed package"; }
cmake --build "$work/cmake" || fail "build against the installed package"
[ -s "$work/cmake/order_desk.map" ] || fail "the installed mapgen wrote no map file"
"$work/cmake/order_desk" "$work/cmake.xml" || fail "order_desk (CMake) exited with $?"
expect_record "$work/cmake.xml"
"$work/cmake/order_desk_selftest" || fail "the selftest with the installed test doubles"

echo "== pkg-config revuziva"
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name revuziva.pc)")
export PKG_CONFIG_PATH
[ "$(pkg-config --modversion revuziva)" = "1.5.0" ] || fail "pkg-config version"
mkdir "$work/pc"
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++20 $warnings -g -o "$work/pc/order_desk" "$consumer/order_desk.cpp" $(pkg-config --cflags --libs revuziva) ||
  fail "build with pkg-config"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir revuziva) "$work/pc/order_desk" "$work/pc.xml" ||
  fail "order_desk (pkg-config) exited with $?"
expect_record "$work/pc.xml"

echo "== every installed header compiles on its own include path"
find "$prefix/include/revuziva" -name '*.h' | sort |
  sed "s|^$prefix/include/|#include <|; s|\$|>|" >"$work/every_header.cpp"
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++20 $warnings -fsyntax-only $(pkg-config --cflags revuziva) "$work/every_header.cpp" ||
  fail "an installed header does not compile"

echo "== the installed tools find the library beside them"
"$prefix/bin/regtool" --root "$work/store" add 'HKCU\Software\OrderDesk' Version REG_SZ 1.5 ||
  fail "regtool from the installed prefix"
"$prefix/bin/regtool" --root "$work/store" query 'HKCU\Software\OrderDesk' | grep -q "1.5" ||
  fail "regtool query"
echo "consumer builds passed"
