#include "streams/input_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "files/paths.h"
#include "text/encoding.h"

namespace qdl {

InputStream* CurrentStream = nullptr;
bool InsideComment = false;

namespace {

// Module name and source lines that assertion reports carry.
constexpr const char* kModule = "BASELEX";
constexpr int32_t kPushBackAssertionLine = 43;

// Block sizes are multiples of 512 between 512 and 32256.
constexpr int32_t kBlockBits = 0x7E00;
constexpr int32_t kMinBlock = 512;
// The file is read this many blocks at a time.
constexpr size_t kBlocksPerRead = 8;

// Include files opened in this pass, and where they are looked for.
int32_t includeFilesOpened = 0;
std::string includeSearchPath;
std::vector<std::string> writtenFiles;

std::vector<std::string> openedFiles;
std::unordered_set<std::string> openedFileSet;
// Every file opened in the run, for the source lines a terminal is shown.
struct FileEntry {
  std::string path;
  bool utf8;
  bool byteOrderMark;
};
std::vector<FileEntry> filesRead;

// Bytes read at a time from a UTF-8 file, to check it and to decode it.
constexpr size_t kRawChunk = 16384;
// Bytes of a large main source sampled for its number of lines.
constexpr size_t kLineSample = 8192;

SourceLocation CurrentLocation() {
  if (CurrentStream == nullptr) return {};
  return {CurrentStream->fileName, CurrentStream->line};
}

// Whether the whole file is strict UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF) with a byte-order mark or a character beyond
// ASCII.  The file is read through once, in chunks.
bool IsUtf8File(FILE* file, bool& byteOrderMark) {
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[kRawChunk]);
  byteOrderMark = false;
  bool multibyte = false;
  bool first = true;
  int need = 0;  // continuation bytes still due
  unsigned char low = 0x80, high = 0xBF;
  for (size_t count; (count = fread(chunk.get(), 1, kRawChunk, file)) > 0;) {
    const unsigned char* p = chunk.get();
    const unsigned char* end = p + count;
    if (first && count >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) byteOrderMark = true;
    first = false;
    while (p < end) {
      // ASCII, the most of a source, eight bytes at a time.
      if (need == 0 && end - p >= 8) {
        uint64_t word;
        memcpy(&word, p, 8);
        if ((word & 0x8080808080808080u) == 0) {
          p += 8;
          continue;
        }
      }
      unsigned char b = *p++;
      if (need == 0) {
        if (b < 0x80) continue;
        multibyte = true;
        low = 0x80;
        high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
          need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
          need = 2;
          if (b == 0xE0) low = 0xA0;
          if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
          need = 3;
          if (b == 0xF0) low = 0x90;
          if (b == 0xF4) high = 0x8F;
        } else {
          return false;
        }
      } else {
        if (b < low || b > high) return false;
        --need;
        low = 0x80;
        high = 0xBF;
      }
    }
  }
  if (ferror(file)) return false;
  return need == 0 && (byteOrderMark || multibyte);
}

// The line holding a point, read again from its file, and the caret line
// under it: a tab for each tab before the point, a space for each other
// character.  Both are indented by four spaces and given in UTF-8.
bool ReadExcerpt(const SourcePoint& point, Excerpt& excerpt) {
  if (point.file < 0 || static_cast<size_t>(point.file) >= filesRead.size()) return false;
  const FileEntry& entry = filesRead[static_cast<size_t>(point.file)];
  excerpt.fileName = entry.path;
  FILE* file = fopen(entry.path.c_str(), "rb");
  if (file == nullptr) return false;
  int64_t column = point.offset - point.lineStart;
  std::string text, caret;
  int64_t index = 0;  // characters of the line so far
  int c;
  if (entry.utf8) {
    if (entry.byteOrderMark) fseek(file, 3, SEEK_SET);
    // Characters are counted at their first byte.
    int64_t characters = 0;
    while ((c = getc(file)) != EOF) {
      if ((c & 0xC0) == 0x80) continue;
      if (characters == point.lineStart) break;
      ++characters;
    }
    for (; c != EOF && c != '\n'; c = getc(file)) {
      if ((c & 0xC0) != 0x80 && index++ < column) caret += c == '\t' ? '\t' : ' ';
      text += static_cast<char>(c);
    }
  } else {
    if (fseek(file, static_cast<long>(point.lineStart), SEEK_SET) != 0) {
      fclose(file);
      return false;
    }
    for (; (c = getc(file)) != EOF && c != '\n';) {
      if (index++ < column) caret += c == '\t' ? '\t' : ' ';
      AppendUtf8(text, CodePointFromCp1251(static_cast<unsigned char>(c)));
    }
  }
  fclose(file);
  if (c == '\n' && !text.empty() && text.back() == '\r') text.pop_back();
  excerpt.lines = "    " + text + "\n    " + caret + "^\n";
  return true;
}

}  // namespace

