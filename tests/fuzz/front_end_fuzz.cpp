// Feeds random and mutated byte strings to the whole compiler in-process,
// through the resets, and checks that every run ends with a status the
// compiler gives (no crash, no hang).  The seeds are the end-to-end cases'
// sources; the random seed is printed so a failure can be replayed:
//   front_end_fuzz CASES_DIR [SEED [INPUTS [SECONDS]]]
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: front_end_fuzz CASES_DIR [SEED [INPUTS [SECONDS]]]\n");
    return 2;
  }
  unsigned seed = argc > 2 ? static_cast<unsigned>(strtoul(argv[2], nullptr, 10)) : 20261206u;
  long inputs = argc > 3 ? strtol(argv[3], nullptr, 10) : 100000;
  double seconds = argc > 4 ? strtod(argv[4], nullptr) : 60.0;
  std::vector<std::string> seeds;
  CollectSeeds(argv[1], seeds);
  if (seeds.empty()) seeds.push_back("");
  printf("fuzzing with seed %u, %zu seed sources, up to %ld inputs or %.0f s\n", seed, seeds.size(), inputs,
         seconds);
  fflush(stdout);

  char dirTemplate[] = "/tmp/qdl_fuzz_XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr || chdir(dirTemplate) != 0) return 2;
  std::mt19937 random(seed);
  std::string output;
  const char* formats[] = {"-fb", "-fa", "-fc", "-fd"};
  auto start = std::chrono::steady_clock::now();
  long done = 0;
  for (; done < inputs; ++done) {
    if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > seconds) break;
    std::string source = random() % 10 == 0 ? RandomBytes(random) : Mutate(seeds[random() % seeds.size()], random);
    std::ofstream("f.qdl", std::ios::binary) << source;
    std::string format = formats[random() % 4];
    const char* args[] = {"qdl", format.c_str(), "-L", "-D", "-S", "f"};
    output.clear();
    qdl::SetStdoutCapture(&output);
    int status = qdl::RunQdl(6, args);
    qdl::SetStdoutCapture(nullptr);
    if (status < 0 || status > 255) {
      fprintf(stderr, "input %ld: impossible status %d\n", done, status);
      return 1;
    }
  }
  printf("%ld inputs passed, 0 failed\n", done);
  for (const char* name : {"f.qdl", "f.h", "f.bin", "f.inc", "f.pas", "f.lst", "f.dmp", "f.sta"}) remove(name);
  rmdir(dirTemplate);
  return 0;
}
