// Memory running out at each allocation of a whole compilation in turn:
// operator new is replaced by one that fails once, at the Nth call.
// Every such run must end normally with message -15 and a failure status,
// leave every file either as it was or whole, leave no temporary file,
// and leave the process fit for the next run.  A separate program, since
// the replacement is process-wide.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "driver/driver.h"
#include "tests/unit/test_util.h"

namespace {

// -1: no failure planned; otherwise the number of allocations still to
// succeed.
long allocationsBeforeFailure = -1;
bool failureMade = false;

bool FailNow() {
  if (allocationsBeforeFailure < 0) return false;
  if (allocationsBeforeFailure-- > 0) return false;
  failureMade = true;
  return true;
}

void* Allocate(size_t size) {
  if (FailNow()) throw std::bad_alloc();
  if (void* memory = malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

// Callers of the non-throwing form have a way without the memory (the
// standard library's stable sort does): only throwing allocations fail.
void* AllocateOrNull(size_t size) noexcept { return malloc(size == 0 ? 1 : size); }

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* memory) noexcept { free(memory); }
void operator delete[](void* memory) noexcept { free(memory); }
void operator delete(void* memory, size_t) noexcept { free(memory); }
void operator delete[](void* memory, size_t) noexcept { free(memory); }

namespace qdl {
namespace {

using test::Win1251;

std::string ReadSource(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Runs the compiler with the failure planned at allocation `n` (-1: none)
// of the run itself; the arguments and the captured output are made ready
// outside it.
test::RunResult RunFailingAt(long n, const std::vector<const char*>& argv = {"qdl", "-V", "-L", "-D", "-S", "p"}) {
  std::string out;
  out.reserve(1 << 16);
  SetStdoutCapture(&out);
  failureMade = false;
  allocationsBeforeFailure = n;
  int status = RunQdl(static_cast<int>(argv.size()), argv.data());
  allocationsBeforeFailure = -1;
  SetStdoutCapture(nullptr);
  return {status, out};
}

bool HasTemporaries() {
  bool found = false;
  if (DIR* handle = opendir(".")) {
    while (dirent* entry = readdir(handle)) found = found || std::string(entry->d_name).rfind(".qdl-", 0) == 0;
    closedir(handle);
  }
  return found;
}

TEST(OutOfMemory, AtEveryAllocation) {
  test::ScratchDir dir;
  // Types, nodes, strings, a forward label (two passes) and an include.
  dir.Write("p.qdl", Win1251("используется \"part\";\n") + ReadSource(QDL_EXAMPLE));
  dir.Write("part.qdl", Win1251("Лишняя = 7;\nТекст = \"часть\";\n"));
  const char* const kFiles[] = {"p.h", "p.lst", "p.dmp", "p.sta"};
  for (const char* name : kFiles) dir.Write(name, "old");
  test::RunResult clean = RunFailingAt(-1);
  ASSERT_EQ(clean.status, 0) << clean.out;
  std::string whole[4];
  for (int i = 0; i < 4; ++i) whole[i] = dir.Read(kFiles[i]);
  const std::string message = Win1251("исчерпаны ресурсы оперативной памяти");
  long runs = 0;
  std::string firstPassListing;
  for (long n = 0;; ++n) {
    for (const char* name : kFiles) dir.Write(name, "old");
    test::RunResult result = RunFailingAt(n);
    if (!failureMade) break;
    ++runs;
    EXPECT_GE(result.status, 1) << "failure at allocation " << n;
    EXPECT_NE(result.out.find(message), std::string::npos) << "failure at allocation " << n << ": " << result.out;
    for (int i = 0; i < 4; ++i) {
      std::string now = dir.Read(kFiles[i]);
      // The first pass's listing is whole too, and stays when memory
      // runs out in the second pass.
      if (i == 1 && now != "old" && now != whole[i] && firstPassListing.empty()) firstPassListing = now;
      EXPECT_TRUE(now == "old" || now == whole[i] || (i == 1 && now == firstPassListing)) << kFiles[i] << " after a failure at allocation " << n << ":\n" << now << "\n" << result.out;
    }
    EXPECT_FALSE(HasTemporaries()) << "failure at allocation " << n;
    if (HasFailure()) break;
  }
  EXPECT_GT(runs, 100);
  printf("%ld runs, each with memory running out at a later allocation\n", runs);
  // The process is as good as new.
  test::RunResult again = RunFailingAt(-1);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, clean.out);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dir.Read(kFiles[i]), whole[i]);
}

TEST(OutOfMemory, WhileReportingAListingWriteError) {
  // The listing cannot be written: memory running out while that is
  // reported still ends the run with message -15, whether the listing is
  // the first pass's, closed between the passes, or the only pass's,
  // closed as the run ends.
  for (const char* source : {"S = \"x\";\n", "A = 1;\n"}) {
    SCOPED_TRACE(source);
    test::ScratchDir dir;
    dir.Write("p.qdl", source);
    ASSERT_EQ(symlink("/dev/full", "p.lst"), 0);
    const std::string message = Win1251("исчерпаны ресурсы оперативной памяти");
    long runs = 0;
    for (long n = 0;; ++n) {
      test::RunResult result = RunFailingAt(n, {"qdl", "-L", "p"});
      if (!failureMade) break;
      ++runs;
      EXPECT_GE(result.status, 1) << "failure at allocation " << n;
      EXPECT_NE(result.out.find(message), std::string::npos) << "failure at allocation " << n << ": " << result.out;
      if (HasFailure()) break;
    }
    EXPECT_GT(runs, 10);
  }
}

}  // namespace
}  // namespace qdl
