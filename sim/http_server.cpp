#include "sim/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "net/base64.h"
#include "sim/cgi.h"
#include "sim/multipart.h"
#include "sim/process.h"
#include "sim/status_page.h"

namespace sim {
namespace {

// The version an image named NAME-VERSION.bin brings; empty for any other
// name.
std::string VersionOfImage(const std::string& name) {
  const auto dash = name.rfind('-');
  if (dash == std::string::npos || name.size() < dash + 6 ||
      name.compare(name.size() - 4, 4, ".bin") != 0)
    return {};
  const std::string version = name.substr(dash + 1, name.size() - 4 - dash - 1);
  if (version.size() > 32 || version.find_first_not_of("0123456789.") != std::string::npos)
    return {};
  return version;
}

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr int kReadTimeoutMs = 10000;
// A request head must be whole within this long, however it trickles in.
constexpr int kHeadDeadlineMs = 5000;
// A request body too: this long, and a second more for every MiB, as a
// large image comes over a LAN at 1 MiB/s at the least. A client slower
// than that holds its connection no longer.
constexpr int kBodyDeadlineMs = 5000;
constexpr int kBodyMsPerMiB = 1000;
// Connections served at once; more wait in the listen queue for a place.
constexpr int kMaxConnections = 256;
// How long a held request with a body stays unread at most.
constexpr int kHoldUnreadMs = 5 * 60 * 1000;

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads until `done` says the data is complete, the peer closes, the limit
// is passed or a read waits too long.
bool ReadUntil(int fd, std::string& data, std::size_t limit,
               const std::function<bool(const std::string&)>& done, int deadline_ms = 0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
  char buffer[64 * 1024];
  while (!done(data)) {
    int wait = kReadTimeoutMs;
    if (deadline_ms > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return false;
      wait = static_cast<int>(std::min<long long>(left, wait));
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, wait) <= 0) return false;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    data.append(buffer, static_cast<std::size_t>(n));
    if (data.size() > limit) return false;
  }
  return true;
}

// Receives a request body of `length` bytes, `start` of it read already,
// into an unnamed file (gone when closed), within `deadline_ms`. The file,
// or nothing when the body did not come whole in time.
net::UniqueFd StoreBody(int fd, std::string_view start, std::size_t length, int deadline_ms,
                        double mib_per_second) {
  const std::string dir = std::filesystem::temp_directory_path().string();
  net::UniqueFd file(::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (!file.valid()) return {};
  auto store = [&file](std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(file.get(), bytes.data(), bytes.size());
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  };
  start = start.substr(0, length);
  if (!store(start)) return {};
  std::size_t received = start.size();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
  std::vector<char> buffer(256 * 1024);
  const auto began = std::chrono::steady_clock::now();
  while (received < length) {
    // Taken no faster than the flash writes it: the sender waits.
    if (mib_per_second > 0)
      std::this_thread::sleep_until(
          began + std::chrono::microseconds(static_cast<long long>(
                      static_cast<double>(received) / (mib_per_second * (1 << 20)) * 1e6)));
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return {};
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::min<long long>(left, kReadTimeoutMs))) <= 0) return {};
    const ssize_t n = ::recv(fd, buffer.data(), std::min(buffer.size(), length - received), 0);
    if (n <= 0 || !store(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return {};
    received += static_cast<std::size_t>(n);
  }
  return file;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool ParseRequestHead(const std::string& head, Request& request) {
  const auto line_end = head.find("\r\n");
  const std::string line = head.substr(0, line_end);
  const auto a = line.find(' ');
  const auto b = line.find(' ', a == std::string::npos ? a : a + 1);
  if (a == std::string::npos || b == std::string::npos) return false;
  request.method = line.substr(0, a);
  request.target = line.substr(a + 1, b - a - 1);
  request.version = line.substr(b + 1);
  if (request.version != "HTTP/1.0" && request.version != "HTTP/1.1") return false;
  if (request.target.empty() || request.target[0] != '/') return false;
  std::size_t pos = line_end + 2;
  while (pos < head.size()) {
    const auto end = head.find("\r\n", pos);
    if (end == std::string::npos || end == pos) break;
    const std::string header = head.substr(pos, end - pos);
    const auto colon = header.find(':');
    if (colon != std::string::npos) {
      const std::string name = Lower(header.substr(0, colon));
      std::string value = header.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      if (name == "authorization") request.authorization = value;
      if (name == "content-type") request.content_type = value;
      if (name == "content-length") {
        char* stop = nullptr;
        request.content_length = std::strtoll(value.c_str(), &stop, 10);
        if (stop == value.c_str() || request.content_length < 0) return false;
      }
    }
    pos = end + 2;
  }
  return true;
}

namespace {

std::string Reply(const std::string& status, const std::string& headers, const std::string& body) {
  return "HTTP/1.0 " + status + "\r\nServer: devsim\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string Page(const std::string& title, const std::string& text) {
  return "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD><BODY>" + text + "</BODY></HTML>\r\n";
}

// No control bytes (CR, LF and the like) in a value that goes into a header.
bool SafeHeaderValue(const std::string& value) {
  return std::none_of(value.begin(), value.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
  });
}

void ResetConnection(int fd) {
  const linger hard{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

}  // namespace

bool RunIp(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"ip"};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv) == 0;
}

HttpServer::HttpServer(Device& device, std::function<void()> on_change, std::uint16_t port)
    : device_(device),
      on_change_(std::move(on_change)),
      port_(port),
      wake_(::eventfd(0, EFD_CLOEXEC)) {
  std::string ip;
  {
    std::lock_guard lock(device_.mutex);
    ip = device_.state.ip;
  }
  Listen(ip);
  thread_ = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
  thread_.join();
  // Connections still being served end on their own bounded reads.
  std::unique_lock lock(done_mutex_);
  done_.wait_for(lock, std::chrono::seconds(15), [this] { return active_ == 0; });
}

void HttpServer::Listen(const std::string& ip) {
  net::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int on = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port_);
  if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1)
    throw std::runtime_error("bad device address " + ip);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd.get(), 64) != 0)
    throw std::runtime_error("cannot listen on " + ip + ": " + std::strerror(errno));
  listener_ = std::move(fd);
  bound_ip_ = ip;
}

