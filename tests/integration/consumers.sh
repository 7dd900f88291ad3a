#!/bin/sh
# Has TOOL, a real consumer nobody here wrote, read what qdl writes for it.
#   consumers.sh image QDL SOURCE TOOL WORKDIR         TOOL: gcc, g++, fpc or nasm
# compiles SOURCE to a binary image and to the text format TOOL reads, has
# TOOL turn the text back into bytes, and checks they are the image byte
# for byte.
#   consumers.sh declarations QDL DIR TOOL WORKDIR  TOOL: also clang, clang++
# compiles DIR/program.qdl with --commands in the language TOOL reads, has
# TOOL build a host that prints every value the file declares (and, in C
# and C++, the command table), and compares what it prints with
# DIR/expected.txt, typed from the program.
# Exits 77 (skipped) when TOOL is not installed.
set -eu
what=$1 qdl=$2 source=$3 tool=$4 work=$5
command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"
if [ "$what" = image ]; then
  cp "$source" prog.qdl
else
  cp "$source/program.qdl" prog.qdl
  grep -v '^command' "$source/expected.txt" >expected.txt
fi

# Builds the C (or, by a C++ TOOL, C++) file $1 into $2, warnings as errors.
build_c() {
  case $tool in
    gcc | clang) "$tool" -std=c99 -Wall -Wextra -pedantic -Werror -x c "$1" -o "$2" ;;
    *) "$tool" -std=c++11 -Wall -Wextra -pedantic -Werror -x c++ "$1" -o "$2" ;;
  esac
}

case $what-$tool in
  image-gcc | image-g++)
    "$qdl" -fc prog.qdl image.h >/dev/null
    cat >dump.c <<'SRC'
#include <stdio.h>
static const unsigned char image[] = {
#include "image.h"
};
int main(void) { return fwrite(image, 1, sizeof image, stdout) == sizeof image ? 0 : 1; }
SRC
    build_c dump.c dump
    ./dump >out.bin
    ;;
  image-fpc)
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
  image-nasm)
    "$qdl" -fa prog.qdl image.inc >/dev/null
    printf '%%include "image.inc"\n' >wrapper.asm
    nasm -f bin wrapper.asm -o out.bin
    ;;
  declarations-gcc | declarations-g++ | declarations-clang | declarations-clang++)
    "$qdl" --commands=decls.h prog.qdl image.h >/dev/null
    cp "$source/expected.txt" expected.txt
    {
      printf '#include <stdio.h>\n#include "decls.h"\n#include "decls.h"\nint main(void) {\n  int i, k;\n'
      sed -n 's/^#define \(QDL_[A-Za-z0-9_]*\) .*/\1/p' decls.h | while read -r name; do
        printf '  printf("%s %%ld\\n", (long)%s);\n' "$name" "$name"
      done
      cat <<'SRC'
  for (i = 0; qdl_commands[i].name != NULL; ++i) {
    const struct qdl_command *c = &qdl_commands[i];
    printf("command %s %d %d", c->name, c->code, c->operand_count);
    for (k = 0; k < 10; ++k) printf(" %d", c->operand_sizes[k]);
    printf(" %s\n", c->type != NULL ? c->type : "-");
  }
  return i == QDL_COMMAND_COUNT ? 0 : 1;
}
SRC
    } >host.c
    build_c host.c host
    ./host >out.txt
    # A host that uses only the macros includes the table without a warning.
    printf '#include "decls.h"\nint main(void) { return QDL_CMD_Ctop - 2; }\n' >macros.c
    build_c macros.c macros
    ;;
  declarations-fpc)
    "$qdl" --commands=decls.pas prog.qdl image.h >/dev/null
    {
      printf 'program host;\nuses decls;\nbegin\n'
      sed -n 's/^  \(QDL_[A-Za-z0-9_]*\) = .*/\1/p' decls.pas | while read -r name; do
        printf "  writeln('%s ', %s);\n" "$name" "$name"
      done
      printf 'end.\n'
    } >host.pas
    fpc -vw host.pas >fpc.log || { cat fpc.log; exit 1; }
    ./host >out.txt
    ;;
  declarations-nasm)
    "$qdl" --commands=decls.asm prog.qdl image.h >/dev/null
    sed -n 's/^\(QDL_[A-Za-z0-9_]*\) equ .*/\1/p' decls.asm >names.txt
    {
      printf '%%include "decls.asm"\n'
      sed 's/^/dd /' names.txt
    } >host.asm
    nasm -f bin host.asm -o values.bin
    od -An -td4 -v -w4 values.bin | tr -d ' ' | paste -d ' ' names.txt - >out.txt
    ;;
  *)
    echo "unknown $what tool $tool"
    exit 2
    ;;
esac
if [ "$what" = image ]; then
  "$qdl" -fb prog.qdl image.bin >/dev/null
  cmp image.bin out.bin
  echo "$tool gives back the $(wc -c <image.bin)-byte image of $(basename "$source")"
else
  diff expected.txt out.txt
  echo "$tool reads the $(wc -l <expected.txt) values of the declarations"
fi
