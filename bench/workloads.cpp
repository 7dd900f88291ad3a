// Source generators.  The qdl texts are Windows-1251: Cyrillic is
// written here in UTF-8 and converted by Win1251().  Every workload is
// deterministic: the same name always gives the same bytes.
#include "bench/workloads.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace bench {

namespace {

// UTF-8 Cyrillic to Windows-1251; ASCII passes unchanged and any other
// character becomes "?".
std::string Win1251(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = utf8[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    unsigned code = c & 0x1F;
    while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
      code = (code << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    if (code >= 0x410 && code <= 0x44F)
      out += static_cast<char>(0xC0 + (code - 0x410));
    else if (code == 0x401)
      out += '\xA8';
    else if (code == 0x451)
      out += '\xB8';
    else
      out += '?';
  }
  return out;
}

// The keywords the generators use, already in Windows-1251.
struct Keywords {
  std::string command = Win1251("команда");
  std::string include = Win1251("используется");
  std::string size = Win1251("размер");
  std::string type = Win1251("тип");
  std::string node = Win1251("узел");
  std::string end = Win1251("конец");
};

const Keywords& Kw() {
  static const Keywords keywords;
  return keywords;
}

// A small fixed generator (splitmix64), so that the sources do not
// depend on the standard library's distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  long Below(long bound) { return static_cast<long>(Next() % static_cast<uint64_t>(bound)); }

 private:
  uint64_t state_;
};

// Text assembly that stays fast for millions of lines.
class Text {
 public:
  Text& operator<<(const std::string& s) {
    text_ += s;
    return *this;
  }
  Text& operator<<(const char* s) {
    text_ += s;
    return *this;
  }
  Text& operator<<(long long n) {
    char digits[24];
    int length = snprintf(digits, sizeof digits, "%lld", n);
    text_.append(digits, length);
    return *this;
  }
  Text& operator<<(long n) { return *this << static_cast<long long>(n); }
  Text& operator<<(int n) { return *this << static_cast<long long>(n); }
  void Reserve(size_t bytes) { text_.reserve(bytes); }
  const std::string& str() const { return text_; }
  size_t size() const { return text_.size(); }

 private:
  std::string text_;
};

// Writes the files of one workload and counts what was written.
class Files {
 public:
  Files(const std::string& dir, SourceSummary& summary) : dir_(dir), summary_(summary) {}

  bool WriteQdl(const std::string& name, const Text& text) {
    summary_.qdlBytes += text.size();
    for (char c : text.str()) summary_.qdlLines += c == '\n';
    return Write(name, text.str());
  }
  bool WriteNasm(const std::string& name, const Text& text) {
    summary_.nasmBytes += text.size();
    return Write(name, text.str());
  }

