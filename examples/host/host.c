/* A minimal host for the bundled example: it embeds the image that qdl
   compiled from robot.qdl in C format and walks it, printing what it
   would execute.  Build: qdl robot.qdl robot.h; cc -I. host.c
   With --table it prints its command table in the form of qdl's dump,
   so that a test can check it against the example's declarations. */
#include <stdio.h>
#include <string.h>

static const unsigned char image[] = {
#include "robot.h"
};

/* The host's command set: it must match the commands declared in
   robot.qdl (codes and operand sizes). */
struct Command {
  int code;
  const char* name;
  int operandCount;
  int sizes[10];
};
static const struct Command kCommands[] = {
    {2, "Stop", 0, {0}},       {3, "Go", 2, {2, 4}},  {4, "Wait", 1, {2}},
    {10, "Say", 1, {4}},       {11, "Turn", 1, {2}},  {20, "Shine", 1, {1}},
};
enum { kCommandCount = sizeof kCommands / sizeof kCommands[0] };

static const struct Command* FindCommand(int code) {
  for (int i = 0; i < kCommandCount; ++i)
    if (kCommands[i].code == code) return &kCommands[i];
  return NULL;
}

static long ReadValue(size_t at, int size) {
  unsigned long value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | image[at + i];
  if (size == 1) return (long)value; /* brightness and the like: 0..255 */
  if (size == 2) return (long)(short)value;
  return (long)(int)(unsigned int)value;
}

/* Texts are Windows-1251; the terminal wants UTF-8. */
static void PrintText(size_t at) {
  putchar('"');
  for (; at < sizeof image && image[at] != 0; ++at) {
    unsigned c = image[at], code = c;
    if (c >= 0xC0) code = 0x410 + (c - 0xC0);
    else if (c == 0xA8) code = 0x401;
    else if (c == 0xB8) code = 0x451;
    if (code < 0x80) putchar((int)code);
    else printf("%c%c", 0xC0 | (code >> 6), 0x80 | (code & 0x3F));
  }
  putchar('"');
}

static void PrintTable(void) {
  for (int i = 0; i < kCommandCount; ++i) {
    printf("Command %d", kCommands[i].code);
    for (int k = 0; k < kCommands[i].operandCount; ++k) printf(k == 0 ? " [%d]" : ", [%d]", kCommands[i].sizes[k]);
    printf("\n");
  }
}

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "--table") == 0) {
    PrintTable();
    return 0;
  }
  size_t at = 0;
  while (at < sizeof image) {
    int node = -1;
    printf("%04zu ", at);
    if (image[at] == 0) {
      printf("end of code\n");
      ++at;
      break;
    }
    if (image[at] == 1) { /* node header: number, length of the command */
      node = (int)ReadValue(at + 1, 2);
      at += 4;
    }
    const struct Command* command = FindCommand(image[at]);
    if (command == NULL) {
      printf("unknown code %d\n", image[at]);
      return 1;
    }
    if (node >= 0) printf("node %d: ", node);
    printf("%s", command->name);
    ++at;
    for (int k = 0; k < command->operandCount; ++k) {
      long value = ReadValue(at, command->sizes[k]);
      printf(k == 0 ? " " : ", ");
      if (command->code == 10) PrintText((size_t)value);
      else printf("%ld", value);
      at += (size_t)command->sizes[k];
    }
    printf("\n");
  }
  printf("strings:\n");
  while (at < sizeof image) {
    printf("%04zu ", at);
    PrintText(at);
    printf("\n");
    at += strlen((const char*)image + at) + 1;
  }
  return 0;
}
