#include "sim/discovery_responder.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>

#include "net/discovery.h"
#include "net/socket_error.h"

namespace sim {

DiscoveryResponder::DiscoveryResponder(Device& device)
    : device_(device),
      socket_(net::kDiscoveryPort, 4 * 1024 * 1024),
      wake_(::eventfd(0, EFD_CLOEXEC)),
      thread_([this] { Run(); }) {}

DiscoveryResponder::~DiscoveryResponder() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
  thread_.join();
}

std::vector<std::string> DiscoveryResponder::RepliesFor(const DeviceState& state) {
  std::vector<std::string> replies;
  for (const auto& kind : state.discovery_replies) {
    std::string reply = net::BuildDiscoveryReply(state.name, state.group, state.firmware);
    if (kind == "short") {
      reply.pop_back();
    } else if (kind == "long") {
      reply.push_back('\0');
    } else if (kind == "type2") {
      reply[0] = 2;
    } else if (kind == "empty-firmware") {
      reply = net::BuildDiscoveryReply(state.name, state.group, "");
    } else if (kind == "other-names") {
      reply =
          net::BuildDiscoveryReply("OTHER-" + state.name, "OTHER-" + state.group, state.firmware);
    } else if (kind != "normal") {
      continue;
    }
    replies.push_back(reply);
  }
  return replies;
}

void DiscoveryResponder::Run() {
  for (;;) {
    std::optional<net::Datagram> request;
    try {
      request = socket_.Receive(1000, wake_.get());
    } catch (const net::SocketError& e) {
      std::fprintf(stderr, "devsim: discovery receive: %s\n", e.what());
    }
    pollfd wake{wake_.get(), POLLIN, 0};
    if (::poll(&wake, 1, 0) > 0) return;
    if (!request || !net::IsDiscoveryRequest(request->bytes) || device_.Down()) continue;
    ++device_.discovery_requests;

    std::vector<std::string> replies;
    bool from_every_address = false;
    {
      std::lock_guard lock(device_.mutex);
      replies = RepliesFor(device_.state);
      from_every_address = device_.state.reply_from_every_address;
    }
    try {
      if (from_every_address) {
        for (const auto& address : LocalAddresses())
          for (const auto& reply : replies)
            socket_.SendFrom(address, request->sender_ip, request->sender_port, reply);
      } else {
        for (const auto& reply : replies)
          socket_.SendTo(request->sender_ip, request->sender_port, reply);
      }
    } catch (const net::SocketError& e) {
      std::fprintf(stderr, "devsim: discovery reply: %s\n", e.what());
    }
  }
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (ntohl(in->sin_addr.s_addr) >> 24 == 127) continue;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    addresses.emplace_back(text);
  }
  ::freeifaddrs(list);
  return addresses;
}

}  // namespace sim
