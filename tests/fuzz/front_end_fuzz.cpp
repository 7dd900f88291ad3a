// Feeds random and mutated byte strings to the whole compiler in-process,
// through the resets.  Each input is compiled twice, each time alone in an
// empty private directory: the two runs must agree byte for byte (status,
// standard output, every file written), and neither may crash or hang.
// The seed sources are the end-to-end cases' files.  The run is fixed by
// its seed and its number of inputs; on a failure it prints both with the
// input's number and writes the input to failing.qdl, and the same
// command replays it:
//   front_end_fuzz CASES_DIR SEED INPUTS
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "text/encoding.h"
#include "diagnostics/diagnostics.h"

namespace {

// Source sections of the case files, converted as the case runner does
// (only plain text here: escapes are left as they are, which is fine for
// a fuzzer).
void CollectSeeds(const std::string& dir, std::vector<std::string>& seeds) {
  DIR* handle = opendir(dir.c_str());
  if (handle == nullptr) return;
  while (dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = dir + "/" + name;
    struct stat info;
    if (stat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      CollectSeeds(path, seeds);
      continue;
    }
    std::ifstream in(path);
    std::string line, current;
    bool inFile = false;
    while (std::getline(in, line)) {
      if (line.rfind("===", 0) == 0) {
        if (inFile) seeds.push_back(qdl::Cp1251FromUtf8(current));
        inFile = line.rfind("=== file", 0) == 0;
        current.clear();
      } else if (inFile) {
        current += line + "\n";
      }
    }
    if (inFile) seeds.push_back(qdl::Cp1251FromUtf8(current));
  }
  closedir(handle);
}

// Pieces the mutations splice in: keywords, operators, edge numbers.
const char* const kPieces[] = {
    "команда", "используется", "размер", "тип", "узел", "этот_узел", "конец", ";", ":", ".", "=",
    "$", "(", ")", ",", "[", "]", "+", "-", "*", "/", "/*", "*/", "//", "\"", "'", "\\", "0x", "0b",
    "2147483648", "0", "1", "4", "\n", " ", "\"fuzz\"", "\"x\\0y\"", "используется \"f\";",
};

std::string Mutate(std::string input, std::mt19937& random) {
  int steps = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < steps; ++i) {
    size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    switch (random() % 6) {
      case 0:  // flip a byte
        if (!input.empty()) input[at % input.size()] = static_cast<char>(random());
        break;
      case 1:  // insert random bytes
        for (int n = random() % 8; n > 0; --n) input.insert(input.begin() + at, static_cast<char>(random()));
        break;
      case 2:  // delete a range
        if (!input.empty()) input.erase(at % input.size(), random() % 16);
        break;
      case 3: {  // splice a piece of the language
        std::string piece = qdl::Cp1251FromUtf8(kPieces[random() % (sizeof kPieces / sizeof kPieces[0])]);
        input.insert(at, piece);
        break;
      }
      case 4:  // duplicate a range
        if (!input.empty()) {
          size_t from = random() % input.size();
          input.insert(at, input.substr(from, random() % 64));
        }
        break;
      case 5:  // truncate
        input.resize(at);
        break;
    }
  }
  return input;
}

std::string RandomBytes(std::mt19937& random) {
  std::string bytes(random() % 256, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

struct Result {
  int status;
  std::string output;
  std::map<std::string, std::string> files;  // every file left behind
};

// Compiles the source alone in the current directory, then takes every
// file out of it again.
Result Compile(const std::string& source, const std::string& format) {
  std::ofstream("f.qdl", std::ios::binary) << source;
  const char* args[] = {"qdl", format.c_str(), "-L", "-D", "-S", "f"};
  Result result;
  qdl::SetStdoutCapture(&result.output);
  result.status = qdl::RunQdl(6, args);
  qdl::SetStdoutCapture(nullptr);
  DIR* handle = opendir(".");
  while (dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::ifstream in(name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    result.files[name] = content.str();
    remove(name.c_str());
  }
  closedir(handle);
  return result;
}

// What differs between two runs of one input, or nothing.
std::string Difference(const Result& first, const Result& second) {
  if (first.status < 0 || first.status > 255) return "impossible status " + std::to_string(first.status);
  if (first.status != second.status)
    return "status " + std::to_string(first.status) + ", then " + std::to_string(second.status);
  if (first.output != second.output) return "standard output";
  for (const auto& file : first.files) {
    auto other = second.files.find(file.first);
    if (other == second.files.end() || other->second != file.second) return "file " + file.first;
  }
  if (first.files.size() != second.files.size()) return "files written";
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: front_end_fuzz CASES_DIR SEED INPUTS\n");
    return 2;
  }
  unsigned seed = static_cast<unsigned>(strtoul(argv[2], nullptr, 10));
  long inputs = strtol(argv[3], nullptr, 10);
  std::vector<std::string> seeds;
  CollectSeeds(argv[1], seeds);
  if (seeds.empty()) seeds.push_back("");
  printf("fuzzing with seed %u, %zu seed sources, %ld inputs\n", seed, seeds.size(), inputs);
  fflush(stdout);

  char start[4096];
  if (getcwd(start, sizeof start) == nullptr) return 2;
  // Memory-backed when the system has it: every input writes several files.
  char dirTemplate[] = "/dev/shm/qdl_fuzz_XXXXXX";
  char fallback[] = "/tmp/qdl_fuzz_XXXXXX";
  char* dir = mkdtemp(dirTemplate);
  if (dir == nullptr) dir = mkdtemp(fallback);
  if (dir == nullptr || chdir(dir) != 0) return 2;
  std::mt19937 random(seed);
  const char* formats[] = {"-fb", "-fa", "-fc", "-fd"};
  for (long done = 0; done < inputs; ++done) {
    std::string source = random() % 10 == 0 ? RandomBytes(random) : Mutate(seeds[random() % seeds.size()], random);
    std::string format = formats[random() % 4];
    Result first = Compile(source, format);
    std::string difference = Difference(first, Compile(source, format));
    if (!difference.empty()) {
      fprintf(stderr, "seed %u, input %ld (%s): %s\n", seed, done, format.c_str(), difference.c_str());
      std::ofstream(std::string(start) + "/failing.qdl", std::ios::binary) << source;
      rmdir(dir);
      return 1;
    }
  }
  printf("%ld inputs passed, 0 failed\n", inputs);
  rmdir(dir);
  return 0;
}
