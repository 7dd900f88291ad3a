// Runs one end-to-end case: a readable UTF-8 file with the arguments, the
// input files, the expected standard output, exit status and files.
//
//   # comments before the first section
//   === args            arguments, split at white space
//   === file NAME [noeol] [utf8]
//                       an input file (converted to Windows-1251); with
//                       utf8 its name and text stay UTF-8
//   === dir NAME        an empty directory
//   === symlink NAME TARGET
//   === stdout          expected standard output after the banner line;
//                       {CWD} stands for the case's directory
//   === stdout raw      expected standard output, banner included
//   === terminal [raw]  expected standard output when it is a terminal (a
//                       pseudo-terminal the runner opens), UTF-8 as
//                       written; with both sections the case runs twice
//   === exit N          expected exit status
//   === expect NAME text [noeol]   a text file; lines end in CR LF, and
//                                  with noeol the last one has no line end
//   === expect NAME hex  a binary file as hexadecimal bytes
//   === absent NAME     a file that must not exist
//
// Texts are converted from UTF-8 to Windows-1251; \xNN stands for the
// byte NN anywhere.  Every case runs in a fresh temporary directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "text/encoding.h"

namespace {

struct Section {
  std::vector<std::string> header;  // the words after "==="
  std::vector<std::string> lines;
};

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 with \xNN escapes to Windows-1251 bytes.
std::string Convert(const std::string& text) {
  std::string out, run;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
        HexDigit(text[i + 3]) >= 0) {
      out += qdl::Cp1251FromUtf8(run);
      run.clear();
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      run += text[i];
    }
  }
  return out + qdl::Cp1251FromUtf8(run);
}

// UTF-8 kept as it is, with \xNN escapes to bytes.
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
        HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines, const char* lineEnd, bool lastEnd,
                   bool utf8 = false) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    text += utf8 ? Unescape(lines[i]) : Convert(lines[i]);
    if (i + 1 < lines.size() || lastEnd) text += lineEnd;
  }
  return text;
}

bool HasWord(const std::vector<std::string>& words, size_t from, const char* word) {
  for (size_t i = from; i < words.size(); ++i)
    if (words[i] == word) return true;
  return false;
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return true;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// Shows bytes readably: Windows-1251 as UTF-8, controls as \xNN.
std::string Show(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n\n";
    } else if (c < 32 || c == 127) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else {
      out += qdl::Utf8FromCp1251(std::string(1, static_cast<char>(c)));
    }
  }
  return out;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

