#include "bench/measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace bench {

namespace {

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; }

template <typename Field>
double MedianOf(std::vector<Sample>& samples, Field field) {
  std::sort(samples.begin(), samples.end(),
            [&](const Sample& a, const Sample& b) { return field(a) < field(b); });
  size_t middle = samples.size() / 2;
  if (samples.size() % 2 == 1) return field(samples[middle]);
  return (field(samples[middle - 1]) + field(samples[middle])) / 2;
}

}  // namespace

bool Run(const std::vector<std::string>& args, const std::string& dir, const std::string& output,
         Sample& sample) {
  // Everything the child needs is made before the fork: after it the
  // child only calls what is safe there.
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(126);
    close(fd);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) return false;
  sample.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sample.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  sample.peakKiB = usage.ru_maxrss;
  sample.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

Sample Median(std::vector<Sample> samples) {
  Sample median;
  if (samples.empty()) return median;
  median.cpu = MedianOf(samples, [](const Sample& s) { return s.cpu; });
  median.wall = MedianOf(samples, [](const Sample& s) { return s.wall; });
  median.peakKiB = static_cast<long>(MedianOf(samples, [](const Sample& s) { return double(s.peakKiB); }));
  median.status = samples.front().status;
  return median;
}

}  // namespace bench
