// Runs one end-to-end case: a readable UTF-8 file with the arguments, the
// input files, the expected standard output, exit status and files.
//
//   # comments before the first section
//   === args            arguments, split at white space
//   === file NAME       an input file (converted to Windows-1251)
//   === dir NAME        an empty directory
//   === symlink NAME TARGET
//   === stdout          expected standard output after the banner line;
//                       {CWD} stands for the case's directory
//   === stdout raw      expected standard output, banner included
//   === exit N          expected exit status
//   === expect NAME text [noeol]   a text file; lines end in CR LF, and
//                                  with noeol the last one has no line end
//   === expect NAME hex  a binary file as hexadecimal bytes
//   === absent NAME     a file that must not exist
//
// Texts are converted from UTF-8 to Windows-1251; \xNN stands for the
// byte NN anywhere.  Every case runs in a fresh temporary directory.
#include <sys/stat.h>
#include <sys/wait.h>
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

std::string Joined(const std::vector<std::string>& lines, const char* lineEnd, bool lastEnd) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    text += Convert(lines[i]);
    if (i + 1 < lines.size() || lastEnd) text += lineEnd;
  }
  return text;
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

std::string RunQdl(const std::string& qdl, const std::vector<std::string>& args, int& status) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "";
  pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(qdl.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(qdl.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeEnds[0]);
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
      std::string name = Convert(h[1]);
      for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        mkdir(name.substr(0, slash).c_str(), 0755);
      WriteFile(name, Joined(section.lines, "\n", !(h.size() >= 3 && h[2] == "noeol")));
    } else if (h[0] == "dir" && h.size() >= 2) {
      mkdir(Convert(h[1]).c_str(), 0755);
    } else if (h[0] == "symlink" && h.size() >= 3) {
      if (symlink(h[2].c_str(), Convert(h[1]).c_str()) != 0) fail("symlink " + h[1]);
    }
  }

  int status = -1;
  std::string output = RunQdl(qdl, args, status);

  for (const Section& section : sections) {
    const std::vector<std::string>& h = section.header;
    if (h.empty()) continue;
    if (h[0] == "stdout") {
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
