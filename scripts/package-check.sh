#!/usr/bin/env bash
# Builds the Debian package from the build folder given (default: build),
# checks it with lintian (no errors) and appstreamcli, installs it, and checks
# that the installed programs start and work: marrowick-cli identifies
# marrowick-sim on a pseudo-terminal, and the window starts on a simulated
# controller; the manual pages render without complaint, the command line's
# page covers every command, and bash completes its commands and options. The
# package is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! sudo -n true 2>/dev/null; then
    echo "package check skipped: installing a package needs root or sudo"
    exit 0
  fi
  sudo="sudo -n"
fi

rm -f "$dir"/marrowick_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
package=$(ls "$dir"/marrowick_*.deb)
echo "package: $package"
fail() { echo "package check failed: $*" >&2; exit 1; }

# Debian's rules for a package; warnings are shown and allowed, errors are not.
lintian --fail-on error "$package" ||
  fail "lintian found errors in $package"

# The versions the package, its changelog and its description for software
# centres give are the same.
version=$(dpkg-deb -f "$package" Version)
[ "$(dpkg-parsechangelog -l packaging/changelog -S Version)" = "$version" ] ||
  fail "packaging/changelog does not begin with version $version"
metainfo=packaging/invalid.example.marrowick.metainfo.xml
grep -q "<release version=\"$version\"" "$metainfo" || fail "$metainfo names no release $version"
# Its screenshots are the README's pictures.
for shot in $(grep -o 'docs/[^<]*\.png' "$metainfo"); do
  [ -f "$shot" ] || fail "$metainfo shows $shot, which is not in docs/"
done

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "./$package" >/dev/null

work=$(mktemp -d)
sim=""
window=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  [ -n "$window" ] && kill "$window" 2>/dev/null || true
  rm -rf "$work"
  $sudo dpkg -r marrowick >/dev/null || true
}
trap cleanup EXIT

for program in marrowick marrowick-cli marrowick-sim; do
  [ "$(command -v $program)" = "/usr/bin/$program" ] || fail "$program is not installed in /usr/bin"
done
[ -f /usr/share/applications/invalid.example.marrowick.desktop ] || fail "the desktop entry is missing"
[ -f /usr/share/icons/hicolor/256x256/apps/marrowick.png ] || fail "the icon is missing"
appstreamcli validate --no-net /usr/share/metainfo/invalid.example.marrowick.metainfo.xml >"$work/appstream.out" 2>&1 ||
  { cat "$work/appstream.out" >&2; fail "appstreamcli finds the installed description invalid"; }

# Every manual page renders, and man (with groff's warnings on) has nothing to
# say about it; the command line's page names every command.
for program in marrowick marrowick-cli marrowick-sim; do
  page=/usr/share/man/man1/$program.1.gz
  [ -f "$page" ] || fail "the manual page of $program is missing"
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/$program.txt" 2>"$work/man.err" ||
    fail "man cannot show $page"
  [ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man complains about $page"; }
  grep -q -- "--help" "$work/$program.txt" || fail "the manual page of $program tells no options"
done
for command in $(marrowick-cli --help | awk '/^  [a-z]/ { print $1 }'); do
  grep -q "marrowick-cli $command " "$work/marrowick-cli.txt" || fail "the manual page of marrowick-cli lacks $command"
done

# Shell completion: bash offers the commands, a command's options and their
# values as the program gives them; zsh's script at least reads.
completion=/usr/share/bash-completion/completions/marrowick-cli
[ -f "$completion" ] || fail "the bash completion is missing"
[ -f /usr/share/zsh/vendor-completions/_marrowick-cli ] || fail "the zsh completion is missing"
# (No grep -q after a pipe here: it may stop reading before the writer is done,
# and under pipefail the writer's broken pipe would fail the check.)
complete_words() {
  bash -c '. /usr/share/bash-completion/bash_completion && . "$0"
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _marrowick_cli; printf "%s\n" "${COMPREPLY[@]}"' "$completion" "$@"
}
[ "$(complete_words marrowick-cli "" | grep -v -- --help)" = "$(marrowick-cli --help | awk '/^  [a-z]/ { print $1 }')" ] ||
  fail "bash does not complete the commands marrowick-cli --help lists"
complete_words marrowick-cli flash --q | grep -x -- --quiet >/dev/null || fail "bash does not complete flash --quiet"
complete_words marrowick-cli flash --version 1.0 | grep -x 1.07 >/dev/null || fail "bash does not complete firmware versions"
if command -v zsh >/dev/null; then
  zsh -n /usr/share/zsh/vendor-completions/_marrowick-cli || fail "zsh cannot read its completion"
fi
marrowick --help | grep -- "--simulate" >/dev/null || fail "marrowick --help"
[ "$(marrowick-cli images | wc -l)" -eq 17 ] || fail "marrowick-cli images does not list 17 firmware images"

# The installed command line against the installed simulator.
marrowick-sim --model R2 --link "$work/port" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/port" ] && break; sleep 0.1; done
identified=$(marrowick-cli identify --port "$work/port") || fail "marrowick-cli identify: $identified"
echo "$identified" | grep "Model: R2" >/dev/null || fail "marrowick-cli identify printed: $identified"
echo "installed marrowick-cli: $(echo "$identified" | tr '\n' ' ')"

# The installed window on a simulated controller, with settings in a fresh place.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen MARROWICK_REPORT_IDENTIFIED=1 \
  marrowick --simulate K5 >"$work/window.out" 2>&1 &
window=$!
for _ in $(seq 200); do
  grep -qs "identified" "$work/window.out" && break
  kill -0 "$window" 2>/dev/null || break
  sleep 0.1
done
grep -q "^identified: " "$work/window.out" || { cat "$work/window.out" >&2; fail "the installed window did not identify the simulated K5"; }
echo "installed marrowick: $(grep '^identified: ' "$work/window.out")"
echo "package check passed"
