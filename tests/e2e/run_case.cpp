// Runs the end-to-end case file given: a readable UTF-8 file with one or
// more runs of qdl, each with its arguments, its input files and the
// standard output, exit status and files it must give.
//
//   # comments before the first section, and after a "run" line
//   === text NAME       a named text: a line {NAME} in a later file,
//                       stdout or expect section stands for its lines
//   === file NAME [noeol]  an input file (converted to Windows-1251);
//                       with noeol its last line has no line feed
//   === dir NAME        an empty directory
//   === symlink NAME TARGET
//   === run NAME        starts a run
//   === args WORD...    the arguments
//   === stdout          expected standard output after the banner line;
//                       {CWD} stands for the run's directory
//   === exit N          expected exit status
//   === expect NAME text [noeol]   a text file; lines end in CR LF, and
//                                  with noeol the last one has no line end
//   === expect NAME hex  a binary file as hexadecimal bytes
//   === absent NAME     a file that must not exist
//
// A file without "run" lines is a single run.  Otherwise the texts,
// files, directories and links before the first run are shared by all
// runs, and each run's own sections follow its "run" line.  Every run
// needs "stdout" and "exit", and runs in a fresh temporary directory.
// Texts are converted from UTF-8 to Windows-1251; \xNN stands for the
// byte NN anywhere.  A case file the runner does not understand is
// refused with its name and line and status 2; a failed run gives 1.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lexlib/cp1251.h"

namespace {

struct Section {
  int line;                          // of the "===" line
  std::vector<std::string> header;   // the words after "==="
  std::vector<std::string> lines;
};

struct Run {
  std::string name;
  int line;  // of its "run" line
  std::vector<Section> sections;
};

// A line of the case file that the runner does not understand.
struct Malformed {
  int line;
  std::string why;
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
      out += qdl::Cp1251(run);
      run.clear();
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      run += text[i];
    }
  }
  return out + qdl::Cp1251(run);
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


bool IsNumber(const std::string& word) {
  return !word.empty() && word.size() <= 3 && word.find_first_not_of("0123456789") == std::string::npos &&
         atoi(word.c_str()) <= 255;
}

bool IsHexByte(const std::string& word) {
  return word.size() == 2 && HexDigit(word[0]) >= 0 && HexDigit(word[1]) >= 0;
}

// The sections of the case; lines before the first one are comments.
std::vector<Section> ReadSections(const std::string& caseText) {
  std::vector<Section> sections;
  std::istringstream in(caseText);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.rfind("===", 0) == 0) {
      sections.push_back({number, Words(line.substr(3)), {}});
      if (sections.back().header.empty()) throw Malformed{number, "section without a name"};
    } else if (!sections.empty()) {
      sections.back().lines.push_back(line);
    } else if (!line.empty() && line[0] != '#') {
      throw Malformed{number, "text before the first section"};
    }
  }
  return sections;
}

// Checks a section's header; returns whether the section holds lines
// (those of the others may only be comments or empty).
bool CheckHeader(const Section& section) {
  const std::vector<std::string>& h = section.header;
  const std::string& kind = h[0];
  auto need = [&](bool ok, const std::string& what) {
    if (!ok) throw Malformed{section.line, "\"" + kind + "\" " + what};
  };
  if (kind == "text" || kind == "dir" || kind == "run" || kind == "absent") {
    need(h.size() == 2, "takes one name");
    return kind == "text";
  }
  if (kind == "file") {
    need(h.size() == 2 || (h.size() == 3 && h[2] == "noeol"), "takes a name and optionally noeol");
    return true;
  }
  if (kind == "symlink") {
    need(h.size() == 3, "takes a name and a target");
    return false;
  }
  if (kind == "args") return false;
  if (kind == "stdout") {
    need(h.size() == 1, "takes nothing");
    return true;
  }
  if (kind == "exit") {
    need(h.size() == 2 && IsNumber(h[1]), "takes a status from 0 to 255");
    return false;
  }
  if (kind == "expect") {
    bool text = h.size() >= 3 && h[2] == "text" && (h.size() == 3 || (h.size() == 4 && h[3] == "noeol"));
    need(text || (h.size() == 3 && h[2] == "hex"), "takes a name and the mode text, text noeol or hex");
    if (h[2] == "hex")
      for (size_t i = 0; i < section.lines.size(); ++i)
        for (const std::string& word : Words(section.lines[i]))
          if (!IsHexByte(word)) throw Malformed{section.line + 1 + static_cast<int>(i), "not a byte: " + word};
    return true;
  }
  throw Malformed{section.line, "unknown section \"" + kind + "\""};
}

// Replaces each line {NAME} by the lines of the text NAME.
void ExpandTexts(Section& section, const std::map<std::string, std::vector<std::string>>& texts) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < section.lines.size(); ++i) {
    const std::string& line = section.lines[i];
    if (line.size() > 2 && line.front() == '{' && line.back() == '}' && line != "{CWD}") {
      auto text = texts.find(line.substr(1, line.size() - 2));
      if (text == texts.end()) throw Malformed{section.line + 1 + static_cast<int>(i), "unknown text " + line};
      lines.insert(lines.end(), text->second.begin(), text->second.end());
    } else {
      lines.push_back(line);
    }
  }
  section.lines = lines;
}

bool IsSetup(const std::string& kind) { return kind == "file" || kind == "dir" || kind == "symlink"; }

