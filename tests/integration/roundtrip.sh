#!/bin/sh
# Compiles SOURCE to a binary image and to the text format that TOOL
# reads, has TOOL (a real consumer nobody here wrote) turn the text back
# into bytes, and checks they are the image byte for byte.
#   roundtrip.sh QDL SOURCE TOOL WORKDIR      TOOL: gcc, g++, fpc or nasm
# Exits 77 (skipped) when TOOL is not installed.
set -eu
qdl=$1 source=$2 tool=$3 work=$4
command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp "$source" prog.qdl
"$qdl" -fb prog.qdl image.bin >/dev/null
case $tool in
  gcc | g++)
    "$qdl" -fc prog.qdl image.h >/dev/null
    cat >dump.c <<'SRC'
#include <stdio.h>
static const unsigned char image[] = {
#include "image.h"
};
int main(void) { return fwrite(image, 1, sizeof image, stdout) == sizeof image ? 0 : 1; }
SRC
    if [ "$tool" = gcc ]; then gcc -std=c99 -Wall -Werror -x c dump.c -o dump; else g++ -Wall -Werror -x c++ dump.c -o dump; fi
    ./dump >out.bin
    ;;
  fpc)
    "$qdl" -fd prog.qdl image.pas >/dev/null
    cat >dump.pas <<'SRC'
program dump;
{$mode delphi}
uses image;
var f: file;
begin
  Assign(f, 'out.bin');
  Rewrite(f, 1);
  BlockWrite(f, bimage, SizeOf(bimage));
  Close(f);
end.
SRC
    fpc -Mdelphi -vw dump.pas >fpc.log || { cat fpc.log; exit 1; }
    ./dump
    ;;
  nasm)
    "$qdl" -fa prog.qdl image.inc >/dev/null
    printf '%%include "image.inc"\n' >wrapper.asm
    nasm -f bin wrapper.asm -o out.bin
    ;;
  *)
    echo "unknown tool $tool"
    exit 2
    ;;
esac
cmp image.bin out.bin
echo "$tool gives back the $(wc -c <image.bin)-byte image of $(basename "$source")"
