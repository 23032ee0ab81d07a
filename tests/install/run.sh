#!/usr/bin/env bash
# run.sh BUILD_DIR SOURCE_DIR IN_TREE_CALLS HAVE_FONTS VERSION LIBDIR
# Installs BUILD_DIR into a temporary prefix and moves the tree elsewhere;
# then, outside the source tree, builds calls.c through find_package(zarvo)
# and through pkg-config (shared, and static with --static), calls.f90
# through the Fortran module zarvo_api, and checks that their plot files
# equal each other and that of the same calls linked in the build tree.
# Also: the exported symbols, the C++ interface (outline.cpp), a real passed
# as the point count refused by the module, the manual pages and their
# Fortran example, and the moved programs run.
set -euo pipefail
build=$1 src=$2 intree=$3 have_fonts=$4 version=$5 libdir=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }
unset PLTRENDER_FONTS pltfil zarvo_debug

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
p=$work/moved
lib=$p/$libdir
export PKG_CONFIG_PATH=$lib/pkgconfig

# Only the entry points, the Fortran module's procedures and the C++
# interface leave the shared library, which needs no Fortran run-time.
exported=$(nm -D --defined-only "$lib/libzarvo.so" | awk '{print $3}' | LC_ALL=C sort | tr '\n' ' ')
expected="_ZN5zarvo10text_widthEPKci _ZN5zarvo12text_outlineESt17basic_string_viewIcSt11char_traitsIcEEidRKSt8functionIFiiEE _ZN5zarvo13plot_positionEffPKf _ZN5zarvo13plotfile_nameEv _ZN5zarvo14complete_graphEiPKfS1_Pf _ZN5zarvo14load_font_fileEiRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE _ZN5zarvo14plot_positionsEmPKfS1_S1_PNS_12PlotPositionE _ZN5zarvo17plotfile_flush_okEv __zarvo_api_MOD_plabel __zarvo_api_MOD_zarvo __zarvo_api_MOD_zfont __zarvo_api_MOD_zlabel __zarvo_api_MOD_zline __zarvo_api_MOD_zmove plabel_ zarvo_ zfont_ zlabel_ zline_ zmove_ "
[ "$exported" = "$expected" ] || fail "exported symbols: $exported"
if readelf -d "$lib/libzarvo.so" | grep -q 'NEEDED.*gfortran'; then fail "libzarvo.so needs libgfortran"; fi
soname=$(readelf -d "$lib/libzarvo.so" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$soname" = "libzarvo.so.${version%%.*}" ] || fail "SONAME $soname"
[ "$(pkg-config --modversion zarvo)" = "$version" ] || fail "pkg-config version"

mkdir "$work/bin"
cd "$work/bin"
# find_package(zarvo) and zarvo::zarvo.
"$src/../../scripts/man-example.sh" "$p/share/man/man3/zarvo_api.3" >damped.f90
cmake -S "$src/consumer" -B cmake-build -DCMAKE_PREFIX_PATH="$p" -DCALLS_SOURCE="$src/calls.c" \
  -DEXAMPLE_SOURCE="$work/bin/damped.f90" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build cmake-build >/dev/null
cp cmake-build/calls by-cmake
# pkg-config, shared: the library found again at run time through an RPATH.
# shellcheck disable=SC2046
cc -o by-pc-shared "$src/calls.c" $(pkg-config --cflags --libs zarvo) -Wl,-rpath,"$lib"
# pkg-config --static: libzarvo.a and what it needs, linked into a PIE.
# shellcheck disable=SC2046
cc -o by-pc-static "$src/calls.c" $(pkg-config --cflags zarvo) \
  -Wl,-Bstatic $(pkg-config --static --libs zarvo) -Wl,-Bdynamic 2>static-link.txt
[ ! -s static-link.txt ] || fail "static link said: $(cat static-link.txt)"
if readelf -d by-pc-static | grep -Eq 'TEXTREL|libzarvo'; then fail "static link: text relocations or libzarvo.so"; fi
readelf -d by-pc-shared | grep -q 'NEEDED.*libzarvo.so.1' || fail "shared link: no libzarvo.so.1"
# The C++ interface of zarvo.hpp.
# shellcheck disable=SC2046
c++ -std=c++20 -o outline "$src/outline.cpp" $(pkg-config --cflags --libs zarvo) -Wl,-rpath,"$lib"
[ "$(./outline)" = "18 144 1" ] || fail "C++ interface: $(./outline)"
# Fortran through the module; and a program declaring the functions external.
# shellcheck disable=SC2046
gfortran -o by-fortran "$src/calls.f90" $(pkg-config --cflags --libs zarvo) -Wl,-rpath,"$lib"
# shellcheck disable=SC2046
gfortran -o by-external "$src/../../zarvo/tests/fortran/caller.f90" $(pkg-config --libs zarvo) \
  -Wl,-rpath,"$lib"
# shellcheck disable=SC2046
if gfortran -fsyntax-only "$src/bad_count.f90" $(pkg-config --cflags zarvo) 2>bad.txt; then
  fail "a real passed as the point count compiled"
fi
grep -q "Type mismatch in argument .np." bad.txt || fail "bad_count: $(cat bad.txt)"

for prog in "$intree" ./by-cmake ./by-pc-shared ./by-pc-static ./by-fortran; do
  name=$(basename "$prog")
  out=$(pltfil="$work/bin/$name.plt" "$prog" 2>/dev/null) || fail "$name failed"
  [ "$out" = "0 0 0 0 0 1" ] || fail "$name printed $out"
  cmp "$work/bin/$(basename "$intree").plt" "$work/bin/$name.plt" || fail "$name: plot file differs"
done
pltfil="$work/bin/external.plt" ./by-external >/dev/null || fail "external caller failed"

# The manual pages: installed, found by man, free of warnings; the example
# program of zarvo_api(3) built through pkg-config and CMake draws its texts
# exactly as written.
for page in zarvo zarvo_api; do
  out=$(MANPATH="$p/share/man" MANWIDTH=80 man --warnings 3 "$page" 2>"$page.warn") || fail "man 3 $page"
  [ ! -s "$page.warn" ] || fail "man 3 $page said: $(cat "$page.warn")"
  [[ $out == *"Library Functions Manual"* ]] || fail "man 3 $page rendered: ${out:0:200}"
done
# shellcheck disable=SC2046
gfortran -o damped damped.f90 $(pkg-config --cflags --libs zarvo) -Wl,-rpath,"$lib"
for prog in ./damped ./cmake-build/damped; do
  rm -f pltfil
  [ "$("$prog")" = "damped: plotted into pltfil" ] || fail "$prog failed"
  titles=$("$p/bin/pltdump" pltfil | sed -n 's/^t .*font=0 .*"\([^0-9-].*\)"$/\1/p' | tr '\n' '|')
  [ "$titles" = "Time (s)|Amp|Damped wave|  start|" ] || fail "$prog drew the titles $titles"
done

# The moved programs: tracel on the installed example record, layergen on
# the installed model, pltrender with its installed fonts.
mkdir "$work/run"
cd "$work/run"
cp "$p/share/seistools/examples/II.TLY.BHZ.rec" "$p/share/seistools/prem32.mod" .
echo II.TLY.BHZ.rec | "$p/bin/tracel" >/dev/null || fail "installed tracel"
"$p/bin/layergen" || fail "installed layergen"
[ -s modout ] && [ -s modout2 ] || fail "layergen wrote no models"
"$p/bin/pltdump" --summary pltfil >/dev/null || fail "installed pltdump"
readelf -d "$p/bin/pltrender" | grep -q 'R.*PATH.*\$ORIGIN/../lib' || fail "pltrender has no \$ORIGIN RPATH"
if [ "$have_fonts" = 1 ]; then
  "$p/bin/pltrender" "$work/bin/by-cmake.plt" label.png 2>render.txt || fail "installed pltrender"
  [ ! -s render.txt ] || fail "pltrender said: $(cat render.txt)"
  "$p/bin/pltrender" --fonts "$work/run" "$work/bin/by-cmake.plt" nofonts.png 2>render.txt
  grep -q "warning: font 1: no font file $work/run/001" render.txt || fail "--fonts not used"
  PLTRENDER_FONTS="$work/run" "$p/bin/pltrender" "$work/bin/by-cmake.plt" env.png 2>render.txt
  grep -q "warning: font 1: no font file $work/run/001" render.txt || fail "PLTRENDER_FONTS not used"
fi
echo "install test: passed"
