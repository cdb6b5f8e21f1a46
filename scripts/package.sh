#!/usr/bin/env bash
# Builds the release packages into dist/:
#   moltaro_V_amd64.deb            Debian/Ubuntu package (VST module, LV2 bundle, moltaro-render)
#   moltaro-V-linux-x86_64.tar.gz  the same files for other distributions, with INSTALL
#   moltaro_V_arm64.deb, moltaro-V-linux-aarch64.tar.gz   the same for 64-bit ARM
#   moltaro-V-windows.zip          the 32-bit and 64-bit DLLs, with INSTALL.txt
#   Moltaro-V-setup.exe            Windows installer (NSIS)
#   moltaro-V-debug.tar.gz         the debugging information the binaries above were stripped of
#   SHA256SUMS
# V is the project's version from CMakeLists.txt, with "+dirty" when the working tree
# has uncommitted changes.
#
#   scripts/package.sh [cmake configure arguments...]
#
# Builds optimised with debugging information (RelWithDebInfo, the build the tests run)
# in build-release, build-release-win32, build-release-win64 and build-release-arm64
# without tests or benchmarks. PACKAGE_LINUX_BUILD, PACKAGE_WIN32_BUILD,
# PACKAGE_WIN64_BUILD and PACKAGE_ARM64_BUILD name existing build folders to package
# instead (the test command passes its own), which are only brought up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

die() { echo "package.sh: $*" >&2; exit 1; }

# ---- packages the builds and the packaging need
scripts/deps.sh
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
packages=(dpkg-dev binutils zip nsis g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The ARM build's compiler and the arm64 libraries it links (as scripts/test-arm.sh has them).
if [ -f cmake/toolchain-aarch64-linux-gnu.cmake ] && [ "${PACKAGE_ARM64:-1}" != 0 ]; then
  for p in g++-aarch64-linux-gnu libcairo2-dev:arm64 libx11-dev:arm64 libfontconfig1-dev:arm64 \
           libsndfile1-dev:arm64 libfftw3-dev:arm64 lv2-dev:arm64; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  dpkg --print-foreign-architectures | grep -qx arm64 || $sudo dpkg --add-architecture arm64
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ---- version: project(... VERSION x.y.z) is the only place it is written
base_version=$(sed -n 's/^project(Moltaro VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$base_version" ] || die "no version in CMakeLists.txt's project()"
version=$base_version
commit="(not a git checkout)"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  commit=$(git rev-parse HEAD)
  # Untracked files count: a source folder's files are picked up by the build.
  [ -z "$(git status --porcelain)" ] || version="$base_version+dirty"
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date +%s)}
echo "Packaging Moltaro $version (commit $commit)" >&2

# ---- builds
linux_build=${PACKAGE_LINUX_BUILD:-build-release}
win32_build=${PACKAGE_WIN32_BUILD:-build-release-win32}
win64_build=${PACKAGE_WIN64_BUILD:-build-release-win64}

# An existing folder must hold an optimised build without sanitizers: that is what ships.
check_build() {
  local cache=$1/CMakeCache.txt type
  [ -f "$cache" ] || return 0
  if grep -Eq '^MOLTARO_(SANITIZE|TSAN):BOOL=ON' "$cache"; then
    die "$1 is a sanitizer build; package a plain one"
  fi
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$cache")
  case "$type" in
    Release|RelWithDebInfo) ;;
    *) die "$1 is a '$type' build; package a Release or RelWithDebInfo one" ;;
  esac
}

build() {   # folder toolchain-file-or-empty targets... (configure arguments from the command line)
  local dir=$1 toolchain=$2; shift 2
  check_build "$dir"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE=$toolchain} -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DMOLTARO_BUILD_TESTS=OFF -DMOLTARO_BUILD_BENCH=OFF "${configure_args[@]}" >/dev/null
  fi
  cmake --build "$dir" -j2 --target "$@"
}
configure_args=("$@")
# The LV2 bundle, where the tree has it.
lv2_target=""
grep -rqs 'Moltaro.lv2' formats/lv2/CMakeLists.txt && lv2_target=moltaro_lv2
build "$linux_build" "" Moltaro moltaro-render $lv2_target
build "$win32_build" cmake/toolchain-i686-w64-mingw32.cmake Moltaro
build "$win64_build" cmake/toolchain-x86_64-w64-mingw32.cmake Moltaro
# 64-bit ARM Linux, where the tree has its toolchain (PACKAGE_ARM64=0 leaves it out).
arm64_build=""
if [ -f cmake/toolchain-aarch64-linux-gnu.cmake ] && [ "${PACKAGE_ARM64:-1}" != 0 ]; then
  arm64_build=${PACKAGE_ARM64_BUILD:-build-release-arm64}
  build "$arm64_build" cmake/toolchain-aarch64-linux-gnu.cmake Moltaro moltaro-render $lv2_target
fi

