#!/usr/bin/env bash
# Builds libsndfile (WAV and the other built-in formats; no external codecs) and libpng for 64-bit
# Windows with mingw-w64, from Debian's own source packages of the versions the Linux build uses,
# into a cache folder outside the source tree. Later runs reuse the cache as long as the versions
# it was built from (sources, zlib, compiler, this recipe) still hold.
#   scripts/build-mingw-deps.sh            build when needed, then print the cache folder
#   KORVEX_MINGW_DEPS=DIR                  another cache folder (the windows preset reads it too)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${KORVEX_MINGW_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/korvex/mingw-w64}"
target=x86_64-w64-mingw32
mingw_root=/usr/$target

version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }
sndfile_wanted="$(version_of libsndfile1-dev)"
png_wanted="$(version_of libpng-dev)"
zlib_version="$(version_of libz-mingw-w64-dev)"
for need in "libsndfile1-dev:$sndfile_wanted" "libpng-dev:$png_wanted" "libz-mingw-w64-dev:$zlib_version"; do
  if [ -z "${need#*:}" ]; then
    echo "build-mingw-deps: ${need%%:*} is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
compiler="$("$target-gcc-posix" --version | head -n 1)"
recipe="$(sha256sum "$0" | cut -c1-16)"
key="libsndfile $sndfile_wanted; libpng $png_wanted; zlib $zlib_version; $compiler; recipe $recipe"

if [ -f "$cache/versions" ] && [ "$(head -n 1 "$cache/versions")" = "$key" ] \
   && [ -f "$cache/root/lib/libsndfile.a" ] && [ -f "$cache/root/lib/libpng16.a" ]; then
  echo "$cache"
  exit 0
fi

echo "build-mingw-deps: building libsndfile and libpng for $target into $cache" >&2
work="$cache/work"
rm -rf "$work"
mkdir -p "$work/lists/partial" "$work/cache"

# The machine's own apt sources, each "deb" entry turned into "deb-src", in one-line form: a list
# that lives in the private work folder only while apt reads it, beside private index lists, so
# the machine's own apt configuration and state stay as they are.
source_entries() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk '
      function flush(   t, u, s, i, j, k, n, uris, suites, options) {
        if (types ~ /(^|[[:space:]])deb([[:space:]]|$)/ && enabled != "no" && uri != "" && suite != "") {
          options = (signed != "" && signed !~ /[[:space:]]/) ? "[signed-by=" signed "] " : ""
          n = split(uri, uris, /[[:space:]]+/)
          k = split(suite, suites, /[[:space:]]+/)
          for (i = 1; i <= n; ++i) for (j = 1; j <= k; ++j)
            if (uris[i] != "" && suites[j] != "") print "deb-src " options uris[i] " " suites[j] " " components
        }
        types = uri = suite = components = signed = enabled = ""
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      { field = tolower($1); sub(/:$/, "", field); $1 = ""; sub(/^[[:space:]]+/, "") }
      field == "types" { types = $0 } field == "uris" { uri = $0 } field == "suites" { suite = $0 }
      field == "components" { components = $0 } field == "signed-by" { signed = $0 }
      field == "enabled" { enabled = tolower($0) }
      END { flush() }' "$file"
  done
}

mkdir -p "$work/no-parts"
source_entries >"$work/sources.list"
trap 'rm -f "$work/sources.list"' EXIT
apt_private=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/no-parts"
             -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o "APT::Sandbox::User=$(id -un)" -qq)
apt-get "${apt_private[@]}" update

# The Linux build's version when the archive still has its source, else the newest it can deliver.
fetch() {
  local package="$1" version
  for version in "$2" $(apt-cache "${apt_private[@]}" showsrc "$package" | sed -n 's/^Version: //p' | sort -r -V); do
    (cd "$work" && apt-get "${apt_private[@]}" source "$package=$version" >/dev/null 2>&1) && return 0
    rm -rf "$work/$package"[-_]*
  done
  echo "build-mingw-deps: no source of $package could be fetched" >&2
  exit 1
}
fetch libsndfile "$sndfile_wanted"
fetch libpng1.6 "$png_wanted"
rm -f "$work/sources.list"
sndfile_source="$(find "$work" -maxdepth 1 -type d -name 'libsndfile-*' | head -n 1)"
png_source="$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)"
[ -n "$sndfile_source" ] && [ -n "$png_source" ] || { echo "build-mingw-deps: apt-get source gave no sources" >&2; exit 1; }

prefix="$cache/new"
rm -rf "$prefix"
configure() {
  cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
}
configure -S "$sndfile_source" -B "$work/build-sndfile" -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF \
          -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF -DENABLE_CPACK=OFF \
          -DINSTALL_MANPAGES=OFF -DENABLE_PACKAGE_CONFIG=OFF
cmake --build "$work/build-sndfile" --target install >/dev/null
configure -S "$png_source" -B "$work/build-png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
          -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON \
          -DZLIB_LIBRARY="$mingw_root/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw_root/include"
cmake --build "$work/build-png" --target png_static >/dev/null
cmake --install "$work/build-png" >/dev/null 2>&1 || true
[ -f "$prefix/lib/libpng16.a" ] || cp "$work/build-png/libpng16.a" "$prefix/lib/"

rm -rf "$cache/root"
mv "$prefix" "$cache/root"
{
  echo "$key"
  echo "built from: $(cd "$work" && ls -- *.dsc | tr '\n' ' ')"
} >"$cache/versions"
rm -rf "$work"
echo "$cache"
