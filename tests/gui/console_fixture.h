#pragma once

// A console with the main window and the login dialog around it, against a
// scripted device.

#include <gtest/gtest.h>

#include "console/menuform.h"
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"

namespace testing_support {

inline constexpr char kDevice[] = "192.168.1.77";

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() {
    core::Session() = {kDevice, "admin", "pw"};
    device().page = StatusPage({{"host_name", "NAS"}, {"ip", kDevice}});
  }
  desktop::fakes::FakeDevice& device() { return *fakes.device; }
  std::vector<desktop::fakes::ShownMessage>& shown() { return fakes.messages->shown; }
  std::size_t reads() const { return fakes.device->page_requests.size(); }
  // Shows the console as a login for management does, forgetting the reads.
  void Open() {
    console.show();
    device().page_requests.clear();
    shown().clear();
  }
  std::string LastUrl() const {
    return fakes.device->commands.empty() ? "" : fakes.device->commands.back().url;
  }

  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form2 console;
  Form4 login;
};

}  // namespace testing_support
