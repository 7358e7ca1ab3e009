#include "mainwindow/mainform.h"
#include "ui/wait_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "app/program.h"
#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "console/smb_dialogs.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "net/discovery.h"
#include "net/socket_error.h"
#include "ui/window_refs.h"

namespace {

using desktop::MsgButtons;
using desktop::MsgIcon;
using desktop::fakes::FakePlatform;

std::string Reply(const std::string& name, const std::string& group, const std::string& fw) {
  return net::BuildDiscoveryReply(name, group, fw);
}

std::vector<std::string> Row(const Form1& form, int row) {
  std::vector<std::string> texts;
  for (int c = 0; c < 4; ++c) texts.push_back(form.HDListView->Text(row, c));
  return texts;
}

class MainWindowTest : public ::testing::Test {
 protected:
  FakePlatform fakes;
};

TEST_F(MainWindowTest, ConstructionOpensTheSocketAndShowsUntranslatedCaptions) {
  Form1 form;
  EXPECT_EQ(fakes.network->opened_ports, std::vector<std::uint16_t>{14675});
  EXPECT_EQ(form.windowTitle().toStdString(), "Brevane - Version 1.18");
  std::vector<std::string> headers;
  for (int c = 0; c < form.HDListView->columnCount(); ++c)
    headers.push_back(form.HDListView->horizontalHeaderItem(c)->text().toStdString());
  EXPECT_EQ(headers, (std::vector<std::string>{"IP Address", "Device Name", "Group Name",
                                               "Firmware Version"}));
  EXPECT_EQ(form.ScanBtn->text(), "Rescan");
  EXPECT_EQ(form.ManageBtn->text(), "Manage Drive");
  EXPECT_EQ(form.CountBtn->text(), "Connect");
  EXPECT_TRUE(form.RadioButtonConnect->isChecked());
  EXPECT_FALSE(form.RadioButtonManage->isChecked());
  EXPECT_TRUE(form.RadioButtonConnect->isHidden());
  EXPECT_TRUE(form.RadioButtonManage->isHidden());
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 1000);
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // not resizable
  EXPECT_TRUE(fakes.network->broadcasts.empty());     // the scan starts with the creation event
}

TEST_F(MainWindowTest, CaptionsComeFromTheLanguageFileAndTheVersionIsNotTranslated) {
  testing_support::LanguageFile language(
      "Brevane - Version =Brevane Version \r\nRescan=Suchen\r\nIP Address=IP-Adresse\r\n"
      "1.18=nope\r\n");
  Form1 form;
  EXPECT_EQ(form.windowTitle().toStdString(), "Brevane Version 1.18");
  EXPECT_EQ(form.ScanBtn->text(), "Suchen");
  EXPECT_EQ(form.HDListView->horizontalHeaderItem(0)->text(), "IP-Adresse");
  EXPECT_EQ(form.HDListView->horizontalHeaderItem(1)->text(), "Device Name");
}

TEST_F(MainWindowTest, CreationEventBroadcastsOneRequestAndStartsTheScan) {
  Form1 form;
  form.FormCreate();
  ASSERT_EQ(fakes.network->broadcasts.size(), 1u);
  EXPECT_EQ(fakes.network->broadcasts[0].port, 14675);
  EXPECT_EQ(fakes.network->broadcasts[0].bytes, net::BuildDiscoveryRequest());
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.ProgressBar1->value(), 0);
  form.Timer1Timer();
  EXPECT_EQ(form.ProgressBar1->value(), 10);
}

