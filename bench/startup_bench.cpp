// How long the program takes to show its main window, against a bare Qt
// window started the same way: each is started in turn (alternating which
// goes first), reports the moment its window is first painted and its
// resident memory then, and ends. Run it on a (virtual) screen, inside a
// test LAN: the program broadcasts as soon as its main window exists.
//   startup_bench ROUNDS PROGRAM [ARGUMENTS...]
//   startup_bench --bare          the bare window itself
//   startup_bench --label         the bare window with one line of text: what
//                                 showing any text at all costs

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "first_paint.h"
#include "ui/ui.h"

namespace {

struct Start {
  double ms = 0;   // from the start of the process to the first paint
  double rss = 0;  // MiB resident at the first paint
};

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Starts `argv` (a program that reports its first paint) and reads the report.
Start Run(const std::vector<std::string>& argv) {
  int out[2];
  if (pipe(out) != 0) std::exit(2);
  const std::int64_t begun = Now();
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  long long painted = 0;
  long rss_kb = 0;
  if (std::sscanf(text.c_str(), "painted %lld %ld", &painted, &rss_kb) != 2) {
    std::fprintf(stderr, "startup_bench: %s reported no first paint\n", argv[0].c_str());
    std::exit(1);
  }
  return {(painted - begun) / 1e6, rss_kb / 1024.0};
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * (v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--bare" || std::string(argv[1]) == "--label")) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(640, 400);
    if (std::string(argv[1]) == "--label")
      (new QVBoxLayout(&window))->addWidget(new QLabel("IP Address", &window));
    bench::ReportFirstPaint(&window);
    window.show();
    return QApplication::exec();
  }
  if (argc < 3) {
    std::fputs("usage: startup_bench ROUNDS PROGRAM [ARGUMENTS...]\n", stderr);
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const std::vector<std::string> bare = {"/proc/self/exe", "--bare"};
  std::vector<std::string> program(argv + 2, argv + argc);
  std::vector<double> ms_program, ms_bare, ratio, rss_program, rss_bare, rss_ratio;
  Run(bare);  // the first start of all warms the caches for both
  Run(program);
  for (int i = 0; i < rounds; ++i) {
    Start p, b;
    if (i % 2 == 0) {
      p = Run(program);
      b = Run(bare);
    } else {
      b = Run(bare);
      p = Run(program);
    }
    ms_program.push_back(p.ms);
    ms_bare.push_back(b.ms);
    ratio.push_back(p.ms / b.ms);
    rss_program.push_back(p.rss);
    rss_bare.push_back(b.rss);
    rss_ratio.push_back(p.rss / b.rss);
  }
  std::printf("start-up to first paint, %d pairs in alternating order\n", rounds);
  std::printf("  program    median %6.1f ms   resident %6.1f MiB\n", Quantile(ms_program, 0.5),
              Quantile(rss_program, 0.5));
  std::printf("  bare Qt    median %6.1f ms   resident %6.1f MiB\n", Quantile(ms_bare, 0.5),
              Quantile(rss_bare, 0.5));
  std::printf("  time ratio   median %.2f (quartiles %.2f-%.2f; goal <= 1.20)\n",
              Quantile(ratio, 0.5), Quantile(ratio, 0.25), Quantile(ratio, 0.75));
  std::printf("  memory ratio median %.2f (quartiles %.2f-%.2f)\n", Quantile(rss_ratio, 0.5),
              Quantile(rss_ratio, 0.25), Quantile(rss_ratio, 0.75));
  return 0;
}
