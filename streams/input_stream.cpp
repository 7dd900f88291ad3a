#include "streams/input_stream.h"

#include <cstring>
#include <new>
#include <unordered_set>

#include "diagnostics/diagnostics.h"
#include "files/paths.h"

namespace qdl {

InputStream* CurrentStream = nullptr;

namespace {

// Module name and source lines that assertion reports carry.
constexpr const char* kModule = "BASELEX";
constexpr int32_t kPushBackAssertionLine = 43;

// Block sizes are multiples of 512 between 512 and 32256.
constexpr int32_t kBlockBits = 0x7E00;
constexpr int32_t kMinBlock = 512;

// Include files opened in this pass, and where they are looked for.
int32_t includeFilesOpened = 0;
std::string includeSearchPath;

std::vector<std::string> openedFiles;
std::unordered_set<std::string> openedFileSet;

SourceLocation CurrentLocation() {
  if (CurrentStream == nullptr) return {};
  return {CurrentStream->fileName, CurrentStream->line};
}

}  // namespace

InputStream::InputStream()
    : previous(CurrentStream), pushBack{}, pushCount(0), line(0), fileName(nullptr), status(0) {
  if (CurrentStream != nullptr) {
    line = CurrentStream->line;
    fileName = CurrentStream->fileName;
  }
  CurrentStream = this;
  SetLocationSource(&CurrentLocation);
}

InputStream::~InputStream() { CurrentStream = previous; }

void InputStream::UngetChar(int c) {
  if (pushCount >= kPushBackCapacity) {
    // The character is dropped: the pushback holds only ten.
    ReportAssertion(kModule, kPushBackAssertionLine);
    return;
  }
  if (c == '\n') --line;
  pushBack[pushCount++] = static_cast<unsigned char>(c);
}

SourceFileStream::SourceFileStream(const char* name, const char* defaultExtension,
                                                 int32_t requestedSize, const char* searchPath)
    : file(nullptr), buffer(nullptr), position(nullptr), bufferSize(0) {
  bufferSize = requestedSize & kBlockBits;
  if (bufferSize < kMinBlock) bufferSize = kMinBlock;
  buffer = new (std::nothrow) unsigned char[bufferSize + 2];
  if (buffer == nullptr) {
    status = kOutOfMemory;
    return;
  }
  position = buffer;
  buffer[0] = 0;
  if (name == nullptr) {
    status = kBadFileName;
    return;
  }
  if (!OpenFile(name, defaultExtension, searchPath)) return;
  fileName = pathName.c_str();
  line = 1;
  FillBuffer();
  position = buffer;
}

bool SourceFileStream::OpenFile(const char* name, const char* defaultExtension,
                                       const char* searchPath) {
  pathName = name;
  if (defaultExtension != nullptr) pathName = WithDefaultExtension(pathName, defaultExtension);
  if (pathName.size() > kMaxPathName) {
    status = kBadFileName;
    statusReported = true;
    Report(kBadFileName, name);
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
    if (found.empty()) {
      status = kFileNotFound;
      Report(kFileNotFound, name);
      return false;
    }
    pathName = found;
  }
  // Directories, devices and FIFOs are refused like missing files: reading
  // them could block or fail in ways a source file never does.
  if (!IsRegularFile(pathName) || (file = fopen(pathName.c_str(), "rb")) == nullptr) {
    status = kFileNotFound;
    Report(kFileNotFound, name);
    return false;
  }
  if (openedFileSet.insert(pathName).second) openedFiles.push_back(pathName);
  return true;
}

SourceFileStream::~SourceFileStream() {
  if (file != nullptr) fclose(file);
  delete[] buffer;
  if ((status == kReadError || status == kOutOfMemory || status == kBadFileName) && !statusReported)
    Report(static_cast<Message>(status), fileName);
}

int SourceFileStream::FillBuffer() {
  if (bufferSize != 0 && file != nullptr) {
    size_t count = fread(buffer, 1, static_cast<size_t>(bufferSize), file);
    if (count == 0 && ferror(file)) {
      status = kReadError;
    } else if (count > 0) {
      bufferSize = static_cast<int32_t>(count);
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

int SourceFileStream::GetChar() {
  int c;
  if (pushCount != 0) {
    c = pushBack[--pushCount];
  } else {
    if (position == nullptr) return 0;
    c = *position++;
    if (c == 0) c = FillBuffer();
  }
  if (c == '\n') ++line;
  return c;
}

int ReadChar() {
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

void OpenMainSource(const std::string& name) {
  includeFilesOpened = 0;
  new SourceFileStream(name.c_str(), ".qdl", kMainBufferRequest, nullptr);
}

void SetIncludeSearchPath(const std::string& path) { includeSearchPath = path; }

void OpenIncludeFile(const char* name) {
  if (StreamDepth() - 1 >= kMaxIncludeDepth) {
    Report(kIncludesTooDeep, name);
  } else if (includeFilesOpened >= kMaxIncludeFiles) {
    Report(kTooManyIncludes, name);
  } else {
    auto* stream = new SourceFileStream(name, ".qdl", kIncludeBufferRequest, includeSearchPath.c_str());
    if (stream->status == 0) ++includeFilesOpened;
  }
}

const std::vector<std::string>& OpenedSourceFiles() { return openedFiles; }

void ResetStreams() {
  while (CurrentStream != nullptr) delete CurrentStream;
  includeFilesOpened = 0;
  includeSearchPath.clear();
  openedFiles.clear();
  openedFileSet.clear();
}

}  // namespace qdl