InputStream::InputStream()
    : previous(CurrentStream),
      pushBack{},
      pushCount(0),
      line(0),
      fileName(nullptr),
      status(0),
      fileNumber(-1),
      lineStart(0) {
  if (CurrentStream != nullptr) {
    line = CurrentStream->line;
    fileName = CurrentStream->fileName;
  }
  CurrentStream = this;
  SetLocationSource(&CurrentLocation);
  SetExcerptSource(&ReadExcerpt);
}

InputStream::~InputStream() { CurrentStream = previous; }

void InputStream::UngetChar(int c) {
  if (pushCount == 0 && position != start && position[-1] == c) {
    // The byte just before `position` is the one the pushback would hand
    // out next, followed by the bytes from `position`: step back instead.
    --position;
    if (c == '\n') --line;
    return;
  }
  if (pushCount >= kPushBackCapacity) {
    // The character is dropped: the pushback holds only ten.
    ReportAssertion(kModule, kPushBackAssertionLine);
    return;
  }
  if (c == '\n') --line;
  pushBack[pushCount++] = static_cast<unsigned char>(c);
}

SourceFileStream::SourceFileStream(const char* name, const char* defaultExtension,
                                                 int32_t requestedSize, const char* searchPath,
                                                 const char* shownName)
    : file(nullptr), buffer(nullptr), bufferSize(0) {
  bufferSize = requestedSize & kBlockBits;
  if (bufferSize < kMinBlock) bufferSize = kMinBlock;
  blockCapacity = bufferSize;
  // Out of memory an allocation throws, like any other: the compiler
  // reports it once, at the current location, and stops.  A constructor
  // that throws has no destructor run, so what it holds is let go here.
  try {
    Open(name, defaultExtension, searchPath, shownName);
  } catch (...) {
    if (file != nullptr) fclose(file);
    file = nullptr;
    delete[] buffer;
    delete[] raw;
    buffer = raw = nullptr;
    position = limit = start = nullptr;
    throw;
  }
}

void SourceFileStream::Open(const char* name, const char* defaultExtension, const char* searchPath,
                            const char* shownName) {
  buffer = new unsigned char[bufferSize + 2];
  position = limit = start = buffer;
  buffer[0] = 0;
  if (name == nullptr) {
    status = kBadFileName;
    return;
  }
  if (!OpenFile(name, defaultExtension, searchPath, shownName != nullptr ? shownName : name)) return;
  // Several blocks per read call: blocks are small, sources may be large.
  setvbuf(file, nullptr, _IOFBF, static_cast<size_t>(bufferSize) * kBlocksPerRead);
  fileName = pathName.c_str();
  line = 1;
  lineStart = 0;
  bool byteOrderMark = false;
  utf8 = IsUtf8File(file, byteOrderMark);
  if (utf8) raw = new unsigned char[kRawChunk];
  fseek(file, utf8 && byteOrderMark ? 3 : 0, SEEK_SET);
  fileNumber = static_cast<int32_t>(filesRead.size());
  filesRead.push_back({pathName, utf8, utf8 && byteOrderMark});
  if (utf8) {
    blockLeft = blockCapacity;
    DecodeChunk(blockLeft);
  } else {
    FillBuffer();
  }
  // The first block is read from its first byte: a 0 there skips it.
  position = buffer;
  SetLimit();
}

