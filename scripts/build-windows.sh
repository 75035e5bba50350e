#!/usr/bin/env bash
# Builds VeltEngine for Windows with Debian's MinGW-w64, in one command:
#
#   bash scripts/build-windows.sh [--packages-only | --deps-only]
#
# 1. Installs the cross compilers, wine64 and the tools it needs (apt-get).
# 2. Cross-builds the engine's dependencies from Debian's source packages,
#    at the versions the Linux build uses, as static libraries, for
#    x86_64-w64-mingw32 and i686-w64-mingw32, and caches them outside the
#    tree in ${XDG_CACHE_HOME:-$HOME/.cache}/velt-win/<triplet>-<key>/, the
#    key naming the versions, the compiler and the build recipes: a warm run
#    finds them there and neither downloads nor builds anything.
# 3. Builds the project into build-win/ (x86_64) and build-win32/ (i686)
#    and runs build-win/'s tests under wine64 through ctest. The 32-bit
#    build is compiled only (docs/windows.md says why).
#
# It ends with a summary: what each dependency is built from, and which
# sources, programs and libraries do not build for Windows yet and why.
# Exit status 0 when everything built and every test passed.
# docs/windows.md describes all of it. Safe to run again, also while
# another run is going (the cache is locked).
# The dependency recipes are called by name (build_<name>).
# shellcheck disable=SC2317
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${VELT_JOBS:-2}
deps_only="" packages_only=""
case "${1:-}" in
  "") ;;
  --packages-only) packages_only=1 ;;
  --deps-only) deps_only=1 ;;
  *) echo "usage: bash scripts/build-windows.sh [--packages-only | --deps-only]" >&2; exit 2 ;;
esac

triplets=(x86_64-w64-mingw32 i686-w64-mingw32)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velt-win

say() { printf '== %s\n' "$*"; }
fail() { printf 'build-windows: %s\n' "$*" >&2; exit 1; }

# --- 1. Packages -------------------------------------------------------------

# The Linux build's -dev packages are installed too: their versions are the
# ones the Windows build is made from. nginx, openssl and curl run the
# loopback upload service that velt.exe uploads to under Wine (tests/wine/).
packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libz-mingw-w64-dev
  wine64 wine dpkg-dev unicode-data cmake make perl python3 pkg-config xz-utils util-linux
  nginx openssl curl
  libexpat1-dev libminizip-dev libssl-dev libcurl4-openssl-dev libre2-dev googletest
  libcli11-dev nlohmann-json3-dev
)
install_packages() {
  local missing=() package
  for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # wine64 recommends the 32-bit wine32, which would need a foreign
  # architecture: recommendations are not installed.
  apt-get -o DPkg::Lock::Timeout=600 update
  apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
}
install_packages
[ -z "$packages_only" ] || exit 0

# --- 2. Dependencies ---------------------------------------------------------

# Source package and version of what the Linux build links, from the
# installed -dev package.
source_of() {
  dpkg-query -W -f='${source:Package}=${source:Version}' "$1"
}
# name=source package=version (the googletest sources are the ones
# /usr/src/googletest holds, from Debian's googletest package; zlib is
# Debian's own MinGW build of it, libz-mingw-w64-dev).
wanted=(
  "expat=$(source_of libexpat1-dev)"
  "minizip=$(source_of libminizip-dev)"
  "openssl=$(source_of libssl-dev)"
  "curl=$(source_of libcurl4-openssl-dev)"
  "re2=$(source_of libre2-dev)"
  "cli11=$(source_of libcli11-dev)"
  "json=$(source_of nlohmann-json3-dev)"
  "googletest=local=$(dpkg-query -W -f='${Version}' googletest)"
  "zlib=binary=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)"
)

