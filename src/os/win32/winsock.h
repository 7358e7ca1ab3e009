#pragma once

// Winsock 2, started once for the process before the first socket.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

namespace os {

// 0, or why Winsock could not start.
int StartWinsock();
// UTF-8 and Windows' UTF-16, both ways.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace os
