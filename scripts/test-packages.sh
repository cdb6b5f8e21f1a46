#!/usr/bin/env bash
# The packages' part of the test command: makes dist/ with scripts/package.sh from the
# test command's builds and checks the packages the way a user's system meets them.
#
#   - the checksums, and each archive's layout as its INSTALL text describes it;
#   - lintian on the .deb: no errors;
#   - the .deb in a throwaway Debian 12 root (debootstrap, kept as a tarball in
#     build-testroot/): installed over an older version with apt, which pulls in what
#     it needs; moltaro-render runs from /usr/bin, a host that searches the VST folders
#     loads the module, lv2ls lists the plug-in; removed and purged, nothing of it
#     is left and the user's files are;
#   - the per-user installation from the Linux archive, in a new home folder;
#   - the Windows installer under Wine: /S puts both DLLs where promised, our host loads
#     and renders the installed DLLs, an upgrade moves them, the uninstaller removes
#     them and keeps the user's files and memories.
#
#   BUILD_DIR=build scripts/test-packages.sh     (MOLTARO_PACKAGE_TESTS=0 scripts/test.sh skips it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
not() { ! "$@"; }
has_line() { local pattern=$1; shift; "$@" 2>/dev/null | grep -i -- "$pattern" >/dev/null; }   # PATTERN COMMAND...: its output has PATTERN, in any case

. scripts/cross-support.sh
install_missing i386 lintian debootstrap wine wine64 wine32:i386 g++-mingw-w64-i686-posix \
  g++-mingw-w64-x86-64-posix lilv-utils unzip file

# ---- dist/ from the builds the test command made (a sanitizer build has a plain twin)
linux_build=${BUILD_DIR:-build}
if grep -Eq '^MOLTARO_(SANITIZE|TSAN):BOOL=ON|^MOLTARO_BUILD_TESTS:BOOL=OFF' "$linux_build/CMakeCache.txt" 2>/dev/null; then
  linux_build="$linux_build-plain"
  [ -f "$linux_build/CMakeCache.txt" ] || cmake -S . -B "$linux_build" -DMOLTARO_BUILD_BENCH=OFF >/dev/null
fi
win32_build=${WIN32_BUILD_DIR:-build-win32}
win64_build=${WIN64_BUILD_DIR:-build-win64}
[ -f "$win32_build/CMakeCache.txt" ] || win32_build=build-release-win32
[ -f "$win64_build/CMakeCache.txt" ] || win64_build=build-release-win64
arm64_build=${ARM_BUILD_DIR:-build-arm64}
[ -f "$arm64_build/CMakeCache.txt" ] || arm64_build=build-release-arm64
PACKAGE_LINUX_BUILD=$linux_build PACKAGE_WIN32_BUILD=$win32_build PACKAGE_WIN64_BUILD=$win64_build \
  PACKAGE_ARM64_BUILD=$arm64_build scripts/package.sh
# The hosts of ours that load the packaged modules.
cmake --build "$linux_build" -j2 --target moltaro-module-check >/dev/null
cmake --build "$win32_build" -j2 --target moltaro-module-check >/dev/null
cmake --build "$win64_build" -j2 --target moltaro-module-check >/dev/null

