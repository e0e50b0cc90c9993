#!/usr/bin/env bash
# The Windows build, cross-built on Debian with MinGW-w64 and tested under Wine.
#
# Core (always): the core, its unit and conversation tests and the fuzz-corpus
# replays, built without Qt (build-win-core) and run under Wine with no display.
#
# Whole program (when the Qt 6 for MinGW archive is at ../shared/qt6-mingw/
# beside the repository, or at MARROWICK_QT_MINGW): marrowick.exe,
# marrowick-cli.exe and the window tests (build-win-qt), the window tests run
# under Wine offscreen; then the installer marrowick-VERSION-win64.exe is built,
# installed silently into a fresh Wine prefix, its marrowick-cli.exe and its
# window on a simulated R2 (under Xvfb, screenshot in build-win-qt/windows-R2.png)
# are tried, and it is uninstalled again.
#
# Installs the Debian packages it needs. Exits non-zero on any failure.
# MARROWICK_BUILD_LOCK=FILE holds that lock (flock) around each build and test run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."
root=$PWD
qt_archive=${MARROWICK_QT_MINGW:-$(cd "$root/.." && pwd)/shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz}
jobs=${MARROWICK_JOBS:-2}

"$here/install-deps.sh" cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64 mingw-w64-x86-64-dev \
  wine64 wine fonts-wine googletest nsis qt6-base-dev qt6-base-dev-tools xvfb xauth imagemagick >/dev/null

# The seconds spent waiting for that lock are added up, to be left out of the timings.
waits=$(mktemp)
trap 'rm -f "$waits"' EXIT
locked() {
  if [ -z "${MARROWICK_BUILD_LOCK:-}" ]; then "$@"; return; fi
  # -o: the programs started (a Wine server among them) do not hold the lock.
  flock -o "$MARROWICK_BUILD_LOCK" bash -c 'echo $(($(date +%s) - $1)) >>"$0"; shift; exec "$@"' \
    "$waits" "$(date +%s)" "$@"
}
waited() { awk '{ s += $1 } END { print s + 0 }' "$waits"; }
took() {
  local seconds=$((SECONDS - $1 - $(waited) + $2))
  printf '%dm%02ds' $((seconds / 60)) $((seconds % 60))
  [ -z "${MARROWICK_BUILD_LOCK:-}" ] || printf ' (and %ds waiting for the build lock)' $(($(waited) - $2))
}
fail() { echo "Windows check failed: $*" >&2; exit 1; }

# Wine, quiet and without a display unless a step asks for one. Each build
# folder has its own prefix; its server stays up between the many test
# processes and is stopped at the end.
export WINEDEBUG=-all WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
prefixes=()
stop_wine() {
  for prefix in "${prefixes[@]}"; do WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; done
}
sim_pid=
stop_sim() {
  [ -z "$sim_pid" ] && return 0
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}
trap 'stop_sim; stop_wine; rm -f "$waits"' EXIT
wine_prefix() {
  export WINEPREFIX=$1
  prefixes+=("$1")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # No Mono or Gecko: nothing here needs them, and they would be downloaded.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >"$WINEPREFIX-boot.log" 2>&1 ||
      { cat "$WINEPREFIX-boot.log"; fail "wineboot could not make $WINEPREFIX"; }
    wineserver -w
  fi
  # Its output goes to a file: the server opens the COM port's pseudo-terminal
  # below without O_NOCTTY, so when marrowick-sim stops it gets a SIGHUP, which
  # makes it print a dump of all its objects.
  wineserver -p >"$WINEPREFIX-server.log" 2>&1
  # Wine's own services (explorer, winedevice, ...) start with the first
  # program and keep its output open while the server lives: started here, they
  # do not hold open the pipe through which CTest reads a test's output.
  wine cmd /c ver >/dev/null 2>&1
}
# A Windows path for a folder here (drive Z: is the root of this machine).
winpath() { echo "Z:$1" | tr / '\\'; }
# libmpg123 and libsndfile, which read the clips' headers, as DLLs built from
# Debian's sources (once; later runs find them there).
audio_libs=$root/build-win-audio
locked "$here/mingw-audio-libs.sh" "$audio_libs" "$jobs" >/dev/null || fail "building libmpg123 and libsndfile for Windows"
mingw_runtime="$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix);$(winpath /usr/x86_64-w64-mingw32/lib);$(winpath "$audio_libs/bin")"