void SourceFileStream::SetLimit() {
  limit = position + strlen(reinterpret_cast<const char*>(position));
}

// The name of a main source came from the command line; an include's,
// from a source.
void SourceFileStream::Reject(Message message, const char* name, const char* searchPath) {
  if (searchPath != nullptr)
    ReportName(message, name);
  else
    ReportFile(message, name);
}

bool SourceFileStream::OpenFile(const char* name, const char* defaultExtension,
                                       const char* searchPath, const char* shownName) {
  pathName = name;
  if (defaultExtension != nullptr) pathName = WithDefaultExtension(pathName, defaultExtension);
  if (pathName.size() > kMaxPathName) {
    status = kBadFileName;
    statusReported = true;
    Reject(kBadFileName, shownName, searchPath);
    return false;
  }
  if (!PathExists(pathName) && SplitPath(pathName).directory.empty() && searchPath != nullptr) {
    std::string found;
    std::string candidate = AbsolutePath(pathName);
    if (PathExists(candidate)) found = candidate;
    const char* entry = searchPath;
    while (found.empty() && *entry != '\0') {
      const char* end = strchr(entry, ';');
      size_t length = end != nullptr ? static_cast<size_t>(end - entry) : strlen(entry);
      if (length > 0) {
        candidate.assign(entry, length);
        if (candidate.back() != '/') candidate += '/';
        candidate += pathName;
        if (PathExists(candidate)) found = AbsolutePath(candidate);
      }
      entry += length;
      if (*entry == ';') ++entry;
    }
    if (!found.empty()) pathName = found;
  }
  // An include file may not be a file this run writes: reading it would
  // compile a listing or an image, or read a file while it is replaced.
  if (searchPath != nullptr && !writtenFiles.empty()) {
    FileIdentity include = IdentifyFile(pathName);
    for (const std::string& written : writtenFiles) {
      if (SameFile(include, IdentifyFile(written))) {
        status = kSameFile;
        ReportFileAt(TextPoint(shownName), kSameFile, written);
        return false;
      }
    }
  }
  // Directories, devices and FIFOs are refused like missing files: reading
  // them could block or fail in ways a source file never does.
  if (!IsRegularFile(pathName) || (file = fopen(pathName.c_str(), "rb")) == nullptr) {
    status = kFileNotFound;
    Reject(kFileNotFound, shownName, searchPath);
    return false;
  }
  if (openedFileSet.insert(pathName).second) openedFiles.push_back(pathName);
  return true;
}

SourceFileStream::~SourceFileStream() {
  if (file != nullptr) fclose(file);
  delete[] buffer;
  delete[] raw;
  if ((status == kReadError || status == kBadFileName) && !statusReported)
    ReportInDestructor(static_cast<Message>(status), fileName);
}

int SourceFileStream::FillBuffer() {
  if (utf8) return FillUtf8();
  blockBase += blockLength;
  blockLength = 0;
  if (bufferSize != 0 && file != nullptr) {
    size_t count = fread(buffer, 1, static_cast<size_t>(bufferSize), file);
    if (count == 0 && ferror(file)) {
      status = kReadError;
    } else if (count > 0) {
      bufferSize = static_cast<int32_t>(count);
      blockLength = bufferSize;
      buffer[count] = 0;
      position = buffer + 1;
      return buffer[0];
    }
  }
  position = buffer;
  if (buffer != nullptr) buffer[0] = 0;
  bufferSize = 0;
  return 0;
}

int SourceFileStream::NextRawByte() {
  if (rawPosition == rawEnd) {
    rawPosition = 0;
    rawEnd = file != nullptr ? fread(raw, 1, kRawChunk, file) : 0;
    if (rawEnd == 0) {
      if (file != nullptr && ferror(file)) status = kReadError;
      return -1;
    }
  }
  return raw[rawPosition++];
}

