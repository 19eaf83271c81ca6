#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build folder and checks what it holds
# and what it depends on: every library the program links comes from a
# package it depends on, and every codec library it opens at run time (the
# sonames named in the sources) from a package it recommends.
# Usage: debian_package_test.sh BUILD_FOLDER SOURCE_FOLDER VERSION
set -eu
build=$1
source=$2
version=$3

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack"
}
deb=$work/brisklark_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$work")"

dpkg-deb --info "$deb" >"$work/info"
dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/contents"
dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' >"$work/depends"
dpkg-deb --field "$deb" Recommends | tr ',' '\n' | sed 's/^ *//; s/ .*//' >"$work/recommends"
cat "$work/info"

[ "$(dpkg-deb --field "$deb" Package)" = brisklark ] || fail "package name"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version"
id=example.tamberlyn.Brisklark
for file in ./usr/bin/brisklark ./usr/bin/brisklark-cli ./usr/share/brisklark/brisklark-manual.html \
  ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/doc/brisklark/copyright \
  ./usr/share/icons/hicolor/16x16/apps/$id.png ./usr/share/icons/hicolor/256x256/apps/$id.png; do
  grep -qxF "$file" "$work/contents" || fail "$file is not in the package"
done
grep -v -e '^\./usr/bin/' -e '^\./usr/share/' -e '/$' "$work/contents" &&
  fail "files outside /usr/bin and /usr/share"

# The package that owns a shared library, found by its soname.
owner() {
  path=$(ldconfig -p | awk -v so="$1" '$1 == so && /x86-64|64bit/ {print $NF; exit}')
  [ -n "$path" ] || path=$(ldconfig -p | awk -v so="$1" '$1 == so {print $NF; exit}')
  [ -n "$path" ] || fail "$1 is not installed here"
  for candidate in "$path" "$(readlink -f "$path")" "/usr$path" "${path#/usr}"; do
    package=$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1) && [ -n "$package" ] &&
      echo "$package" && return
  done
  fail "no package owns $1"
}

readelf -d "$build/src/app/brisklark" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' >"$work/needed"
[ -s "$work/needed" ] || fail "readelf found no linked libraries"
# A dependency on the owner, or on a package that itself depends on it (the
# shlibs of some libraries name such a wrapper: libtag1v5 for
# libtag1v5-vanilla).
depended_on() {
  grep -qxF "$1" "$work/depends" && return
  while read -r dependency; do
    dpkg-query -W -f='${Depends}\n' "$dependency" 2>/dev/null | tr ',' '\n' |
      sed 's/^ *//; s/[ (:].*//' | grep -qxF "$1" && return
  done <"$work/depends"
  return 1
}
while read -r soname; do
  package=$(owner "$soname")
  depended_on "$package" || fail "$soname ($package) is not in Depends"
done <"$work/needed"

grep -rhoE '"lib[A-Za-z0-9_+-]+\.so\.[0-9]+"' "$source/src" | tr -d '"' | sort -u >"$work/opened"
[ -s "$work/opened" ] || fail "no run-time codec libraries found in the sources"
while read -r soname; do
  package=$(owner "$soname")
  grep -qxF "$package" "$work/recommends" || fail "$soname ($package) is not in Recommends"
  grep -qxF "$package" "$work/depends" && fail "$soname ($package) is a hard dependency"
done <"$work/opened"
echo "package: files and dependencies as expected"
