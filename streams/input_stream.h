// The stack of input streams: the main source and every included file.
// The lexical analyzer reads its characters from the innermost stream;
// at its end reading continues, without a break, in the stream below.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qdl {

// Look-ahead of the lexical analyzer: it pushes back at most two
// characters, so ten leave room and an eleventh is a compiler fault.
constexpr int kPushBackCapacity = 10;

// Requested block sizes; the stream reduces them to a multiple of 512.
// A 0 byte ends its block, so the sizes are part of what a source means.
constexpr int32_t kMainBufferRequest = 10000;    // gives 9728
constexpr int32_t kIncludeBufferRequest = 1000;  // gives 512

class InputStream {
 public:
  InputStream();
  virtual ~InputStream();
  // The next byte of this stream (1..255), or 0 at its end.
  virtual int GetChar() = 0;
  virtual void UngetChar(int c);

  InputStream* previous;
  unsigned char pushBack[kPushBackCapacity];
  int32_t pushCount;
  int32_t line;
  const char* fileName;  // not owned: this stream's or an older one's name
  int32_t status;        // 0, or the negative message number of a failure
};

class SourceFileStream : public InputStream {
 public:
  // Opens `name` (default extension added when it has none) and becomes
  // the current stream whether or not the file could be opened.
  SourceFileStream(const char* name, const char* defaultExtension,
                          int32_t requestedSize, const char* searchPath);
  ~SourceFileStream() override;
  int GetChar() override;
  int FillBuffer();

  FILE* file;
  unsigned char* buffer;  // bufferSize + 2 bytes, always 0-terminated
  unsigned char* position;
  int32_t bufferSize;
  std::string pathName;

 private:
  bool OpenFile(const char* name, const char* defaultExtension, const char* searchPath);
  bool statusReported = false;  // the failure was reported at construction
};

extern InputStream* CurrentStream;

// The next byte of the whole input, or 0 when none is left.
int ReadChar();

// Number of streams on the stack.
int StreamDepth();

// Opens the main source of a pass (default extension ".qdl"); it becomes
// the current stream even when it cannot be opened (the failure is
// reported).  The pass's count of include files starts again.
void OpenMainSource(const std::string& name);

// Include nesting and count: a file that includes itself ends quickly.
constexpr int kMaxIncludeDepth = 64;
constexpr int32_t kMaxIncludeFiles = 10000;

// Directories searched for include files, separated by ";".
void SetIncludeSearchPath(const std::string& path);
// Opens an include file as the current stream, or reports why not: too
// deep, too many, or not found.
void OpenIncludeFile(const char* name);

// Every source file opened since the reset, each once, in the order first
// opened, named as it was opened (for dependency files).
const std::vector<std::string>& OpenedSourceFiles();

// Closes every open stream, innermost first, and clears the counters and
// the opened files.
void ResetStreams();

}  // namespace qdl
