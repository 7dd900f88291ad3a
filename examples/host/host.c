/* A minimal host for the bundled example: it embeds the image that qdl
   compiled from robot.qdl in C format and walks it, printing what it
   would execute, with the commands' names as the source declares them.
   Build: qdl --commands=robot_commands.h robot.qdl robot.h; cc -I. host.c */
#include <stdio.h>
#include <string.h>

static const unsigned char image[] = {
#include "robot.h"
};

/* The command set comes from the same source: qdl writes it with
   --commands=robot_commands.h, so a changed source cannot leave the host
   decoding with stale codes or operand sizes. */
#include "robot_commands.h"

/* Both files come from one compilation: the sizes agree. */
typedef char image_size_agrees[sizeof image == QDL_IMAGE_SIZE ? 1 : -1];

static const struct qdl_command* FindCommand(int code) {
  for (int i = 0; i < QDL_COMMAND_COUNT; ++i)
    if (qdl_commands[i].code == code) return &qdl_commands[i];
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

int main(void) {
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
    const struct qdl_command* command = FindCommand(image[at]);
    if (command == NULL) {
      printf("unknown code %d\n", image[at]);
      return 1;
    }
    if (node >= 0) printf("node %d: ", node);
    if (command->type != NULL) printf("%s.", command->type);
    printf("%s", command->name);
    ++at;
    for (int k = 0; k < command->operand_count; ++k) {
      long value = ReadValue(at, command->operand_sizes[k]);
      printf(k == 0 ? " " : ", ");
      /* Robot's Say (Сказать) takes the address of a text. */
      if (command->code == QDL_CMD_Pobot_Ckazat) PrintText((size_t)value);
      else printf("%ld", value);
      at += (size_t)command->operand_sizes[k];
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
