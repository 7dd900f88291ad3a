// Runs the end-to-end case file given: a readable UTF-8 file with one or
// more runs of qdl, each with its arguments, its input files and the
// standard output, exit status and files it must give.
//
//   # comments before the first section, and after a "run" line
//   === text NAME       a named text: a line {NAME} in a later file,
//                       stdout or expect section stands for its lines
//   === file NAME [noeol] [utf8]  an input file (converted to
//                       Windows-1251); with noeol its last line has no
//                       line feed, with utf8 its name and text stay UTF-8
//   === dir NAME        an empty directory
//   === symlink NAME TARGET
//   === run NAME ARG... starts a run of qdl with these arguments
//   === stdout          expected standard output after the banner line;
//                       {CWD} stands for the run's directory
//   === terminal        expected standard output after the banner when it
//                       is a terminal (a pseudo-terminal the runner
//                       opens): UTF-8 as written
//   === exit N          expected exit status
//   === expect NAME text [noeol]   a text file; lines end in CR LF, and
//                                  with noeol the last one has no line end
//   === expect NAME hex  a binary file as hexadecimal bytes
//   === absent NAME     a file that must not exist
//
// The texts, files, directories and links before the first run are
// shared by all runs; each run's own sections follow its "run" line.
// Every run needs "exit" and "stdout" or "terminal" or both (then qdl
// runs twice, once on each), and runs in a fresh temporary directory.  Texts are converted from UTF-8 to Windows-1251; \xNN
// stands for the byte NN anywhere.  A case file that the runner does not
// understand is refused with its name and line and status 2; a failed
// run gives status 1.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
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

#include "tests/win1251.h"

namespace {

using Words = std::vector<std::string>;

struct Section {
  int line;      // of the "===" line
  Words header;  // the words after "==="
  std::vector<std::string> lines;
};

struct Run {
  Words header;  // "run", its name and the arguments
  std::vector<Section> sections;
};

// A line of the case file that the runner does not understand.
struct Malformed {
  int line;
  std::string why;
};

Words Split(const std::string& text) {
  std::istringstream in(text);
  Words words;
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
      out += qdl::testing::Win1251FromUtf8(run);
      run.clear();
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      run += text[i];
    }
  }
  return out + qdl::testing::Win1251FromUtf8(run);
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
    } else if (c < 32 || c == 127 || qdl::testing::Utf8FromWin1251Byte(c).empty()) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else {
      out += qdl::testing::Utf8FromWin1251Byte(c);
    }
  }
  return out;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

bool HasWord(const Words& words, size_t from, const char* word) {
  for (size_t i = from; i < words.size(); ++i)
    if (words[i] == word) return true;
  return false;
}

