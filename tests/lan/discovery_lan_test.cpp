// Discovery over real sockets: the workstation namespace broadcasts, the
// simulated devices answer from their own namespaces.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "app/program.h"
#include "lan_support.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"
#include "net/udp_socket.h"
#include "sim/process.h"
#include "support/fakes.h"

namespace {

using lan::SimDevice;
using lan::ThisLan;
using lan::WaitUntil;

// Fake message boxes, real discovery socket.
class DiscoveryLan : public ::testing::Test {
 protected:
  DiscoveryLan() {
    desktop::services().make_datagram_transport = desktop::RealServices().make_datagram_transport;
  }
  desktop::fakes::FakePlatform fakes{
      desktop::fakes::Devices::Real};  // installed before the body above runs
};

TEST_F(DiscoveryLan, TheWorkstationsNetworksAreEveryAddressOfEveryInterfaceThatIsUp) {
  // A second address on the LAN interface and a second interface are
  // networks of the workstation's too; loopback is none.
  const auto run = [](std::vector<std::string> args) {
    args.insert(args.begin(), "ip");
    return sim::Run(args) == 0;
  };
  ASSERT_TRUE(run({"link", "add", "brvtest0", "type", "veth", "peer", "name", "brvtest1"}));
  run({"addr", "add", "192.0.2.5/28", "dev", "brvtest0"});
  run({"link", "set", "brvtest0", "up"});
  run({"addr", "add", "10.77.0.250/16", "dev", "lan0"});
  std::vector<std::string> seen;
  for (const auto& a : desktop::RealServices().adapters->Adapters())
    seen.push_back(a.ip + "/" + a.mask);
  run({"addr", "del", "10.77.0.250/16", "dev", "lan0"});
  run({"link", "del", "brvtest0"});
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen,
            (std::vector<std::string>{ThisLan().workstation.ip + "/255.255.255.0",
                                      "10.77.0.250/255.255.0.0", "192.0.2.5/255.255.255.240"}));
}

TEST_F(DiscoveryLan, EveryDeviceOnTheLanAnswersOneBroadcast) {
  const auto& devices = ThisLan().devices;
  ASSERT_GE(devices.size(), 3u);
  SimDevice a(devices[0], {"--name", "ALPHA", "--group", "HOME", "--firmware", "1.2.3"});
  SimDevice b(devices[1], {"--name", "BRAVO", "--group", "OFFICE", "--firmware", "2.0"});
  SimDevice c(devices[2], {"--name", "CHARLIE", "--group", "LAB", "--firmware", "3.1b"});

  Form1 form;
  form.FormCreate();
  ASSERT_TRUE(WaitUntil([&] { return form.HDListView->RowCount() == 3; }));

  std::set<std::vector<std::string>> rows;
  for (int r = 0; r < 3; ++r)
    rows.insert({form.HDListView->Text(r, 0), form.HDListView->Text(r, 1),
                 form.HDListView->Text(r, 2), form.HDListView->Text(r, 3)});
  EXPECT_EQ(rows, (std::set<std::vector<std::string>>{{devices[0].ip, "ALPHA", "HOME", "1.2.3"},
                                                      {devices[1].ip, "BRAVO", "OFFICE", "2.0"},
                                                      {devices[2].ip, "CHARLIE", "LAB", "3.1b"}}));
  // One request per scan reached each device.
  EXPECT_EQ(a.Control("discovery-requests"), "1");
  EXPECT_EQ(b.Control("discovery-requests"), "1");
  EXPECT_EQ(c.Control("discovery-requests"), "1");
}

TEST_F(DiscoveryLan, MalformedAndRepeatedRepliesAreFilteredOnTheWire) {
  const auto& devices = ThisLan().devices;
  // Device 1 sends every malformed kind, then a good reply, then one with
  // other names; device 2 fills its name field; device 3 sends only bad ones.
  SimDevice a(devices[0], {"--name", "ALPHA", "--discovery",
                           "short,long,type2,empty-firmware,normal,other-names"});
  SimDevice b(devices[1], {"--name", "SIXTEEN-CHARS-XY", "--group", "G"});
  SimDevice c(devices[2], {"--discovery", "short,long,type2,empty-firmware"});

  Form1 form;
  form.FormCreate();
  ASSERT_TRUE(WaitUntil([&] { return form.HDListView->RowCount() == 2; }));
  // Give stragglers a moment; nothing more may arrive.
  WaitUntil([] { return false; }, std::chrono::milliseconds(300));
  ASSERT_EQ(form.HDListView->RowCount(), 2);
  for (int r = 0; r < 2; ++r) {
    if (form.HDListView->Text(r, 0) == devices[0].ip)
      EXPECT_EQ(form.HDListView->Text(r, 1), "ALPHA");
    else
      EXPECT_EQ(form.HDListView->Text(r, 1), "SIXTEEN-CHARS-XY");
  }
}

TEST_F(DiscoveryLan, RescanFindsTheDevicesAgain) {
  const auto& devices = ThisLan().devices;
  SimDevice a(devices[0], {"--name", "ALPHA"});
  Form1 form;
  form.FormCreate();
  ASSERT_TRUE(WaitUntil([&] { return form.HDListView->RowCount() == 1; }));
  form.ScanBtnClick();
  EXPECT_EQ(form.HDListView->RowCount(), 0);
  ASSERT_TRUE(WaitUntil([&] { return form.HDListView->RowCount() == 1; }));
  EXPECT_EQ(a.Control("discovery-requests"), "2");
}

TEST_F(DiscoveryLan, PortAlreadyTakenIsReportedNotACrash) {
  net::UdpSocket squatter(net::kDiscoveryPort, 0);
  EXPECT_EQ(app::RunProgram(), 0);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Socket Error # 10048\r\nAddress already in use.");
}

TEST_F(DiscoveryLan, HostileDatagramsNeitherCrashNorBlockTheWindow) {
  const auto& devices = ThisLan().devices;
  SimDevice a(devices[0], {"--name", "ALPHA"});
  Form1 form;
  form.FormCreate();
  // Another socket on the workstation sprays datagrams of every size at the
  // discovery port while the scan runs.
  net::UdpSocket sender(0, 0);
  for (int size : {0, 1, 71, 72, 73, 1500, 8191, 8192, 9000, 65000}) {
    std::string junk(static_cast<std::size_t>(size), '\xee');
    sender.SendTo(ThisLan().workstation.ip, net::kDiscoveryPort, junk);
  }
  ASSERT_TRUE(WaitUntil([&] { return form.HDListView->RowCount() >= 1; }));
  WaitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(form.HDListView->RowCount(), 1);
  EXPECT_EQ(form.HDListView->Text(0, 1), "ALPHA");
}

// A thousand devices answer one broadcast within milliseconds; none is lost.
class DiscoveryBurst : public DiscoveryLan {};

TEST_F(DiscoveryBurst, AThousandRepliesAtOnceAllBecomeRows) {
  const auto& device = ThisLan().devices.at(0);
  SimDevice crowd(device, {"--reply-from-every-address", "--name", "CROWD"});
  Form1 form;
  form.FormCreate();
  WaitUntil([&] { return form.HDListView->RowCount() >= 1000; }, std::chrono::seconds(10));
  WaitUntil([] { return false; }, std::chrono::milliseconds(300));
  std::set<std::string> addresses;
  for (int r = 0; r < form.HDListView->RowCount(); ++r)
    addresses.insert(form.HDListView->Text(r, 0));
  EXPECT_EQ(form.HDListView->RowCount(), 1000);
  EXPECT_EQ(addresses.size(), 1000u);
}

}  // namespace
