#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "driver/driver.h"

namespace {

// A standard descriptor the caller closed is held open on /dev/null for
// reading, so that no file the compiler opens takes its number (messages
// would land in it) while writes to it still fail as on a closed one.
void HoldStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    int held = open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  HoldStandardDescriptors();
  int status = qdl::RunQdl(argc, argv);
  // Messages that could not be written (a full device, a closed
  // descriptor) make the run a failure.
  if ((fflush(stdout) != 0 || ferror(stdout)) && status == 0) status = 1;
  return status;
}