// Runs qdl with its standard output on a pipe, or on a pseudo-terminal
// (output post-processing off, so that line feeds stay line feeds).
std::string RunQdl(const std::string& qdl, const std::vector<std::string>& args, int& status,
                   bool terminal) {
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


bool IsStatus(const std::string& word) {
  return !word.empty() && word.size() <= 3 && word.find_first_not_of("0123456789") == std::string::npos &&
         atoi(word.c_str()) <= 255;
}

// The kinds of section: the form of the "===" line, whether the section
// holds lines (the others hold only comments and empty lines), and
// whether it may stand before the first run.
struct Kind {
  const char* name;
  const char* form;
  bool (*fits)(const Words& h);
  bool holdsLines;
  bool shared;
};

const Kind kKinds[] = {
    {"text", "text NAME", [](const Words& h) { return h.size() == 2; }, true, true},
    {"file", "file NAME [noeol] [utf8]",
     [](const Words& h) {
       for (size_t i = 2; i < h.size(); ++i)
         if (h[i] != "noeol" && h[i] != "utf8") return false;
       return h.size() >= 2 && h.size() <= 4;
     },
     true, true},
    {"dir", "dir NAME", [](const Words& h) { return h.size() == 2; }, false, true},
    {"symlink", "symlink NAME TARGET", [](const Words& h) { return h.size() == 3; }, false, true},
    {"run", "run NAME ARG...", [](const Words& h) { return h.size() >= 2; }, false, true},
    {"stdout", "stdout", [](const Words& h) { return h.size() == 1; }, true, false},
    {"terminal", "terminal", [](const Words& h) { return h.size() == 1; }, true, false},
    {"exit", "exit N, N from 0 to 255",
     [](const Words& h) { return h.size() == 2 && IsStatus(h[1]); }, false, false},
    {"expect", "expect NAME text [noeol], or === expect NAME hex",
     [](const Words& h) {
       return (h.size() == 3 && (h[2] == "text" || h[2] == "hex")) ||
              (h.size() == 4 && h[2] == "text" && h[3] == "noeol");
     },
     true, false},
    {"absent", "absent NAME", [](const Words& h) { return h.size() == 2; }, false, false},
};

const Kind& KindOf(const Section& section) {
  for (const Kind& kind : kKinds)
    if (section.header[0] == kind.name) return kind;
  throw Malformed{section.line, "unknown section \"" + section.header[0] + "\""};
}

// A line "{NAME}": the name is letters, digits and "_".
bool IsTextReference(const std::string& line) {
  if (line.size() < 3 || line.front() != '{' || line.back() != '}') return false;
  for (size_t i = 1; i + 1 < line.size(); ++i)
    if (!isalnum(static_cast<unsigned char>(line[i])) && line[i] != '_') return false;
  return true;
}

// Checks a section against its kind; a line {NAME} is replaced by the
// lines of the text NAME.
void CheckSection(Section& section, const std::map<std::string, std::vector<std::string>>& texts) {
  const Kind& kind = KindOf(section);
  if (!kind.fits(section.header)) throw Malformed{section.line, std::string("expected === ") + kind.form};
  bool hex = section.header[0] == "expect" && section.header[2] == "hex";
  std::vector<std::string> lines;
  for (size_t i = 0; i < section.lines.size(); ++i) {
    const std::string& line = section.lines[i];
    int number = section.line + 1 + static_cast<int>(i);
    if (!kind.holdsLines && !line.empty() && line[0] != '#')
      throw Malformed{number, "\"" + section.header[0] + "\" holds no lines"};
    for (const std::string& word : hex ? Split(line) : Words())
      if (word.size() != 2 || HexDigit(word[0]) < 0 || HexDigit(word[1]) < 0)
        throw Malformed{number, "not a byte: " + word};
    if (IsTextReference(line) && line != "{CWD}") {
      auto text = texts.find(line.substr(1, line.size() - 2));
      if (text == texts.end()) throw Malformed{number, "unknown text " + line};
      lines.insert(lines.end(), text->second.begin(), text->second.end());
    } else if (kind.holdsLines) {
      lines.push_back(line);
    }
  }
  section.lines = lines;
}

// The runs of the case; the first entry holds the shared sections.
std::vector<Run> ReadRuns(const std::string& caseText) {
  std::vector<Section> sections;
  std::istringstream in(caseText);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.rfind("===", 0) == 0) {
      sections.push_back({number, Split(line.substr(3)), {}});
      if (sections.back().header.empty()) throw Malformed{number, "section without a name"};
    } else if (!sections.empty()) {
      sections.back().lines.push_back(line);
    } else if (!line.empty() && line[0] != '#') {
      throw Malformed{number, "text before the first section"};
    }
  }
  std::vector<Run> runs(1);
  std::map<std::string, std::vector<std::string>> texts;
  for (Section& section : sections) {
    CheckSection(section, texts);
    const Words& h = section.header;
    if (h[0] == "text" && !texts.emplace(h[1], section.lines).second)
      throw Malformed{section.line, "second text " + h[1]};
    if (h[0] == "run") {
      for (const Run& run : runs)
        if (!run.header.empty() && run.header[1] == h[1]) throw Malformed{section.line, "second run " + h[1]};
      runs.push_back({h, {section}});
    } else if (runs.size() == 1 && !KindOf(section).shared) {
      throw Malformed{section.line, "\"" + h[0] + "\" before the first run"};
    } else if (h[0] != "text") {
      runs.back().sections.push_back(section);
    }
  }
  if (runs.size() == 1) throw Malformed{number, "no runs"};
  for (const Run& run : runs) {
    std::map<std::string, int> count;
    for (const Section& section : run.sections) ++count[section.header[0]];
    if (run.header.empty()) continue;
    if (count["stdout"] > 1 || count["terminal"] > 1 || count["stdout"] + count["terminal"] == 0)
      throw Malformed{run.sections[0].line, "run " + run.header[1] + " needs one \"stdout\" or \"terminal\" or both"};
    if (count["exit"] != 1)
      throw Malformed{run.sections[0].line, "run " + run.header[1] + " needs one \"exit\""};
  }
  return runs;
}

