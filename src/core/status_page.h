#pragma once

#include <string>

#include "net/page_reader.h"

namespace core {

// Reads the device's status page for the device and credentials of the
// session (up to 8 requests 20 ms apart) and says nothing.
net::PageRead ReadStatusPage();

// True when a read ended without a page or with a status other than 200,
// which the user is told as a connection failure.
bool ReadFailed(const net::PageRead& read);

// Reads the status page; unless it ends with a page and status 200 it tells
// the user the connection failed. Returns the page, also after the message
// (possibly empty). The page comes through the platform's page reader, or
// through `get` where given.
std::string FetchStatusPage();
std::string FetchStatusPage(const net::PageGetter& get);

// Shows the connection-failure message ("連線失敗", titled "連線").
void ShowConnectionFailure();

}  // namespace core