TEST_F(MainWindowTest, RepliesFillTheListInArrivalOrderFirstReplyPerAddressWins) {
  Form1 form;
  form.FormCreate();
  fakes.network->Deliver(Reply("NAS-B", "HOME", "2.0"), "10.0.0.20");
  fakes.network->Deliver(Reply("NAS-A", "OFFICE", "1.0"), "10.0.0.3");
  fakes.network->Deliver(Reply("OTHER", "OTHER", "9.9"), "10.0.0.20");
  fakes.network->Deliver(Reply("ABCDEFGHIJKLMNOP", "G", "1.0"), "10.0.0.200");
  ASSERT_EQ(form.HDListView->RowCount(), 3);
  EXPECT_EQ(Row(form, 0), (std::vector<std::string>{"10.0.0.20", "NAS-B", "HOME", "2.0"}));
  EXPECT_EQ(Row(form, 1), (std::vector<std::string>{"10.0.0.3", "NAS-A", "OFFICE", "1.0"}));
  EXPECT_EQ(form.HDListView->Text(2, 1), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(form.HDListView->item(0, 1)->text(), "NAS-B");
}

TEST_F(MainWindowTest, MalformedDatagramsAddNothing) {
  Form1 form;
  std::string type2 = Reply("N", "G", "1.0");
  type2[0] = 2;
  for (const std::string& bad :
       {Reply("N", "G", "1.0").substr(0, 71), Reply("N", "G", "1.0") + 'x', type2,
        Reply("N", "G", ""), net::BuildDiscoveryRequest(), std::string(8192, '\1'), std::string()})
    fakes.network->Deliver(bad, "10.0.0.7");
  EXPECT_EQ(form.HDListView->RowCount(), 0);
  // Bytes 1 to 7 mean nothing.
  std::string odd = Reply("N", "G", "1.0");
  for (int i = 1; i < 8; ++i) odd[i] = '\xff';
  fakes.network->Deliver(odd, "10.0.0.7");
  EXPECT_EQ(form.HDListView->RowCount(), 1);
}

TEST_F(MainWindowTest, RescanDuringAScanEmptiesTheListAndRestartsTheProgress) {
  Form1 form;
  form.FormCreate();
  fakes.network->Deliver(Reply("N", "G", "1.0"), "10.0.0.5");
  for (int i = 0; i < 5; ++i) form.Timer1Timer();
  form.ScanBtnClick();
  EXPECT_EQ(fakes.network->broadcasts.size(), 2u);
  EXPECT_EQ(form.HDListView->RowCount(), 0);
  EXPECT_EQ(form.ProgressBar1->value(), 0);
  EXPECT_TRUE(form.Timer1->isActive());
  for (int i = 0; i < 12; ++i) form.Timer1Timer();
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_TRUE(form.Timer1->isActive());
  form.Timer1Timer();  // the 13th tick after the last press
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Search Completed!");
  EXPECT_EQ(fakes.messages->shown[0].title, "information");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Information);
  EXPECT_EQ(fakes.messages->shown[0].buttons, MsgButtons::Ok);
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.ProgressBar1->value(), 130);
}

TEST_F(MainWindowTest, CompletionTitleIsNeverTranslated) {
  testing_support::LanguageFile language("Search Completed!=Fertig\r\ninformation=Hinweis\r\n");
  Form1 form;
  form.FormCreate();
  for (int i = 0; i < 13; ++i) form.Timer1Timer();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Fertig");
  EXPECT_EQ(fakes.messages->shown[0].title, "information");
}

// After a whole scan, drives whose device seems to answer at a new address
// are offered in one question, No by default; nothing moves before Yes, a
// No holds for the run, and a device whose name two devices carry is said
// once.
TEST_F(MainWindowTest, AWholeScanOffersDrivesTheirDevicesNewAddressAndMovesThemOnYes) {
  fakes.adapters->more = {{"10.0.0.2", "255.255.255.0"}};
  fakes.drives->kept = {{"Y:", "\\\\10.0.0.6\\x", "TWIN", "HOME", false, ""},
                        {"Z:", "\\\\10.0.0.5\\PUBLIC", "NAS", "HOME", true, ""},
                        {"X:", "\\\\10.0.0.7\\y", "BOX", "HOME", true, ""}};
  fakes.network->answering = {"10.0.0.7"};  // BOX's old address still takes connections
  auto scan = [&](Form1& form) {
    fakes.messages->shown.clear();
    form.ScanBtnClick();
    fakes.network->Deliver(Reply("NAS", "HOME", "1.0"), "10.0.0.9");
    fakes.network->Deliver(Reply("TWIN", "HOME", "1.0"), "10.0.0.10");
    fakes.network->Deliver(Reply("TWIN", "HOME", "1.0"), "10.0.0.11");
    fakes.network->Deliver(Reply("BOX", "HOME", "1.0"), "10.0.0.12");
    for (int i = 0; i < 13; ++i) form.Timer1Timer();
    std::vector<std::string> texts;
    for (const auto& m : fakes.messages->shown) texts.push_back(m.text);
    return texts;
  };
  const std::string question =
      "The device of these drives seems to answer at another address now, and nothing answers "
      "at theirs:\nZ:  PUBLIC  (NAS / HOME)  10.0.0.5 \u2192 10.0.0.9\n\nAnything on the "
      "network can answer with a device's name. Move these drives, with their saved passwords, "
      "only if the new address is your device's. Move them?";
  {
    Form1 form;
    fakes.messages->answers = {desktop::MsgResult::Cancel};
    auto said = scan(form);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], question);
    EXPECT_EQ(fakes.messages->shown[0].buttons, MsgButtons::YesNoDefaultNo);
    EXPECT_EQ(said[1].rfind("These drives keep their address", 0), 0u);
    EXPECT_EQ(said[2], "Search Completed!");
    // Declined: asked no more in this run, and the probes are not repeated.
    fakes.network->probed.clear();
    EXPECT_EQ(scan(form), std::vector<std::string>{"Search Completed!"});
    EXPECT_EQ(fakes.network->probed, std::vector<std::string>{"10.0.0.7"});
    EXPECT_TRUE(fakes.drives->moves.empty());
  }
  // The next run asks again; Yes moves the drive and says so.
  Form1 form;
  auto said = scan(form);
  EXPECT_EQ(fakes.drives->moves, std::vector<std::string>{"Z: 10.0.0.9"});
  ASSERT_EQ(said.size(), 4u);
  EXPECT_EQ(said[0], question);
  EXPECT_EQ(said[1],
            "These drives now use their device's new address:\nZ:  10.0.0.5 \u2192 10.0.0.9");
  EXPECT_EQ(said[3], "Search Completed!");
}

