// qdl against NASM: generates each workload, runs qdl and NASM on it
// several times in turn, checks that both give the same image, and
// prints the medians with the targets the compiler is headed for.
//
//   qdl_bench --qdl PATH [--true PATH] [--nasm PATH] [--work DIR]
//             [--runs N] [--only TEXT]... [--keep] [--smoke]
//   qdl_bench --generate NAME DIR      only write the sources of NAME
//   qdl_bench --list                   the workload names
//
// Exit status: 0 when every run succeeded and every pair of images
// matched, 1 otherwise, 2 for a bad command line; with --smoke, 77 when
// NASM is missing and qdl compiled every workload (the ctest skip code).
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "bench/workloads.h"

#ifndef QDL_BENCH_BUILD_TYPE
#define QDL_BENCH_BUILD_TYPE "unknown"
#endif

namespace {

using bench::Sample;
using bench::SourceSummary;
using bench::Workload;

struct Settings {
  std::string qdl;
  std::string staticTrue;
  std::string nasm;
  bool nasmGiven = false;
  std::string work = "qdl_bench_work";
  int runs = 7;
  std::vector<std::string> only;
  bool keep = false;
  bool smoke = false;
};

struct ToolResult {
  bool ran = false;     // measured at least once
  bool failed = false;  // a run ended with a status other than the expected one
  Sample median;
};

struct Row {
  Workload workload;
  SourceSummary source;
  int passes = 0;
  ToolResult qdl, nasm;
  std::string image;  // what the comparison of the two images found
};

// qdl's time on the 2M source of a shape against its time on the 200k
// source, both compiled in turn.
struct Linearity {
  std::string shape;
  ToolResult small, large;
};

// Start-up of qdl without arguments and of a static program that does
// nothing; also the base for memory per constant.
struct StartUp {
  ToolResult qdl, staticTrue;
};

const char kUsage[] =
    "usage: qdl_bench --qdl PATH [--true PATH] [--nasm PATH] [--work DIR] [--runs N]\n"
    "                 [--only TEXT]... [--keep] [--smoke]\n"
    "       qdl_bench --generate NAME DIR\n"
    "       qdl_bench --list\n";

// ---- files ----

int RemoveEntry(const char* path, const struct stat*, int, FTW*) { return remove(path); }

void RemoveTree(const std::string& path) { nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

bool MakeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  content = text.str();
  return true;
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  std::string absolute = cwd != nullptr ? std::string(cwd) + "/" + path : path;
  free(cwd);
  return absolute;
}

std::string FindInPath(const std::string& program) {
  const char* path = getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return Absolute(candidate);
  }
  return "";
}

// ---- formatting ----

std::string Format(const char* format, double value) {
  char text[64];
  snprintf(text, sizeof text, format, value);
  return text;
}

std::string Milliseconds(double seconds) {
  double ms = seconds * 1000;
  if (ms < 1) return Format("%.3f ms", ms);
  if (ms < 10) return Format("%.2f ms", ms);
  if (ms < 100) return Format("%.1f ms", ms);
  if (ms < 10000) return Format("%.0f ms", ms);
  return Format("%.2f s", seconds);
}

std::string Mebibytes(long kib) { return Format("%.1f MiB", kib / 1024.0); }

