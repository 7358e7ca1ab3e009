// Firmware uploads side by side, each a whole process of its own: Brevane's
// UploadClient (the body built as the Maintenance page builds it, sent from
// the file and from a private copy read first), curl's standard multipart
// POST of the same form, and a plain sendfile() loop sending the same
// bytes as Brevane (the ceiling), each against a receiver
// that reads and discards the body as fast as it can and against the
// simulated device. Prints throughput, the ratios of the pairs with their
// quartiles, and the peak memory of each; every upload is checked to have
// arrived whole.
//
// Inside the test LAN:
//   upload_bench RECEIVER_URL RECEIVER_LOG DEVICE_URL DEVICE_CONTROL PAIRS FILE...
//   upload_bench --memory RECEIVER_URL RECEIVER_LOG FILE...   peak memory only
//   upload_bench --receive PORT LOG      the discarding receiver (in a device's namespace)
//   upload_bench --client URL FILE       one upload with UploadClient
//   upload_bench --client-copied URL FILE    the same, sent from a private copy
//   upload_bench --sendfile URL FILE     one upload with a plain sendfile() loop
//   upload_bench --idle                  the client's process doing nothing

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "device/maintenance.h"
#include "net/http_data_stream.h"
#include "net/tcp.h"
#include "net/upload_client.h"
#include "net/url.h"
#include "sim/control.h"
#include "sim/netns_guard.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// `copied`: from a private copy read first, as brevane-ctl sends an image
// to several devices.
int ClientUpload(const std::string& url, const std::string& file, bool copied) {
  // The firmware form, as the Maintenance page fills it.
  const net::THttpDataStream body = device::FirmwareForm(file, copied);
  net::UploadClient client;
  client.UserName = "admin";
  client.ContentType = body.ContentType();
  client.reply_timeout_ms = 120000;
  net::MemoryStream reply;
  try {
    client.Post(url, body, reply);
  } catch (const net::UploadError& e) {
    if (e.kind() == net::UploadError::Kind::Reply && e.number() == 302) return 0;
    std::fprintf(stderr, "upload failed: %s\n", e.what());
  }
  return 1;
}

// The same request, head and body byte for byte, sent by the plainest loop
// there is: a blocking socket, send() for the bytes in memory, sendfile()
// for the image.
int SendfileUpload(const std::string& url, const std::string& file) {
  // The firmware form, as the Maintenance page fills it.
  const net::THttpDataStream body = device::FirmwareForm(file);
  const net::HttpUrl target = net::ParseHttpUrl(url);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(target.port);
  ::inet_pton(AF_INET, target.host.c_str(), &addr.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 1;
  const std::string head = "POST " + target.path + " HTTP/1.0\r\nHost: " + target.host +
                           "\r\nAccept: text/html, */*\r\nUser-Agent: Brevane/1.18\r\n"
                           "Content-Type: " +
                           body.ContentType() +
                           "\r\nContent-Length: " + std::to_string(body.Size()) +
                           "\r\nAuthorization: Basic YWRtaW46\r\n\r\n";
  auto send_all = [fd](std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  };
  if (!send_all(head)) return 1;
  for (const auto& piece : body.Pieces()) {
    if (piece.file == nullptr) {
      if (!send_all(piece.bytes)) return 1;
      continue;
    }
    off_t at = 0;
    while (static_cast<std::size_t>(at) < piece.file->Length())
      if (::sendfile(fd, piece.file->Descriptor(), &at, piece.file->Length() - at) <= 0) return 1;
  }
  char reply[64] = {};
  const ssize_t n = ::recv(fd, reply, sizeof reply - 1, 0);
  ::close(fd);
  return n > 12 && std::string(reply).substr(9, 3) == "302" ? 0 : 1;
}

// Reads requests and throws their bodies away through a pipe, never into
// memory of its own; logs "received announced" per request and answers
// as the device answers an accepted image.
int Receive(int port, const std::string& log) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener, 16) != 0) {
    std::perror("receiver");
    return 1;
  }
  const int null = ::open("/dev/null", O_WRONLY);
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return 1;
  ::fcntl(pipe_fds[1], F_SETPIPE_SZ, 1 << 20);
  for (;;) {
    const int client = ::accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::string head;
    char c = 0;
    while (head.find("\r\n\r\n") == std::string::npos && ::recv(client, &c, 1, 0) == 1) head += c;
    const auto at = head.find("Content-Length: ");
    const std::size_t announced = at == std::string::npos ? 0 : std::stoull(head.substr(at + 16));
    std::size_t received = 0;
    while (received < announced) {
      const ssize_t n = ::splice(client, nullptr, pipe_fds[1], nullptr,
                                 std::min<std::size_t>(announced - received, 1 << 20),
                                 SPLICE_F_MOVE | SPLICE_F_MORE);
      if (n <= 0) break;
      received += static_cast<std::size_t>(n);
      for (ssize_t left = n; left > 0;) {
        const ssize_t out = ::splice(pipe_fds[0], nullptr, null, nullptr,
                                     static_cast<std::size_t>(left), SPLICE_F_MOVE);
        if (out <= 0) break;
        left -= out;
      }
    }
    std::ofstream(log, std::ios::app) << received << " " << announced << "\n";
    const std::string reply = "HTTP/1.0 302 Found\r\nLocation: man_firm.htm\r\n\r\n";
    [[maybe_unused]] auto n = ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    ::close(client);
  }
}