bool HttpServer::MoveAddress(const std::string& ip) {
  std::string old_ip;
  int prefix = 24;
  {
    std::lock_guard lock(device_.mutex);
    old_ip = device_.state.ip;
    prefix = device_.state.prefix;
  }
  if (ip == old_ip) return true;
  // Removing the old (primary) address must not take the new one with it.
  if (std::FILE* f = std::fopen("/proc/sys/net/ipv4/conf/lan0/promote_secondaries", "w")) {
    std::fputs("1", f);
    std::fclose(f);
  }
  if (!RunIp({"addr", "add", ip + "/" + std::to_string(prefix), "dev", "lan0"})) {
    std::fprintf(stderr, "devsim: cannot take address %s\n", ip.c_str());
    return false;
  }
  RunIp({"addr", "del", old_ip + "/" + std::to_string(prefix), "dev", "lan0"});
  std::lock_guard lock(device_.mutex);
  device_.state.ip = ip;
  // The accept loop notices the new address and listens there.
  return true;
}

void HttpServer::Run() {
  for (;;) {
    std::string ip;
    {
      std::lock_guard lock(device_.mutex);
      ip = device_.state.ip;
    }
    // A restarting device refuses connections; a moved one listens anew.
    if (device_.Down()) {
      listener_.reset();
    } else if (!listener_.valid() || ip != bound_ip_) {
      listener_.reset();
      try {
        Listen(ip);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "devsim: %s\n", e.what());
      }
    }
    // While every place is taken, new connections wait in the listen queue.
    const bool room = active_ < kMaxConnections;
    pollfd p[2] = {{wake_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    ::poll(p, listener_.valid() && room ? 2 : 1, 50);
    if (p[0].revents & POLLIN) return;
    if (!listener_.valid() || !room || !(p[1].revents & POLLIN)) continue;
    net::UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.valid() || device_.Down()) continue;  // gone down meanwhile: closed
    ++active_;
    std::thread([this, c = std::move(client)]() mutable {
      Serve(std::move(c));
      std::lock_guard lock(done_mutex_);
      --active_;
      done_.notify_all();
    }).detach();
  }
}