std::string Grouped(long long n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Rate(double perSecond) {
  if (perSecond >= 1e6) return Format("%.2f M", perSecond / 1e6);
  if (perSecond >= 1e3) return Format("%.1f k", perSecond / 1e3);
  return Format("%.0f", perSecond);
}

std::string Pad(const std::string& text, size_t width, bool right = true) {
  if (text.size() >= width) return text;
  std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

// ---- generation ----

// Writes the sources in a child process, so that the large texts never
// become part of this process, whose pages every measured child inherits
// at its fork.
bool GenerateApart(const Workload& workload, const std::string& dir, SourceSummary& summary) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    close(channel[0]);
    SourceSummary written;
    bool ok = bench::Generate(workload, dir, written);
    ok = ok && write(channel[1], &written, sizeof written) == static_cast<ssize_t>(sizeof written);
    _exit(ok ? 0 : 1);
  }
  close(channel[1]);
  ssize_t got = read(channel[0], &summary, sizeof summary);
  close(channel[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return got == static_cast<ssize_t>(sizeof summary) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- measuring ----

void ShowOutput(const std::string& dir, const std::string& file) {
  std::string text;
  if (!ReadFile(dir + "/" + file, text)) return;
  if (text.size() > 2000) text = text.substr(0, 2000) + "...\n";
  fprintf(stderr, "%s", text.c_str());
}

// One run of a tool; a failed start or an unexpected status marks the
// result failed and shows what the tool printed.
void Measure(const std::string& label, const std::vector<std::string>& args, const std::string& dir,
             int expectedStatus, std::vector<Sample>& samples, ToolResult& result) {
  std::string output = label + ".out";
  Sample sample;
  if (!bench::Run(args, dir, output, sample)) {
    fprintf(stderr, "  %s: cannot run %s: %s\n", label.c_str(), args[0].c_str(), strerror(errno));
    result.failed = true;
    return;
  }
  if (sample.status != expectedStatus) {
    if (!result.failed) {
      fprintf(stderr, "  %s: exit status %d, expected %d; it printed:\n", label.c_str(), sample.status,
              expectedStatus);
      ShowOutput(dir, output);
    }
    result.failed = true;
  }
  samples.push_back(sample);
  result.ran = true;
  result.median = bench::Median(samples);
}

// Where the images first differ, or "same".
std::string CompareImages(const std::string& dir) {
  std::string ours, theirs;
  if (!ReadFile(dir + "/qdl.bin", ours)) return "no qdl image";
  if (!ReadFile(dir + "/nasm.bin", theirs)) return "no NASM image";
  if (ours == theirs) return "same";
  size_t at = 0;
  while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at]) ++at;
  return "DIFFER at byte " + std::to_string(at) + " (" + std::to_string(ours.size()) + " vs " +
         std::to_string(theirs.size()) + " bytes)";
}

int CountPasses(const std::string& dir) {
  std::string text;
  if (!ReadFile(dir + "/qdl.out", text)) return 0;
  int passes = 0;
  for (size_t at = text.find("Pass "); at != std::string::npos; at = text.find("Pass ", at + 1))
    if (at == 0 || text[at - 1] == '\n') ++passes;
  return passes;
}

bool RunWorkload(const Settings& settings, const Workload& workload, Row& row) {
  row.workload = workload;
  std::string dir = settings.work + "/" + workload.name;
  RemoveTree(dir);
  if (!MakeDirectories(dir)) {
    fprintf(stderr, "%s: cannot make %s: %s\n", workload.name.c_str(), dir.c_str(), strerror(errno));
    return false;
  }
  fprintf(stderr, "%s: generating...\n", workload.name.c_str());
  if (!GenerateApart(workload, dir, row.source)) {
    fprintf(stderr, "%s: cannot write the sources in %s\n", workload.name.c_str(), dir.c_str());
    return false;
  }
  bool nasm = !settings.nasm.empty() && row.source.nasmBytes > 0;
  int runs = workload.maxRuns > 0 && workload.maxRuns < settings.runs ? workload.maxRuns : settings.runs;
  fprintf(stderr, "%s: %s of source, %d run%s of qdl%s\n", workload.name.c_str(),
          Format("%.2f MB", row.source.qdlBytes / 1e6).c_str(), runs, runs == 1 ? "" : "s",
          nasm ? " and NASM in turn" : "");
  std::vector<Sample> qdlSamples, nasmSamples;
  row.image = nasm ? "same" : row.source.nasmBytes > 0 ? "not compared" : "-";
  for (int run = 0; run < runs; ++run) {
    remove((dir + "/qdl.bin").c_str());
    Measure("qdl", {settings.qdl, "-V", "-fb", "main.qdl", "qdl.bin"}, dir, 0, qdlSamples, row.qdl);
    if (!nasm) continue;
    remove((dir + "/nasm.bin").c_str());
    Measure("nasm", {settings.nasm, "-f", "bin", "main.asm", "-o", "nasm.bin"}, dir, 0, nasmSamples, row.nasm);
    if (row.qdl.failed || row.nasm.failed) {
      row.image = "not compared";
    } else if (row.image == "same") {
      row.image = CompareImages(dir);
      if (row.image != "same") fprintf(stderr, "  %s: images %s\n", workload.name.c_str(), row.image.c_str());
    }
  }
  row.passes = CountPasses(dir);
  if (!settings.keep) RemoveTree(dir);
  return !row.qdl.failed && !row.nasm.failed && row.image.compare(0, 6, "DIFFER") != 0 &&
         row.image.compare(0, 3, "no ") != 0;
}

// The rows measure each workload minutes apart, and the load of a shared
// machine changes meanwhile: for the ratio of two sizes, qdl compiles the
// two sources in turn, as it does with NASM for the ratio of two tools.
bool RunLinearity(const Settings& settings, const Workload& small, const Workload& large, Linearity& result) {
  std::string dirs[2] = {settings.work + "/" + small.name + "-in-turn", settings.work + "/" + large.name + "-in-turn"};
  const Workload* workloads[2] = {&small, &large};
  for (int i = 0; i < 2; ++i) {
    RemoveTree(dirs[i]);
    SourceSummary summary;
    if (!MakeDirectories(dirs[i]) || !GenerateApart(*workloads[i], dirs[i], summary)) {
      fprintf(stderr, "%s: cannot write the sources in %s\n", workloads[i]->name.c_str(), dirs[i].c_str());
      return false;
    }
  }
  fprintf(stderr, "%s and %s: %d runs of qdl in turn\n", small.name.c_str(), large.name.c_str(), settings.runs);
  std::vector<Sample> samples[2];
  ToolResult* results[2] = {&result.small, &result.large};
  for (int run = 0; run < settings.runs; ++run)
    for (int i = 0; i < 2; ++i)
      Measure("qdl", {settings.qdl, "-fb", "main.qdl", "qdl.bin"}, dirs[i], 0, samples[i], *results[i]);
  if (!settings.keep)
    for (const std::string& dir : dirs) RemoveTree(dir);
  return !result.small.failed && !result.large.failed;
}

bool RunStartUp(const Settings& settings, StartUp& startUp) {
  std::vector<Sample> qdlSamples, trueSamples;
  // Start-up takes about a millisecond: more runs steady the median.
  int runs = settings.runs * 5;
  fprintf(stderr, "start-up: %d runs of qdl without arguments%s\n", runs,
          settings.staticTrue.empty() ? "" : " and of a static true in turn");
  for (int run = 0; run < runs; ++run) {
    // Without arguments qdl prints its usage and ends with status 1.
    Measure("startup-qdl", {settings.qdl}, settings.work, 1, qdlSamples, startUp.qdl);
    if (!settings.staticTrue.empty())
      Measure("startup-true", {settings.staticTrue}, settings.work, 0, trueSamples, startUp.staticTrue);
  }
  return !startUp.qdl.failed && !startUp.staticTrue.failed;
}

// ---- report ----

const Row* Find(const std::vector<Row>& rows, const std::string& name) {
  for (const Row& row : rows)
    if (row.workload.name == name && row.qdl.ran && !row.qdl.failed) return &row;
  return nullptr;
}

double SpeedUp(const Row& row) { return row.nasm.median.cpu / row.qdl.median.cpu; }

void PrintHeader(const Settings& settings, const std::string& nasmVersion) {
  printf("qdl against NASM: each workload %d time%s per tool%s, in turn; medians.\n", settings.runs,
         settings.runs == 1 ? "" : "s", settings.runs > 3 ? " (the 2M rows 3 times)" : "");
  printf("qdl:  %s (build type %s)\n", settings.qdl.c_str(), QDL_BENCH_BUILD_TYPE);
  if (settings.nasm.empty())
    printf("NASM: skipped, nasm not found (apt-get install nasm, or --nasm PATH)\n");
  else
    printf("NASM: %s (%s)\n", settings.nasm.c_str(), nasmVersion.c_str());
  printf("cpu = user + sys of the child (wait4); MB/s and lines/s = qdl source per cpu second;\n"
         "peak = peak resident memory (ru_maxrss); vs NASM = NASM cpu / qdl cpu (above 1: qdl is faster).\n\n");
  printf("%-14s %9s %10s %4s | %10s %10s %8s %9s %9s | %10s %10s %9s | %7s  %s\n", "workload", "source",
         "lines", "pass", "qdl cpu", "wall", "MB/s", "lines/s", "peak", "NASM cpu", "wall", "peak", "vs NASM",
         "image");
  fflush(stdout);
}

void PrintRow(const Row& row) {
  const Sample& q = row.qdl.median;
  std::string line = Pad(row.workload.name, 14, false) + " " +
                     Pad(Format("%.2f MB", row.source.qdlBytes / 1e6), 9) + " " +
                     Pad(Grouped(row.source.qdlLines), 10) + " " + Pad(std::to_string(row.passes), 4) + " | ";
  if (!row.qdl.ran || row.qdl.failed) {
    line += Pad("FAILED", 50, false);
  } else {
    line += Pad(Milliseconds(q.cpu), 10) + " " + Pad(Milliseconds(q.wall), 10) + " " +
            Pad(Format("%.1f", row.source.qdlBytes / 1e6 / q.cpu), 8) + " " +
            Pad(Rate(row.source.qdlLines / q.cpu), 9) + " " + Pad(Mebibytes(q.peakKiB), 9);
  }
  line += " | ";
  if (row.source.nasmBytes == 0) {
    line += Pad("(no NASM program)", 31, false) + " | " + Pad("-", 7);
  } else if (!row.nasm.ran) {
    line += Pad("skipped", 31, false) + " | " + Pad("-", 7);
  } else if (row.nasm.failed) {
    line += Pad("FAILED", 31, false) + " | " + Pad("-", 7);
  } else {
    const Sample& n = row.nasm.median;
    line += Pad(Milliseconds(n.cpu), 10) + " " + Pad(Milliseconds(n.wall), 10) + " " +
            Pad(Mebibytes(n.peakKiB), 9) + " | " +
            Pad(row.qdl.failed ? "-" : Format("%.2fx", SpeedUp(row)), 7);
  }
  line += "  " + row.image;
  printf("%s\n", line.c_str());
  fflush(stdout);
}

void PrintStartUp(const StartUp& startUp) {
  const Sample& q = startUp.qdl.median;
  printf("%-14s %9s %10s %4s | %10s %10s %8s %9s %9s | ", "start-up", "-", "-", "-",
         startUp.qdl.failed ? "FAILED" : Milliseconds(q.cpu).c_str(), Milliseconds(q.wall).c_str(), "-", "-",
         Mebibytes(q.peakKiB).c_str());
  if (!startUp.staticTrue.ran || startUp.staticTrue.failed) {
    printf("static true: %s\n", startUp.staticTrue.failed ? "FAILED" : "not built");
  } else {
    const Sample& t = startUp.staticTrue.median;
    printf("static true: cpu %s, wall %s, peak %s\n", Milliseconds(t.cpu).c_str(), Milliseconds(t.wall).c_str(),
           Mebibytes(t.peakKiB).c_str());
  }
  fflush(stdout);
}

void Target(const std::string& measured, const std::string& target) {
  printf("  %-76s %s\n", measured.c_str(), target.c_str());
}

void PrintTargets(const std::vector<Row>& rows, const std::vector<Linearity>& linearity, const StartUp& startUp) {
  printf("\nTargets (where the compiler is headed; shown, not enforced)\n");
  printf("  %-76s %s\n", "measured", "target");
  for (const char* name : {"chain-200k", "random-200k", "image-29000", "includes-50"}) {
    const Row* row = Find(rows, name);
    std::string target = std::string(name).find("200k") != std::string::npos ? ">= 20x NASM" : ">= 10x NASM";
    if (row == nullptr || !row->nasm.ran || row->nasm.failed)
      Target(std::string(name) + ": not measured against NASM", target);
    else
      Target(std::string(name) + ": " + Format("%.2fx", SpeedUp(*row)) + " NASM's speed (cpu)", target);
  }
  for (const char* shape : {"chain", "random"}) {
    std::string what = std::string(shape) + "-2M cpu / " + shape + "-200k cpu";
    const Linearity* paired = nullptr;
    for (const Linearity& entry : linearity)
      if (entry.shape == shape && entry.small.ran && !entry.small.failed && entry.large.ran && !entry.large.failed)
        paired = &entry;
    const Row* small = Find(rows, std::string(shape) + "-200k");
    const Row* large = Find(rows, std::string(shape) + "-2M");
    if (paired != nullptr)
      Target(what + " (compiled in turn): " + Format("%.2fx", paired->large.median.cpu / paired->small.median.cpu),
             "<= 10.5x");
    if (small != nullptr && large != nullptr)
      Target(what + " (the rows): " + Format("%.2fx", large->qdl.median.cpu / small->qdl.median.cpu), "<= 10.5x");
    if (paired == nullptr && (small == nullptr || large == nullptr)) Target(what + ": not measured", "<= 10.5x");
    // The 2M source has longer names than the 200k one: its bytes grow
    // more than its constants, and the time per byte tells linearity in
    // the source's size apart from that.
    if (small != nullptr && large != nullptr && small->source.qdlBytes > 0) {
      double bytes = static_cast<double>(large->source.qdlBytes) / static_cast<double>(small->source.qdlBytes);
      double time = paired != nullptr ? paired->large.median.cpu / paired->small.median.cpu
                                      : large->qdl.median.cpu / small->qdl.median.cpu;
      printf("  (%s: the 2M source is %.2fx the bytes of the 200k one; cpu per byte %.2fx)\n", shape, bytes,
             time / bytes);
    }
  }
  const Row* comments = Find(rows, "comments-20MB");
  if (comments != nullptr && comments->passes > 0)
    Target("comments-20MB: " +
               Format("%.0f MB/s", comments->source.qdlBytes * comments->passes / 1e6 / comments->qdl.median.cpu) +
               " per pass (" + std::to_string(comments->passes) + " pass" + (comments->passes == 1 ? "" : "es") +
               ")",
           ">= 1000 MB/s per pass");
  else
    Target("comments-20MB: not measured", ">= 1000 MB/s per pass");
  bool haveBase = startUp.qdl.ran && !startUp.qdl.failed;
  long base = startUp.qdl.median.peakKiB;
  for (const Row& row : rows) {
    if (row.workload.shape != bench::Shape::kConstantChain && row.workload.shape != bench::Shape::kConstantRandom)
      continue;
    if (!row.qdl.ran || row.qdl.failed || !haveBase) continue;
    double perConstant = (row.qdl.median.peakKiB - base) * 1024.0 / row.source.constants;
    Target(row.workload.name + ": " + Format("%.0f B", perConstant) + " of peak memory per constant",
           "<= 80 B");
  }
  if (haveBase) printf("  (memory per constant: peak less qdl's start-up peak, divided by the constants)\n");
  const Row* smallComments = Find(rows, "comments-2MB");
  if (comments != nullptr && smallComments != nullptr)
    Target("comments peak memory: 2 MB " + Mebibytes(smallComments->qdl.median.peakKiB) + ", 20 MB " +
               Mebibytes(comments->qdl.median.peakKiB) +
               (haveBase ? ", start-up " + Mebibytes(base) : std::string()),
           "flat (same for both)");
  if (haveBase && startUp.staticTrue.ran && !startUp.staticTrue.failed) {
    const Sample& q = startUp.qdl.median;
    const Sample& t = startUp.staticTrue.median;
    Target("start-up: qdl / static true: wall " + Format("%.2fx", q.wall / t.wall) + ", cpu " +
               Format("%.2fx", q.cpu / t.cpu),
           "<= 1.5x");
  } else {
    Target("start-up: not measured against a static true", "<= 1.5x");
  }
}

std::string NasmVersion(const Settings& settings) {
  Sample sample;
  std::string text;
  if (!bench::Run({settings.nasm, "-v"}, settings.work, "nasm-version.out", sample) ||
      !ReadFile(settings.work + "/nasm-version.out", text))
    return "version unknown";
  remove((settings.work + "/nasm-version.out").c_str());
  size_t end = text.find('\n');
  return text.substr(0, end);
}

// ---- command line ----

bool Selected(const Settings& settings, const Workload& workload) {
  if (settings.only.empty()) return true;
  for (const std::string& text : settings.only)
    if (workload.name.find(text) != std::string::npos) return true;
  return false;
}

const Workload* FindWorkload(const std::string& name) {
  static const std::vector<Workload> all = [] {
    std::vector<Workload> list = bench::FullWorkloads();
    for (const Workload& workload : bench::SmokeWorkloads()) list.push_back(workload);
    return list;
  }();
  for (const Workload& workload : all)
    if (workload.name == name) return &workload;
  return nullptr;
}

int Generate(const std::string& name, const std::string& dir) {
  const Workload* workload = FindWorkload(name);
  if (workload == nullptr) {
    fprintf(stderr, "no workload named %s (see --list)\n", name.c_str());
    return 2;
  }
  SourceSummary summary;
  if (!MakeDirectories(dir) || !bench::Generate(*workload, dir, summary)) {
    fprintf(stderr, "cannot write the sources in %s: %s\n", dir.c_str(), strerror(errno));
    return 1;
  }
  printf("%s: main.qdl%s in %s, %lld bytes, %lld lines of qdl source\n", name.c_str(),
         summary.nasmBytes > 0 ? " and main.asm" : "", dir.c_str(), summary.qdlBytes, summary.qdlLines);
  return 0;
}

bool ReadSettings(int argc, char** argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--qdl" && hasValue) {
      settings.qdl = Absolute(argv[++i]);
    } else if (arg == "--true" && hasValue) {
      settings.staticTrue = Absolute(argv[++i]);
    } else if (arg == "--nasm" && hasValue) {
      settings.nasm = Absolute(argv[++i]);
      settings.nasmGiven = true;
    } else if (arg == "--work" && hasValue) {
      settings.work = argv[++i];
    } else if (arg == "--runs" && hasValue) {
      settings.runs = atoi(argv[++i]);
      if (settings.runs < 1) return false;
    } else if (arg == "--only" && hasValue) {
      settings.only.push_back(argv[++i]);
    } else if (arg == "--keep") {
      settings.keep = true;
    } else if (arg == "--smoke") {
      settings.smoke = true;
    } else {
      return false;
    }
  }
  return !settings.qdl.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--list") == 0) {
    for (const Workload& workload : bench::FullWorkloads()) printf("%s\n", workload.name.c_str());
    for (const Workload& workload : bench::SmokeWorkloads()) printf("%s (smoke)\n", workload.name.c_str());
    return 0;
  }
  if (argc == 4 && strcmp(argv[1], "--generate") == 0) return Generate(argv[2], argv[3]);
  Settings settings;
  if (!ReadSettings(argc, argv, settings)) {
    fprintf(stderr, "%s", kUsage);
    return 2;
  }
  if (settings.smoke) settings.runs = 1;
  if (!settings.nasmGiven) settings.nasm = FindInPath("nasm");
  settings.work = Absolute(settings.work);
  if (access(settings.qdl.c_str(), X_OK) != 0) {
    fprintf(stderr, "cannot run %s\n", settings.qdl.c_str());
    return 2;
  }
  if (!MakeDirectories(settings.work)) {
    fprintf(stderr, "cannot make %s: %s\n", settings.work.c_str(), strerror(errno));
    return 2;
  }
  if (std::string(QDL_BENCH_BUILD_TYPE) != "Release" && !settings.smoke)
    fprintf(stderr, "note: this is a %s build; configure with -DCMAKE_BUILD_TYPE=Release for figures\n",
            QDL_BENCH_BUILD_TYPE);

  PrintHeader(settings, settings.nasm.empty() ? "" : NasmVersion(settings));
  bool ok = true;
  StartUp startUp;
  if (!settings.smoke && Selected(settings, {"start-up", bench::Shape::kComments, 0})) {
    ok = RunStartUp(settings, startUp) && ok;
    PrintStartUp(startUp);
  }
  std::vector<Row> rows;
  for (const Workload& workload : settings.smoke ? bench::SmokeWorkloads() : bench::FullWorkloads()) {
    if (!Selected(settings, workload)) continue;
    rows.emplace_back();
    ok = RunWorkload(settings, workload, rows.back()) && ok;
    PrintRow(rows.back());
  }
  std::vector<Linearity> linearity;
  for (const char* shape : {"chain", "random"}) {
    const Workload* small = FindWorkload(std::string(shape) + "-200k");
    const Workload* large = FindWorkload(std::string(shape) + "-2M");
    if (settings.smoke || small == nullptr || large == nullptr || !Selected(settings, *small) ||
        !Selected(settings, *large))
      continue;
    linearity.push_back({shape, {}, {}});
    ok = RunLinearity(settings, *small, *large, linearity.back()) && ok;
  }
  if (!settings.smoke) PrintTargets(rows, linearity, startUp);
  if (!ok) return 1;
  if (settings.smoke && settings.nasm.empty()) {
    printf("\nNASM is not installed: qdl compiled every workload, the images were not compared.\n");
    return 77;
  }
  return 0;
}