dist=$root/dist
base_version=$(sed -n 's/^project(Moltaro VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$(ls "$dist"/moltaro_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "== dist/ of Moltaro $version"
dirty=""
[ -n "$(git status --porcelain 2>/dev/null)" ] && dirty="+dirty"
check "the version is the project's ($base_version$dirty)" test "$version" = "$base_version$dirty"
check "every file in dist/ carries the version" \
  test "$(ls "$dist" | grep -vc -e "$version" -e '^SHA256SUMS$')" = 0
sums_match() { (cd "$dist" && sha256sum --quiet --strict -c SHA256SUMS); }
check "the checksums match" sums_match
check "SHA256SUMS covers every package" \
  test "$(wc -l < "$dist/SHA256SUMS")" = "$(ls "$dist" | grep -vc '^SHA256SUMS$')"

work=$root/build-testroot
mkdir -p "$work"
lv2=0   # 1 where the tree builds the LV2 bundle
grep -qs 'Moltaro.lv2' formats/lv2/CMakeLists.txt && lv2=1
if [ "$lv2" = 1 ]; then
  check "the .deb has the LV2 bundle" has_line '/usr/lib/lv2/Moltaro.lv2/manifest.ttl' dpkg-deb -c "$deb"
fi

# ---- archives: the layout their INSTALL texts describe, binaries stripped
rm -rf "$work/unpacked" && mkdir -p "$work/unpacked"
unzip -q -d "$work/unpacked" "$dist/moltaro-$version-windows.zip"
tar -C "$work/unpacked" -xzf "$dist/moltaro-$version-debug.tar.gz"
win_tree=$work/unpacked/moltaro-$version-windows
debug_tree=$work/unpacked/moltaro-$version-debug
expect_files() {   # folder files... : exactly these files
  local dir=$1; shift
  diff <(cd "$dir" && find . -type f | sed 's|^\./||' | sort) <(printf '%s\n' "$@" | sort)
}
unstripped() { "${tools}objdump" -h "$1" | grep -q '\.debug_info'; }
debuglink() { "${tools}objdump" -s -j .gnu_debuglink "$1" 2>/dev/null | grep -q "$(basename "$1" | cut -c1-8)"; }
stripped_with_debug_file() {   # FILE DEBUG-FOLDER
  local name=${1#"$work/unpacked/"}
  check "$name is stripped, naming its debugging file" eval "! unstripped '$1' && debuglink '$1'"
  check "$name's debugging file is in the debug archive" \
    test -n "$(find "$2" -name "$(basename "$1").debug" -size +100k)"
}
for arch in amd64 arm64; do
  [ "$arch" = amd64 ] && machine=x86_64 tools="" || machine=aarch64 tools=aarch64-linux-gnu-
  archive=$dist/moltaro-$version-linux-$machine.tar.gz
  if [ "$arch" = arm64 ] && [ ! -f cmake/toolchain-aarch64-linux-gnu.cmake ]; then continue; fi
  check "dist/ has the $arch .deb and the $machine archive" test -f "$archive" -a -f "$dist/moltaro_${version}_$arch.deb"
  tar -C "$work/unpacked" -xzf "$archive"
  tree=$work/unpacked/moltaro-$version-linux-$machine
  files=(INSTALL README.md LICENSE vst/Moltaro.so bin/moltaro-render man/man1/moltaro-render.1)
  # The LV2 bundle: the same files as in the .deb.
  while read -r f; do files+=("${f#./usr/lib/}"); done \
    < <(dpkg-deb -c "$dist/moltaro_${version}_$arch.deb" | awk '$1 !~ /^d/ {print $6}' | grep '^\./usr/lib/lv2/' || true)
  check "the $machine archive holds the files its INSTALL text lists" expect_files "$tree" "${files[@]}"
  for f in "$tree/vst/Moltaro.so" "$tree/bin/moltaro-render"; do
    stripped_with_debug_file "$f" "$debug_tree/linux-$machine"
  done
  check "the $machine archive's module is for $machine" has_line "$([ "$arch" = amd64 ] && echo x86-64 || echo aarch64)" file "$tree/vst/Moltaro.so"
done
linux_tree=$work/unpacked/moltaro-$version-linux-x86_64
check "the Windows archive holds the two DLLs, INSTALL.txt and LICENSE.txt" \
  expect_files "$win_tree" 64-bit/Moltaro.dll 32-bit/Moltaro.dll INSTALL.txt LICENSE.txt
check "the Windows texts have Windows line ends" grep -q $'\r$' "$win_tree/INSTALL.txt"
tools=""
stripped_with_debug_file "$win_tree/64-bit/Moltaro.dll" "$debug_tree/windows-64"
stripped_with_debug_file "$win_tree/32-bit/Moltaro.dll" "$debug_tree/windows-32"
check "the 64-bit DLL is PE32+" has_line pei-x86-64 objdump -f "$win_tree/64-bit/Moltaro.dll"
check "the 32-bit DLL is PE32" has_line pei-i386 objdump -f "$win_tree/32-bit/Moltaro.dll"

# ---- lintian
echo "== lintian"
for package in "$dist"/*.deb; do
  lintian_out=$(lintian --fail-on error --info "$package" 2>&1) && lintian_ok=1 || lintian_ok=0
  echo "$lintian_out" | grep -E '^[EWI]:' || true
  check "lintian reports no errors for $(basename "$package")" test "$lintian_ok" = 1
done

# ---- the .deb in a throwaway Debian 12 root
echo "== the .deb in a Debian 12 root"
base=$work/debian12-base.tar
if [ ! -f "$base" ]; then
  rm -rf "$work/base"
  mirror=$(sed -n 's/^URIs: *//p; s/^deb \(http[^ ]*\) bookworm .*/\1/p' /etc/apt/sources.list.d/debian.sources \
           /etc/apt/sources.list 2>/dev/null | head -1 || true)
  if ! debootstrap --variant=minbase bookworm "$work/base" "${mirror:-http://deb.debian.org/debian}" \
         > "$work/debootstrap.log" 2>&1; then
    tail -5 "$work/debootstrap.log"
    echo "FAILED: debootstrap (needs the network once; log in $work/debootstrap.log)"
    exit 1
  fi
  cp /etc/resolv.conf "$work/base/etc/resolv.conf"
  chroot "$work/base" apt-get install -y -qq --no-install-recommends lilv-utils >/dev/null
  chroot "$work/base" apt-get clean
  tar -C "$work/base" -cf "$base" .
  rm -rf "$work/base"
fi
troot=$work/root
rm -rf "$troot" && mkdir -p "$troot"
tar -C "$troot" -xf "$base"
cp /etc/resolv.conf "$troot/etc/resolv.conf"
in_root() { chroot "$troot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
snapshot() {   # the root's files, without apt's and dpkg's own records and caches
  (cd "$troot" && find . \( -path ./var/lib/dpkg -o -path ./var/lib/apt -o -path ./var/cache -o -path ./var/log \
     -o -path ./tmp -o -path ./root \) -prune -o -print | sort)
}
before=$(snapshot)

# An older version, with a file the new one no longer has, installed first.
old=$work/old
rm -rf "$old" && dpkg-deb -R "$deb" "$old"
sed -i 's/^Version: .*/Version: 0.9.0/' "$old/DEBIAN/control"
echo "from the old version" > "$old/usr/share/doc/moltaro/OLD-NOTES"
dpkg-deb --root-owner-group --build "$old" "$troot/tmp/moltaro_0.9.0_amd64.deb" >/dev/null
cp "$deb" "$troot/tmp/"
cp "$linux_build/moltaro-module-check" "$troot/tmp/"
in_root apt-get update -qq >/dev/null 2>&1 || true
apt_install() { in_root apt-get install -y -qq "$@" >/dev/null 2>&1; }
check "apt installs the older version" apt_install /tmp/moltaro_0.9.0_amd64.deb
# The user's own files: memories, a bank, another plug-in in the system's VST folder.
mkdir -p "$troot/root/.config/ZUN-soundlab/ZUNmo15" "$troot/usr/lib/lxvst"
echo memory > "$troot/root/.config/ZUN-soundlab/ZUNmo15/MemoA"
echo bank > "$troot/root/my-bank.zub"
echo plugin > "$troot/usr/lib/lxvst/SomeoneElse.so"
check "apt installs $(basename "$deb") over it, pulling in what it needs" apt_install "/tmp/$(basename "$deb")"
check "the installed version is $version" \
  test "$(in_root dpkg-query -W -f='${Version}' moltaro 2>/dev/null)" = "$version"
check "the older version's file is gone" test ! -e "$troot/usr/share/doc/moltaro/OLD-NOTES"
check "moltaro-render --list-presets runs from /usr/bin" has_line 'Basic Hall' in_root moltaro-render --list-presets
check "moltaro-render renders the demo phrase" in_root moltaro-render -q -p 4 --tail 0 -o /tmp/hall.wav
check "the manual page is installed" test -s "$troot/usr/share/man/man1/moltaro-render.1.gz"
# A host's search: the folders Linux VST hosts scan, first match wins, loaded and run.
scan='for d in ${LXVST_PATH:-$HOME/.lxvst:$HOME/.vst:/usr/local/lib/lxvst:/usr/lib/lxvst}; do
        for m in $(echo "$d" | tr : " "); do
          [ -f "$m/Moltaro.so" ] && { echo "$m/Moltaro.so"; exit 0; }
        done
      done; exit 1'
found=$(in_root sh -c "$scan" || true)
check "a host searching the VST folders finds /usr/lib/lxvst/Moltaro.so" test "$found" = /usr/lib/lxvst/Moltaro.so
check "our host loads the installed module and renders every program" \
  has_line ', 0 failed' in_root /tmp/moltaro-module-check write /usr/lib/lxvst/Moltaro.so /tmp/renders.bin
if [ "$lv2" = 1 ]; then
  check "lv2ls lists the plug-in" has_line moltaro in_root lv2ls
  uri=$(in_root lv2ls | grep -i moltaro | head -1 || true)
  check "lv2apply runs the installed LV2 plug-in over a file" \
    in_root lv2apply -i /tmp/hall.wav -o /tmp/hall-lv2.wav "$uri"
  check "its output is the input through the reverb, not a copy" \
    eval "test -s '$troot/tmp/hall-lv2.wav' && ! cmp -s '$troot/tmp/hall.wav' '$troot/tmp/hall-lv2.wav'"
fi
check "apt removes the package" in_root apt-get purge -y -qq moltaro >/dev/null 2>&1
after=$(snapshot)
left=$(diff <(echo "$before") <(echo "$after") | grep '^>' | grep -v -e '\./usr/lib/lxvst$' -e '\./usr/lib/lxvst/SomeoneElse\.so$' \
       -e '\./etc/resolv\.conf$' || true)
check "nothing of the package is left (besides its dependencies)" test -z "$(echo "$left" | grep -i moltaro)"
echo "$left" | grep -i moltaro || true
check "the user's memories, bank and other plug-ins are kept" test -s "$troot/root/.config/ZUN-soundlab/ZUNmo15/MemoA" \
  -a -s "$troot/root/my-bank.zub" -a -s "$troot/usr/lib/lxvst/SomeoneElse.so"

# ---- a new user with the Linux archive, following its INSTALL text
echo "== the Linux archive in a new home folder"
home=$work/home
rm -rf "$home" && mkdir -p "$home"
as_user() { (cd "$linux_tree" && env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 sh -c "$1"); }
as_user 'mkdir -p ~/.vst ~/.lv2 ~/.local/bin && cp vst/Moltaro.so ~/.vst/ && cp bin/moltaro-render ~/.local/bin/ &&
         if [ -d lv2 ]; then cp -r lv2/Moltaro.lv2 ~/.lv2/; fi'
check "a host searching the VST folders finds ~/.vst/Moltaro.so" \
  test "$(as_user "$scan" || true)" = "$home/.vst/Moltaro.so"
check "our host loads it from there" \
  has_line ', 0 failed' "$root/$linux_build/moltaro-module-check" write "$home/.vst/Moltaro.so" "$work/renders.bin"
check "moltaro-render runs from ~/.local/bin" has_line 'Basic Hall' "$home/.local/bin/moltaro-render" --list-presets
if [ "$lv2" = 1 ]; then
  check "lv2ls lists the plug-in from ~/.lv2" has_line moltaro env -i HOME="$home" PATH=/usr/bin:/bin lv2ls
fi

# ---- the Windows installer under Wine
echo "== the Windows installer under Wine"
setup=$dist/Moltaro-$version-setup.exe
export WINEPREFIX=$root/$win64_build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || { wineboot --init >/dev/null 2>&1; wineserver -w; }
c=$WINEPREFIX/drive_c
vst64="$c/Program Files/VstPlugins"
vst32="$c/Program Files (x86)/VstPlugins"
state='HKLM\Software\ZUN-soundlab\Moltaro'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZUN Moltaro'
reg() { wine reg "$@" /reg:"${view:-64}"; }   # the registry in the 64-bit view unless view=32
has_key() { reg query "$1" >/dev/null 2>&1; }
run() { wine "$@" >/dev/null 2>&1; wineserver -w; }   # the uninstaller hands over to a copy: wait for all
uninstall() { [ -f "$c/Program Files/ZUN Moltaro/Uninstall.exe" ] && run "$c/Program Files/ZUN Moltaro/Uninstall.exe" /S; }
# Leftovers of an interrupted earlier run go first.
uninstall || true
rm -f "$vst64/Moltaro.dll" "$vst32/Moltaro.dll" "$vst64/my-bank.zub"
rmdir "$vst64" "$vst32" "$c/Old64" "$c/Old32" 2>/dev/null || true
reg delete "$state" /f >/dev/null 2>&1 || true
reference=$root/$linux_build/windows-reference-renders.bin
[ -f "$reference" ] || "$linux_build/moltaro-module-check" write "$linux_build/Moltaro.so" "$reference" >/dev/null

check "$(basename "$setup") /S finishes" run "$setup" /S
check "the 64-bit DLL is in C:\\Program Files\\VstPlugins" cmp -s "$vst64/Moltaro.dll" "$win_tree/64-bit/Moltaro.dll"
check "the 32-bit DLL is in C:\\Program Files (x86)\\VstPlugins" cmp -s "$vst32/Moltaro.dll" "$win_tree/32-bit/Moltaro.dll"
check "the uninstaller is registered with Windows" \
  has_line 'Uninstall.exe" /S' reg query "$uninstall_key" /v QuietUninstallString
reference_w=$(winepath -w "$reference" 2>/dev/null)
check "our 64-bit host loads the installed DLL and renders as on Linux" has_line ', 0 failed' \
  wine "$win64_build/moltaro-module-check.exe" compare 'C:\Program Files\VstPlugins\Moltaro.dll' "$reference_w"
check "our 32-bit host loads the installed DLL and renders as on Linux" has_line ', 0 failed' \
  wine "$win32_build/moltaro-module-check.exe" compare 'C:\Program Files (x86)\VstPlugins\Moltaro.dll' "$reference_w"

# The user's files: a bank beside the 64-bit DLL, memories of both DLLs in their
# registry views.
echo bank > "$vst64/my-bank.zub"
memory='HKLM\SOFTWARE\ZUN-soundlab\ZUNmo15\MemoA'
for v in 64 32; do view=$v reg add "$memory" /v Program /t REG_BINARY /d 0102 /f >/dev/null 2>&1; done
check "the uninstaller /S finishes" uninstall
check "both DLLs are removed" test ! -e "$vst64/Moltaro.dll" -a ! -e "$vst32/Moltaro.dll"
check "the 32-bit folder it created is removed, being empty" test ! -e "$vst32"
check "the user's bank and its folder stay" test -s "$vst64/my-bank.zub"
check "the A/B memories stay (64-bit view)" has_key "$memory"
view=32 check "the A/B memories stay (32-bit view)" has_key "$memory"
check "the uninstaller and its folder are gone" test ! -e "$c/Program Files/ZUN Moltaro"
check "the uninstaller's registration is gone" not has_key "$uninstall_key"

# An upgrade over an older version in other folders: the new one moves the DLLs there.
older=$work/Moltaro-0.9.0-setup.exe
makensis -V1 -INPUTCHARSET UTF8 -DVERSION=0.9.0 -DNUMERIC_VERSION=0.9.0.0 -DDLL64="$win_tree/64-bit/Moltaro.dll" \
         -DDLL32="$win_tree/32-bit/Moltaro.dll" -DLICENSE_FILE="$win_tree/LICENSE.txt" -DOUTFILE="$older" \
         packaging/windows/moltaro.nsi >/dev/null
run "$older" /S '/VST64=C:\Old64' '/VST32=C:\Old32'
check "the older version installs into folders of the user's choice" test -f "$c/Old64/Moltaro.dll" -a -f "$c/Old32/Moltaro.dll"
run "$setup" /S '/VST64=C:\Program Files\VstPlugins'
check "the new version replaces it: 64-bit DLL moved, its old folder gone" \
  test -f "$vst64/Moltaro.dll" -a ! -e "$c/Old64"
check "the 32-bit DLL stays in the folder chosen before, replaced" cmp -s "$c/Old32/Moltaro.dll" "$win_tree/32-bit/Moltaro.dll"
check "Windows lists the new version" has_line "$version" reg query "$uninstall_key" /v DisplayVersion
uninstall
check "after the uninstaller nothing of it is left" \
  test ! -e "$vst64/Moltaro.dll" -a ! -e "$c/Old32" -a ! -e "$c/Program Files/ZUN Moltaro"
rm -f "$vst64/my-bank.zub"; rmdir "$vst64" 2>/dev/null || true
for v in 64 32; do view=$v reg delete 'HKLM\SOFTWARE\ZUN-soundlab' /f >/dev/null 2>&1 || true; done
wineserver -w

echo "Package tests took $(( $(date +%s) - started )) s; $failures failed"
[ "$failures" = 0 ]
