#!/bin/sh
# The example saved in UTF-8, with and without a byte-order mark, compiles
# to the image, listing and dump (and says the same) that its Windows-1251
# original does, in every output format.
#   utf8_twin.sh QDL SOURCE WORKDIR
# Exits 77 (skipped) when iconv is not installed.
set -eu
qdl=$1 source=$2 work=$3
command -v iconv >/dev/null 2>&1 || { echo "iconv is not installed: skipped"; exit 77; }
rm -rf "$work"
mkdir -p "$work/cp1251" "$work/utf8" "$work/bom"
cp "$source" "$work/cp1251/prog.qdl"
iconv -f CP1251 -t UTF-8 "$source" >"$work/utf8/prog.qdl"
printf '\357\273\277' >"$work/bom/prog.qdl"
cat "$work/utf8/prog.qdl" >>"$work/bom/prog.qdl"
# The copy must really differ from the original for the test to mean anything.
if cmp -s "$work/cp1251/prog.qdl" "$work/utf8/prog.qdl"; then echo "conversion changed nothing"; exit 1; fi
for dir in cp1251 utf8 bom; do
  (cd "$work/$dir"
   for f in b a c d; do "$qdl" -f$f -Lprog.lst -Dprog.dmp -Sprog.sta prog.qdl >>say.txt || true; done)
done
for dir in utf8 bom; do
  for file in say.txt prog.bin prog.inc prog.h prog.pas prog.lst prog.dmp prog.sta; do
    cmp "$work/cp1251/$file" "$work/$dir/$file" || { echo "$dir/$file differs from the Windows-1251 original"; exit 1; }
  done
done
echo "identical"
