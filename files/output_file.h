// An output file written through one buffer.  In text mode every "\n" is
// written as CR LF, on every host, as the files' readers expect.
//
// A file appears whole or not at all: when the name is a regular file or
// does not exist, the bytes go to a new temporary file in the same
// directory, which is renamed over the name only after everything has
// been written, flushed and closed without error.  A symbolic link is
// followed (the file it points to is replaced, the link stays) and a
// replaced file keeps its permission bits.  A name that exists and is not
// a regular file (a device, a FIFO) is written directly.  On failure, on
// Discard, when the object is destroyed unfinished, and when the process
// is ended by SIGINT, SIGTERM or SIGHUP, the temporary file is removed and
// the file under the name stays exactly as it was.
#pragma once

#include <cstdio>
#include <string>

namespace qdl {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // An unfinished file is discarded, not put in place.
  ~OutputFile();

  // Starts the file; false when it cannot be created, or when it exists
  // and may not be written.
  bool Create(const std::string& path, bool textMode);
  bool IsOpen() const { return file_ != nullptr; }
  void Write(const char* data, size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }
  // Flushes, closes and puts the file in place; false when any write, the
  // flush, the close or the rename failed (nothing is then put in place).
  // Closing a file that is not open returns true.
  bool Close();
  // Drops the file: nothing is put in place.
  void Discard();

 private:
  void Flush();
  void Release();

  FILE* file_ = nullptr;
  bool textMode_ = false;
  bool failed_ = false;
  std::string buffer_;
  std::string target_;  // the name the temporary file takes; empty when written directly
  int slot_ = -1;       // the temporary file's entry in the table of temporary files
};

// Discards every output file still open (when memory has run out: no
// further file is written).
void DiscardOutputFiles();

}  // namespace qdl