// The next character of a UTF-8 file, or -1 at its end.  The file was
// found valid; should it have changed since, a broken sequence reads as
// U+FFFD, which Windows-1251 lacks.
int64_t SourceFileStream::NextCodePoint() {
  int b = NextRawByte();
  if (b < 0x80) return b;
  int need = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (need == 0) return 0xFFFD;
  uint32_t code = static_cast<uint32_t>(b) & (0x3F >> need);
  for (; need > 0; --need) {
    if (rawPosition < rawEnd && (raw[rawPosition] & 0xC0) != 0x80) return 0xFFFD;
    int c = NextRawByte();
    if (c < 0) return 0xFFFD;
    code = (code << 6) | (static_cast<uint32_t>(c) & 0x3F);
  }
  return code;
}

// Decodes up to `limit` bytes into the buffer as the current chunk; stops
// early at the end of the file or after a character Windows-1251 lacks,
// which becomes pending.
int32_t SourceFileStream::DecodeChunk(int32_t limit) {
  int32_t count = 0;
  hasPending = false;
  while (count < limit) {
    // ASCII and А..я, the most of a Russian source, without a call.
    if (rawPosition + 1 < rawEnd) {
      unsigned char b = raw[rawPosition];
      if (b < 0x80) {
        buffer[count++] = b;
        ++rawPosition;
        continue;
      }
      uint32_t code = ((b & 0x1Fu) << 6) | (raw[rawPosition + 1] & 0x3Fu);
      if ((b == 0xD0 || b == 0xD1) && (raw[rawPosition + 1] & 0xC0) == 0x80 && code >= 0x410 &&
          code <= 0x44F) {
        buffer[count++] = static_cast<unsigned char>(0xC0 + (code - 0x410));
        rawPosition += 2;
        continue;
      }
    }
    int64_t code = NextCodePoint();
    if (code < 0) break;
    int byte = Cp1251FromCodePoint(static_cast<uint32_t>(code));
    if (byte < 0) {
      hasPending = true;
      pendingCodePoint = static_cast<uint32_t>(code);
      break;
    }
    buffer[count++] = static_cast<unsigned char>(byte);
  }
  blockLeft -= count;
  chunkEnd = buffer + count;
  *chunkEnd = 0;
  position = buffer;
  return count;
}

// Reads past `count` decoded bytes unseen; returns the characters passed.
int64_t SourceFileStream::SkipDecoded(int32_t count) {
  int64_t characters = 0;
  while (count > 0) {
    int64_t code = NextCodePoint();
    if (code < 0) break;
    ++characters;
    if (Cp1251FromCodePoint(static_cast<uint32_t>(code)) >= 0) --count;
  }
  return characters;
}

// A 0 read from the buffer of a UTF-8 file: a 0 byte of the file, which
// ends its block as in any source, or the end of the chunk.
int SourceFileStream::FillUtf8() {
  if (chunkEnd == nullptr) return 0;
  const unsigned char* zero = position - 1;
  for (;;) {
    if (zero < chunkEnd) {
      // The rest of the block goes unread, a pending character with it.
      blockBase += (chunkEnd - buffer) + (hasPending ? 1 : 0) + SkipDecoded(blockLeft);
      hasPending = false;
      blockLeft = 0;
    } else {
      blockBase += chunkEnd - buffer;
      if (hasPending) {
        hasPending = false;
        if (!InsideComment) {
          char text[16];
          snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(pendingCodePoint));
          ReportAt({fileNumber, line, lineStart, blockBase}, kBadCharacter, text);
        }
        ++blockBase;
      }
    }
    if (blockLeft == 0) {
      blockLeft = blockCapacity;
      firstBlock = false;
    }
    bool blockStart = blockLeft == blockCapacity;
    int32_t count = DecodeChunk(blockLeft);
    if (count == 0 && !hasPending) {
      blockLeft = 0;
      return 0;
    }
    if (count == 0) {
      zero = chunkEnd;
      continue;
    }
    // A block after the first that starts with a 0 byte ends the file,
    // as it does when the bytes are read as they are.
    if (buffer[0] != 0 || (blockStart && !firstBlock)) {
      position = buffer + 1;
      return buffer[0];
    }
    zero = buffer;
  }
}