# --- Core ---------------------------------------------------------------------
started=$SECONDS
waited_before=$(waited)
core=build-win-core
mkdir -p $core
locked cmake -G Ninja -S . -B $core -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMARROWICK_WITH_QT=OFF -DMARROWICK_BUILD_BENCH=OFF -DMARROWICK_AUDIO_LIBS="$audio_libs" \
  -DMARROWICK_GTEST_SOURCE=/usr/src/googletest >$core/configure.log 2>&1 ||
  { cat $core/configure.log; fail "configuring the core"; }
locked cmake --build $core -j"$jobs" >$core/build.log 2>&1 || { tail -n 40 $core/build.log; fail "building the core"; }
wine_prefix "$root/$core/wine"
export WINEPATH=$mingw_runtime
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 2 -name Temp -type d | head -n 1)
[ -n "$temp" ] || fail "no temporary folder in $WINEPREFIX"
rm -rf "$temp"/marrowick-*
# A test that fails is run once more before the run counts as failed: now and
# then Wine does not start a test program at all (it "fails" in 0.00 s with no
# output, and passes when run again). Every test still has to pass under Wine,
# and on Linux each runs once.
(cd $core && locked ctest -j"$jobs" --repeat until-pass:2 --output-on-failure) >$core/test.log 2>&1 ||
  { grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' $core/test.log | tail -n 80; fail "core tests under Wine"; }
grep -E '^[0-9]+% tests passed' $core/test.log
# Every test and fuzz replay removes its temporary folders again.
left=$(find "$temp" -maxdepth 1 -name 'marrowick-*')
[ -z "$left" ] || fail "the tests left folders in Wine's temporary folder: $left"
echo "Windows core: built and tested under Wine in $(took $started $waited_before)"

# --- Whole program --------------------------------------------------------------
if [ ! -f "$qt_archive" ]; then
  echo "Windows program and installer NOT checked: no Qt for MinGW at $qt_archive (only the core was)"
  exit 0
fi
started=$SECONDS
waited_before=$(waited)
qt=build-win-qt
mkdir -p $qt
if [ ! -d $qt/qt6-mingw ] || [ "$qt_archive" -nt $qt/qt6-mingw ]; then
  rm -rf $qt/qt6-mingw
  tar -C $qt -xJf "$qt_archive"
  touch $qt/qt6-mingw
fi
locked cmake -G Ninja -S . -B $qt -DCMAKE_TOOLCHAIN_FILE="$root/$qt/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DMARROWICK_BUILD_BENCH=OFF -DMARROWICK_AUDIO_LIBS="$audio_libs" -DMARROWICK_GTEST_SOURCE=/usr/src/googletest \
  >$qt/configure.log 2>&1 ||
  { cat $qt/configure.log; fail "configuring with Qt"; }
# The core's tests ran above; here the programs and the window tests.
locked cmake --build $qt -j"$jobs" --target marrowick marrowick-cli marrowick_gui_tests >$qt/build.log 2>&1 ||
  { tail -n 40 $qt/build.log; fail "building the programs"; }
wine_prefix "$root/$qt/wine"
export WINEPATH="$mingw_runtime;$(winpath "$root/$qt/qt6-mingw/bin")"
(cd $qt && locked ctest -j"$jobs" -L gui --repeat until-pass:2 --output-on-failure) >$qt/test.log 2>&1 ||
  { grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' $qt/test.log | tail -n 80; fail "window tests under Wine"; }
grep -E '^[0-9]+% tests passed' $qt/test.log
wine $qt/marrowick-cli.exe --help | tr -d '\r' | sed -n 's/^  \([a-z-]*\).*/\1/p' >$qt/commands.txt
[ "$(wc -l <$qt/commands.txt)" -ge 9 ] && LC_ALL=C sort -c $qt/commands.txt || fail "marrowick-cli.exe --help: $(cat $qt/commands.txt)"

# The command line end to end on the controller simulated inside it (a COM port
# does not work under Wine, see the README): identified, its shows read into
# folders whose names are not ASCII, listed from there and written back. Wine
# takes the arguments and the file names in the locale's encoding: UTF-8.
e2e_started=$SECONDS
e2e="$root/$qt/e2e"
rm -rf "$e2e"
mkdir -p "$e2e"
# Its stdout; stderr (progress lines, messages) goes to a file, shown on failure.
cli() { LC_ALL=C.UTF-8 wine $qt/marrowick-cli.exe "$@" 2>"$e2e/stderr" | tr -d '\r'; }
cli_fail() { fail "marrowick-cli.exe $1 said: $said$(printf '\nand on stderr: ')$(tr -d '\r' <"$e2e/stderr")"; }
said=$(cli identify --simulate R2) || cli_fail identify
[ "$said" = "$(printf 'Firmware Version: 1.05       Model: R2\nSerial Number: 1A2B3C4D')" ] || cli_fail identify
project="$e2e/Geisterbahn Süd/幽霊"
said=$(cli read-shows --simulate R2 --project "$(winpath "$project")") || cli_fail read-shows
echo "$said" | grep -qxF 'cfg Saved as: \幽霊\000.CFG' || cli_fail read-shows
sizes=$(cd "$project" 2>/dev/null && stat -c '%n %s' 000.CFG 00?.R2S | tr '\n' ' ') || true
[ "$sizes" = "000.CFG 304 000.R2S 300 001.R2S 5000 002.R2S 0 003.R2S 2048 " ] ||
  fail "read-shows --simulate R2 saved: ${sizes:-nothing} in $project"
said=$(cli show-table --project "$(winpath "$project")" --model R2) || cli_fail show-table
echo "$said" | grep -qF "$(printf 'Show 1\t4396\t5000\t2\t51\t1\t2\t17')" || cli_fail show-table
# Show 1 changed by a byte before the write; --dump leaves what the simulated
# controller then holds, which must be the project's shows.
printf '\132' | dd of="$project/001.R2S" bs=1 seek=100 conv=notrunc status=none
dump="$e2e/Speicher Süd"
said=$(cli write-shows --simulate R2 --project "$(winpath "$project")" --dump "$(winpath "$dump/shows")") ||
  cli_fail write-shows
echo "$said" | grep -qx 'Download Complete' || cli_fail write-shows
for show in 0 1 2 3; do
  cmp -s "$project/00$show.R2S" "$dump/shows/show-00$show.bin" ||
    fail "write-shows --simulate R2: the controller holds another show $show than $project/00$show.R2S"
done
# The library: sent to the controller from clips whose names are not ASCII, it
# must hold exactly the 000.LIB that save-library writes from them.
clips="$e2e/Klänge"
mkdir -p "$clips"
head -c 1500 /dev/urandom >"$clips/幽霊.wav"
head -c 5000 /dev/urandom >"$clips/Tür.mp3"
said=$(cli send-clips --simulate R2 --dump "$(winpath "$dump/library")" "$(winpath "$clips/幽霊.wav")" \
  "$(winpath "$clips/Tür.mp3")") || cli_fail send-clips
echo "$said" | grep -qx 'Audio Library Transmission Complete' || cli_fail send-clips
said=$(cli save-library --model R2 --project "$(winpath "$project")" "$(winpath "$clips/幽霊.wav")" \
  "$(winpath "$clips/Tür.mp3")") || cli_fail save-library
cmp -s "$project/000.LIB" "$dump/library/library.bin" ||
  fail "send-clips --simulate R2: the controller holds another library than save-library's $project/000.LIB"
# Firmware: the smallest image (T7 1.00, 756 records, about 20 seconds on the
# line); the controller must hold every record of the image as exported.
said=$(cli flash --simulate T7 --version 1.00 --dump "$(winpath "$dump/firmware")") || cli_fail flash
[ "$said" = "Firmware image 105 sent: 756 records" ] || cli_fail flash
said=$(cli images --export "$(winpath "$e2e/images")") || cli_fail images
tr -d '\r' <"$e2e/images/105.hex" | grep '^:' | cmp -s - "$dump/firmware/firmware.txt" ||
  fail "flash --simulate T7: the controller holds other records than image 105"
grep -qx 'firmware_complete 1' "$dump/firmware/summary.txt" || fail "flash --simulate T7: the image did not end"
echo "marrowick-cli.exe --simulate: identified, shows read into \"${project#"$e2e/"}\", listed and written back," \
  "clips sent, firmware flashed, all as stored, in $((SECONDS - e2e_started))s"

# The same commands through a Wine COM port: \\.\COM5 is mapped (a link in
# the prefix's dosdevices and a value under HKLM\Software\Wine\Ports) to the
# pseudo-terminal of marrowick-sim, the Linux simulator, built here for this.
# What the simulator stored (its --dump when stopped) is compared as above.
com_started=$SECONDS
sim_build=build-win-sim
locked cmake -G Ninja -S . -B $sim_build -DCMAKE_BUILD_TYPE=Release -DMARROWICK_WITH_QT=OFF \
  -DMARROWICK_BUILD_TESTS=OFF -DMARROWICK_BUILD_BENCH=OFF >$qt/sim-configure.log 2>&1 &&
  locked cmake --build $sim_build --target marrowick-sim >$qt/sim-build.log 2>&1 ||
  { tail -n 40 $qt/sim-configure.log $qt/sim-build.log; fail "building marrowick-sim"; }
com="$e2e/com"
mkdir -p "$com"
tty_link="$com/tty"
ln -sfn "$tty_link" "$WINEPREFIX/dosdevices/com5"
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$tty_link" /f >/dev/null 2>&1 || fail "mapping COM5"
port='\\.\COM5'
# start_sim NAME ARGS...: a simulator on the link, dumping into $com/NAME when stopped.
start_sim() {
  rm -f "$tty_link"
  $sim_build/marrowick-sim --link "$tty_link" --dump "$com/$1" "${@:2}" >"$com/$1.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do [ -L "$tty_link" ] && return 0; sleep 0.1; done
  cat "$com/$1.out"; fail "marrowick-sim did not start"
}
start_sim shows --model R2
said=$(cli identify --port "$port") || cli_fail "identify --port $port"
[ "$said" = "$(printf 'Firmware Version: 1.05       Model: R2\nSerial Number: 1A2B3C4D')" ] ||
  cli_fail "identify --port $port"
com_project="$com/Geisterbahn Süd"
said=$(cli read-shows --port "$port" --project "$(winpath "$com_project")") || cli_fail "read-shows --port $port"
cmp -s "$com_project/003.R2S" "$project/003.R2S" || fail "read-shows --port $port: show 3 differs from --simulate's"
printf '\132' | dd of="$com_project/001.R2S" bs=1 seek=200 conv=notrunc status=none
said=$(cli write-shows --port "$port" --project "$(winpath "$com_project")") || cli_fail "write-shows --port $port"
said=$(cli send-clips --port "$port" "$(winpath "$clips/幽霊.wav")" "$(winpath "$clips/Tür.mp3")") ||
  cli_fail "send-clips --port $port"
stop_sim
for show in 0 1 2 3; do
  cmp -s "$com_project/00$show.R2S" "$com/shows/show-00$show.bin" ||
    fail "write-shows --port $port: the controller holds another show $show than $com_project/00$show.R2S"
done
cmp -s "$project/000.LIB" "$com/shows/library.bin" ||
  fail "send-clips --port $port: the controller holds another library than $project/000.LIB"
start_sim firmware --model T7 --version 1.00
said=$(cli flash --port "$port" --version 1.00) || cli_fail "flash --port $port"
stop_sim
tr -d '\r' <"$e2e/images/105.hex" | grep '^:' | cmp -s - "$com/firmware/firmware.txt" ||
  fail "flash --port $port: the controller holds other records than image 105"
echo "marrowick-cli.exe --port $port (a Wine COM port on marrowick-sim's pseudo-terminal): identified, shows" \
  "read and written back, clips sent, firmware flashed, all as stored, in $((SECONDS - com_started))s"

# The installer, into a prefix of its own with nothing on WINEPATH, so the
# installed programs find every DLL and plugin they need beside them.
rm -f $qt/marrowick-*-win64.exe
(cd $qt && locked cpack -G NSIS >cpack.log 2>&1) || { cat $qt/cpack.log; fail "cpack -G NSIS"; }
installer=$(ls $qt/marrowick-*-win64.exe)
echo "installer: $installer ($(du -h "$installer" | cut -f1))"
rm -rf $qt/wine-installed
wine_prefix "$root/$qt/wine-installed"
unset WINEPATH
wine "$installer" /S
installed="$WINEPREFIX/drive_c/Program Files/Marrowick Interface Utility"
for file in bin/marrowick.exe bin/marrowick-cli.exe bin/Qt6Core.dll bin/platforms/qwindows.dll bin/libstdc++-6.dll \
            bin/libmpg123-0.dll bin/libsndfile.dll Uninstall.exe; do
  [ -f "$installed/$file" ] || fail "the installer did not install $file"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Marrowick Interface Utility"
[ -f "$menu/Marrowick Interface Utility.lnk" ] || fail "the installer made no Start-menu entry"
images=$(wine "C:\\Program Files\\Marrowick Interface Utility\\bin\\marrowick-cli.exe" images | tr -d '\r')
[ "$(echo "$images" | wc -l)" -eq 17 ] && echo "$images" | head -n 1 | grep -q '^101  K5  1.02' ||
  fail "installed marrowick-cli.exe images printed: $images"
echo "installed marrowick-cli.exe images: 17 firmware images"

# The installed window on a simulated R2, in a Wine desktop on Xvfb, with the
# fonts Wine ships so that it looks as on Windows.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wineserver -k
cat >$qt/window.sh <<'EOF'
#!/usr/bin/env bash
# Runs under xvfb-run: starts the window, waits until it reports the identification, takes a screenshot.
MARROWICK_REPORT_IDENTIFIED=1 wine explorer /desktop=marrowick,960x600 \
  "C:\\Program Files\\Marrowick Interface Utility\\bin\\marrowick.exe" --simulate R2 >"$1/window.out" 2>&1 &
window=$!
for _ in $(seq 300); do
  grep -q identified "$1/window.out" && break
  sleep 0.1
done
sleep 2 # the status bar paints after the line is printed
import -window root "$1/windows-R2.png"
# A second start finds this copy (run by the same user), hands over to it and ends.
timeout 60 wine "C:\\Program Files\\Marrowick Interface Utility\\bin\\marrowick.exe" >"$1/second.out" 2>&1
echo "second start ended: $?" >>"$1/second.out"
kill $window
wineserver -k
EOF
chmod +x $qt/window.sh
xvfb-run -a -s "-screen 0 960x600x24" $qt/window.sh "$root/$qt" 2>/dev/null || true
grep -q "^identified: .*Model: R2" $qt/window.out ||
  { cat $qt/window.out; fail "the installed window did not identify the simulated R2"; }
echo "installed marrowick.exe: $(grep '^identified: ' $qt/window.out | tr -s ' '), screenshot $qt/windows-R2.png"
[ "$(tr -d '\r' <$qt/second.out)" = "second start ended: 0" ] ||
  { cat $qt/second.out; fail "a second marrowick.exe did not hand over to the running one"; }
echo "a second marrowick.exe handed over to the running one and ended"

wine "$installed/Uninstall.exe" /S
wineserver -w # the uninstaller goes on as a copy of itself in the temporary folder
[ ! -e "$installed/bin" ] || fail "the uninstaller left $installed/bin"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu entries"
echo "Windows program: built, window tests, installer installed, tried and uninstalled under Wine in $(took $started $waited_before)"