// The runs of the case; the first entry holds the shared sections.
std::vector<Run> ReadRuns(const std::string& caseText) {
  std::vector<Section> sections = ReadSections(caseText);
  bool named = false;
  for (const Section& section : sections) named = named || section.header[0] == "run";
  std::vector<Run> runs(named ? 1 : 2, Run{"", 1, {}});
  std::map<std::string, std::vector<std::string>> texts;
  for (Section& section : sections) {
    const std::string& kind = section.header[0];
    if (!CheckHeader(section)) {
      for (size_t i = 0; i < section.lines.size(); ++i)
        if (!section.lines[i].empty() && section.lines[i][0] != '#')
          throw Malformed{section.line + 1 + static_cast<int>(i), "\"" + kind + "\" takes no lines"};
    }
    ExpandTexts(section, texts);
    if (kind == "text") {
      if (!texts.emplace(section.header[1], section.lines).second)
        throw Malformed{section.line, "second text " + section.header[1]};
    } else if (kind == "run") {
      for (const Run& run : runs)
        if (run.name == section.header[1]) throw Malformed{section.line, "second run " + run.name};
      runs.push_back({section.header[1], section.line, {}});
    } else if (runs.size() == 1 && !IsSetup(kind)) {
      throw Malformed{section.line, "\"" + kind + "\" before the first run"};
    } else {
      runs.back().sections.push_back(section);
    }
  }
  for (size_t r = 1; r < runs.size(); ++r) {
    std::map<std::string, int> count;
    for (const Section& section : runs[r].sections) ++count[section.header[0]];
    std::string where = runs[r].name.empty() ? std::string("the case") : "run " + runs[r].name;
    for (const char* once : {"args", "stdout", "exit"})
      if (count[once] > 1) throw Malformed{runs[r].line, where + " has more than one \"" + once + "\""};
    for (const char* needed : {"stdout", "exit"})
      if (count[needed] == 0) throw Malformed{runs[r].line, where + " has no \"" + needed + "\""};
  }
  return runs;
}

void MakeParents(const std::string& name) {
  for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
    mkdir(name.substr(0, slash).c_str(), 0755);
}

void SetUp(const Section& section, std::vector<std::string>& args) {
  const std::vector<std::string>& h = section.header;
  if (h[0] == "args") {
    for (size_t i = 1; i < h.size(); ++i) args.push_back(Convert(h[i]));
  } else if (h[0] == "file") {
    std::string name = Convert(h[1]);
    MakeParents(name);
    WriteFile(name, Joined(section.lines, "\n", h.size() < 3));
  } else if (h[0] == "dir") {
    mkdir(Convert(h[1]).c_str(), 0755);
  } else if (h[0] == "symlink") {
    symlink(h[2].c_str(), Convert(h[1]).c_str());
  }
}

// Checks one expectation; returns what failed, or nothing.
std::string Check(const Section& section, const std::string& output, int status, const std::string& runDir) {
  const std::vector<std::string>& h = section.header;
  if (h[0] == "stdout") {
    std::string expected = qdl::Cp1251("Компилятор qdl, 2001, ver 1.2\n") + Joined(section.lines, "\n", true);
    for (size_t at; (at = expected.find("{CWD}")) != std::string::npos;) expected.replace(at, 5, runDir);
    if (output != expected) return "standard output\n--- expected\n" + Show(expected) + "--- actual\n" + Show(output);
  } else if (h[0] == "exit") {
    if (status != atoi(h[1].c_str())) return "exit status " + std::to_string(status) + ", expected " + h[1];
  } else if (h[0] == "expect") {
    std::string actual;
    if (!ReadFile(Convert(h[1]), actual)) return "missing file " + h[1];
    std::string expected;
    if (h[2] == "hex") {
      for (const std::string& line : section.lines)
        for (const std::string& word : Words(line)) expected += static_cast<char>(strtol(word.c_str(), nullptr, 16));
    } else {
      expected = Joined(section.lines, "\r\n", h.size() < 4);
    }
    if (actual != expected) return "file " + h[1] + "\n--- expected\n" + Show(expected) + "\n--- actual\n" + Show(actual);
  } else if (h[0] == "absent") {
    struct stat info;
    if (lstat(Convert(h[1]).c_str(), &info) == 0) return "file " + h[1] + " should not exist";
  }
  return "";
}

// Runs qdl once in a fresh directory; returns whether every expectation held.
bool Execute(const std::string& qdl, const Run& shared, const Run& run, const std::string& caseName) {
  char dirTemplate[] = "/tmp/qdl_case_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr || chdir(dirTemplate) != 0) {
    std::cerr << "cannot make a temporary directory\n";
    return false;
  }
  char cwd[4096];
  std::string runDir = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
  std::vector<std::string> args;
  for (const Run* part : {&shared, &run})
    for (const Section& section : part->sections) SetUp(section, args);
  int status = -1;
  std::string output = RunQdl(qdl, args, status);
  bool passed = true;
  for (const Section& section : run.sections) {
    std::string failure = Check(section, output, status, runDir);
    if (failure.empty()) continue;
    std::cerr << "FAIL: " << caseName << (run.name.empty() ? "" : ", run " + run.name) << ": " << failure << "\n";
    passed = false;
  }
  if (chdir("/") == 0) nftw(dirTemplate, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  return passed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: run_case QDL CASE\n";
    return 2;
  }
  std::string caseText;
  if (!ReadFile(argv[2], caseText)) {
    std::cerr << "cannot read " << argv[2] << "\n";
    return 2;
  }
  std::vector<Run> runs;
  try {
    runs = ReadRuns(caseText);
  } catch (const Malformed& error) {
    std::cerr << argv[2] << ":" << error.line << ": " << error.why << "\n";
    return 2;
  }
  bool passed = true;
  for (size_t r = 1; r < runs.size(); ++r) passed = Execute(argv[1], runs[0], runs[r], argv[2]) && passed;
  return passed ? 0 : 1;
}
