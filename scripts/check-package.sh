#!/usr/bin/env bash
# Checks the Debian package made by `make package`:
#   scripts/check-package.sh BUILD_DIR
# its file list, its dependencies, and the programs run from a `dpkg -x`
# extraction on the bundled example record and model.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
debs=("$build"/seistools_*.deb)
[ -f "${debs[0]}" ] || { echo "check-package: no seistools_*.deb in $build" >&2; exit 1; }
deb=${debs[0]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# The file list: programs, libraries, headers, module, pkg-config and CMake
# files, man pages and data (the fonts when they were built).
dpkg-deb -c "$deb" | awk '{print $6}' | sed -e 's|^\./|/|' -e 's|zarvoTargets-[a-z]*\.cmake|zarvoTargets-BUILDTYPE.cmake|' \
  | grep -v '/$' | sort >"$work/files"
{
  for p in hershey2font layergen mod2nd modplot pltdump pltrender seis2rec seisfig seissection tracel; do
    echo "/usr/bin/$p"
    echo "/usr/share/man/man1/$p.1"
  done
  printf '%s\n' /usr/include/zarvo/zarvo.h /usr/include/zarvo/zarvo.hpp \
    /usr/include/zarvo/fortran/zarvo_api.mod \
    /usr/lib/libzarvo.a /usr/lib/libzarvo.so /usr/lib/libzarvo.so.1 /usr/lib/libzarvo.so.1.0.0 \
    /usr/lib/pkgconfig/zarvo.pc /usr/lib/cmake/zarvo/zarvoConfig.cmake \
    /usr/lib/cmake/zarvo/zarvoConfigVersion.cmake /usr/lib/cmake/zarvo/zarvoTargets.cmake \
    /usr/lib/cmake/zarvo/zarvoTargets-BUILDTYPE.cmake \
    /usr/share/seistools/prem32.mod /usr/share/seistools/examples/II.TLY.BHZ.rec
  if [ -d "$build/fonts" ]; then
    for n in 001 002 003 004 005 006 007 008 009 010; do echo "/usr/share/seistools/fonts/$n"; done
  fi
} | sort >"$work/expected"
diff "$work/expected" "$work/files" || fail "file list differs (< expected, > in the package)"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libc6 libstdc++6 libcairo2 libmseed2; do
  [[ $depends == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

dpkg -x "$deb" "$work/root"
usr=$work/root/usr
mkdir "$work/run"
cd "$work/run"
cp "$usr/share/seistools/examples/II.TLY.BHZ.rec" "$usr/share/seistools/prem32.mod" .
echo II.TLY.BHZ.rec | "$usr/bin/tracel" >/dev/null
"$usr/bin/layergen"
[ -s modout ] && [ -s modout2 ] || fail "layergen wrote no models"
"$usr/bin/pltdump" --summary pltfil >/dev/null
env -u PLTRENDER_FONTS "$usr/bin/pltrender" pltfil plot.png 2>render.txt
[ ! -s render.txt ] || fail "pltrender said: $(cat render.txt)"
[ -s plot.png ] || fail "pltrender wrote no picture"
"$usr/bin/mod2nd" prem32.mod -o prem.nd 2>/dev/null
grep -qx outer-core prem.nd || fail "mod2nd wrote no core-mantle boundary"
env -u PLTRENDER_FONTS "$usr/bin/modplot" prem32.mod modout -o model.png --zoom 2400,2891 2>modplot.txt
[ ! -s modplot.txt ] || fail "modplot said: $(cat modplot.txt)"
[ -s model.png ] || fail "modplot wrote no picture"
"$usr/bin/seis2rec" /usr/share/doc/libmseed-dev/examples/test.mseed -o cola.rec 2>/dev/null
echo cola.rec | "$usr/bin/tracel" >/dev/null
env -u PLTRENDER_FONTS "$usr/bin/seisfig" /usr/share/doc/libmseed-dev/examples/test.mseed -o cola.png 2>seisfig.txt
[ ! -s seisfig.txt ] || fail "seisfig said: $(cat seisfig.txt)"
[ -s cola.png ] || fail "seisfig wrote no picture"
"$usr/bin/hershey2font" 2>/dev/null && fail "hershey2font without arguments succeeded"
echo "check-package: $(basename "$deb") ($(wc -l <"$work/files") files, Depends: $depends) passed"
