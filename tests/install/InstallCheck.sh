#!/usr/bin/env bash
# Installs the build tree into a temporary DESTDIR and checks what a desktop and a
# mailer host get: every file in its place, the menu entry and the AppStream entry
# valid, icons of the sizes their folders name, manual pages that render without
# warnings and list every option of tarvix-report (as its bash completion does), the
# versions, and an installed tarvix-report that reads the language file of its own
# installation (not the source tree's).
#   InstallCheck.sh BUILD_DIR SOURCE_DIR PREFIX VERSION
set -euo pipefail
build=$1 source=$2 prefix=$3 version=$4
dest=$build/install-check
rm -rf "$dest"
DESTDIR=$dest cmake --install "$build" >/dev/null
root=$dest$prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

id=org.kembrot.tarvix
for f in bin/tarvix bin/tarvix-report share/tarvix/QZ_Eng.lng share/tarvix/QZ_Rus.lng \
         share/tarvix/help/index.html share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/tarvix.1.gz share/man/man1/tarvix-report.1.gz \
         share/bash-completion/completions/tarvix-report; do
  [ -s "$root/$f" ] || fail "$f is not installed"
done
for b in tarvix tarvix-report; do
  [ -x "$root/bin/$b" ] || fail "bin/$b is not executable"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done

# The menu entry and the software centre's entry, and that they name what is installed.
desktop=$root/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate $id.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo's launchable is not $id.desktop"
grep -q "<release version=\"$version\"" "$root/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo has no release $version"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/bin/$exe" ] || fail "the desktop entry runs $exe, which is not installed"
grep -qx 'MimeType=text/plain;text/x-log;' "$desktop" || fail "the desktop entry's MIME types"

# The versions.
[ "$("$root/bin/tarvix-report" --version)" = "tarvix-report $version" ] || fail "tarvix-report --version"
[ "$("$root/bin/tarvix" --version)" = "tarvix $version" ] || fail "tarvix --version"

# The manual pages render without a warning; every option of tarvix-report is in its
# page and in its completion.
for page in tarvix tarvix-report; do
  out=$(MANWIDTH=80 man --warnings -l "$root/share/man/man1/$page.1.gz" 2>&1 >/dev/null) ||
    fail "man $page.1 fails"
  [ -z "$out" ] || fail "man $page.1 warns: $out"
done
man_text=$(MANWIDTH=200 man -l "$root/share/man/man1/tarvix-report.1.gz" 2>/dev/null)
options=$("$root/bin/tarvix-report" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || fail "tarvix-report --help lists no option"
for opt in $options; do
  grep -qF -- "$opt" <<<"$man_text" || fail "tarvix-report(1) lacks $opt"
  grep -qE -- "(^|[ '])$opt([ ']|$)" "$root/share/bash-completion/completions/tarvix-report" ||
    fail "the bash completion lacks $opt"
done

# The completion completes, as bash-completion loads it: an option, and a value of it.
complete_line() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _tarvix_report; echo "${COMPREPLY[*]}"' _ "$root/share/bash-completion/completions/tarvix-report" "$@"
}
[ "$(complete_line tarvix-report --form)" = "--format" ] || fail "the completion of --form"
[ "$(complete_line tarvix-report --what se)" = "sessions" ] || fail "the completion of --what se"

# The installed tarvix-report reads the language file of its installation: a text of
# it changed there shows in the report.
sed -i 's/^Sess.Human=Human caller$/Sess.Human=Human caller of the installed file/' "$root/share/tarvix/QZ_Eng.lng"
report=$(cd "$source/samples/tmail" && "$root/bin/tarvix-report" --style tmail --mailer-dir . \
         --set TaskNo=1 --set TMVersion=2604 --what sessions --format csv t-mail.log 2>/dev/null) ||
  fail "the installed tarvix-report fails on samples/tmail"
grep -q 'Human caller of the installed file' <<<"$report" ||
  fail "the installed tarvix-report does not read share/tarvix/QZ_Eng.lng"

[ "$failures" -eq 0 ] || exit 1
rm -rf "$dest"
echo "install check passed"