void HttpServer::Serve(net::UniqueFd client) {
  const int fd = client.get();
  std::string data;
  const bool complete = ReadUntil(
      fd, data, kMaxHead,
      [](const std::string& d) { return d.find("\r\n\r\n") != std::string::npos; },
      kHeadDeadlineMs);
  Request request;
  const auto head_end = data.find("\r\n\r\n");
  if (!complete || head_end == std::string::npos) {
    if (data.size() > kMaxHead)
      SendAll(fd, Reply("431 Request Header Fields Too Large", "", Page("431", "Too large")));
    return;
  }
  if (!ParseRequestHead(data.substr(0, head_end + 2), request)) {
    SendAll(fd, Reply("400 Bad Request", "", Page("400", "Bad request")));
    return;
  }
  std::string body = data.substr(head_end + 4);

  Faults fault;
  std::string expected_auth, anonymous_auth;
  bool no_auth_needed = false;
  std::size_t firmware_limit = 0;
  double flash_rate = 0;
  {
    std::lock_guard lock(device_.mutex);
    Faults& f = device_.faults;
    fault.delay_ms = f.delay_ms;
    for (int Faults::*which :
         {&Faults::hold, &Faults::reset, &Faults::garbage, &Faults::oversized,
          &Faults::close_silently, &Faults::forbidden, &Faults::server_error, &Faults::trickle})
      if (f.*which > 0) {
        --(f.*which);
        fault.*which = 1;
        break;
      }
    const auto path = request.target.substr(0, request.target.find('?'));
    ++device_.http_requests[path];
    if (!request.authorization.empty()) ++device_.requests_with_credentials;
    // The device checks the password; the user name may be the
    // administrator's or left out (its own pages never ask for it).
    expected_auth =
        "Basic " + net::Base64Encode(device_.state.admin_user + ":" + device_.state.admin_password);
    anonymous_auth = "Basic " + net::Base64Encode(":" + device_.state.admin_password);
    // Without an administrator password the device asks nobody for one;
    // clients then send no credentials at all.
    if (device_.state.admin_password.empty()) no_auth_needed = true;
    firmware_limit = device_.state.firmware_limit;
    flash_rate = device_.state.flash_mib_per_second;
  }
  if (fault.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(fault.delay_ms));
  if (fault.hold) {
    // Says nothing until the client gives up. A request with a body (an
    // upload) is not read either: what the client sends waits in the
    // queues, as at a device that hangs once it has a request's head. It
    // ends when the client closes or resets, when the simulator stops, or
    // past any client's own bound.
    if (request.content_length > 0) {
      pollfd p[2] = {{fd, POLLRDHUP, 0}, {wake_.get(), POLLIN, 0}};
      ::poll(p, 2, kHoldUnreadMs);
      return;
    }
    ReadUntil(fd, data, 1 << 20, [](const std::string&) { return false; });
    return;
  }
  if (fault.trickle) {
    // A reply that never ends: one byte every half second until the client
    // gives up.
    const std::string head = "HTTP/1.0 200 OK\r\nX-Trickle: ";
    for (std::size_t i = 0;; ++i) {
      if (!SendAll(fd, std::string(1, i < head.size() ? head[i] : 'x'))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
  }
  if (fault.reset) return ResetConnection(fd);
  if (fault.close_silently) return;
  if (fault.garbage) {
    SendAll(fd, "\x01\x02 not HTTP \xff\xfe\r\n\r\n<<<>>>\x00garbage");
    return;
  }
  if (fault.oversized) {
    SendAll(fd, "HTTP/1.0 200 OK\r\n\r\n<HTML>");
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 256 && SendAll(fd, block); ++i) {
    }
    return;
  }

  if (fault.forbidden) {
    SendAll(fd, Reply("403 Forbidden", "", Page("403 Forbidden", "Access denied.")));
    return;
  }
  // A failing device answers 500 once it has read the whole request.
  auto server_error = [fd] {
    SendAll(fd, Reply("500 Internal Server Error", "", Page("500", "Something went wrong.")));
  };
  if (request.authorization != expected_auth && request.authorization != anonymous_auth &&
      !(no_auth_needed && request.authorization.empty())) {
    SendAll(fd, Reply("401 Unauthorized", "WWW-Authenticate: Basic realm=\"device\"\r\n",
                      Page("401 Unauthorized", "Authorization required.")));
    return;
  }

  const auto question = request.target.find('?');
  const std::string path = request.target.substr(0, question);
  const std::string query =
      question == std::string::npos ? "" : request.target.substr(question + 1);

  if (request.method == "POST" && path == "/man.cgi") {
    if (request.content_length < 0) {
      SendAll(fd, Reply("411 Length Required", "", Page("411", "Length required")));
      return;
    }
    if (static_cast<std::size_t>(request.content_length) > firmware_limit) {
      // The image does not fit: the device drops the connection mid-upload.
      ReadUntil(fd, body, 256 * 1024, [](const std::string& b) { return b.size() >= 64 * 1024; });
      return ResetConnection(fd);
    }
    const auto length = static_cast<std::size_t>(request.content_length);
    const int deadline = kBodyDeadlineMs + static_cast<int>((length >> 20) * kBodyMsPerMiB);
    // The image goes to storage as it arrives, as a device writes it to
    // flash: memory stays the same whatever its size.
    net::UniqueFd stored = StoreBody(fd, body, length, deadline, flash_rate);
    if (!stored.valid()) return;
    if (fault.server_error) return server_error();
    const auto upload =
        ParseUpload(FileBody(stored.get(), length), BoundaryOf(request.content_type));
    std::string location = "fail.htm";
    // The device takes a non-empty image sent by its firmware form.
    if (upload && upload->fields.count("type") && upload->fields.at("type") == "file_upload" &&
        upload->file_field == "filename" && upload->file_size > 0) {
      std::lock_guard lock(device_.mutex);
      device_.state.last_firmware_name = upload->file_name;
      device_.state.last_firmware_size = upload->file_size;
      device_.state.pending_firmware = VersionOfImage(upload->file_name);
      device_.commands.push_back("POST /man.cgi file_upload " + std::to_string(upload->file_size));
      location = upload->fields.count("redirect") ? upload->fields.at("redirect") : "index.htm";
      if (!SafeHeaderValue(location)) location = "index.htm";  // never into the header
    }
    SendAll(fd, Reply("302 Found", "Location: " + location + "\r\n", ""));
    return;
  }
  if (fault.server_error) return server_error();
  if (request.method != "GET") {
    SendAll(fd, Reply("405 Method Not Allowed", "", Page("405", "Method not allowed")));
    return;
  }

  if (path == "/nas.cgi" || path == "/man.cgi" || path == "/if.cgi" || path == "/dhcpc.cgi" ||
      path == "/dhcps.cgi") {
    // The answer pages named in the query end up in a reply header: a
    // value that could end the header line is refused before anything.
    const Params params = ParseQuery(query);
    for (const auto& [name, value] : params)
      if ((name == "redirect" || name == "failure") && !SafeHeaderValue(value)) {
        SendAll(fd, Reply("400 Bad Request", "", Page("400", "Bad request")));
        return;
      }
    CgiOutcome outcome;
    {
      std::lock_guard lock(device_.mutex);
      device_.commands.push_back(request.target);
      outcome = HandleCgi(device_, path.substr(1), params,
                          [this](const std::string& ip) { MoveAddress(ip); });
    }
    if (on_change_) on_change_();
    SendAll(fd, Reply("302 Found", "Location: " + outcome.location + "\r\n", ""));
    if (outcome.after_reply) {
      ::shutdown(fd, SHUT_WR);
      outcome.after_reply();
    }
    return;
  }
  if (path == "/utility_use.htm") {
    std::string page;
    {
      std::lock_guard lock(device_.mutex);
      AdvanceDiskScan(device_.state);
      page = RenderStatusPage(device_.state);
    }
    SendAll(fd, Reply("200 OK", "Content-Type: text/html; charset=utf-8\r\n", page));
    return;
  }
  if (path == "/" || (path.size() > 4 && path.substr(path.size() - 4) == ".htm")) {
    // Answer pages: the header names the page, so a client following the
    // failure redirect sees "fail.htm" in the last header it read.
    SendAll(fd, Reply("200 OK", "Content-Type: text/html\r\nContent-Location: " + path + "\r\n",
                      Page(path, path == "/fail.htm" ? "The setting was refused." : "Done.")));
    return;
  }
  SendAll(fd, Reply("404 Not Found", "", Page("404", "Not found")));
}

}  // namespace sim
