// Uploads one firmware image with UploadClient and with curl's multipart
// POST, each in a process of its own, and prints throughput and peak memory.
// UploadClient holds the whole body in memory before it sends (by design),
// so the whole process is what counts; the transfer alone is shown too.
//
//   upload_bench URL CONTROL ROUNDS FILE...
//                                       compare, for each image (run inside the
//                                       test LAN; CONTROL: the device's control
//                                       socket, to check it took each image)
//   upload_bench --client URL FILE      one upload with UploadClient; prints
//                                       "<build seconds> <transfer seconds>"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "net/http_data_stream.h"
#include "net/upload_client.h"
#include "sim/control.h"
#include "sim/netns_guard.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int UploadOnce(const std::string& url, const std::string& file) {
  const auto start = Clock::now();
  net::THttpDataStream body;
  body.AddFormField("redirect", "man_firm.htm");
  body.AddFormField("failure", "fail.htm");
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", file, "application/octet-stream");
  body.FinishBody();
  const double build = Since(start);
  net::UploadClient client;
  client.UserName = "admin";
  client.ContentType = body.ContentType();
  net::MemoryStream reply;
  const auto sent = Clock::now();
  try {
    client.Post(url, body, reply);
  } catch (const net::HttpError& e) {
    // The device answers an accepted image with its redirect.
    if (std::string(e.what()).rfind("302", 0) != 0) {
      std::fprintf(stderr, "upload failed: %s\n", e.what());
      return 1;
    }
  }
  std::printf("%.6f %.6f\n", build, Since(sent));
  return 0;
}

struct Run {
  double total = 0;     // the whole process
  double transfer = 0;  // the POST alone, as the process reports it
  double peak_mib = 0;
};

// Runs a command, reading its standard output; the first number it prints
// is its transfer time.
Run Measure(std::vector<std::string> argv, bool reports_build_first) {
  int out[2];
  if (::pipe(out) != 0) std::exit(1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ) != 0) {
    std::perror(raw[0]);
    std::exit(1);
  }
  ::close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(out[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Run run;
  run.total = Since(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", raw[0]);
    std::exit(1);
  }
  std::istringstream in(text);
  double build = 0;
  if (reports_build_first) in >> build;
  in >> run.transfer;
  run.peak_mib = usage.ru_maxrss / 1024.0;
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The device's record of the last upload: "name size".
std::size_t AcceptedSize(const std::string& control) {
  const std::string answer = sim::ControlCall(control, "get firmware-upload");
  const auto blank = answer.rfind(' ');
  return blank == std::string::npos ? 0 : std::stoull(answer.substr(blank + 1));
}

// Uploads `file` `rounds` times with each client, alternating which goes
// first, and prints the medians.
bool Compare(const std::string& url, const std::string& control, const std::string& file,
             int rounds) {
  struct stat info {};
  ::stat(file.c_str(), &info);
  const auto bytes = static_cast<std::size_t>(info.st_size);
  const double mib = static_cast<double>(bytes) / (1 << 20);
  auto ours = [&] { return Measure({"/proc/self/exe", "--client", url, file}, true); };
  // No "Expect: 100-continue": the device does not answer it, and waiting
  // for it would only slow curl down.
  auto curl = [&] {
    return Measure(
        {"curl", "-s", "-o", "/dev/null", "-w", "%{time_total}\n", "-H", "Expect:", "-u",
         "admin:", "-F", "redirect=man_firm.htm", "-F", "failure=fail.htm", "-F",
         "type=file_upload", "-F", "filename=@" + file + ";type=application/octet-stream", url},
        false);
  };
  std::vector<double> ours_total, ours_transfer, curl_total, curl_transfer, ratios;
  double ours_peak = 0, curl_peak = 0;
  bool accepted = true;
  auto check = [&](const char* who) {
    // Both must have delivered a firmware the device took, not just bytes.
    const bool took = AcceptedSize(control) == bytes;
    sim::ControlCall(control, "forget-upload");
    if (took) return;
    std::fprintf(stderr, "%s: the device did not accept the image\n", who);
    accepted = false;
  };
  for (int i = 0; i < rounds; ++i) {
    Run a, b;
    if (i % 2 == 0) {
      a = ours();
      check("UploadClient");
      b = curl();
      check("curl");
    } else {
      b = curl();
      check("curl");
      a = ours();
      check("UploadClient");
    }
    ours_total.push_back(a.total);
    ours_transfer.push_back(a.transfer);
    curl_total.push_back(b.total);
    curl_transfer.push_back(b.transfer);
    ratios.push_back(b.total / a.total);
    ours_peak = std::max(ours_peak, a.peak_mib);
    curl_peak = std::max(curl_peak, b.peak_mib);
  }
  const double ot = Median(ours_transfer), ct = Median(curl_transfer);
  const double oa = Median(ours_total), ca = Median(curl_total);
  std::printf("\nimage %.0f MiB, %d pairs, order alternating, every upload accepted: %s\n", mib,
              rounds, accepted ? "yes" : "NO");
  std::printf("                 transfer      whole process   peak memory\n");
  std::printf("UploadClient  %8.1f MiB/s  %8.1f MiB/s  %8.1f MiB\n", mib / ot, mib / oa, ours_peak);
  std::printf("curl          %8.1f MiB/s  %8.1f MiB/s  %8.1f MiB\n", mib / ct, mib / ca, curl_peak);
  std::printf("throughput ratio, whole process (median of pairs): %.2f (goal >= 1.00)\n",
              Median(ratios));
  std::printf("throughput ratio, transfer alone:                  %.2f\n", ct / ot);
  std::printf("UploadClient peak above the image: %.1f MiB (goal <= 16)\n", ours_peak - mib);
  return accepted;
}

}  // namespace

int main(int argc, char** argv) {
  sim::RequirePrivateNetworkNamespace("upload_bench");
  if (argc == 4 && std::string(argv[1]) == "--client") return UploadOnce(argv[2], argv[3]);
  if (argc < 5) {
    std::fprintf(stderr, "usage: upload_bench URL CONTROL ROUNDS FILE...\n");
    return 2;
  }
  const std::string url = argv[1], control = argv[2];
  const int rounds = std::max(1, std::stoi(argv[3]));
  bool accepted = true;
  for (int i = 4; i < argc; ++i) accepted = Compare(url, control, argv[i], rounds) && accepted;
  return accepted ? 0 : 1;
}