 private:
  bool Write(const std::string& name, const std::string& text) {
    FILE* file = fopen((dir_ + "/" + name).c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
  }

  std::string dir_;
  SourceSummary& summary_;
};

// Numeric constants K0 ... K(count-1), each from earlier ones, and a few
// statements that put the last and some other constants into the image,
// so that both images show the values.  NASM reads K0 to K7 as mask
// registers; the "$" prefix makes every name a plain symbol.
bool Constants(long count, bool random, Files& files, SourceSummary& summary) {
  Text qdl, nasm;
  qdl.Reserve(count * 30);
  nasm.Reserve(count * 34);
  qdl << "// " << count << (random ? " constants, each from two random earlier ones\n"
                                   : " constants, each from the one before\n");
  qdl << Kw().command << " 2 Put v[4];\n";
  qdl << "K0 = 1;\n";
  nasm << "$K0 equ 1\n";
  Random rng(random ? 20261207 : 1);
  for (long i = 1; i < count; ++i) {
    if (!random) {
      qdl << "K" << i << " = K" << i - 1 << " + 3;\n";
      nasm << "$K" << i << " equ $K" << i - 1 << " + 3\n";
    } else {
      // Every value stays positive and below 10 * count, so the signed
      // division of qdl and the unsigned one of NASM agree.
      long a = rng.Below(i), b = rng.Below(i), r = 1 + rng.Below(9);
      qdl << "K" << i << " = (K" << a << " + K" << b << ") / 2 + " << r << ";\n";
      nasm << "$K" << i << " equ ($K" << a << " + $K" << b << ") / 2 + " << r << "\n";
    }
  }
  std::vector<long> shown;
  for (long i = count - 1; i >= 0 && i >= count - 8; --i) shown.push_back(i);
  for (int i = 0; i < 8; ++i) shown.push_back(rng.Below(count));
  for (long index : shown) {
    qdl << "Put K" << index << ";\n";
    nasm << "db 2\ndd $K" << index << "\n";
  }
  nasm << "db 0\n";
  summary.constants = count;
  return files.WriteQdl("main.qdl", qdl) && files.WriteNasm("main.asm", nasm);
}

// Comment text: words of both alphabets and some punctuation, never a
// slash or a star, so that no comment opens or closes inside it.
std::string CommentLine(Random& rng) {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> list;
    for (const char* word :
         {"команда", "узел", "конец", "тип", "размер", "метка", "адрес", "операнд", "байт", "слово",
          "длинное", "значение", "переход", "вперёд", "назад", "строка", "константа", "программа",
          "машина", "код", "образ", "проход", "второй", "первый", "если", "то", "и", "или", "не",
          "для", "каждого", "the", "next", "entry", "label", "node", "header", "(see", "above)",
          "\"text\"", "'x'", "0x1F", "42", "1000,", "step.", "итак:", "=", "+", "-", "$", "#",
          "Скорость", "Робот", "Лампа", "Идти", "Стоп;", "Ждать", "Сказать", "Привет", "мир!"})
      list.push_back(Win1251(word));
    return list;
  }();
  std::string line;
  size_t length = 50 + rng.Below(50);
  while (line.size() < length) {
    if (!line.empty()) line += ' ';
    line += words[rng.Below(static_cast<long>(words.size()))];
  }
  return line;
}

// About `bytes` bytes of source, almost all of it comments, around a
// one-pass program whose statements are spread through the file.  The
// NASM twin has the same program and a ";" line for every comment line.
bool Comments(long bytes, Files& files) {
  const std::string go = Win1251("Идти"), wait = Win1251("Ждать"), stop = Win1251("Стоп");
  const std::string step = Win1251("Шаг"), start = Win1251("Начало");
  const std::vector<std::pair<std::string, std::string>> program = {
      {Kw().command + " 2 " + stop + ";", ""},
      {Kw().command + " 3 " + go + Win1251(" шаг[2], цель[4];"), ""},
      {Kw().command + " 4 " + wait + Win1251(" мс[2];"), ""},
      {step + " = 10 * 4 + 2;", "step equ 10 * 4 + 2"},
      {start + ":", "start:"},
      {go + " " + step + ", " + start + ";", "db 3\ndw step\ndd start"},
      {wait + " 500;", "db 4\ndw 500"},
      {go + " -1, " + start + " + 7;", "db 3\ndw -1\ndd start + 7"},
      {wait + " " + step + " * 3;", "db 4\ndw step * 3"},
      {stop + ";", "db 2"},
  };
  Text qdl, nasm;
  qdl.Reserve(bytes + 4096);
  nasm.Reserve(bytes + 4096);
  Random rng(314159);
  const long spacing = bytes / static_cast<long>(program.size() + 1);
  size_t next = 0;
  while (qdl.size() < static_cast<size_t>(bytes)) {
    if (next < program.size() && qdl.size() >= static_cast<size_t>(spacing) * (next + 1)) {
      qdl << program[next].first << "  // " << CommentLine(rng) << "\n";
      if (!program[next].second.empty()) nasm << program[next].second << "\n";
      ++next;
      continue;
    }
    long kind = rng.Below(10);
    if (kind < 6) {  // a block comment, sometimes with another inside
      long lines = 3 + rng.Below(40);
      long inner = rng.Below(4) == 0 ? 1 + rng.Below(lines - 2) : -1;
      for (long i = 0; i < lines; ++i) {
        std::string text = CommentLine(rng);
        if (i == 0)
          qdl << "/* " << text;
        else if (i == inner)
          qdl << "   /* " << text << " */";
        else
          qdl << "   " << text;
        qdl << (i + 1 == lines ? " */\n" : "\n");
        nasm << "; " << text << "\n";
      }
    } else if (kind < 9) {  // a run of line comments
      for (long i = 1 + rng.Below(8); i > 0; --i) {
        std::string text = CommentLine(rng);
        qdl << "// " << text << "\n";
        nasm << "; " << text << "\n";
      }
    } else {
      qdl << "\n";
      nasm << "\n";
    }
  }
  for (; next < program.size(); ++next) {
    qdl << program[next].first << "\n";
    if (!program[next].second.empty()) nasm << program[next].second << "\n";
  }
  nasm << "db 0\n";
  return files.WriteQdl("main.qdl", qdl) && files.WriteNasm("main.asm", nasm);
}

// Statement kinds of the full image, with the bytes each one emits.
enum class Statement { kGo, kGoFar, kWait, kSay, kCompare, kHere, kTurn, kStop };

int Length(Statement statement) {
  switch (statement) {
    case Statement::kGo: return 5;
    case Statement::kGoFar: return 5;
    case Statement::kWait: return 3;
    case Statement::kSay: return 6;
    case Statement::kCompare: return 12;
    case Statement::kHere: return 5;
    case Statement::kTurn: return 7;  // node header and a 3-byte command
    case Statement::kStop: return 1;
  }
  return 0;
}

// A code image of exactly `bytes` bytes, strings included: commands of
// every operand size, a node-qualified command, labels at every third
// statement referred to backward and forward, "$", and string constants
// used by address and size.  Forward labels and strings make two passes.
bool Image(long bytes, Files& files) {
  const Keywords& k = Kw();
  const std::string go = Win1251("Идти"), wait = Win1251("Ждать"), say = Win1251("Сказать");
  const std::string compare = Win1251("Сравнить"), here = Win1251("Здесь"), stop = Win1251("Стоп");
  const std::string turn = Win1251("Повернуть"), speed = Win1251("Скорость"), step = Win1251("Шаг");
  const std::string robot = Win1251("Робот"), r1 = Win1251("Р1");
  Random rng(2718281);

  Text qdl, nasm;
  qdl << "// A full code image: labels, forward references and strings.\n";
  qdl << k.command << " 2 " << stop << ";\n";
  qdl << k.command << " 3 " << go << Win1251(" цель[4];\n");
  qdl << k.command << " 4 " << wait << Win1251(" мс[2];\n");
  qdl << k.command << " 5 " << say << Win1251(" текст[4], длина[1];\n");
  qdl << k.command << " 6 " << compare << Win1251(" знак[1], порог[2], дальность[4], куда[4];\n");
  qdl << k.command << " 7 " << here << Win1251(" адрес[4];\n");
  qdl << k.type << " " << robot << "\n  " << k.command << " 10 " << turn << Win1251(" градусы[2];\n");
  qdl << "  " << speed << " = 5;\n" << k.end << "\n";
  qdl << k.node << " 3 " << r1 << " " << k.type << " " << robot << ";\n";
  qdl << step << " = 42;\n";
  nasm << "speed equ 5\nstep equ 42\n";

  // Strings first: a name must be declared before a statement uses it.
  const int stringCount = 64;
  std::vector<std::string> texts;
  long pool = 0;
  for (int i = 0; i < stringCount; ++i) {
    std::string text = CommentLine(rng).substr(0, 10 + rng.Below(40));
    while (!text.empty() && (text.back() == ' ' || text.back() == '"')) text.pop_back();
    for (char& c : text)
      if (c == '"') c = '\'';
    qdl << "S" << i << " = \"" << text << "\";\n";
    texts.push_back(text);
    pool += static_cast<long>(text.size()) + 1;
  }

  // The statements fill the code up to the end-of-code entry exactly.
  const long code = bytes - pool - 1;
  std::vector<Statement> statements;
  static const Statement kChoices[] = {Statement::kGo,      Statement::kGoFar, Statement::kWait,
                                       Statement::kSay,     Statement::kCompare, Statement::kHere,
                                       Statement::kTurn};
  long filled = 0;
  while (filled < code) {
    Statement next = kChoices[rng.Below(7)];
    if (filled + Length(next) > code) next = Statement::kStop;
    statements.push_back(next);
    filled += Length(next);
  }
  const long labels = (static_cast<long>(statements.size()) + 2) / 3;
  for (size_t i = 0; i < statements.size(); ++i) {
    if (i % 3 == 0) {
      qdl << "M" << static_cast<long>(i / 3) << ":\n";
      nasm << "M" << static_cast<long>(i / 3) << ":\n";
    }
    long target = rng.Below(labels), other = rng.Below(labels), value = rng.Below(100);
    long string = rng.Below(stringCount);
    switch (statements[i]) {
      case Statement::kGo:
        qdl << go << " M" << target << ";\n";
        nasm << "db 3\ndd M" << target << "\n";
        break;
      case Statement::kGoFar:
        qdl << go << " M" << target << " + 2 * " << step << ";\n";
        nasm << "db 3\ndd M" << target << " + 2 * step\n";
        break;
      case Statement::kWait:
        qdl << wait << " " << step << " * 10 - " << value << ";\n";
        nasm << "db 4\ndw step * 10 - " << value << "\n";
        break;
      case Statement::kSay:
        qdl << say << " S" << string << ", " << k.size << "(S" << string << ");\n";
        nasm << "db 5\ndd S" << string << "\ndb " << static_cast<long>(texts[string].size()) << "\n";
        break;
      case Statement::kCompare:
        // "$" is the command's own code byte, four bytes before the
        // third operand.
        qdl << compare << " " << value << ", " << step << " * " << value << ", M" << target << " - $, M"
            << other << ";\n";
        nasm << "db 6\ndb " << value << "\ndw step * " << value << "\ndd M" << target << " - ($ - 4)\ndd M"
             << other << "\n";
        break;
      case Statement::kHere:
        qdl << here << " $;\n";
        nasm << "db 7\ndd $ - 1\n";
        break;
      case Statement::kTurn:
        qdl << r1 << "." << turn << " " << speed << " * " << value << " + 1;\n";
        nasm << "db 1\ndw 3\ndb 3\ndb 10\ndw speed * " << value << " + 1\n";
        break;
      case Statement::kStop:
        qdl << stop << ";\n";
        nasm << "db 2\n";
        break;
    }
  }
  nasm << "db 0\n";
  for (int i = 0; i < stringCount; ++i) nasm << "S" << i << ": db \"" << texts[i] << "\", 0\n";
  return files.WriteQdl("main.qdl", qdl) && files.WriteNasm("main.asm", nasm);
}

std::string IncludeName(long file) {
  std::string number = std::to_string(file);
  return "inc" + std::string(number.size() < 2 ? 1 : 0, '0') + number;
}

// main.qdl includes inc01, inc01 includes inc02 in its middle, and so on
// down to the last file.  Each file declares a command, a type with a
// member command and constant, a node and `perFile` constants (half of
// them before its include, half after), and uses them.
bool IncludeChain(long fileCount, long perFile, Files& files, SourceSummary& summary) {
  const Keywords& k = Kw();
  const long half = perFile / 2;
  Text main, mainNasm;
  main << "// The head of a chain of " << fileCount << " includes.\n";
  main << k.command << " 2 Put v[4];\n";
  main << k.include << " \"" << IncludeName(1) << "\";\n";
  main << "Put F" << fileCount << "_" << perFile - 1 << ";\nPut F1_0;\n";
  mainNasm << "%include \"" << IncludeName(1) << ".asm\"\n";
  mainNasm << "db 2\ndd F" << fileCount << "_" << perFile - 1 << "\ndb 2\ndd F1_0\ndb 0\n";
  if (!files.WriteQdl("main.qdl", main) || !files.WriteNasm("main.asm", mainNasm)) return false;

  for (long f = 1; f <= fileCount; ++f) {
    Text qdl, nasm;
    qdl << "// Link " << f << " of the include chain.\n";
    qdl << k.command << " " << 100 + f << " Op" << f << " a[1], b[4];\n";
    qdl << k.type << " T" << f << "\n  " << k.command << " 10 Turn" << f << " deg[2];\n  Speed = " << f << ";\n"
        << k.end << "\n";
    qdl << k.node << " " << f << " N" << f << " " << k.type << " T" << f << ";\n";
    nasm << "speed" << f << " equ " << f << "\n";
    for (long i = 0; i < perFile; ++i) {
      if (i == half) {
        // The node's type widens the lookup of its operands, so Speed
        // is this file's type member.
        qdl << "N" << f << ".Turn" << f << " Speed * 2;\n";
        qdl << "Op" << f << " " << f << ", F" << f << "_" << i - 1 << ";\n";
        nasm << "db 1\ndw " << f << "\ndb 3\ndb 10\ndw speed" << f << " * 2\n";
        nasm << "db " << 100 + f << "\ndb " << f << "\ndd F" << f << "_" << i - 1 << "\n";
        if (f < fileCount) {
          qdl << k.include << " \"" << IncludeName(f + 1) << "\";\n";
          nasm << "%include \"" << IncludeName(f + 1) << ".asm\"\n";
        }
      }
      qdl << "F" << f << "_" << i << " = ";
      nasm << "F" << f << "_" << i << " equ ";
      if (i == 0 && f == 1) {
        qdl << "1;\n";
        nasm << "1\n";
      } else if (i == 0) {
        qdl << "F" << f - 1 << "_" << half - 1 << " + 1;\n";
        nasm << "F" << f - 1 << "_" << half - 1 << " + 1\n";
      } else {
        qdl << "F" << f << "_" << i - 1 << " + " << 1 + i % 5 << ";\n";
        nasm << "F" << f << "_" << i - 1 << " + " << 1 + i % 5 << "\n";
      }
    }
    qdl << "Op" << f << " " << f + 1 << ", F" << f << "_" << perFile - 1 << " / 3;\n";
    nasm << "db " << 100 + f << "\ndb " << f + 1 << "\ndd F" << f << "_" << perFile - 1 << " / 3\n";
    if (!files.WriteQdl(IncludeName(f) + ".qdl", qdl) || !files.WriteNasm(IncludeName(f) + ".asm", nasm))
      return false;
  }
  summary.constants = fileCount * (perFile + 1);
  return true;
}

}  // namespace

