#include "files/output_file.h"

namespace qdl {

namespace {
// Buffered bytes that trigger a write to the file.
constexpr size_t kFlushThreshold = 1 << 16;
}  // namespace

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::string& path, bool textMode) {
  Close();
  file_ = fopen(path.c_str(), "wb");
  textMode_ = textMode;
  failed_ = false;
  buffer_.clear();
  return file_ != nullptr;
}

void OutputFile::Write(const char* data, size_t size) {
  if (file_ == nullptr) return;
  if (!textMode_) {
    buffer_.append(data, size);
  } else {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == '\n') buffer_ += '\r';
      buffer_ += data[i];
    }
  }
  if (buffer_.size() >= kFlushThreshold) Flush();
}

void OutputFile::Flush() {
  if (!buffer_.empty() && fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    failed_ = true;
  buffer_.clear();
}

bool OutputFile::Close() {
  if (file_ == nullptr) return true;
  Flush();
  if (fflush(file_) != 0 || ferror(file_)) failed_ = true;
  if (fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace qdl
