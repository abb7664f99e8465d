#!/usr/bin/env bash
# The Debian package as Debian's tools judge it: lintian reports nothing but the information tags that
# lintian-expected explains; every installed program is hardened (hardening-check) and answers --help and
# --version; every program in /usr/bin has a manual page that man renders without a warning; and the package's
# README speaks of what a package user has.
#   DebianChecks.sh DEB LINTIAN_EXPECTED
set -euo pipefail
deb="$1" expected="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "scripts/package made no $deb"

lintian --allow-root --display-info --fail-on none "$deb" > "$work/lintian"
cat "$work/lintian"
unexpected="$(grep -vxF -f <(grep -v '^#' "$expected" | grep .) "$work/lintian" || true)"
[ -z "$unexpected" ] || fail "lintian reports what $(basename "$expected") does not explain:"$'\n'"$unexpected"

root="$work/root"
dpkg-deb -x "$deb" "$root"
programs=("$root"/usr/bin/* "$root"/usr/libexec/stratolux/stratolux-reader)
# Debian 12's C start files (crt1.o, crti.o) carry no control-flow protection marks, so no program linked
# there can carry them.
hardening-check --quiet --nocfprotection "${programs[@]}" || fail "a program lacks Debian's hardening"

version="$(dpkg-deb -f "$deb" Version)"
for program in "${programs[@]}"; do
  name="$(basename "$program")"
  printed="$("$program" --version)" || fail "$name --version ended with status $?"
  [ "$printed" = "$name $version" ] || fail "$name --version printed \"$printed\""
  printed="$("$program" --help)" || fail "$name --help ended with status $?"
  [[ "$printed" == Usage:* ]] || fail "$name --help printed no usage: $printed"
done

for program in "$root"/usr/bin/*; do
  name="$(basename "$program")"
  page="$root/usr/share/man/man1/$name.1.gz"
  [ -f "$page" ] || fail "no manual page for $name"
  text="$(LC_ALL=C MANWIDTH=100 man --warnings -l "$page" 2>"$work/warnings")" || fail "man cannot render $name.1"
  [ ! -s "$work/warnings" ] || fail "man warns about $name.1: $(cat "$work/warnings")"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do
    grep -qx "$section" <<<"$text" || fail "$name.1 has no $section section"
  done
done
# The program's page tells a station administrator where everything is and how to run the service.
text="$(LC_ALL=C MANWIDTH=100 man -l "$root/usr/share/man/man1/stratolux.1.gz")"
for told in SIGNALS ENVIRONMENT FILES INSTANCE.conf INSTANCE-process.log INSTANCE.lock 'systemctl --user enable'; do
  grep -qF "$told" <<<"$text" || fail "stratolux.1 does not tell of $told"
done

guide="$root/usr/share/doc/stratolux/README.md"
! grep -nE '(^|[^.[:alnum:]])(scripts|build)/' "$guide" || fail "the package's README speaks of the repository"
grep -qF '`SourcePath`' "$guide" || fail "the package's README lists no settings"
echo "lintian, hardening-check, --help, --version, the manual pages and the README are as a package user needs."
