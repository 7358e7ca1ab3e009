// Whatever a device sends is shown as the characters it sent: markup in a
// status page or a discovery reply is never rendered, and nothing it names
// is read from this machine's disk.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>
#include "support/controls.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "console/smb_dialogs.h"
#include "core/session_state.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"
#include "ui/message_box.h"
#include "ui/wait_window.h"
#include "ui/window_refs.h"

namespace {

// A picture a rendered <img> would load, watched for any opening.
class WatchedPicture {
 public:
  WatchedPicture() {
    // Short, so that its markup fits a discovery reply's firmware field.
    char dir[] = "/tmp/bvXXXXXX";
    dir_ = ::mkdtemp(dir);
    path_ = dir_ + "/p";
    // A 1x1 PNG: a real picture, had anything tried to show it.
    static const unsigned char kPng[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
        0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99,
        0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(kPng), sizeof kPng);
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(fd_, path_.c_str(), IN_OPEN | IN_ACCESS);
  }
  ~WatchedPicture() {
    ::close(fd_);
    std::filesystem::remove_all(dir_);
  }
  const std::string& path() const { return path_; }
  // True when anything opened or read the picture since the watch began.
  bool Touched() const {
    char events[4096];
    return ::read(fd_, events, sizeof events) > 0;
  }

 private:
  std::string dir_, path_;
  int fd_ = -1;
};

class PlainTextTest : public ::testing::Test {
 protected:
  PlainTextTest() {
    core::Session() = {"192.168.1.77", "admin", "pw"};
    windows_ = app::CreateWindows();
  }
  Form2& console() { return *ui::Windows().form2.form; }
  // Paints every window as the screen would.
  void PaintAll() {
    for (const auto& window : windows_) window->grab();
  }
  // Hovers over the middle of `view`'s first cell, as for its tooltip.
  static void Hover(QAbstractItemView* view, const QModelIndex& index) {
    const QPoint at = view->visualRect(index).center();
    QHelpEvent hover(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &hover);
    if (QWidget* tip = QApplication::widgetAt(view->viewport()->mapToGlobal(at))) tip->grab();
  }

  WatchedPicture picture_;
  desktop::fakes::FakePlatform fakes_;
  std::vector<std::unique_ptr<QWidget>> windows_;
};

TEST_F(PlainTextTest, MarkupFromTheDeviceIsShownAsItsCharacters) {
  const std::string img = "<img src='" + picture_.path() + "'>";
  const std::string markup = img + "<a href=\"http://x\">link</a><font color=red>&amp;</font>";
  const std::string option = "<option value=\"" + img + "\">" + img + " </option>";
  fakes_.device->page = testing_support::StatusPage(
      {{"host_name", markup},
       {"sntp_time", markup},
       {"sntp_server", markup},
       {"sntp_timeserver", "1"},
       {"ip_addr", markup},
       {"mac_addr", markup},
       {"firm_ver", markup},
       {"disk_id", markup},
       {"total_size", markup},
       {"free_size", markup},
       {"lang_list", markup + "#" + img},
       {"ip", markup},
       {"share_list", option},
       {"allow_share", option},
       {"ftps_dir_list", option},
       {"ftps_home_def", img},
       {"ftp_ac_list",
        "<option value=\"1\">" + img + "&nbsp;" + img +
            "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
            "&nbsp;&nbsp;&nbsp;&nbsp;R&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"
            "&nbsp;E&nbsp;</option>"},
       {"ftps_account", markup},
       // Its texts run from the first ">" of each option.
       {"ftps_share_list", "<option value=\"x\">" + img + " </option>"},
       {"disk_scan", markup + "\n" + img}});

  Form2& form = console();
  form.show();
  for (int page = 0; page < Form2::kPageCount; ++page) {
    testing_support::Find<QTabWidget>(form, "PageControl1")->setTabVisible(page, true);
    form.SelectPage(page);
    form.ShowPage(page);
    PaintAll();
  }
  for (QAbstractItemView* view : form.findChildren<QAbstractItemView*>()) {
    if (view->model() == nullptr || view->model()->rowCount() == 0) continue;
    Hover(view, view->model()->index(0, 0));
  }

  // The dialogs that carry a device's folder names.
  auto* rename = ui::Windows().form7.form;
  testing_support::Find<QListWidget>(form, "SMBFolderLB")->setCurrentRow(0);
  form.ShowRenameBtnClick();
  EXPECT_EQ(rename->OldFoldernameEdit->text().toStdString(), img);

  // A box and the wait window with such a text.
  ui::MakeMessageBox(markup, markup, desktop::MsgIcon::Information, desktop::MsgButtons::Ok)
      ->grab();
  ui::WaitWindow wait;
  wait.TextLabel->setText(ui::WaitWindow::Describe(net::Activity::Reading, markup));
  wait.grab();
  PaintAll();

  EXPECT_FALSE(picture_.Touched()) << "a picture named by the device was read from disk";
  for (QLabel* label : {testing_support::Find<QLabel>(form, "CurrenttimeLB"),
                        testing_support::Find<QLabel>(form, "IPAddressLB"),
                        testing_support::Find<QLabel>(form, "MSCAddrLB"),
                        testing_support::Find<QLabel>(form, "FirmverLB"),
                        testing_support::Find<QLabel>(form, "TotalsizeLB"),
                        testing_support::Find<QLabel>(form, "ModFTPAccLabel")})
    EXPECT_EQ(label->text().toStdString(), markup);
  EXPECT_EQ(testing_support::Find<QComboBox>(form, "LangCB")->itemText(1).toStdString(), img);
  EXPECT_EQ(testing_support::Find<QListWidget>(form, "SMBFolderLB")->item(0)->text().toStdString(),
            img);
  EXPECT_EQ(testing_support::Find<QListWidget>(form, "FTPSSharLB")->item(0)->text().toStdString(),
            img);
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(form, "AccountLV")
                ->item(0, 0)
                ->text()
                .toStdString(),
            img);
  EXPECT_EQ(testing_support::Find<QPlainTextEdit>(form, "DiskScanMO")->toPlainText().toStdString(),
            markup + "\n" + img);
  // Every label of every window is plain (a tooltip says its text in
  // markup of its own).
  for (const auto& window : windows_)
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->inherits("QTipLabel")) continue;
      EXPECT_EQ(label->textFormat(), Qt::PlainText)
          << window->metaObject()->className() << " " << label->text().toStdString();
    }
}

TEST_F(PlainTextTest, ADiscoveryReplyWithMarkupShowsItAsTextInTheListAndItsTooltips) {
  auto& main = *ui::Windows().form1.form;
  main.show();
  const std::string firmware = "<img src='" + picture_.path() + "'>";
  ASSERT_LE(firmware.size(), 30u);
  fakes_.network->Deliver(net::BuildDiscoveryReply("<b>NAS</b>", "G&amp;", firmware),
                          "192.168.1.77");
  ASSERT_EQ(main.HDListView->RowCount(), 1);
  for (int column = 0; column < 4; ++column)
    Hover(main.HDListView, main.HDListView->model()->index(0, column));
  main.grab();
  EXPECT_FALSE(picture_.Touched()) << "a picture named by the device was read from disk";
  EXPECT_EQ(main.HDListView->item(0, 1)->text(), "<b>NAS</b>");
  for (int column = 0; column < 4; ++column) {
    QTableWidgetItem* cell = main.HDListView->item(0, column);
    EXPECT_EQ(QTextDocumentFragment::fromHtml(cell->toolTip()).toPlainText(), cell->text());
  }
}

}  // namespace
