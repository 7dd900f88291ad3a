#!/bin/sh
# Compiles declarations/program.qdl with --commands in the language TOOL
# reads, has TOOL build a host that prints every value the file declares
# (and, in C and C++, the command table), and compares what it prints with
# declarations/expected.txt, typed from the program.
#   declarations.sh QDL DIR TOOL WORKDIR   TOOL: gcc, g++, clang, clang++, fpc or nasm
# Exits 77 (skipped) when TOOL is not installed.
set -eu
qdl=$1 dir=$2 tool=$3 work=$4
command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp "$dir/program.qdl" prog.qdl
grep -v '^command' "$dir/expected.txt" >expected.txt
case $tool in
  gcc | g++ | clang | clang++)
    "$qdl" --commands=decls.h prog.qdl image.h >/dev/null
    cp "$dir/expected.txt" expected.txt
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
    case $tool in
      gcc | clang) "$tool" -std=c99 -Wall -Wextra -pedantic -Werror -x c host.c -o host ;;
      *) "$tool" -std=c++11 -Wall -Wextra -pedantic -Werror -x c++ host.c -o host ;;
    esac
    ./host >out.txt
    # A host that uses only the macros includes the table without a warning.
    printf '#include "decls.h"\nint main(void) { return QDL_CMD_Ctop - 2; }\n' >macros.c
    case $tool in
      gcc | clang) "$tool" -std=c99 -Wall -Wextra -pedantic -Werror -x c macros.c -o macros ;;
      *) "$tool" -std=c++11 -Wall -Wextra -pedantic -Werror -x c++ macros.c -o macros ;;
    esac
    ;;
  fpc)
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
  nasm)
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
    echo "unknown tool $tool"
    exit 2
    ;;
esac
diff expected.txt out.txt
echo "$tool reads the $(wc -l <expected.txt) values of the declarations"
