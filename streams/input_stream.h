// The stack of input streams: the main source and every included file.
// The lexical analyzer reads its characters from the innermost stream;
// at its end reading continues, without a break, in the stream below.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"

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
  void UngetChar(int c);
  // Offset in the file of the next character to be read (the pushback
  // counted back).
  int64_t NextOffset() const { return blockBase + (position - start) - pushCount; }

  // The unread bytes of the current block: [position, limit).  Every one
  // of them is a byte the stream delivers next (none is 0), so a reader
  // may take them directly while no character is pushed back, counting
  // the lines it passes (NoteLineEnd); the next block, the pushback and
  // the stream's end are GetChar's business.
  const unsigned char* position = nullptr;
  const unsigned char* limit = nullptr;
  // The start of the block: bytes from here to `position` have been
  // delivered.  `blockBase` is its offset in the file.
  const unsigned char* start = nullptr;
  int64_t blockBase = 0;

  // A line end just taken directly from the block, before `next`.
  void NoteLineEnd(const unsigned char* next) {
    ++line;
    lineStart = blockBase + (next - start);
  }

  InputStream* previous;
  unsigned char pushBack[kPushBackCapacity];
  int32_t pushCount;
  int32_t line;
  const char* fileName;  // not owned: this stream's or an older one's name
  int32_t status;        // 0, or the negative message number of a failure
  int32_t fileNumber;    // the file's entry in the table of files read, or -1
  int64_t lineStart;     // offset of the current line's first character
};

class SourceFileStream : public InputStream {
 public:
  // Opens `name` (default extension added when it has none) and becomes
  // the current stream whether or not the file could be opened.
  // `shownName`, when given, is the name as the source wrote it, which
  // messages give instead of `name` (the name looked up).
  SourceFileStream(const char* name, const char* defaultExtension,
                          int32_t requestedSize, const char* searchPath,
                          const char* shownName = nullptr);
  ~SourceFileStream() override;
  int GetChar() override;
  // The next block of Windows-1251 bytes (a UTF-8 file decoded), returning
  // its first byte; 0 at the end of the file.  The one place where the
  // source's bytes are obtained.
  int FillBuffer();

  FILE* file;
  unsigned char* buffer;  // bufferSize + 2 bytes, always 0-terminated
  int32_t bufferSize;
  std::string pathName;
  bool utf8 = false;  // read as UTF-8 and decoded to Windows-1251

 private:
  // The constructor's work: the buffer, the file and its first block.
  void Open(const char* name, const char* defaultExtension, const char* searchPath,
            const char* shownName);
  bool OpenFile(const char* name, const char* defaultExtension, const char* searchPath,
                const char* shownName);
  void Reject(Message message, const char* name, const char* searchPath);
  int FillUtf8();
  int32_t DecodeChunk(int32_t limit);
  int64_t SkipDecoded(int32_t count);
  int NextRawByte();
  int64_t NextCodePoint();

  // The block ends at the first 0 from `position` (a 0 byte of the file,
  // or the end of what the buffer holds).
  void SetLimit();

  bool statusReported = false;  // the failure was reported at construction
  int32_t blockLength = 0;      // characters the buffer holds
  // A UTF-8 file is decoded in chunks: each ends where its block does or
  // at a character Windows-1251 lacks, which is then pending (and the 0
  // after the chunk is no byte of the file).
  int32_t blockCapacity = 0;
  int32_t blockLeft = 0;  // decoded bytes still due in the current block
  unsigned char* chunkEnd = nullptr;
  bool hasPending = false;
  bool firstBlock = true;
  uint32_t pendingCodePoint = 0;
  unsigned char* raw = nullptr;  // the file's bytes as read
  size_t rawPosition = 0;
  size_t rawEnd = 0;
};

// Set by the lexical analyzer while it skips a comment: a character of a
// UTF-8 source that Windows-1251 lacks is then ignored, not reported.
extern bool InsideComment;

extern InputStream* CurrentStream;

// The point of the character read last from the current stream.
inline SourcePoint PointOfLastChar() {
  InputStream* stream = CurrentStream;
  if (stream == nullptr || stream->fileNumber < 0) return {};
  return {stream->fileNumber, stream->line, stream->lineStart, stream->NextOffset() - 1};
}

// ReadChar when the next byte is not simply the next one of the block.
int ReadCharSlow();

// The next byte of the whole input, or 0 when none is left.
inline int ReadChar() {
  InputStream* stream = CurrentStream;
  if (stream != nullptr && stream->position != stream->limit && stream->pushCount == 0 && !InputStopped) {
    int c = *stream->position++;
    if (c == '\n') stream->NoteLineEnd(stream->position);
    return c;
  }
  return ReadCharSlow();
}

// The stream whose block bytes a scanner may take directly (advancing
// `position` and noting line ends itself), or null when the next byte
// must come through ReadChar: none buffered, one pushed back, input
// stopped.
inline InputStream* DirectStream() {
  InputStream* stream = CurrentStream;
  if (stream != nullptr && stream->position != stream->limit && stream->pushCount == 0 && !InputStopped)
    return stream;
  return nullptr;
}

// Number of streams on the stack.
int StreamDepth();

// Opens the main source of a pass (default extension ".qdl"); it becomes
// the current stream even when it cannot be opened (the failure is
// reported).  The pass's count of include files starts again.  Returns
// a guess of the number of lines in the file (0 when it was not opened),
// from its size and the line ends of a sample of it.
int64_t OpenMainSource(const std::string& name);

// Include nesting and count: a file that includes itself ends quickly.
constexpr int kMaxIncludeDepth = 64;
constexpr int32_t kMaxIncludeFiles = 10000;

// Directories searched for include files, separated by ";".
void SetIncludeSearchPath(const std::string& path);
// The files the compiler writes in this run: an include file that is one
// of them is refused with message -25 and not read.
void SetWrittenFiles(const std::vector<std::string>& names);
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