struct Run {
  double seconds = 0;
  double peak_mib = 0;
};

// Runs a command as a process of its own: how long it took from start to
// exit and its peak memory. Exits the benchmark when it fails.
Run Measure(std::vector<std::string> argv) {
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, raw[0], nullptr, nullptr, raw.data(), environ) != 0) {
    std::perror(raw[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.peak_mib = usage.ru_maxrss / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", raw[0]);
    std::exit(1);
  }
  return run;
}

double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const double at = q * static_cast<double>(values.size() - 1);
  const auto low = static_cast<std::size_t>(at);
  const std::size_t high = std::min(low + 1, values.size() - 1);
  return values[low] + (values[high] - values[low]) * (at - static_cast<double>(low));
}

// The receiver's record of its last request: all that was announced came.
bool ReceivedWhole(const std::string& log) {
  std::ifstream in(log);
  std::size_t received = 0, announced = 0, r = 0, a = 0;
  while (in >> r >> a) received = r, announced = a;
  return announced > 0 && received == announced;
}

// The device's record of the last upload: the whole image, accepted.
bool AcceptedWhole(const std::string& control, std::size_t bytes) {
  const std::string answer = sim::ControlCall(control, "get firmware-upload");
  sim::ControlCall(control, "forget-upload");
  const auto blank = answer.rfind(' ');
  return blank != std::string::npos && std::stoull(answer.substr(blank + 1)) == bytes;
}

struct Target {
  const char* name;
  std::string url;
  std::function<bool(std::size_t)> arrived;  // the image's size
};

struct Contender {
  const char* name;
  std::function<std::vector<std::string>(const std::string& url)> command;
};

