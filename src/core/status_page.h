#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "core/await.h"
#include "core/session_state.h"
#include "core/task.h"
#include "device/exchange.h"
#include "net/page_reader.h"

namespace core {

// What a user action that reads the device waits on it at most.
using device::kReadingActionBound;

// Reads the status page of `session`'s device with its credentials (up to
// 8 requests 20 ms apart) through `get`, and says nothing: device work, for
// a worker thread.
net::PageRead ReadStatusPageOf(const SessionState& session, const net::PageGetter& get);

// The same for the session's device as it is now, on a worker thread.
Task<net::PageRead> ReadStatusPage();

// True when a read ended without a page or with a status other than 200,
// which the user is told as a connection failure.
bool ReadFailed(const net::PageRead& read);

// Reads the status page; unless it ends with a page and status 200 it tells
// the user the connection failed and gives nothing, so a window keeps what
// it showed rather than fill itself from no page (and send that back with
// its next command). The page comes through the platform's page reader, or
// through `get` where given.
Task<std::optional<std::string>> FetchStatusPage();
Task<std::optional<std::string>> FetchStatusPage(net::PageGetter get);

// The connection-failure message ("連線失敗", titled "連線"); the action
// goes on once it is answered.
AskAwaiter ShowConnectionFailure();

}  // namespace core
