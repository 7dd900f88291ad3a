/* Prints what the host knows of the program: a constant of the included
   file, the image's size and its first command. */
#include <stdio.h>

static const unsigned char image[] = {
#include "image.h"
};
#include "commands.h"

int main(void) {
  printf("Part %d, size %d, first code %d of %d\n", QDL_CONST_Part, QDL_IMAGE_SIZE, image[0], QDL_CMD_Go);
  return sizeof image == QDL_IMAGE_SIZE ? 0 : 1;
}
