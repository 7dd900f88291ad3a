#include <cstdio>

#include "driver/driver.h"

int main(int argc, char** argv) {
  int status = qdl::RunQdl(argc, argv);
  fflush(stdout);
  return status;
}
