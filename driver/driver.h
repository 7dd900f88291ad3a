// The compiler as a whole: banner, command line, one or two passes, the
// output step and the exit status.
#pragma once

namespace qdl {

// Runs the compiler on the arguments and returns the exit status.  Every
// subsystem is reset first, so it may run many times in one process.
int RunQdl(int argc, const char* const* argv);

// Puts every subsystem back to its start state: what RunQdl does first
// and last, and what tests that drive a subsystem alone start from.
void ResetCompilerState();

}  // namespace qdl
