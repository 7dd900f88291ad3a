// Files the compiler writes appear whole or not at all, and no file it
// reads or writes is replaced by another: temporary files, links,
// permissions, devices, failed and interrupted writes, memory running
// out, standard output that cannot be written, a removed current
// directory.  Faults are made in child processes (file size and address
// space limits, signals).
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "files/output_file.h"
#include "files/paths.h"
#include "tests/unit/test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define QDL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QDL_TEST_ASAN 1
#endif
#endif

namespace qdl {
namespace {

using test::Win1251;

class FilesTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
};

// Names in the current directory that are temporary files of an output.
std::vector<std::string> Temporaries(const std::string& directory = ".") {
  std::vector<std::string> names;
  if (DIR* handle = opendir(directory.c_str())) {
    while (dirent* entry = readdir(handle)) {
      std::string name = entry->d_name;
      if (name.rfind(".qdl-", 0) == 0) names.push_back(name);
    }
    closedir(handle);
  }
  return names;
}

mode_t ModeOf(const std::string& name) {
  struct stat info;
  return lstat(name.c_str(), &info) == 0 ? info.st_mode : 0;
}

std::string Commands(int count) {
  std::string source = Win1251("команда 5 K;\n");
  for (int i = 0; i < count; ++i) source += "K;\n";
  return source;
}

// Runs `body` in a child process; its return value is the child's exit
// status.  Returns the raw wait status.
template <typename Body>
int InChild(Body body) {
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

bool ExitedWith(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

TEST_F(FilesTest, UnfinishedFileLeavesTheOldOne) {
  dir_.Write("a.txt", "old");
  {
    OutputFile file;
    ASSERT_TRUE(file.Create("a.txt", false));
    file.Write("new and longer");
    EXPECT_EQ(Temporaries().size(), 1u);
    EXPECT_EQ(dir_.Read("a.txt"), "old");
  }  // destroyed unfinished
  EXPECT_EQ(dir_.Read("a.txt"), "old");
  EXPECT_TRUE(Temporaries().empty());
  OutputFile dropped;
  ASSERT_TRUE(dropped.Create("a.txt", false));
  dropped.Write("new");
  dropped.Discard();
  EXPECT_TRUE(dropped.Close());  // nothing left to close
  EXPECT_EQ(dir_.Read("a.txt"), "old");
  EXPECT_TRUE(Temporaries().empty());
  OutputFile again;  // created anew while unfinished: the first is dropped
  ASSERT_TRUE(again.Create("a.txt", false));
  again.Write("first");
  ASSERT_TRUE(again.Create("a.txt", false));
  EXPECT_EQ(Temporaries().size(), 1u);
  again.Write("second");
  EXPECT_TRUE(again.Close());
  EXPECT_EQ(dir_.Read("a.txt"), "second");
  EXPECT_TRUE(Temporaries().empty());
  OutputFile done;
  ASSERT_TRUE(done.Create("a.txt", true));
  done.Write("x\ny\n");
  EXPECT_TRUE(done.Close());
  EXPECT_EQ(dir_.Read("a.txt"), "x\r\ny\r\n");
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FilesTest, AllOpenFilesDiscardedAtOnce) {
  dir_.Write("b.txt", "old b");
  OutputFile a, b;
  ASSERT_TRUE(a.Create("a.txt", false));
  ASSERT_TRUE(b.Create("b.txt", false));
  a.Write("a");
  b.Write("b");
  DiscardOutputFiles();
  EXPECT_TRUE(a.Close());
  EXPECT_TRUE(b.Close());
  EXPECT_FALSE(dir_.Exists("a.txt"));
  EXPECT_EQ(dir_.Read("b.txt"), "old b");
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FilesTest, PermissionBitsKept) {
  dir_.Write("kept", "old");
  chmod("kept", 0640);
  mode_t mask = umask(022);
  OutputFile file;
  ASSERT_TRUE(file.Create("kept", false));
  EXPECT_TRUE(file.Close());
  OutputFile fresh;
  ASSERT_TRUE(fresh.Create("fresh", false));
  EXPECT_TRUE(fresh.Close());
  umask(mask);
  EXPECT_EQ(ModeOf("kept") & 07777, 0640u);
  EXPECT_EQ(ModeOf("fresh") & 07777, 0644u);
}

TEST_F(FilesTest, LinksFollowedAndKept) {
  mkdir("d", 0755);
  dir_.Write("d/real", "old");
  ASSERT_EQ(symlink("d/real", "link"), 0);
  ASSERT_EQ(symlink("link", "chain"), 0);
  ASSERT_EQ(symlink("d/later", "dangling"), 0);
  for (const char* name : {"link", "chain", "dangling"}) {
    OutputFile file;
    ASSERT_TRUE(file.Create(name, false)) << name;
    file.Write(name);
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(S_ISLNK(ModeOf(name))) << name;
  }
  EXPECT_EQ(dir_.Read("d/real"), "chain");
  EXPECT_EQ(dir_.Read("d/later"), "dangling");
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_TRUE(Temporaries("d").empty());
}

TEST_F(FilesTest, DevicesWrittenDirectly) {
  OutputFile file;
  ASSERT_TRUE(file.Create("/dev/null", false));
  file.Write("bytes");
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
  if (access("/dev/full", W_OK) == 0) {
    OutputFile full;
    ASSERT_TRUE(full.Create("/dev/full", false));
    full.Write("bytes");
    EXPECT_FALSE(full.Close());
    // A write failing before the end (the buffer is written as it fills)
    // is remembered until the close.
    ASSERT_TRUE(full.Create("/dev/full", false));
    full.Write(std::string(200000, 'x'));
    EXPECT_FALSE(full.Close());
  }
  // A directory is neither replaced nor written.
  mkdir("dir", 0755);
  OutputFile directory;
  EXPECT_FALSE(directory.Create("dir", false));
  EXPECT_FALSE(directory.Create("no/such/dir/x", false));
  dir_.Write("plain", "plain");
  EXPECT_FALSE(directory.Create("plain/x", false));  // a file is no directory
  EXPECT_EQ(dir_.Read("plain"), "plain");
}

TEST_F(FilesTest, ReadOnlyOutputRefused) {
  // As root every file is writable: the check then runs as "nobody".
  chmod(dir_.path().c_str(), 0777);
  dir_.Write("p.qdl", "A = 1;\n");
  dir_.Write("p.h", "old");
  chmod("p.h", 0444);
  int status = InChild([] {
    if (geteuid() == 0 && setuid(65534) != 0) return 2;
    auto result = test::Run("p");
    return result.out == Win1251("Error: не могу создать выходной файл: p.h\n") && result.status == 1 ? 0 : 1;
  });
  EXPECT_TRUE(ExitedWith(status, 0));
  EXPECT_EQ(dir_.Read("p.h"), "old");
  EXPECT_EQ(ModeOf("p.h") & 07777, 0444u);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FilesTest, FailedWritesKeepThePreviousFiles) {
  // A file size limit makes writes to regular files fail; the old output,
  // listing and statistics stay byte for byte.
  dir_.Write("p.qdl", Commands(2000));
  dir_.Write("p.h", "old output");
  dir_.Write("p.lst", "old listing");
  dir_.Write("p.sta", "old statistics");
  int status = InChild([] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {16, 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    auto withReports = test::Run("-L -S p");
    auto output = test::Run("p");
    bool reports = withReports.out == Win1251("Warning: ошибка записи файла дампа\n"
                                              "Warning: ошибка записи файла листинга\n") &&
                   withReports.status == 1;
    bool image = output.out == Win1251("Error: ошибка записи выходного файла: p.h\n") && output.status == 1;
    return reports && image ? 0 : 1;
  });
  EXPECT_TRUE(ExitedWith(status, 0));
  EXPECT_EQ(dir_.Read("p.h"), "old output");
  EXPECT_EQ(dir_.Read("p.lst"), "old listing");
  EXPECT_EQ(dir_.Read("p.sta"), "old statistics");
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FilesTest, InterruptedWriteKeepsThePreviousFile) {
  // The child's standard output is a pipe nobody reads: its many messages
  // fill it and the child waits there, its listing half written.  It is
  // then sent the signal, and ends by it with the old listing intact.
  std::string source = Win1251("команда 5 K;\n");
  for (int i = 0; i < 20000; ++i) source += "K; X" + std::to_string(i) + " = Y;\n";
  dir_.Write("p.qdl", source);
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    // A signal ignored from the start stays ignored (a run under nohup).
    struct sigaction current;
    if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    dir_.Write("p.lst", "old listing");
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
      dup2(ends[1], 1);
      close(ends[0]);
      close(ends[1]);
      const char* argv[] = {"qdl", "-J100000", "-L", "p"};
      RunQdl(4, argv);
      fflush(stdout);
      _exit(0);
    }
    close(ends[1]);
    bool seen = false;
    for (int i = 0; i < 100000 && !seen; ++i) {
      seen = !Temporaries().empty();
      if (!seen) usleep(100);
    }
    kill(child, signalNumber);
    int status = 0;
    waitpid(child, &status, 0);
    close(ends[0]);
    EXPECT_TRUE(seen) << "no temporary file seen";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
    EXPECT_EQ(dir_.Read("p.lst"), "old listing");
    EXPECT_TRUE(Temporaries().empty());
  }
}

#ifndef QDL_TEST_ASAN
// Runs qdl on `argv` in a child process limited to `megabytes` of address
// space; its standard output goes to `out`.
int RunWithAddressSpace(int megabytes, std::vector<const char*> argv, std::string& out) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    auto bytes = static_cast<rlim_t>(megabytes) << 20;
    struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
    int status = RunQdl(static_cast<int>(argv.size()), argv.data());
    fflush(stdout);
    _exit(status);
  }
  close(pipeEnds[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}
#endif

TEST_F(FilesTest, OutOfMemoryIsReported) {
#ifdef QDL_TEST_ASAN
  GTEST_SKIP() << "an address space limit does not suit the address sanitizer";
#else
  // Two million constants do not fit in 64 MB of address space.
  {
    std::string source;
    for (int i = 0; i < 2000000; ++i) source += "c" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    dir_.Write("p.qdl", source);
  }
  dir_.Write("p.lst", "old listing");
  std::string out;
  int status = RunWithAddressSpace(64, {"qdl", "-L", "-D", "-S", "p"}, out);
  EXPECT_TRUE(ExitedWith(status, 1)) << status;
  std::string banner = Win1251("Компилятор qdl, 2001, ver 1.2\n");
  std::string message = Win1251(": исчерпаны ресурсы оперативной памяти\n");
  ASSERT_GT(out.size(), banner.size() + message.size());
  EXPECT_EQ(out.substr(0, banner.size()), banner);
  EXPECT_EQ(out.substr(banner.size(), 12), "Error p.qdl ");
  EXPECT_EQ(out.substr(out.size() - message.size()), message);
  EXPECT_EQ(out.find('\n', banner.size()), out.size() - 1);  // one message
  EXPECT_EQ(dir_.Read("p.lst"), "old listing");
  for (const char* name : {"p.h", "p.dmp", "p.sta"}) EXPECT_FALSE(dir_.Exists(name)) << name;
  EXPECT_TRUE(Temporaries().empty());
#endif
}

TEST_F(FilesTest, TableMadeLargeForManyLinesIsOnlyAGuess) {
#ifdef QDL_TEST_ASAN
  GTEST_SKIP() << "an address space limit does not suit the address sanitizer";
#else
  // Sixteen million empty lines suggest a table of millions of names,
  // more than 100 MB of address space holds; the program has three names
  // and compiles as usual.
  std::string source = "команда 2 Put v[1];\nA = 7;\nB = A + 1;\n" + std::string(16 << 20, '\n') + "Put B;\n";
  dir_.Write("p.qdl", Win1251(source));
  std::string out;
  int status = RunWithAddressSpace(100, {"qdl", "-fb", "p"}, out);
  EXPECT_TRUE(ExitedWith(status, 0)) << status << out;
  // Put 8, then the end-of-code entry.
  EXPECT_EQ(dir_.Read("p.bin"), std::string("\x02\x08\x00", 3));
#endif
}

// Runs the qdl program with standard output set up by `setup`.
int RunProgram(const std::vector<std::string>& arguments, void (*setup)()) {
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    setup();
    std::vector<char*> argv{const_cast<char*>(QDL_PROGRAM)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(QDL_PROGRAM, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

void StdoutToDevNull() {
  int fd = open("/dev/null", O_WRONLY);
  dup2(fd, 1);
}
void StdoutToDevFull() {
  int fd = open("/dev/full", O_WRONLY);
  dup2(fd, 1);
}
void StdoutClosed() { close(1); }
void StdoutToClosedPipe() {
  int ends[2];
  if (pipe(ends) != 0) _exit(126);
  dup2(ends[1], 1);
  close(ends[0]);
  close(ends[1]);
  signal(SIGPIPE, SIG_DFL);
}

TEST_F(FilesTest, StandardOutputThatCannotBeWritten) {
  dir_.Write("p.qdl", Win1251("команда 5 K;\nK;\nK;\nX = Y;\n"));
  EXPECT_TRUE(ExitedWith(RunProgram({"-fb", "p"}, StdoutToDevNull), 2));
  EXPECT_TRUE(ExitedWith(RunProgram({"-fb", "p"}, StdoutClosed), 2));
  dir_.Write("p.qdl", Win1251("команда 5 K;\nK;\n"));
  EXPECT_TRUE(ExitedWith(RunProgram({"-fb", "p"}, StdoutToDevNull), 0));
  EXPECT_TRUE(ExitedWith(RunProgram({"-fb", "p"}, StdoutClosed), 1));
  if (access("/dev/full", W_OK) == 0) {
    EXPECT_TRUE(ExitedWith(RunProgram({"-fb", "p"}, StdoutToDevFull), 1));
  }
  // With standard output closed no file takes its descriptor: messages
  // never land in the listing or the image.
  std::string many = Win1251("команда 5 K;\n");
  for (int i = 0; i < 2000; ++i) many += "X" + std::to_string(i) + " = Y;\n";
  dir_.Write("m.qdl", many);
  EXPECT_TRUE(ExitedWith(RunProgram({"-J3000", "-Lm", "m"}, StdoutClosed), 255));
  EXPECT_EQ(dir_.Read("m.lst").find("Error"), std::string::npos);
  // A pipe whose reader is gone ends the run by SIGPIPE as ever, without
  // a temporary file left or the old listing touched.
  dir_.Write("m.lst", "old listing");
  int status = RunProgram({"-J3000", "-Lm", "m"}, StdoutToClosedPipe);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
  EXPECT_EQ(dir_.Read("m.lst"), "old listing");
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(FilesTest, RemovedCurrentDirectory) {
  // Include files are looked for relative to the (removed) directory and
  // along the search path as given, never under "/".
  std::string stray = "/qdl_stray_" + std::to_string(getpid());
  bool strayMade = access("/", W_OK) == 0;
  if (strayMade) {
    FILE* file = fopen((stray + ".qdl").c_str(), "wb");
    strayMade = file != nullptr;
    if (file != nullptr) {
      fputs("Z = ;\n", file);
      fclose(file);
    }
  }
  std::string main = dir_.path() + "/p.qdl";
  dir_.Write("p.qdl", Win1251("используется \"" + stray.substr(1) + "\";\n"));
  int status = InChild([&] {
    if (mkdir("gone", 0755) != 0 || chdir("gone") != 0 || rmdir("../gone") != 0) return 2;
    if (AbsolutePath("x.qdl") != "x.qdl" || AbsolutePath("/a/../b") != "/b") return 3;
    auto result = test::Run({"-fb", main});
    std::string expected = Win1251("Error " + main + " 1: файл не найден: " + stray.substr(1) + "\n");
    return result.out == expected && result.status == 1 ? 0 : 1;
  });
  if (strayMade) unlink((stray + ".qdl").c_str());
  EXPECT_TRUE(ExitedWith(status, 0)) << status;
}

TEST_F(FilesTest, SameFileRule) {
  dir_.Write("a", "a");
  dir_.Write("b", "b");
  ASSERT_EQ(link("a", "hard"), 0);
  mkdir("d", 0755);
  ASSERT_EQ(symlink("d", "e"), 0);
  ASSERT_EQ(symlink("e/new", "to_new"), 0);
  EXPECT_TRUE(SameFile("a", "hard"));
  EXPECT_TRUE(SameFile("a", dir_.path() + "/./d/../a"));
  EXPECT_FALSE(SameFile("a", "b"));
  EXPECT_TRUE(SameFile("d/new", "e/new"));
  EXPECT_TRUE(SameFile("to_new", "d/new"));
  EXPECT_FALSE(SameFile("d/new", "d/other"));
  EXPECT_FALSE(SameFile("a", "d/a"));
}

}  // namespace
}  // namespace qdl