TEST_F(MainWindowTest, RepliesAreTakenInEveryScanState) {
  Form1 form;
  form.FormCreate();
  // While the completion box is open.
  fakes.messages->on_show = [&](const auto&) {
    fakes.network->Deliver(Reply("DURING", "G", "1"), "10.0.0.1");
  };
  for (int i = 0; i < 13; ++i) form.Timer1Timer();
  fakes.messages->on_show = nullptr;
  // After completion, and after a stop.
  fakes.network->Deliver(Reply("AFTER", "G", "1"), "10.0.0.2");
  form.StopBtnClick();
  EXPECT_EQ(form.ProgressBar1->value(), 0);
  EXPECT_FALSE(form.Timer1->isActive());
  fakes.network->Deliver(Reply("STOPPED", "G", "1"), "10.0.0.3");
  EXPECT_EQ(form.HDListView->RowCount(), 3);
  EXPECT_EQ(form.HDListView->Text(1, 1), "AFTER");
}

TEST_F(MainWindowTest, StopLeavesTheListAlone) {
  Form1 form;
  form.FormCreate();
  fakes.network->Deliver(Reply("N", "G", "1.0"), "10.0.0.5");
  form.Timer1Timer();
  form.StopBtnClick();
  EXPECT_EQ(form.HDListView->RowCount(), 1);
  EXPECT_EQ(form.ProgressBar1->value(), 0);
}

TEST_F(MainWindowTest, FailedBroadcastIsReportedAndChangesNothing) {
  Form1 form;
  form.FormCreate();
  fakes.network->Deliver(Reply("N", "G", "1.0"), "10.0.0.5");
  for (int i = 0; i < 13; ++i) form.Timer1Timer();
  fakes.messages->shown.clear();
  fakes.network->fail_send = net::wsa::kNetworkUnreachable;

  form.ScanBtn->click();

  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Socket Error # 10051\r\nNetwork is unreachable.");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Error);
  EXPECT_EQ(form.HDListView->RowCount(), 1);
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(form.ProgressBar1->value(), 130);
}

TEST_F(MainWindowTest, StartUpCreatesTheWindowsInOrderAndAFailedFirstScanIsOnlyReported) {
  fakes.network->fail_send = net::wsa::kNetworkUnreachable;
  auto windows = app::CreateWindows();
  ASSERT_EQ(windows.size(), 11u);
  EXPECT_NE(dynamic_cast<Form1*>(windows[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form2*>(windows[1].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form4*>(windows[2].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form5*>(windows[3].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form6*>(windows[4].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form7*>(windows[5].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form8*>(windows[6].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form9*>(windows[7].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form10*>(windows[8].get()), nullptr);
  EXPECT_NE(dynamic_cast<Form11*>(windows[9].get()), nullptr);
  EXPECT_NE(dynamic_cast<ui::WaitWindow*>(windows[10].get()), nullptr);
  for (const auto& w : windows) EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(fakes.messages->shown.size(), 1u);
}

TEST_F(MainWindowTest, TheOtherWindowsAreMadeRightAfterTheMainWindowFirstPaints) {
  bool main_painted_alone = false, all_made = false;
  QTimer::singleShot(0, [&] { main_painted_alone = ui::Windows().form2.form == nullptr; });
  QTimer::singleShot(300, [&] {
    all_made = ui::Windows().form2.form != nullptr && ui::Windows().form4.form != nullptr &&
               ui::Windows().form11.form != nullptr;
    QApplication::exit(0);
  });
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_TRUE(main_painted_alone);
  EXPECT_TRUE(all_made);
  EXPECT_TRUE(fakes.messages->shown.empty());
}

TEST_F(MainWindowTest, PortAlreadyTakenIsReportedAndTheProgramEndsWithStatusZero) {
  fakes.network->fail_open = net::wsa::kAddressInUse;
  EXPECT_EQ(app::RunProgram(), 0);
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Socket Error # 10048\r\nAddress already in use.");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Error);
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProcessWithStatusZero) {
  Form1 form;
  form.show();
  form.close();
  EXPECT_EQ(fakes.process->exits, std::vector<int>{0});
}

TEST_F(MainWindowTest, RadioButtonsOnlyToggleEachOther) {
  Form1 form;
  form.RadioButtonManageClick();
  EXPECT_TRUE(form.RadioButtonManage->isChecked());
  EXPECT_FALSE(form.RadioButtonConnect->isChecked());
  form.RadioButtonConnectClick();
  EXPECT_TRUE(form.RadioButtonConnect->isChecked());
  EXPECT_FALSE(form.RadioButtonManage->isChecked());
}

}  // namespace
