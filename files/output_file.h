// An output file written through one buffer.  In text mode every "\n" is
// written as CR LF, on every host, as the files' readers expect.
#pragma once

#include <cstdio>
#include <string>

namespace qdl {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates (or truncates) the file; false when it cannot be created.
  bool Create(const std::string& path, bool textMode);
  bool IsOpen() const { return file_ != nullptr; }
  void Write(const char* data, size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }
  // Flushes and closes; false when any write, the flush or the close
  // failed.  Closing a file that is not open returns true.
  bool Close();

 private:
  void Flush();

  FILE* file_ = nullptr;
  bool textMode_ = false;
  bool failed_ = false;
  std::string buffer_;
};

}  // namespace qdl
