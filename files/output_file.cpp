#include "files/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "files/paths.h"

namespace qdl {

namespace {

// Buffered bytes that trigger a write to the file.
constexpr size_t kFlushThreshold = 1 << 16;

// The temporary files now open.  The signal handler reads this table, so
// it is fixed storage and an entry is filled and emptied with the
// signals blocked.  Four files at most are open at once (the listing and
// one of the others); the rest is margin.
constexpr int kSlots = 8;
constexpr size_t kSlotSize = PATH_MAX + 32;
char temporaryNames[kSlots][kSlotSize];
volatile sig_atomic_t slotUsed[kSlots];
OutputFile* slotOwners[kSlots];

// SIGPIPE too: standard output into a pipe whose reader is gone ends the
// run as before, but leaves no temporary file behind.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Removes the temporary files, then ends the process by the same signal
// with its default action.  Only async-signal-safe calls.
void RemoveTemporaryFilesAndDie(int signalNumber) {
  for (int i = 0; i < kSlots; ++i)
    if (slotUsed[i]) unlink(temporaryNames[i]);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// Installs the handler once, for the signals not ignored (a run under
// nohup keeps ignoring SIGHUP).
void InstallSignalHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = RemoveTemporaryFilesAndDie;
  sigemptyset(&action.sa_mask);
  for (int s : kEndingSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_NODEFER;
  for (int s : kEndingSignals) {
    struct sigaction old;
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) sigaction(s, &action, nullptr);
  }
}

// Blocks the ending signals while the table changes.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kEndingSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// The permission bits a new file gets from the process's umask.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& path, bool textMode) {
  Discard();
  textMode_ = textMode;
  failed_ = false;
  buffer_.clear();
  std::string target = FollowLinks(path);
  struct stat info;
  mode_t mode;
  if (stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) {
      file_ = fopen(path.c_str(), "wb");
      return file_ != nullptr;
    }
    if (access(target.c_str(), W_OK) != 0) return false;
    mode = info.st_mode & 07777;
  } else if (errno == ENOENT) {
    mode = NewFileMode();
  } else {
    return false;
  }
  std::string pattern = SplitPath(target).directory + ".qdl-XXXXXX";
  if (pattern.size() >= kSlotSize) return false;
  InstallSignalHandlers();
  int fd = -1;
  {
    SignalsBlocked blocked;
    int slot = 0;
    while (slot < kSlots && slotUsed[slot]) ++slot;
    if (slot == kSlots) return false;
    char* name = temporaryNames[slot];
    memcpy(name, pattern.c_str(), pattern.size() + 1);
    fd = mkstemp(name);
    if (fd < 0) return false;
    slotUsed[slot] = 1;
    slotOwners[slot] = this;
    slot_ = slot;
  }
  target_ = target;
  if (fchmod(fd, mode) != 0 || (file_ = fdopen(fd, "wb")) == nullptr) {
    if (file_ == nullptr) close(fd);
    Release();
    return false;
  }
  return true;
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
  if (slot_ >= 0) {
    SignalsBlocked blocked;
    if (!failed_ && rename(temporaryNames[slot_], target_.c_str()) != 0) failed_ = true;
    if (failed_) unlink(temporaryNames[slot_]);
    slotUsed[slot_] = 0;
    slotOwners[slot_] = nullptr;
    slot_ = -1;
  }
  return !failed_;
}

void OutputFile::Discard() {
  if (file_ != nullptr) fclose(file_);
  file_ = nullptr;
  buffer_.clear();
  Release();
}

void OutputFile::Release() {
  if (slot_ < 0) return;
  SignalsBlocked blocked;
  unlink(temporaryNames[slot_]);
  slotUsed[slot_] = 0;
  slotOwners[slot_] = nullptr;
  slot_ = -1;
}

void DiscardOutputFiles() {
  for (int i = 0; i < kSlots; ++i)
    if (slotOwners[i] != nullptr) slotOwners[i]->Discard();
}

}  // namespace qdl
