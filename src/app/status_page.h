#pragma once

#include <string>

#include "net/page_reader.h"

namespace app {

// Reads the device's status page for the device and credentials of the
// session: up to 8 requests 20 ms apart. Unless it ends with a page and
// status 200 it tells the user the connection failed. Returns the page,
// also after the message (possibly empty).
std::string FetchStatusPage(const net::PageGetter& get = net::AuthGetPage);

// Shows the connection-failure message ("連線失敗", titled "連線").
void ShowConnectionFailure();

}  // namespace app
