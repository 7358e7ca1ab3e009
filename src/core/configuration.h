#pragma once

namespace core {

// How the program was started. The default configuration has no way into
// the management console; `--console` adds one.
struct Configuration {
  // "Manage Drive" asks for the device's login and offers the console
  // instead of opening the device's pages in the browser.
  bool management = false;
};

Configuration& Config();

}  // namespace core
