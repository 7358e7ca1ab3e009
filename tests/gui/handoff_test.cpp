#include <gtest/gtest.h>

#include "core/session_state.h"
#include "core/status_page.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"

namespace {

using desktop::MsgIcon;

class HandOffTest : public ::testing::Test {
 protected:
  HandOffTest() {
    core::Session() = {};
    form.FormCreate();
    fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), "192.168.1.77");
    fakes.network->Deliver(net::BuildDiscoveryReply("FAR", "G", "1.0"), "192.168.2.20");
    fakes.device->page = testing_support::StatusPage({{"host_name", "NAS"}});
  }
  void Select(int row) { form.HDListView->selectRow(row); }

  desktop::fakes::FakePlatform fakes;
  Form1 form;
  Form5 drives;
};

TEST_F(HandOffTest, NothingSelectedShowsOnlyTheSelectionMessageAndTheScanGoesOn) {
  for (auto handler : {&Form1::ManageBtnClick, &Form1::CountBtnClick}) {
    fakes.messages->shown.clear();
    (form.*handler)();
    ASSERT_EQ(fakes.messages->shown.size(), 1u);
    EXPECT_EQ(fakes.messages->shown[0].text, "Please Select Remote Device!");
    EXPECT_EQ(fakes.messages->shown[0].title, "Rescan");
    EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Information);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_TRUE(fakes.urls->opened.empty());
    EXPECT_EQ(core::Session().DeviceIp, "");
  }
}

TEST_F(HandOffTest, ManageOpensTheDevicesPagesAndStopsTheScan) {
  form.Timer1Timer();
  Select(0);
  form.ManageBtn->click();
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_EQ(fakes.urls->opened, std::vector<std::string>{"http://192.168.1.77"});
  EXPECT_EQ(core::Session().DeviceIp, "192.168.1.77");
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.ProgressBar1->value(), 0);
}

TEST_F(HandOffTest, OtherSubnetWarnsAndTheActionGoesOn) {
  Select(1);
  form.ManageBtnClick();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Subnets differ, Connection failed");
  EXPECT_EQ(fakes.messages->shown[0].title, "Rescan");
  EXPECT_EQ(fakes.urls->opened, std::vector<std::string>{"http://192.168.2.20"});

  fakes.messages->shown.clear();
  form.ScanBtnClick();
  fakes.network->Deliver(net::BuildDiscoveryReply("FAR", "G", "1.0"), "192.168.2.20");
  Select(0);
  form.CountBtnClick();
  EXPECT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(core::Session().DeviceIp, "192.168.2.20");
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_TRUE(drives.isVisible());  // warned, and the drive dialog opened all the same
}

// A device on any of the workstation's networks is on its own network: a
// second card, a VPN, a bridge.
TEST_F(HandOffTest, EveryAdapterCounts) {
  fakes.adapters->first = desktop::Adapter{"10.0.0.5", "255.0.0.0"};
  Select(0);
  form.ManageBtnClick();
  EXPECT_EQ(fakes.messages->shown.size(), 1u);  // warned: 192.168.1.77 is not on 10/8
  fakes.messages->shown.clear();
  fakes.adapters->more = {{"192.168.1.20", "255.255.255.0"}};  // the second card's
  form.ManageBtnClick();
  EXPECT_TRUE(fakes.messages->shown.empty());
  fakes.adapters->first.reset();
  fakes.adapters->more.clear();  // no adapter readable: nothing to warn about
  form.ManageBtnClick();
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_EQ(fakes.urls->opened.size(), 3u);
}

TEST(FetchStatusPage, RetriesThenReportsTheFailureOnce) {
  desktop::fakes::FakePlatform fakes;
  core::Session() = {"10.0.0.9", "admin", "pw"};
  int calls = 0;
  auto answer = [&calls](net::PageReply reply) {
    return [&calls, reply](const std::string&, const std::string&, const std::string&,
                           const std::string& path) {
      EXPECT_EQ(path, "/utility_use.htm");
      ++calls;
      return reply;
    };
  };
  // A silent device: eight requests, one message, no page.
  EXPECT_EQ(core::FetchStatusPage(answer({})).Get(), std::nullopt);
  EXPECT_EQ(calls, 8);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "連線失敗");
  EXPECT_EQ(fakes.messages->shown[0].title, "連線");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Error);

  // A 401 page: one request, the message, and no page to fill a window
  // from.
  calls = 0;
  fakes.messages->shown.clear();
  EXPECT_EQ(core::FetchStatusPage(answer({"HTTP/1.0 401\r\n\r\n", "<HTML>denied", 401})).Get(),
            std::nullopt);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fakes.messages->shown.size(), 1u);

  // A good page: no message.
  fakes.messages->shown.clear();
  EXPECT_EQ(core::FetchStatusPage(answer({"", "<HTML>ok", 200})).Get(), "<HTML>ok");
  EXPECT_TRUE(fakes.messages->shown.empty());
}

TEST(FetchStatusPage, MessageIsTranslated) {
  desktop::fakes::FakePlatform fakes;
  i18n::SetTranslationSwitch(1);
  testing_support::LanguageFile language("連線失敗=Connection failed\r\n連線=Connection\r\n");
  core::FetchStatusPage([](auto&&...) { return net::PageReply{}; });
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Connection failed");
  EXPECT_EQ(fakes.messages->shown[0].title, "Connection");
}

}  // namespace