// Makes a file, directory or link; returns whether that worked.
bool SetUp(const Section& section) {
  const Words& h = section.header;
  std::string name = h.size() > 1 ? Convert(h[1]) : "";
  if (h[0] == "file") {
    bool utf8 = HasWord(h, 2, "utf8");
    if (utf8) name = Unescape(h[1]);
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
      mkdir(name.substr(0, slash).c_str(), 0755);
    WriteFile(name, Joined(section.lines, "\n", !HasWord(h, 2, "noeol"), utf8));
  } else if (h[0] == "dir") {
    mkdir(name.c_str(), 0755);
  } else if (h[0] == "symlink") {
    return symlink(h[2].c_str(), name.c_str()) == 0;
  }
  return true;
}

// Checks one expectation; returns what failed, or nothing.
std::string Check(const Section& section, const std::string& output, const std::string& terminalOutput,
                  int status, const std::string& runDir) {
  const Words& h = section.header;
  if (h[0] == "terminal") {
    std::string expected = "Компилятор qdl, 2001, ver 1.2\n" + Joined(section.lines, "\n", true, true);
    for (size_t at; (at = expected.find("{CWD}")) != std::string::npos;) expected.replace(at, 5, runDir);
    if (terminalOutput != expected) return "terminal output\n--- expected\n" + expected + "--- actual\n" + terminalOutput;
  } else if (h[0] == "stdout") {
    std::string expected = qdl::testing::Win1251FromUtf8("Компилятор qdl, 2001, ver 1.2\n") + Joined(section.lines, "\n", true);
    for (size_t at; (at = expected.find("{CWD}")) != std::string::npos;) expected.replace(at, 5, runDir);
    if (output != expected) return "standard output\n--- expected\n" + Show(expected) + "--- actual\n" + Show(output);
  } else if (h[0] == "exit") {
    if (status != atoi(h[1].c_str())) return "exit status " + std::to_string(status) + ", expected " + h[1];
  } else if (h[0] == "expect") {
    std::string actual, expected;
    if (!ReadFile(Convert(h[1]), actual)) return "missing file " + h[1];
    if (h[2] == "hex") {
      for (const std::string& line : section.lines)
        for (const std::string& word : Split(line)) expected += static_cast<char>(strtol(word.c_str(), nullptr, 16));
    } else {
      expected = Joined(section.lines, "\r\n", h.size() < 4);
    }
    if (actual != expected)
      return "file " + h[1] + "\n--- expected\n" + Show(expected) + "\n--- actual\n" + Show(actual);
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
  bool passed = true;
  for (const Run* part : {&shared, &run})
    for (const Section& section : part->sections)
      if (!SetUp(section)) {
        std::cerr << "FAIL: " << caseName << ", run " << run.header[1] << ": cannot make " << section.header[1] << "\n";
        passed = false;
      }
  std::vector<std::string> args;
  for (size_t i = 2; i < run.header.size(); ++i) args.push_back(Convert(run.header[i]));
  bool onPipe = false, onTerminal = false;
  for (const Section& section : run.sections) {
    onPipe = onPipe || section.header[0] == "stdout";
    onTerminal = onTerminal || section.header[0] == "terminal";
  }
  int status = -1, terminalStatus = -1;
  std::string output, terminalOutput;
  if (onTerminal) terminalOutput = RunQdl(qdl, args, terminalStatus, true);
  if (onPipe) output = RunQdl(qdl, args, status, false);
  if (!onPipe) status = terminalStatus;
  if (onPipe && onTerminal && status != terminalStatus) {
    std::cerr << "FAIL: " << caseName << ", run " << run.header[1] << ": exit status " << terminalStatus
              << " on a terminal, " << status << " on a pipe\n";
    passed = false;
  }
  for (const Section& section : run.sections) {
    std::string failure = Check(section, output, terminalOutput, status, runDir);
    if (failure.empty()) continue;
    std::cerr << "FAIL: " << caseName << ", run " << run.header[1] << ": " << failure << "\n";
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