int SourceFileStream::GetChar() {
  int c;
  if (pushCount != 0) {
    c = pushBack[--pushCount];
  } else {
    if (position == nullptr) return 0;
    if (position != limit) {
      c = *position++;
    } else {
      // The 0 at `limit` ends the block: it is read, and the next block
      // comes in.
      ++position;
      c = FillBuffer();
      SetLimit();
    }
  }
  if (c == '\n') {
    ++line;
    lineStart = blockBase + (position - buffer) - pushCount;
  }
  return c;
}

int ReadCharSlow() {
  if (InputStopped) {
    while (CurrentStream != nullptr) delete CurrentStream;
  }
  while (CurrentStream != nullptr) {
    int c = CurrentStream->GetChar();
    if (c != 0) return c;
    delete CurrentStream;
  }
  return 0;
}

int StreamDepth() {
  int depth = 0;
  for (InputStream* s = CurrentStream; s != nullptr; s = s->previous) ++depth;
  return depth;
}

int64_t OpenMainSource(const std::string& name) {
  includeFilesOpened = 0;
  auto* stream = new SourceFileStream(name.c_str(), ".qdl", kMainBufferRequest, nullptr);
  struct stat info;
  if (stream->status != 0 || stream->file == nullptr || fstat(fileno(stream->file), &info) != 0)
    return 0;
  // The file's size times the share of line ends in a sample: a block
  // from its middle (the first lines of a source are seldom like the
  // rest), or its first block when it is small.
  auto size = static_cast<int64_t>(info.st_size);
  unsigned char sample[kLineSample];
  const unsigned char* first = stream->position;
  const unsigned char* last = stream->limit;
  if (size > 2 * static_cast<int64_t>(sizeof sample)) {
    ssize_t count = pread(fileno(stream->file), sample, sizeof sample, static_cast<off_t>(size / 2));
    if (count > 0) {
      first = sample;
      last = sample + count;
    }
  }
  if (last <= first) return 0;
  auto lineEnds = std::count(first, last, '\n');
  return static_cast<int64_t>(static_cast<double>(size) * static_cast<double>(lineEnds + 1) /
                              static_cast<double>(last - first));
}

void SetIncludeSearchPath(const std::string& path) { includeSearchPath = path; }

void SetWrittenFiles(const std::vector<std::string>& names) { writtenFiles = names; }

void OpenIncludeFile(const char* name) {
  if (StreamDepth() - 1 >= kMaxIncludeDepth) {
    ReportName(kIncludesTooDeep, name);
  } else if (includeFilesOpened >= kMaxIncludeFiles) {
    ReportName(kTooManyIncludes, name);
  } else {
    // A name written in a UTF-8 source is the file's UTF-8 name.
    SourcePoint point = TextPoint(name);
    bool utf8 = point.file >= 0 && filesRead[static_cast<size_t>(point.file)].utf8;
    std::string hostName = utf8 ? Utf8FromCp1251(name) : name;
    auto* stream = new SourceFileStream(hostName.c_str(), ".qdl", kIncludeBufferRequest,
                                               includeSearchPath.c_str(), name);
    if (stream->status == 0) ++includeFilesOpened;
  }
}

const std::vector<std::string>& OpenedSourceFiles() { return openedFiles; }

void ResetStreams() {
  while (CurrentStream != nullptr) delete CurrentStream;
  includeFilesOpened = 0;
  includeSearchPath.clear();
  writtenFiles.clear();
  openedFiles.clear();
  openedFileSet.clear();
  filesRead.clear();
  InsideComment = false;
}

}  // namespace qdl
