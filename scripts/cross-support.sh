# Shared by the cross-build test scripts (test-windows.sh, test-arm.sh); sourced, from
# the source folder.

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# install_missing ARCH PACKAGE...: adds the foreign dpkg architecture ARCH when it is
# not there yet, and installs the packages that are missing (names may carry :ARCH).
install_missing() {
  local arch=$1 need_arch=0 p
  shift
  dpkg --print-foreign-architectures | grep -qx "$arch" || need_arch=1
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "$need_arch" -eq 1 ] || [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    [ "$need_arch" -eq 1 ] && $sudo dpkg --add-architecture "$arch"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# write_reference FILE [TARGET...]: builds the native module and moltaro-module-check
# (and the further targets) in $BUILD_DIR (default build), writes the module's renders
# to that folder's FILE and sets reference to its absolute path and linux_build to the
# folder's.
write_reference() {
  local file=$1
  shift
  linux_build=${BUILD_DIR:-build}
  # A sanitizer build's module cannot be loaded by a plain program, and a build without
  # tests has no moltaro-module-check: a plain build of its own serves then.
  if grep -Eq '^MOLTARO_(SANITIZE|TSAN):BOOL=ON|^MOLTARO_BUILD_TESTS:BOOL=OFF' "$linux_build/CMakeCache.txt" 2>/dev/null; then
    linux_build="$linux_build-plain"
  fi
  if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    cmake -S . -B "$linux_build" -DMOLTARO_BUILD_BENCH=OFF >/dev/null
  fi
  cmake --build "$linux_build" -j2 --target Moltaro moltaro-module-check "$@"
  case "$linux_build" in /*) ;; *) linux_build="$(pwd)/$linux_build" ;; esac
  reference="$linux_build/$file"
  "$linux_build/moltaro-module-check" write "$linux_build/Moltaro.so" "$reference" | tail -1
}
