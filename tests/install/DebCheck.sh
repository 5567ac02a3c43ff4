#!/usr/bin/env bash
# Packs the build tree with cpack -G DEB and checks the package: its library
# dependencies found by dpkg-shlibdeps, and the programs, data, menu entry, icon,
# manual pages and completion in it under the installation prefix.
#   DebCheck.sh BUILD_DIR PREFIX VERSION
set -euo pipefail
build=$1 prefix=$2 version=$3
out=$build/deb-check
rm -rf "$out"
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out.log" 2>&1 || { cat "$out.log" >&2; exit 1; }
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

debs=("$out"/tarvix_"$version"-*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no tarvix_$version-*.deb made" >&2; exit 1; }
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tarvix ] || fail "the package is not named tarvix"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
p=.$prefix
for f in bin/tarvix bin/tarvix-report share/tarvix/QZ_Eng.lng share/tarvix/QZ_Rus.lng share/tarvix/help/index.html \
         share/applications/org.kembrot.tarvix.desktop share/metainfo/org.kembrot.tarvix.metainfo.xml \
         share/icons/hicolor/256x256/apps/org.kembrot.tarvix.png share/man/man1/tarvix-report.1.gz \
         share/man/man1/tarvix.1.gz share/bash-completion/completions/tarvix-report; do
  grep -qx "$p/$f" <<<"$contents" || fail "the package lacks $p/$f"
done
while read -r f; do
  # Only the prefix and the folders above it.
  [[ $f == "$p"/* || "$p/" == "$f"* ]] || fail "the package has $f, outside $prefix"
done <<<"$contents"

[ "$failures" -eq 0 ] || exit 1
rm -rf "$out" "$out.log"
echo "package check passed"
