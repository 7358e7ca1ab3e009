#pragma once

// The program's seams to the operating system and the toolkit. Windows reach
// the system only through these services, so tests install fakes and a port
// to another system adds one implementation.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/udp_socket.h"

namespace platform {

enum class MsgIcon { None, Information, Question, Warning, Error };
enum class MsgButtons { Ok, OkCancel };
enum class MsgResult { Ok, Cancel };

// Message boxes without an owner window; returns the button pressed.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual MsgResult Show(const std::string& text, const std::string& title, MsgIcon icon,
                         MsgButtons buttons) = 0;
};

// The discovery socket: bound to a UDP port on all local addresses with
// broadcast on. Received datagrams are delivered on the GUI thread, one at a
// time, in arrival order.
class DatagramTransport {
 public:
  using Receiver = std::function<void(const net::Datagram&)>;
  virtual ~DatagramTransport() = default;
  // Throws net::SocketError when the port cannot be bound.
  virtual void Open(std::uint16_t port, Receiver receiver) = 0;
  // Sends one datagram to 255.255.255.255:`port`; throws net::SocketError.
  virtual void SendBroadcast(std::uint16_t port, const std::string& bytes) = 0;
};

// Opens a URL with the desktop's default handler.
class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  virtual void Open(const std::string& url) = 0;
};

// Ends the process with the given status, without asking any window.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  virtual void Exit(int status) = 0;
};

// The workstation's own address for the subnet check.
struct Adapter {
  std::string ip;    // dotted IPv4 text
  std::string mask;  // dotted IPv4 text
};

// The network adapter list.
class AdapterList {
 public:
  virtual ~AdapterList() = default;
  // The first IPv4 address (with its mask) of the first adapter the system
  // lists; nothing when the list cannot be read or holds no adapter.
  virtual std::optional<Adapter> FirstAdapter() = 0;
};

struct Services {
  std::shared_ptr<MessageBoxService> message_boxes;
  std::function<std::unique_ptr<DatagramTransport>()> make_datagram_transport;
  std::shared_ptr<UrlOpener> url_opener;
  std::shared_ptr<AdapterList> adapters;
  std::shared_ptr<ProcessControl> process;
};

// The process-wide set of services.
Services& services();

// Replaces the process-wide services; returns the previous set.
Services Install(Services replacement);

// The real implementations for this system.
Services RealServices();

}  // namespace platform
