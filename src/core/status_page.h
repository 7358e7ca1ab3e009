#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "device/exchange.h"
#include "net/page_reader.h"

namespace core {

// What a user action that reads the device waits on it at most.
using device::kReadingActionBound;

// Reads the device's status page for the device and credentials of the
// session (up to 8 requests 20 ms apart) and says nothing.
net::PageRead ReadStatusPage();

// True when a read ended without a page or with a status other than 200,
// which the user is told as a connection failure.
bool ReadFailed(const net::PageRead& read);

// Reads the status page; unless it ends with a page and status 200 it tells
// the user the connection failed and gives nothing, so a window keeps what
// it showed rather than fill itself from no page (and send that back with
// its next command). The page comes through the platform's page reader, or
// through `get` where given.
std::optional<std::string> FetchStatusPage();
std::optional<std::string> FetchStatusPage(const net::PageGetter& get);

// Shows the connection-failure message ("連線失敗", titled "連線").
void ShowConnectionFailure();

}  // namespace core
