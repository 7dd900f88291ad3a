#!/bin/sh
# A dependency file for names with spaces, "$" and "#", read by TOOL (make
# or ninja): the build is up to date after it, is redone when an include
# file changes, and goes on when an include file is dropped and deleted.
#   deps.sh QDL TOOL WORKDIR
# Exits 77 (skipped) when TOOL is not installed.
set -eu
qdl=$1 tool=$2 work=$3
command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
rm -rf "$work"
mkdir -p "$work/in c" "$work/sub dir"
cd "$work"
# "используется" in Windows-1251.
uses='\350\361\357\356\353\374\347\363\345\362\361\377'
printf "$uses \"part\$ #\";\n$uses \"sub dir/x\";\n" >'my prog$#.qdl'
printf 'A = 1;\n' >'in c/part$ #.qdl'
printf 'B = 2;\n' >'sub dir/x.qdl'

# The rule's command, the same text for make and ninja ("$$" is "$").
command="'$qdl' '-Iin c' --deps=out.d 'my prog\$\$#.qdl' out.h >/dev/null && echo run >>runs.log"
if [ "$tool" = make ]; then
  printf 'out.h:\n\t%s\n-include out.d\n' "$command" >Makefile
  build() { make -s; }
else
  printf 'rule qdl\n  command = %s\n  depfile = out.d\nbuild out.h: qdl\n' "$command" >build.ninja
  build() { ninja >/dev/null; }
fi
runs() { test "$(wc -l <runs.log)" -eq "$1" || { echo "qdl ran $(wc -l <runs.log) times, expected $1"; exit 1; }; }

build
runs 1
# The rules, typed from the names: found along the search path, the
# include gets the absolute name; the other is named as written.
dir=$(pwd | sed 's/[ #]/\\&/g; s/\$/$$/g')
printf 'out.h: my\\ prog$$\\#.qdl %s/in\\ c/part$$\\ \\#.qdl sub\\ dir/x.qdl\r\n%s/in\\ c/part$$\\ \\#.qdl:\r\nsub\\ dir/x.qdl:\r\n' \
  "$dir" "$dir" >expected.d
cmp expected.d out.d
build
runs 1
sleep 1
touch 'in c/part$ #.qdl'
build
runs 2
sleep 1
printf "$uses \"part\$ #\";\n" >'my prog$#.qdl'
rm 'sub dir/x.qdl'
build
runs 3
echo "$tool reads the dependency file"