// Runs qdl with its standard output on a pipe, or on a pseudo-terminal
// (output post-processing off, so that line feeds stay line feeds).
std::string RunQdl(const std::string& qdl, const std::vector<std::string>& args, int& status,
                   bool terminal = false) {
  int readEnd = -1, writeEnd = -1;
  if (terminal) {
    readEnd = posix_openpt(O_RDWR | O_NOCTTY);
    if (readEnd < 0 || grantpt(readEnd) != 0 || unlockpt(readEnd) != 0) return "";
    writeEnd = open(ptsname(readEnd), O_RDWR | O_NOCTTY);
    if (writeEnd < 0) return "";
    struct termios settings;
    if (tcgetattr(writeEnd, &settings) == 0) {
      settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      tcsetattr(writeEnd, TCSANOW, &settings);
    }
  } else {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return "";
    readEnd = pipeEnds[0];
    writeEnd = pipeEnds[1];
  }
  pid_t child = fork();
  if (child == 0) {
    dup2(writeEnd, 1);
    close(readEnd);
    close(writeEnd);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(qdl.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(qdl.c_str(), argv.data());
    _exit(127);
  }
  close(writeEnd);
  // A pseudo-terminal whose other side is closed reads as an error (EIO).
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(readEnd, buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(readEnd);
  int raw = 0;
  waitpid(child, &raw, 0);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return output;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: run_case QDL CASE\n";
    return 2;
  }
  std::string qdl = argv[1];
  std::string caseText;
  if (!ReadFile(argv[2], caseText)) {
    std::cerr << "cannot read " << argv[2] << "\n";
    return 2;
  }
  std::vector<Section> sections;
  std::istringstream in(caseText);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("===", 0) == 0) {
      sections.push_back({Words(line.substr(3)), {}});
    } else if (!sections.empty()) {
      sections.back().lines.push_back(line);
    }
  }

  char dirTemplate[] = "/tmp/qdl_case_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr || chdir(dirTemplate) != 0) {
    std::cerr << "cannot make a temporary directory\n";
    return 2;
  }
  char cwd[4096];
  std::string caseDir = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
  std::vector<std::string> args;
  bool failed = false;
  auto fail = [&failed](const std::string& what) {
    std::cerr << "FAIL: " << what << "\n";
    failed = true;
  };
  for (const Section& section : sections) {
    const std::vector<std::string>& h = section.header;
    if (h.empty()) continue;
    if (h[0] == "args") {
      for (const std::string& line : section.lines)
        for (const std::string& word : Words(line)) args.push_back(Convert(word));
    } else if (h[0] == "file" && h.size() >= 2) {
      bool utf8 = HasWord(h, 2, "utf8");
      std::string name = utf8 ? Unescape(h[1]) : Convert(h[1]);
      for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        mkdir(name.substr(0, slash).c_str(), 0755);
      WriteFile(name, Joined(section.lines, "\n", !HasWord(h, 2, "noeol"), utf8));
    } else if (h[0] == "dir" && h.size() >= 2) {
      mkdir(Convert(h[1]).c_str(), 0755);
    } else if (h[0] == "symlink" && h.size() >= 3) {
      if (symlink(h[2].c_str(), Convert(h[1]).c_str()) != 0) fail("symlink " + h[1]);
    }
  }

  bool onPipe = false, onTerminal = false;
  for (const Section& section : sections) {
    if (section.header.empty()) continue;
    if (section.header[0] == "stdout") onPipe = true;
    if (section.header[0] == "terminal") onTerminal = true;
  }
  int status = -1;
  std::string terminalOutput;
  if (onTerminal) terminalOutput = RunQdl(qdl, args, status, true);
  std::string output;
  if (onPipe || !onTerminal) output = RunQdl(qdl, args, status);

  for (const Section& section : sections) {
    const std::vector<std::string>& h = section.header;
    if (h.empty()) continue;
    if (h[0] == "terminal") {
      std::string expected = Joined(section.lines, "\n", true, true);
      if (!(h.size() >= 2 && h[1] == "raw")) expected = "Компилятор qdl, 2001, ver 1.2\n" + expected;
      for (size_t at; (at = expected.find("{CWD}")) != std::string::npos;) expected.replace(at, 5, caseDir);
      if (terminalOutput != expected)
        fail("terminal output\n--- expected\n" + expected + "--- actual\n" + terminalOutput);
    } else if (h[0] == "stdout") {
      std::string expected = Joined(section.lines, "\n", true);
      if (!(h.size() >= 2 && h[1] == "raw")) expected = qdl::Cp1251FromUtf8("Компилятор qdl, 2001, ver 1.2\n") + expected;
      for (size_t at; (at = expected.find("{CWD}")) != std::string::npos;) expected.replace(at, 5, caseDir);
      if (output != expected) fail("standard output\n--- expected\n" + Show(expected) + "--- actual\n" + Show(output));
    } else if (h[0] == "exit" && h.size() >= 2) {
      if (status != atoi(h[1].c_str()))
        fail("exit status " + std::to_string(status) + ", expected " + h[1]);
    } else if (h[0] == "expect" && h.size() >= 3) {
      std::string name = Convert(h[1]);
      std::string actual;
      if (!ReadFile(name, actual)) {
        fail("missing file " + h[1]);
        continue;
      }
      std::string expected;
      if (h[2] == "hex") {
        for (const std::string& line : section.lines)
          for (const std::string& word : Words(line))
            expected += static_cast<char>(strtol(word.c_str(), nullptr, 16));
      } else {
        expected = Joined(section.lines, "\r\n", !(h.size() >= 4 && h[3] == "noeol"));
      }
      if (actual != expected)
        fail("file " + h[1] + "\n--- expected\n" + Show(expected) + "\n--- actual\n" + Show(actual));
    } else if (h[0] == "absent" && h.size() >= 2) {
      struct stat info;
      if (lstat(Convert(h[1]).c_str(), &info) == 0) fail("file " + h[1] + " should not exist");
    }
  }

  if (chdir("/") == 0) nftw(dirTemplate, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  if (failed) {
    std::cerr << "in case " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