# ---- staging
stage=$root/build-package
dist=$root/dist
rm -rf "$stage" "$dist"
mkdir -p "$stage/debug/windows-32" "$stage/debug/windows-64" "$dist"

# strip_to TOOL-PREFIX BINARY OUT DEBUG-FOLDER: OUT is BINARY without debugging
# information, pointing to OUT's name + .debug in DEBUG-FOLDER, which holds it.
strip_to() {
  local prefix=$1 in=$2 out=$3 debug=$4/$(basename "$3").debug
  "${prefix}objcopy" --only-keep-debug "$in" "$debug"
  "${prefix}objcopy" --strip-unneeded --remove-section=.comment --add-gnu-debuglink="$debug" "$in" "$out.part"
  mv "$out.part" "$out"
  chmod 0644 "$debug"
}

# Same times everywhere, so that the same commit gives the same archives.
stamp() { find "$@" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; }
tarball() {   # archive.tar.gz folder-in-stage
  tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
      -C "$(dirname "$2")" -cf - "$(basename "$2")" | gzip -9n > "$1"
}

# ---- Linux: the .deb and the archive of one architecture
# linux_packages DEB-ARCH MACHINE BUILD-FOLDER TOOL-PREFIX
linux_packages() {
  local arch=$1 machine=$2 build=$3 prefix=$4
  local installed=$stage/$arch/installed linux=$stage/$arch/files deb=$stage/$arch/deb
  local debug=$stage/debug/linux-$machine
  mkdir -p "$debug"

  # The file tree, once: the .deb and the archive both take it. Where the build has
  # install rules, the files come from its installation (lib/lxvst, lib/lv2, bin), else
  # from the build folder.
  cmake --install "$build" --prefix "$installed" >/dev/null
  from_build() {   # installed-path build-path: the file to package
    if [ -e "$installed/$1" ]; then echo "$installed/$1"; else echo "$build/$2"; fi
  }
  install -d -m 0755 "$linux/bin" "$linux/lxvst" "$linux/man1"
  strip_to "$prefix" "$(from_build lib/lxvst/Moltaro.so Moltaro.so)" "$linux/lxvst/Moltaro.so" "$debug"
  chmod 0644 "$linux/lxvst/Moltaro.so"
  strip_to "$prefix" "$(from_build bin/moltaro-render moltaro-render)" "$linux/bin/moltaro-render" "$debug"
  chmod 0755 "$linux/bin/moltaro-render"
  if [ -n "$lv2_target" ]; then
    local bundle so
    bundle=$(from_build lib/lv2/Moltaro.lv2 Moltaro.lv2)
    [ -f "$bundle/manifest.ttl" ] || die "$bundle was not built"
    install -d -m 0755 "$linux/lv2"
    cp -r "$bundle" "$linux/lv2/"
    # The bundle's DSP binary is a Moltaro.so as well: its debugging file goes into a folder of its own.
    mkdir -p "$debug/lv2"
    for so in "$linux/lv2/Moltaro.lv2"/*.so; do
      strip_to "$prefix" "$so" "$so" "$debug/lv2"
    done
    find "$linux/lv2" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
  fi
  sed "s/@VERSION@/$version/" packaging/moltaro-render.1 > "$linux/man1/moltaro-render.1"

  # The Debian package
  install -d -m 0755 "$deb/DEBIAN" "$deb/usr/bin" "$deb/usr/lib/lxvst" "$deb/usr/share/man/man1" \
                     "$deb/usr/share/doc/moltaro"
  cp -p "$linux/bin/moltaro-render" "$deb/usr/bin/"
  cp -p "$linux/lxvst/Moltaro.so" "$deb/usr/lib/lxvst/"
  if [ -n "$lv2_target" ]; then
    install -d -m 0755 "$deb/usr/lib/lv2"
    cp -rp "$linux/lv2/Moltaro.lv2" "$deb/usr/lib/lv2/"
  fi
  gzip -9n < "$linux/man1/moltaro-render.1" > "$deb/usr/share/man/man1/moltaro-render.1.gz"
  install -m 0644 README.md "$deb/usr/share/doc/moltaro/README.md"
  install -m 0644 packaging/debian/copyright "$deb/usr/share/doc/moltaro/copyright"
  {
    echo "moltaro ($version) unstable; urgency=medium"
    echo
    echo "  * Release $version, built from commit ${commit:0:12}."
    echo
    echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
  } | gzip -9n > "$deb/usr/share/doc/moltaro/changelog.gz"
  chmod 0644 "$deb/usr/share/man/man1/moltaro-render.1.gz" "$deb/usr/share/doc/moltaro/changelog.gz"

  # Dependencies from what the binaries link (dpkg-shlibdeps wants a debian/control; for
  # another architecture it reads that architecture's libraries, installed multiarch).
  mkdir -p "$stage/$arch/shlibs/debian"
  printf 'Source: moltaro\n\nPackage: moltaro\nArchitecture: any\n' > "$stage/$arch/shlibs/debian/control"
  local elves=("$deb/usr/bin/moltaro-render" "$deb/usr/lib/lxvst/Moltaro.so") depends formats
  [ -n "$lv2_target" ] && elves+=("$deb"/usr/lib/lv2/Moltaro.lv2/*.so)
  depends=$(cd "$stage/$arch/shlibs" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O "${elves[@]/#/-e}" 2>/dev/null |
            sed -n 's/^shlibs:Depends=//p')
  [ -n "$depends" ] || die "dpkg-shlibdeps found no dependencies for $arch"
  formats="VST 2.4"
  [ -n "$lv2_target" ] && formats="VST 2.4 and LV2"
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s|@MAINTAINER@|$maintainer|" \
      -e "s/@DEPENDS@/$depends/" -e "s/@FORMATS@/$formats/" \
      -e "s/@INSTALLED_SIZE@/$(du -sk --exclude=DEBIAN "$deb" | cut -f1)/" \
      packaging/debian/control > "$deb/DEBIAN/control"
  [ -n "$lv2_target" ] || sed -i '/@IF_LV2@/d' "$deb/DEBIAN/control"
  sed -i 's/@IF_LV2@//' "$deb/DEBIAN/control"
  (cd "$deb" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) > "$deb/DEBIAN/md5sums"
  chmod 0644 "$deb/DEBIAN/md5sums"
  stamp "$deb"
  dpkg-deb --root-owner-group -Zxz --build "$deb" "$dist/moltaro_${version}_$arch.deb" >/dev/null

  # The archive for other distributions
  local name=moltaro-$version-linux-$machine
  local tree=$stage/$arch/tar/$name
  install -d -m 0755 "$tree/vst" "$tree/bin" "$tree/man/man1"
  cp -p "$linux/lxvst/Moltaro.so" "$tree/vst/"
  cp -p "$linux/bin/moltaro-render" "$tree/bin/"
  cp -p "$linux/man1/moltaro-render.1" "$tree/man/man1/"
  if [ -n "$lv2_target" ]; then
    install -d -m 0755 "$tree/lv2"
    cp -rp "$linux/lv2/Moltaro.lv2" "$tree/lv2/"
  fi
  install -m 0644 README.md LICENSE "$tree/"
  sed "s/@VERSION@/$version/g; s/@COMMIT@/$commit/; s/@MACHINE@/$machine/g; s/@ARCH@/$arch/g" \
      packaging/linux/INSTALL > "$tree/INSTALL"
  chmod 0644 "$tree/INSTALL"
  stamp "$tree"
  tarball "$dist/$name.tar.gz" "$tree"
}

maintainer=${MOLTARO_MAINTAINER:-Moltaro developers <moltaro@users.noreply.invalid>}
linux_packages amd64 x86_64 "$linux_build" ""
[ -z "$arm64_build" ] || linux_packages arm64 aarch64 "$arm64_build" aarch64-linux-gnu-

# ---- Windows: the stripped DLLs in a zip and in the installer
name=moltaro-$version-windows
win=$stage/zip/$name
install -d -m 0755 "$win/64-bit" "$win/32-bit"
strip_to x86_64-w64-mingw32- "$win64_build/Moltaro.dll" "$win/64-bit/Moltaro.dll" "$stage/debug/windows-64"
strip_to i686-w64-mingw32- "$win32_build/Moltaro.dll" "$win/32-bit/Moltaro.dll" "$stage/debug/windows-32"
crlf() { sed 's/\r*$/\r/' "$1" > "$2"; }
sed "s/@VERSION@/$version/; s/@COMMIT@/$commit/" packaging/windows/INSTALL.txt | crlf /dev/stdin "$win/INSTALL.txt"
crlf LICENSE "$win/LICENSE.txt"
stamp "$win"
(cd "$stage/zip" && zip -q -X -r -9 "$dist/$name.zip" "$name")

numeric=$(echo "$base_version.0.0.0" | cut -d. -f1-4)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DNUMERIC_VERSION="$numeric" \
         -DDLL64="$win/64-bit/Moltaro.dll" -DDLL32="$win/32-bit/Moltaro.dll" -DLICENSE_FILE="$win/LICENSE.txt" \
         -DOUTFILE="$dist/Moltaro-$version-setup.exe" packaging/windows/moltaro.nsi >/dev/null

# ---- debugging information and checksums
stamp "$stage/debug"
mv "$stage/debug" "$stage/moltaro-$version-debug"
tarball "$dist/moltaro-$version-debug.tar.gz" "$stage/moltaro-$version-debug"
(cd "$dist" && sha256sum -- *.deb *.tar.gz *.zip *.exe > SHA256SUMS)

ls -l "$dist" | tail -n +2 >&2
echo "dist/ written in $(( $(date +%s) - started )) s" >&2