bool Compare(const std::vector<Contender>& contenders, const Target& target,
             const std::string& file, int pairs, double idle_mib) {
  struct stat info {};
  ::stat(file.c_str(), &info);
  const auto bytes = static_cast<std::size_t>(info.st_size);
  const double mib = static_cast<double>(bytes) / (1 << 20);
  std::vector<std::vector<double>> seconds(contenders.size());
  std::vector<double> peaks(contenders.size(), 0);
  bool whole = true;
  for (int round = 0; round < pairs; ++round) {
    // Each round in another order, so none always goes first.
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      const std::size_t c = (k + static_cast<std::size_t>(round)) % contenders.size();
      const Run run = Measure(contenders[c].command(target.url));
      if (!target.arrived(bytes)) {
        std::fprintf(stderr, "%s to %s: the upload did not arrive whole\n", contenders[c].name,
                     target.name);
        whole = false;
      }
      seconds[c].push_back(run.seconds);
      peaks[c] = std::max(peaks[c], run.peak_mib);
    }
  }
  std::printf("\n%.0f MiB image to %s, %d rounds in turning order, every upload whole: %s\n", mib,
              target.name, pairs, whole ? "yes" : "NO");
  std::printf("  %-12s %14s %14s\n", "", "MiB/s (median)", "peak memory");
  for (std::size_t c = 0; c < contenders.size(); ++c)
    std::printf("  %-12s %14.1f %11.1f MiB\n", contenders[c].name, mib / Quantile(seconds[c], 0.5),
                peaks[c]);
  // Brevane against each other contender: their time over Brevane's, per
  // round (above 1: Brevane is faster).
  for (std::size_t c = 1; c < contenders.size(); ++c) {
    std::vector<double> ratios;
    for (int round = 0; round < pairs; ++round)
      ratios.push_back(seconds[c][static_cast<std::size_t>(round)] /
                       seconds[0][static_cast<std::size_t>(round)]);
    std::printf("  Brevane / %-8s throughput %.2f (quartiles %.2f to %.2f)\n", contenders[c].name,
                Quantile(ratios, 0.5), Quantile(ratios, 0.25), Quantile(ratios, 0.75));
  }
  std::printf("  Brevane's peak above its idle process: %.1f MiB (goal <= 16)\n",
              peaks[0] - idle_mib);
  return whole;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--idle") return 0;
  sim::RequirePrivateNetworkNamespace("upload_bench");
  if (args.size() == 3 && args[0] == "--client") return ClientUpload(args[1], args[2], false);
  if (args.size() == 3 && args[0] == "--client-copied") return ClientUpload(args[1], args[2], true);
  if (args.size() == 3 && args[0] == "--sendfile") return SendfileUpload(args[1], args[2]);
  if (args.size() == 3 && args[0] == "--receive") return Receive(std::stoi(args[1]), args[2]);

  const std::string self = "/proc/self/exe";
  const double idle = Measure({self, "--idle"}).peak_mib;
  if (args.size() >= 4 && args[0] == "--memory") {
    const std::string url = args[1], log = args[2];
    bool whole = true;
    std::printf("\nBrevane's peak memory above its idle process (%.1f MiB), whatever the image:\n",
                idle);
    for (std::size_t i = 3; i < args.size(); ++i) {
      struct stat info {};
      ::stat(args[i].c_str(), &info);
      const Run run = Measure({self, "--client", url, args[i]});
      whole = ReceivedWhole(log) && whole;
      std::printf("  %6.0f MiB image: %6.1f MiB above idle (goal <= 16), %.1f MiB/s\n",
                  static_cast<double>(info.st_size) / (1 << 20), run.peak_mib - idle,
                  static_cast<double>(info.st_size) / (1 << 20) / run.seconds);
    }
    return whole ? 0 : 1;
  }
  if (args.size() < 6) {
    std::fprintf(stderr,
                 "usage: upload_bench RECEIVER_URL RECEIVER_LOG DEVICE_URL DEVICE_CONTROL PAIRS "
                 "FILE...\n");
    return 2;
  }
  const std::string receiver_url = args[0], receiver_log = args[1], device_url = args[2],
                    control = args[3];
  const int pairs = std::max(1, std::stoi(args[4]));
  bool whole = true;
  for (std::size_t i = 5; i < args.size(); ++i) {
    const std::string file = args[i];
    // No "Expect: 100-continue": the device does not answer it, and
    // waiting for it would only slow curl down.
    const std::vector<Contender> contenders = {
        {"Brevane",
         [&](const std::string& url) {
           return std::vector<std::string>{self, "--client", url, file};
         }},
        {"sendfile",
         [&](const std::string& url) {
           return std::vector<std::string>{self, "--sendfile", url, file};
         }},
        // (Its copy of an image up to 16 MiB is memory that no peak of
        // resident memory shows.)
        {"copied",
         [&](const std::string& url) {
           return std::vector<std::string>{self, "--client-copied", url, file};
         }},
        {"curl", [&](const std::string& url) {
           return std::vector<std::string>{
               "curl", "-s",
               "-o",   "/dev/null",
               "-H",   "Expect:",
               "-u",   "admin:",
               "-F",   "redirect=man_firm.htm",
               "-F",   "failure=fail.htm",
               "-F",   "type=file_upload",
               "-F",   "filename=@" + file + ";type=application/octet-stream",
               url};
         }}};
    const std::vector<Target> targets = {
        {"the discarding receiver", receiver_url,
         [&](std::size_t) { return ReceivedWhole(receiver_log); }},
        {"the simulated device", device_url,
         [&](std::size_t size) { return AcceptedWhole(control, size); }}};
    for (const Target& target : targets)
      whole = Compare(contenders, target, file, pairs, idle) && whole;
  }
  return whole ? 0 : 1;
}
