#pragma once

// What one thread raises to end another's wait for a datagram (the
// discovery's receive thread, when its window goes), waited on together
// with the socket. An event counter on POSIX systems; on Windows, whose
// select() waits on sockets alone, a UDP socket on the loopback connected
// to itself, which is sent one byte.

#include "os/sockets.h"

namespace os {

class Wake {
 public:
  // Throws std::system_error when the system has none to give.
  Wake();
  ~Wake();
  Wake(const Wake&) = delete;
  Wake& operator=(const Wake&) = delete;

  void Raise();
  // Whether it was raised, without waiting.
  bool Raised() const;
  // What a wait takes beside its socket: readable once raised.
  SocketId id() const { return id_; }

 private:
  SocketId id_ = kNoSocket;
};

}  // namespace os
