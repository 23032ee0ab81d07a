#!/usr/bin/env bash
# Checks the Debian package made by `make package`:
#   scripts/check-package.sh BUILD_DIR
# its file list, its dependencies, and the programs run from a `dpkg -x`
# extraction on the bundled example record and model; the binaries
# stripped (their debug information in the -dbgsym package), the manual
# pages compressed and rendered by man, and the Fortran example of
# zarvo_api(3) built against the extraction.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
debs=("$build"/seistools_*.deb)
[ -f "${debs[0]}" ] || { echo "check-package: no seistools_*.deb in $build" >&2; exit 1; }
deb=${debs[0]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
scripts=$(cd "$(dirname "$0")" && pwd)

# The file list: programs, libraries, headers, module, pkg-config and CMake
# files, man pages (compressed) and data (the fonts when they were built).
dpkg-deb -c "$deb" | awk '{print $6}' | sed -e 's|^\./|/|' -e 's|zarvoTargets-[a-z]*\.cmake|zarvoTargets-BUILDTYPE.cmake|' \
  | grep -v '/$' | sort >"$work/files"
{
  for p in hershey2font layergen mod2nd modplot modtt pltdump pltrender seis2rec seisday seisfig seissection tracel; do
    echo "/usr/bin/$p"
    echo "/usr/share/man/man1/$p.1"
  done
  printf '%s\n' /usr/include/zarvo/zarvo.h /usr/include/zarvo/zarvo.hpp \
    /usr/include/zarvo/fortran/zarvo_api.mod /usr/share/man/man3/zarvo.3 /usr/share/man/man3/zarvo_api.3
  printf "/usr/lib/$multiarch/%s\n" libzarvo.a libzarvo.so libzarvo.so.1 libzarvo.so.1.0.0 \
    pkgconfig/zarvo.pc cmake/zarvo/zarvoConfig.cmake \
    cmake/zarvo/zarvoConfigVersion.cmake cmake/zarvo/zarvoTargets.cmake \
    cmake/zarvo/zarvoTargets-BUILDTYPE.cmake
  printf '%s\n' \
    /usr/share/seistools/prem32.mod /usr/share/seistools/examples/II.TLY.BHZ.rec
  if [ -d "$build/fonts" ]; then
    for n in 001 002 003 004 005 006 007 008 009 010; do echo "/usr/share/seistools/fonts/$n"; done
  fi
} | sed 's|^/usr/share/man/.*|&.gz|' | sort >"$work/expected"
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
"$usr/bin/modtt" prem.nd --phases PcP --distances 0 | grep -q "^0	PcP	" || fail "modtt gave no PcP"
env -u PLTRENDER_FONTS "$usr/bin/modplot" prem32.mod modout -o model.png --zoom 2400,2891 2>modplot.txt
[ ! -s modplot.txt ] || fail "modplot said: $(cat modplot.txt)"
[ -s model.png ] || fail "modplot wrote no picture"
"$usr/bin/seis2rec" /usr/share/doc/libmseed-dev/examples/test.mseed -o cola.rec 2>/dev/null
echo cola.rec | "$usr/bin/tracel" >/dev/null
env -u PLTRENDER_FONTS "$usr/bin/seisfig" /usr/share/doc/libmseed-dev/examples/test.mseed -o cola.png 2>seisfig.txt
[ ! -s seisfig.txt ] || fail "seisfig said: $(cat seisfig.txt)"
[ -s cola.png ] || fail "seisfig wrote no picture"
env -u PLTRENDER_FONTS "$usr/bin/seisday" /usr/share/doc/libmseed-dev/examples/test.mseed -o day.png 2>seisday.txt
[ ! -s seisday.txt ] || fail "seisday said: $(cat seisday.txt)"
[ -s day.png ] || fail "seisday wrote no day plot"
"$usr/bin/hershey2font" 2>/dev/null && fail "hershey2font without arguments succeeded"

# Stripped: no debug sections in the programs and libraries; those of the
# programs and the shared library are in the -dbgsym package.
for f in "$usr"/bin/* "$usr/lib/$multiarch"/libzarvo.so.1.0.0 "$usr/lib/$multiarch"/libzarvo.a; do
  if readelf -S "$f" | grep -q '\.debug_'; then fail "$f has debug information"; fi
done
ddebs=("$build"/seistools-dbgsym_*.ddeb)
[ -f "${ddebs[0]}" ] || fail "no seistools-dbgsym_*.ddeb beside the package"
# The manual pages, compressed by gzip -9n, render without warnings.
for page in zarvo zarvo_api; do
  gz=$usr/share/man/man3/$page.3.gz
  # gzip magic, deflate, no name, time 0 (-n), best compression (-9).
  [ "$(od -An -tx1 -N9 "$gz" | tr -d ' \n')" = 1f8b08000000000002 ] || fail "$page.3.gz: not gzip -9n"
  out=$(MANWIDTH=80 man --warnings -l "$gz" 2>man.txt) || fail "man -l $page.3.gz"
  [ ! -s man.txt ] || fail "man -l $page.3.gz said: $(cat man.txt)"
  [[ $out == *"Library Functions Manual"* ]] || fail "man -l $page.3.gz rendered: ${out:0:200}"
done
# The example of zarvo_api(3) through the extracted zarvo.pc and module.
"$scripts/man-example.sh" "$usr/share/man/man3/zarvo_api.3.gz" >damped.f90
# shellcheck disable=SC2046
gfortran -o damped damped.f90 $(PKG_CONFIG_PATH=$usr/lib/$multiarch/pkgconfig pkg-config --cflags --libs zarvo) \
  -Wl,-rpath,"$usr/lib/$multiarch"
[ "$(./damped)" = "damped: plotted into pltfil" ] || fail "the example of zarvo_api(3) failed"
"$usr/bin/pltdump" pltfil | grep -qx 't size=8 font=0 orient=0 "Damped wave"' || fail "the example drew no title"

echo "check-package: $(basename "$deb") ($(wc -l <"$work/files") files, Depends: $depends) passed"
