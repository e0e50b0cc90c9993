#!/usr/bin/env bash
# Builds the two audio libraries the program reads clip headers with,
# libmpg123 (MP3) and libsndfile (WAV), for 64-bit Windows with Debian's
# MinGW-w64, from Debian's own sources of the versions Debian ships (with
# Debian's patches), as DLLs: PREFIX/bin/*.dll, PREFIX/lib, PREFIX/include.
# Nothing is built again when PREFIX already holds them.
#
#   scripts/mingw-audio-libs.sh PREFIX [JOBS]
#
# The sources come through apt with a source list of their own in PREFIX, so
# the machine's own apt lists are left as they are.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
jobs=${2:-2}
triplet=x86_64-w64-mingw32
if [ -f "$prefix/bin/libmpg123-0.dll" ] && [ -f "$prefix/bin/libsndfile.dll" ]; then
  exit 0
fi
"$here/install-deps.sh" dpkg-dev g++-mingw-w64-x86-64-posix cmake ninja-build >/dev/null

src=$prefix/src
rm -rf "$src"
mkdir -p "$src/apt/lists/partial"
# The same mirrors as the machine's Debian packages, for source packages.
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
cat >"$src/apt/sources.list" <<EOF
deb-src http://deb.debian.org/debian $suite main
deb-src http://deb.debian.org/debian $suite-updates main
deb-src http://deb.debian.org/debian-security $suite-security main
EOF
apt_options=(-o Dir::Etc::SourceList="$src/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o Dir::State::Lists="$src/apt/lists" -o APT::Sandbox::User=root)
apt-get "${apt_options[@]}" update >"$src/apt.log" 2>&1 || { cat "$src/apt.log"; exit 1; }

# Unpacks a source package's upstream tarball and applies Debian's patches.
# (dpkg-source is not used: a detached signature that the mirror may not carry
# is listed in some .dsc files, and only the tarballs are needed.)
unpack() {
  local package=$1
  (cd "$src" && apt-get "${apt_options[@]}" source --download-only "$package" >>"$src/apt.log" 2>&1) || true
  local orig debian
  orig=$(ls "$src/${package}"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1)
  debian=$(ls "$src/${package}"_*.debian.tar.* 2>/dev/null | head -n 1)
  [ -n "$orig" ] && [ -n "$debian" ] || { cat "$src/apt.log"; echo "no source of $package" >&2; exit 1; }
  mkdir -p "$src/$package"
  tar -C "$src/$package" --strip-components=1 -xf "$orig"
  tar -C "$src/$package" -xf "$debian"
  if [ -f "$src/$package/debian/patches/series" ]; then
    grep -v '^\s*\(#\|$\)' "$src/$package/debian/patches/series" | while read -r patch _; do
      patch -d "$src/$package" -p1 -s <"$src/$package/debian/patches/$patch"
    done
  fi
}

# libmpg123 alone (not the player, nor its output and resampling libraries).
unpack mpg123
(
  cd "$src/mpg123"
  ./configure --host=$triplet CC=$triplet-gcc-posix --prefix="$prefix" --enable-shared --disable-static \
    --disable-modules --with-cpu=generic_fpu --disable-network >configure.log 2>&1 ||
    { tail -n 30 configure.log; exit 1; }
  make -j"$jobs" src/libmpg123/libmpg123.la >build.log 2>&1 || { tail -n 30 build.log; exit 1; }
  mkdir -p "$prefix/bin" "$prefix/lib" "$prefix/include"
  cp src/libmpg123/.libs/libmpg123-0.dll "$prefix/bin/"
  cp src/libmpg123/.libs/libmpg123.dll.a "$prefix/lib/"
  cp src/libmpg123/mpg123.h src/libmpg123/fmt123.h "$prefix/include/"
)

# libsndfile without the codecs of other libraries (FLAC, Vorbis, Opus, MPEG):
# the program reads WAV headers with it.
unpack libsndfile
cmake -G Ninja -S "$src/libsndfile" -B "$src/libsndfile-build" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON -DENABLE_EXTERNAL_LIBS=OFF \
  -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF \
  -DINSTALL_MANPAGES=OFF -DINSTALL_PKGCONFIG_MODULE=OFF -DENABLE_PACKAGE_CONFIG=OFF >"$src/libsndfile.log" 2>&1 &&
  cmake --build "$src/libsndfile-build" -j"$jobs" >>"$src/libsndfile.log" 2>&1 &&
  cmake --install "$src/libsndfile-build" >>"$src/libsndfile.log" 2>&1 ||
  { tail -n 30 "$src/libsndfile.log"; exit 1; }
[ -f "$prefix/bin/libsndfile.dll" ] || { echo "libsndfile.dll was not built" >&2; exit 1; }
echo "libmpg123 and libsndfile for Windows in $prefix"