// NASM takes 15 to 40 seconds a run on two million constants, so those
// two get three runs each.
std::vector<Workload> FullWorkloads() {
  return {
      {"chain-20k", Shape::kConstantChain, 20000},
      {"chain-200k", Shape::kConstantChain, 200000},
      {"chain-2M", Shape::kConstantChain, 2000000, 0, 3},
      {"random-20k", Shape::kConstantRandom, 20000},
      {"random-200k", Shape::kConstantRandom, 200000},
      {"random-2M", Shape::kConstantRandom, 2000000, 0, 3},
      {"comments-2MB", Shape::kComments, 2000000},
      {"comments-20MB", Shape::kComments, 20000000},
      {"image-29000", Shape::kImage, 29000},
      {"includes-50", Shape::kIncludeChain, 50, 400},
  };
}

std::vector<Workload> SmokeWorkloads() {
  return {
      {"chain-2k", Shape::kConstantChain, 2000},
      {"random-2k", Shape::kConstantRandom, 2000},
      {"comments-200kB", Shape::kComments, 200000},
      {"image-29000", Shape::kImage, 29000},
      {"includes-50", Shape::kIncludeChain, 50, 20},
  };
}

bool Generate(const Workload& workload, const std::string& dir, SourceSummary& summary) {
  summary = SourceSummary();
  Files files(dir, summary);
  switch (workload.shape) {
    case Shape::kConstantChain: return Constants(workload.size, false, files, summary);
    case Shape::kConstantRandom: return Constants(workload.size, true, files, summary);
    case Shape::kComments: return Comments(workload.size, files);
    case Shape::kImage: return Image(workload.size, files);
    case Shape::kIncludeChain: return IncludeChain(workload.size, workload.perFile, files, summary);
  }
  return false;
}

}  // namespace bench