# The apt state of the source downloads: its own source list and lists, so
# the machine's apt configuration is neither read for sources nor changed.
# The list names the machine's Debian archives (as apt reports them) with
# deb-src.
apt_dir=$cache/apt
apt_options=(-q -o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o "Dir::Etc::sourceparts=$apt_dir/parts"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
apt_ready=""
prepare_source_lists() {
  [ -z "$apt_ready" ] || return 0
  mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg options=""
  [ ! -f "$keyring" ] || options="[signed-by=$keyring] "
  # shellcheck disable=SC2016 # apt's own $(FIELD) placeholders
  apt-get indextargets --format '$(ORIGIN) $(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
    awk -v options="$options" '$1 == "Debian" { print "deb-src " options $2 " " $3 " " $4 }' |
    sort -u >"$apt_dir/sources.list.new"
  [ -s "$apt_dir/sources.list.new" ] || fail "apt names no Debian archive to fetch sources from"
  mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
  say "reading the source lists of $(wc -l <"$apt_dir/sources.list") Debian archives"
  apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 ||
    { cat "$apt_dir/update.log" >&2; fail "apt-get update of the source lists failed"; }
  apt_ready=1
}

# fetch_source <package> <version>: Debian's source package, extracted with
# its patches applied, in $cache/sources/<package>_<version>/tree, and the
# version it really is in .../version. When the archive no longer serves
# that version's source (security updates move on, and some mirrors serve
# no sources for them), the newest version it does serve is taken, and the
# summary says so.
fetch_source() {
  local package=$1 version=$2 dir
  dir=$cache/sources/${package}_${version//[:~]/_}
  [ ! -f "$dir/version" ] || return 0
  prepare_source_lists
  rm -rf "$dir" && mkdir -p "$dir/download"
  local candidate tried=" "
  for candidate in "$version" $(apt-cache "${apt_options[@]}" showsrc --only-source "$package" 2>/dev/null |
      awk '/^Version: / { print $2 }' | newest_first); do
    [[ "$tried" != *" $candidate "* ]] || continue
    tried+="$candidate "
    rm -rf "$dir/download" && mkdir -p "$dir/download"
    if (cd "$dir/download" && apt-get "${apt_options[@]}" source "$package=$candidate") \
        >"$dir/fetch.log" 2>&1; then
      mv "$(find "$dir/download" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$dir/tree"
      rm -rf "$dir/download"
      printf '%s\n' "$candidate" >"$dir/version"
      [ "$candidate" = "$version" ] ||
        echo "   $package $version: the archive serves no complete source for it; using $candidate"
      return 0
    fi
  done
  cat "$dir/fetch.log" >&2
  fail "no source of $package could be fetched (wanted $version)"
}
# Debian versions from standard input, newest first, each once.
newest_first() {
  local version sorted=() i
  while read -r version; do
    for i in "${!sorted[@]}"; do
      [ "${sorted[i]}" != "$version" ] || continue 2
      if dpkg --compare-versions "$version" gt "${sorted[i]}"; then
        sorted=("${sorted[@]:0:i}" "$version" "${sorted[@]:i}")
        continue 2
      fi
    done
    sorted+=("$version")
  done
  [ "${#sorted[@]}" = 0 ] || printf '%s\n' "${sorted[@]}"
}
source_dir() { local d=$cache/sources/${1}_${2//[:~]/_}; echo "$d/tree"; }
source_version() { cat "$cache/sources/${1}_${2//[:~]/_}/version"; }

# The recipes. Each one builds one dependency for $triplet from $src into
# $prefix, working in $work. They are part of the cache key: changing one
# rebuilds the dependencies.
cmake_dependency() {  # <source folder> <build folder> [cmake options...]
  local from=$1 to=$2
  shift 2
  cmake_configure "$from" "$to" "$@" && cmake_build_install "$to"
}
cmake_configure() {  # <source folder> <build folder> [cmake options...]
  local from=$1 to=$2
  shift 2
  cmake -S "$from" -B "$to" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-${triplet%%-*}.cmake" \
    -DVELT_WIN_DEPS="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@" >"$to.log" 2>&1
}
cmake_build_install() {  # <build folder>
  cmake --build "$1" -j"$jobs" >>"$1.log" 2>&1 && cmake --install "$1" >>"$1.log" 2>&1
}
build_expat() {
  # Debian's source is the upstream repository's tree; the library's CMake
  # project is its expat/ folder. Debian builds it with autoconf, which
  # defines XML_DTD as 1, and its patches test for that value; expat's
  # CMake project defines it empty.
  cmake_configure "$src/expat" "$work/expat" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
    -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    -DEXPAT_BUILD_FUZZERS=OFF -DEXPAT_BUILD_PKGCONFIG=ON &&
    sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$work/expat/expat_config.h" &&
    cmake_build_install "$work/expat"
}
build_minizip() {
  # The files and headers of Debian's Makefile.am for a Windows host, against
  # Debian's MinGW zlib (libz-mingw-w64-dev).
  local file objects=()
  mkdir -p "$work/minizip" "$prefix/include/minizip" "$prefix/lib/pkgconfig"
  for file in ioapi mztools unzip zip iowin32; do
    "$triplet-gcc-posix" -O2 -Wall -c "$src/$file.c" -o "$work/minizip/$file.o" || return 1
    objects+=("$work/minizip/$file.o")
  done
  "$triplet-ar" rcs "$prefix/lib/libminizip.a" "${objects[@]}" &&
    cp "$src"/{crypt,ioapi,mztools,unzip,zip,iowin32}.h "$prefix/include/minizip/" &&
    sed -e "s|@prefix@|$prefix|; s|@exec_prefix@|\${prefix}|; s|@libdir@|\${prefix}/lib|" \
    -e "s|@includedir@|\${prefix}/include|; s|@PACKAGE_VERSION@|1.2.8|" \
    "$src/minizip.pc.in" >"$prefix/lib/pkgconfig/minizip.pc"
}
build_openssl() {
  # Static, without tests and programs: the libraries and headers only. The
  # folders compiled into the library, where it reads openssl.cnf and loads
  # engines and providers from, are OpenSSL's own Windows defaults, which
  # only administrators can write to, not the build machine's prefix: a
  # folder such as \root\.cache on the current drive could be made by any
  # user.
  # For i686 without assembler: Debian's pic.patch makes OpenSSL's 32-bit
  # x86 assembler position-independent the ELF way, which COFF objects
  # cannot represent.
  local target=(mingw64)
  [ "$triplet" = x86_64-w64-mingw32 ] || target=(mingw no-asm)
  local folders=("OPENSSLDIR=C:/Program Files/Common Files/SSL"
    "ENGINESDIR=C:/Program Files/OpenSSL/lib/engines-3"
    "MODULESDIR=C:/Program Files/OpenSSL/lib/ossl-modules")
  mkdir -p "$work/openssl"
  (cd "$work/openssl" &&
    CC=$triplet-gcc-posix AR=$triplet-ar RANLIB=$triplet-ranlib RC=$triplet-windres \
      perl "$src/Configure" "${target[@]}" no-shared no-tests --prefix="$prefix" --libdir=lib &&
    make -j"$jobs" build_libs "${folders[@]}" &&
    make install_dev "${folders[@]}") >"$work/openssl.log" 2>&1
}
build_curl() {
  # HTTPS through OpenSSL, nothing else: no LDAP, SSH, HTTP/2, IDN,
  # compression or curl.exe. No CA bundle or folder compiled in: the build
  # machine's /etc/ssl would name a folder on Windows that any user can
  # create; the uploader names its CA file itself.
  cmake_dependency "$src" "$work/curl" -DCURL_USE_OPENSSL=ON -DOPENSSL_ROOT_DIR="$prefix" \
    -DOPENSSL_USE_STATIC_LIBS=ON -DCURL_DISABLE_LDAP=ON -DCURL_USE_LIBSSH2=OFF -DUSE_NGHTTP2=OFF \
    -DUSE_LIBIDN2=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DBUILD_CURL_EXE=OFF \
    -DENABLE_MANUAL=OFF -DBUILD_TESTING=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_CA_FALLBACK=OFF
}
build_re2() {
  # Debian's source leaves out three generated tables; they are made again
  # from the Unicode data of the unicode-data package, as Debian's build does.
  (cd "$src" && make REBUILD_TABLES=1 re2/perl_groups.cc re2/unicode_casefold.cc \
    re2/unicode_groups.cc) >"$work/re2-tables.log" 2>&1 &&
    cmake_dependency "$src" "$work/re2" -DRE2_BUILD_TESTING=OFF &&
    mkdir -p "$prefix/lib/pkgconfig" || return 1
  # pkg-config file as Debian's package has it (re2's CMake project writes
  # none).
  # shellcheck disable=SC2016 # pkg-config's own ${variables}
  printf '%s\n' "prefix=$prefix" 'includedir=${prefix}/include' 'libdir=${prefix}/lib' '' \
    'Name: re2' 'Description: RE2 is a fast, safe, thread-friendly regular expression engine.' \
    'Version: 0.0.0' 'Cflags: -I${includedir}' 'Libs: -L${libdir} -lre2' \
    >"$prefix/lib/pkgconfig/re2.pc"
}
build_googletest() {
  cmake_dependency "$src" "$work/googletest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}
build_cli11() {
  cmake_dependency "$src" "$work/cli11" -DCLI11_BUILD_TESTS=OFF -DCLI11_BUILD_EXAMPLES=OFF \
    -DCLI11_BUILD_DOCS=OFF -DCLI11_PRECOMPILED=OFF
}
build_json() {
  cmake_dependency "$src" "$work/json" -DJSON_BuildTests=OFF -DJSON_Install=ON
}
recipes=(cmake_dependency cmake_configure cmake_build_install build_expat build_minizip build_openssl build_curl build_re2
  build_googletest build_cli11 build_json)

# The cache key of one triplet's dependencies: what they are built from
# and with (versions, compiler, CMake, toolchain files, recipes).
dependency_key() {
  local triplet=$1 arch=${1%%-*}
  {
    printf '%s\n' "${wanted[@]}"
    "$triplet-g++-posix" --version | head -n 1
    dpkg-query -W -f='${Package} ${Version}\n' "mingw-w64-${arch//_/-}-dev" \
      "g++-mingw-w64-${arch//_/-}-posix"
    cmake --version | head -n 1
    cat "$root/cmake/mingw-w64.cmake" "$root/cmake/mingw-w64-$arch.cmake"
    declare -f "${recipes[@]}"
  } | sha256sum | cut -c1-16
}

# build_dependencies <triplet>: sets $prefix to the folder that holds them,
# building them first when the cache has none for this key.
build_dependencies() {
  triplet=$1
  prefix=$cache/$triplet-$(dependency_key "$triplet")
  if [ -f "$prefix/VERSIONS" ]; then
    say "dependencies for $triplet: cached in $prefix"
    return 0
  fi
  local final=$prefix entry name pin package version built started seconds
  prefix=$final.partial
  work=$cache/work-$triplet
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  say "dependencies for $triplet: building into $final"
  for entry in "${wanted[@]}"; do
    name=${entry%%=*}
    pin=${entry#*=}
    package=${pin%%=*}
    version=${pin#*=}
    case "$package" in
      local) src=/usr/src/googletest ;;
      binary) src="" ;;
      *) fetch_source "$package" "$version"
        src=$(source_dir "$package" "$version")
        built=$(source_version "$package" "$version")
        [ "$built" = "$version" ] || package="$package, Linux build: $version"
        version=$built ;;
    esac
    [ "$name" != zlib ] || { printf '%-11s %s (libz-mingw-w64-dev)\n' "$name" "$version" >>"$prefix/VERSIONS.new"; continue; }
    started=$(date +%s.%N)
    if ! "build_$name" >"$work/$name.out" 2>&1; then
      cat "$work/$name.out" >&2
      tail -n 40 "$work/$name"*.log >&2 2>/dev/null || true
      fail "$name for $triplet did not build (logs in $work)"
    fi
    seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    printf '%-11s %s (%s, %s s)\n' "$name" "$version" "${package/local/\/usr\/src\/googletest}" \
      "$seconds" >>"$prefix/VERSIONS.new"
    echo "   $name $version: $seconds s"
  done
  # Installed CMake packages and pkg-config files name the folder they were
  # built into; they are moved once, here, to the final one.
  grep -rlF "$prefix" "$prefix" --include='*.cmake' --include='*.pc' |
    while read -r file; do sed -i "s|$prefix|$final|g" "$file"; done
  mv "$prefix/VERSIONS.new" "$prefix/VERSIONS"
  rm -rf "$final"
  mv "$prefix" "$final"
  prefix=$final
  rm -rf "$work"
  # Builds of this triplet for other keys are out of date now.
  find "$cache" -mindepth 1 -maxdepth 1 -type d -name "$triplet-*" ! -path "$final" \
    -exec rm -rf {} +
}

mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
# Under the lock no other run is building: a partial prefix or a work
# folder is what an interrupted run left.
rm -rf "$cache"/*.partial "$cache"/work-*
declare -A prefixes
for triplet in "${triplets[@]}"; do
  build_dependencies "$triplet"
  prefixes[$triplet]=$prefix
done
for triplet in "${triplets[@]}"; do
  say "dependencies for $triplet (from Debian's sources unless said otherwise):"
  sed 's/^/   /' "${prefixes[$triplet]}/VERSIONS"
done
[ -z "$deps_only" ] || exit 0

# --- 3. The project ----------------------------------------------------------

# Builds one tree and summarises what does not build yet: first every
# source on its own (the per-file targets of CMake's Makefiles), so that a
# library that fails does not hide the sources of those above it; then
# everything with make -k, which builds what can be built; then the sources
# that do not compile (first error each), the programs and libraries that
# do not link with the platform functions they miss, and what was not
# built.
status=0
# Wine's server for the prefix of the tree whose programs run under Wine
# (the test discovery after each link, ctest), kept running from the
# configure to the end of the script. Left to itself it shuts Wine's own
# services down and ends a few seconds after the last program exits; a
# program that starts just then can lose its connection ("wine client
# error: ... Connection reset by peer") and fail a test that never ran.
# And the services are started by the first program, whose output they
# inherit: ctest would count the first test as running until they end. A
# warm-up run starts them with their output on /dev/null.
wine_prefix="" wine_server=""
start_wine_server() {  # <build folder>
  local wine64
  wine64=$(sed -n 's/^VELT_WINE64:FILEPATH=//p' "$1/CMakeCache.txt")
  [ -x "$wine64" ] && [ -d "$1/wine-prefix" ] || return 0
  wine_prefix=$1/wine-prefix wine_server=$(dirname "$wine64")/wineserver
  # A server the configure left behind would refuse a second one.
  WINEPREFIX=$wine_prefix "$wine_server" -k 2>/dev/null || true
  WINEPREFIX=$wine_prefix "$wine_server" -w
  WINEPREFIX=$wine_prefix "$wine_server" -p ||
    fail "starting Wine's server for $wine_prefix failed"
  WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
    "$wine64" cmd /c exit </dev/null >/dev/null 2>&1 ||
    fail "Wine does not start a program in $wine_prefix"
}
stop_wine_server() {
  [ -z "$wine_prefix" ] || WINEPREFIX=$wine_prefix "$wine_server" -k 2>/dev/null || true
}
trap stop_wine_server EXIT

build_project() {  # <triplet> <build folder> <dependencies> <tests: ON or OFF>
  local triplet=$1 dir=$2 prefix=$3 tests=$4 log launcher=() folder objects
  log=$dir/build.log
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  say "building $dir ($triplet)"
  mkdir -p "$dir"
  # --fresh: a new dependency key means a new prefix, and the lookups cached
  # from the last run would still name the old one.
  cmake --fresh -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-${triplet%%-*}.cmake" \
    -DVELT_WIN_DEPS="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_BUILD_TESTS="$tests" \
    "${launcher[@]}" >"$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log" >&2; fail "configuring $dir failed"; }
  [ "$tests" = OFF ] || start_wine_server "$dir"
  : >"$dir/compile.log"
  for folder in src cli tests; do
    [ -d "$dir/$folder" ] || continue
    mapfile -t objects < <(make -C "$dir/$folder" help | sed -n 's/^\.\.\. \(.*\.obj\)$/\1/p')
    [ "${#objects[@]}" = 0 ] ||
      make -C "$dir/$folder" -k -j"$jobs" "${objects[@]}" >>"$dir/compile.log" 2>&1 || true
  done
  if cmake --build "$dir" -j"$jobs" -- -k >"$log" 2>&1; then
    echo "   everything built"
  else
    status=1
    echo "   not everything builds for $triplet yet (logs: $dir/compile.log, $log)"
    summarise_build "$dir" "$log"
  fi
  # The engine and its front end must be there, whatever else built.
  local missing
  missing=$(missing_products "$dir")
  if [ -n "$missing" ]; then
    status=1
    echo "   missing for $triplet: $missing"
  else
    echo "   $(cd "$dir" && du -h "${products[@]}" | awk '{ printf "%s%s %s", sep, $2, $1; sep = ", " }')"
  fi
}

# What a Windows build delivers: the engine DLL, its import library and
# velt.exe, relative to the build folder.
products=(bin/VeltEngine.dll src/VeltEngine.dll.a bin/velt.exe)
missing_products() {  # <build folder>: the names of those not built, on one line
  local file
  for file in "${products[@]}"; do [ -f "$1/$file" ] || printf '%s ' "${file##*/}"; done
}

# Lines from standard input indented, or "none".
listed() {
  awk '{ print "     " $0 } END { if (NR == 0) print "     none" }'
}
summarise_build() {
  local dir=$1 log=$2
  echo "   sources that do not compile, and the first error of each:"
  { grep -hE '^[^ :]+\.(cc|h|cpp|c):[0-9]+:[0-9]+: (fatal )?error: ' "$dir/compile.log" "$log" || true; } |
    awk -F: -v root="$root/" '!seen[$1]++ { name = $1; sub(root, "", name)
      print name ":" $2 ": " substr($0, index($0, "error: ") + 7) }' | sort | listed
  echo "   platform functions missing at link time:"
  { grep -ohE "undefined reference to \`velt::platform::[A-Za-z0-9_:]+" "$log" || true; } |
    sed 's/.*`//' | sort -u | listed
  echo "   programs and libraries not built:"
  { missing_products "$dir"
    ctest --test-dir "$dir" -N -R '_NOT_BUILT$' | sed -n 's/.*Test *#[0-9]*: \(.*\)_NOT_BUILT$/\1.exe/p'
  } | tr '\n' ' ' | fold -s -w 90 | listed
  echo "   in src/platform/posix/ without a win32/ counterpart yet:"
  comm -23 <(find src/platform/posix -maxdepth 1 -name '*.cc' -printf '%f\n' | sort) \
    <(find src/platform/win32 -maxdepth 1 -name '*.cc' -printf '%f\n' | sort) |
    tr '\n' ' ' | fold -s -w 90 | listed
}

# The 32-bit tree is the engine and velt.exe only: its tests could not run
# here (no 32-bit Wine), and CTest lists a test program's tests by running it.
build_project x86_64-w64-mingw32 "$root/build-win" "${prefixes[x86_64-w64-mingw32]}" ON
build_project i686-w64-mingw32 "$root/build-win32" "${prefixes[i686-w64-mingw32]}" OFF

# The tests of build-win under wine64 (CMAKE_CROSSCOMPILING_EMULATOR), those
# of the programs that built. Under load Wine now and then fails to start a
# program at all: the test fails at once having printed nothing. When every
# failed test is such a one, they run once more, named here; a test that
# printed anything of its own and failed fails the run.
wine_tests() {  # <build folder>
  local report=$1/Testing/wine-tests.xml failed name
  ctest --test-dir "$1" -j"$jobs" -E '_NOT_BUILT$' --output-on-failure --output-junit "$report" &&
    return 0
  failed=$(python3 "$root/scripts/wine-start-failures.py" "$report") || return 1
  echo "   Wine did not start these test programs (they failed having printed nothing);"
  echo "   running them once more:"
  while IFS= read -r name; do echo "     $name"; done <<<"$failed"
  ctest --test-dir "$1" --rerun-failed --output-on-failure
}
say "testing build-win under wine64"
if ctest --test-dir "$root/build-win" -N -E '_NOT_BUILT$' | grep -qE 'Total Tests: [1-9]'; then
  wine_tests "$root/build-win" || status=1
else
  echo "   no test program was built"
  status=1
fi
exit "$status"
