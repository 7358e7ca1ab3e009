// Every window of the program, walked control by control as a screen
// reader and the keyboard meet them.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/program.h"
#include "console/menuform.h"
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "i18n/language_file.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"
#include "support/click.h"
#include "ui/accessibility.h"
#include "ui/message_box.h"
#include "ui/ui.h"

namespace {

bool TakesInput(QWidget* widget) {
  return qobject_cast<QLineEdit*>(widget) != nullptr ||
         qobject_cast<QComboBox*>(widget) != nullptr ||
         qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<QAbstractButton*>(widget) != nullptr ||
         qobject_cast<QAbstractItemView*>(widget) != nullptr;
}

// What a screen reader says `widget` is: its name, or for a combo box
// (named by its entry) the label that labels it.
std::string SpokenName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  if (accessible == nullptr) return "";
  if (qobject_cast<QComboBox*>(widget) != nullptr) {
    for (const auto& [label, relation] : accessible->relations(QAccessible::Label))
      if (qobject_cast<QLabel*>(label->object()) != nullptr)
        return QString(label->text(QAccessible::Name)).remove('&').toStdString();
    return "";
  }
  return accessible->text(QAccessible::Name).trimmed().toStdString();
}

TEST(AccessibilityTest, EveryInputControlIsNamedByItsOwnLabel) {
  desktop::fakes::FakePlatform fakes;
  auto windows = app::CreateWindows();
  std::string wrong;
  for (const auto& window : windows) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (!TakesInput(widget) || widget->isHidden()) continue;  // hidden by design
      // The toolkit's own parts: a table's header, a combo box's popup and edit.
      if (qobject_cast<QHeaderView*>(widget) != nullptr) continue;
      bool in_combo = false;
      for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget())
        in_combo |= qobject_cast<QComboBox*>(up) != nullptr;
      if (in_combo || widget->window() != window.get()) continue;
      // A name has words, and is not the title of the group around it.
      const std::string name = SpokenName(widget);
      bool words = false;
      for (const char c : name) words |= std::isalnum(static_cast<unsigned char>(c)) != 0;
      bool group = false;
      for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget())
        if (auto* box = qobject_cast<QGroupBox*>(up)) group |= box->title().toStdString() == name;
      if (!words || group)
        wrong += "\n  " + std::string(window->metaObject()->className()) + ": " +
                 widget->metaObject()->className() + " \"" + name + "\"";
    }
  }
  EXPECT_TRUE(wrong.empty()) << "input controls named by no label of their own:" << wrong;

  // The ones a label does not stand beside.
  auto* console = dynamic_cast<Form2*>(windows[1].get());
  ASSERT_NE(console, nullptr);
  std::vector<std::string> date;
  for (QLineEdit* edit : {testing_support::Find<QLineEdit>(*console, "YearEdit"),
                          testing_support::Find<QLineEdit>(*console, "MonthEdit"),
                          testing_support::Find<QLineEdit>(*console, "DataEdit"),
                          testing_support::Find<QLineEdit>(*console, "HourEdit"),
                          testing_support::Find<QLineEdit>(*console, "MinuteEdit"),
                          testing_support::Find<QLineEdit>(*console, "SecondEdit")})
    date.push_back(SpokenName(edit));
  EXPECT_EQ(date, (std::vector<std::string>{"Year", "Month", "Day", "Hour", "Minute", "Second"}));
  EXPECT_EQ(SpokenName(testing_support::Find<QLineEdit>(*console, "MantimeSEdit")),
            "Manually Set Time Server");
  EXPECT_EQ(SpokenName(testing_support::Find<QComboBox>(*console, "TimezoneCB")), "Time Zone");
  EXPECT_EQ(SpokenName(testing_support::Find<QLineEdit>(*console, "FTPPortEdit")), "Port");
  EXPECT_EQ(SpokenName(testing_support::Find<QComboBox>(*console, "AnonyHDCB")), "Home Directory");
  EXPECT_EQ(SpokenName(testing_support::Find<QLineEdit>(*console, "DiskSleepTimeEdit")),
            "Sleep Time");
  EXPECT_EQ(SpokenName(testing_support::Find<QListWidget>(*console, "SMBFolderLB")), "Folder List");
  EXPECT_EQ(SpokenName(testing_support::Find<QListWidget>(*console, "SMBPublicFolderLB")),
            "Sharing List");
  EXPECT_EQ(SpokenName(testing_support::Find<QListWidget>(*console, "FTPSSharLB")), "Sharing List");
  // An empty value is named by its caption.
  testing_support::Find<QLabel>(*console, "CurrenttimeLB")->clear();
  EXPECT_EQ(SpokenName(testing_support::Find<QLabel>(*console, "CurrenttimeLB")), "Current Time");
}

TEST(AccessibilityTest, TheDeviceListIsOneTabStopAndCutTextsHaveTooltips) {
  desktop::fakes::FakePlatform fakes;
  Form1 main;
  main.FormCreate();
  main.show();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0.23-build-2026-11-30"),
                         "192.168.1.77");
  EXPECT_FALSE(main.HDListView->tabKeyNavigation());
  QTableWidgetItem* firmware = main.HDListView->item(0, 3);
  ASSERT_NE(firmware, nullptr);
  EXPECT_EQ(QTextDocumentFragment::fromHtml(firmware->toolTip()).toPlainText(),
            "1.0.23-build-2026-11-30");
}

TEST(AccessibilityTest, TheReconnectTextTicksItsBoxAndEscapeClosesTheDriveDialog) {
  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form5 drives;
  drives.show();
  const bool before = drives.chk_AutoReconnect->isChecked();
  testing_support::Click(drives.lab_AutoReconnect);
  EXPECT_NE(drives.chk_AutoReconnect->isChecked(), before);

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(drives.MountSetBtn, &escape);
  EXPECT_FALSE(drives.isVisible());
}

// The letter Alt takes to `control`, or 0.
char Shortcut(const QWidget* control) {
  QString text;
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) text = button->text();
  if (auto* label = qobject_cast<const QLabel*>(control)) text = label->text();
  const QKeySequence key = QKeySequence::mnemonic(text);
  return key.isEmpty() ? 0 : static_cast<char>(key[0].key());
}

TEST(AccessibilityTest, ShortcutsTakeAFreeLetterOncePerWhatIsShownTogether) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto add = [&](QWidget* parent, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    if (parent == &window) layout->addWidget(button);
    return button;
  };
  QPushButton* set = add(&window, "Set");
  QPushButton* set_again = add(&window, "Set");
  QPushButton* search = add(&window, "Search");
  QPushButton* ampersand = add(&window, "Save & Go");
  QPushButton* chinese = add(&window, "\xE9\x80\xA3\xE7\xB7\x9A");  // no Latin letter
  QPushButton* arrow = add(&window, "-->");
  auto* tabs = new QTabWidget(&window);
  layout->addWidget(tabs);
  QPushButton* page_sets[2];
  for (QPushButton*& page_set : page_sets) {
    auto* page = new QWidget;
    tabs->addTab(page, "page");
    page_set = add(page, "Set");
  }
  auto* name = new QLabel("Name", tabs->widget(0));
  name->setBuddy(new QLineEdit(tabs->widget(0)));
  auto* lone = new QLabel("Lone", &window);  // no input beside it

  ui::GiveShortcuts(&window);
  EXPECT_EQ(set->text(), "&Set");
  EXPECT_EQ(set_again->text(), "&Set");         // the same caption, the same letter
  EXPECT_EQ(search->text(), "S&earch");         // the first free letter
  EXPECT_EQ(ampersand->text(), "Save && &Go");  // an '&' of the caption stays one
  EXPECT_EQ(chinese->text(), "\xE9\x80\xA3\xE7\xB7\x9A(&A)");
  EXPECT_EQ(arrow->text(), "-->");
  // Each page keeps clear of the window's letters, not of the other page's.
  EXPECT_EQ(page_sets[0]->text(), "Se&t");
  EXPECT_EQ(page_sets[1]->text(), "Se&t");
  EXPECT_EQ(name->text(), "&Name");
  EXPECT_EQ(lone->text(), "Lone");
  // Again, after a caption was set anew: the same letters.
  ampersand->setText("Save & Go");
  ui::GiveShortcuts(&window);
  EXPECT_EQ(ampersand->text(), "Save && &Go");
  EXPECT_EQ(search->text(), "S&earch");
  EXPECT_EQ(page_sets[0]->text(), "Se&t");
  // The accessible name is the caption, without the marks.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(ampersand)->text(QAccessible::Name), "Save & Go");
}

TEST(AccessibilityTest, EveryButtonOfEveryWindowHasItsOwnShortcut) {
  desktop::fakes::FakePlatform fakes;
  fakes.device->page =
      testing_support::StatusPage({{"allow_share", "<option value=\"PUBLIC\">PUBLIC</option>"}});
  core::Session() = {};
  core::Session().DeviceIp = "192.168.1.77";
  auto windows = app::CreateWindows();
  std::string faults;
  for (const auto& window : windows) {
    // Shown, and each page visited: windows that set their captions again
    // when shown keep their shortcuts.
    window->show();
    if (auto* console = dynamic_cast<Form2*>(window.get()))
      for (int page = Form2::kPageCount - 1; page >= 0; --page)
        testing_support::Find<QTabWidget>(*console, "PageControl1")->setCurrentIndex(page);
    // What is shown together: the window's own controls with one tab page.
    std::vector<QWidget*> pages{nullptr};
    for (auto* tabs : window->findChildren<QTabWidget*>())
      for (int i = 0; i < tabs->count(); ++i) pages.push_back(tabs->widget(i));
    auto page_of = [&](QWidget* w) -> QWidget* {
      for (; w != window.get(); w = w->parentWidget())
        if (std::find(pages.begin() + 1, pages.end(), w) != pages.end()) return w;
      return nullptr;
    };
    for (QWidget* page : pages) {
      std::map<char, QString> letters;
      for (QWidget* w : window->findChildren<QWidget*>()) {
        QWidget* on = page_of(w);
        if (on != nullptr && on != page) continue;
        auto* button = qobject_cast<QPushButton*>(w);
        const char letter = Shortcut(w);
        const QString caption = button != nullptr ? button->text() : QString();
        if (button != nullptr && letter == 0 && caption.contains(QRegularExpression("[A-Za-z]")))
          faults += "\n  no shortcut: " + caption.toStdString();
        if (button == nullptr || letter == 0) continue;
        // Buttons of one caption share its letter: Alt moves between them.
        auto [seen, fresh] = letters.emplace(letter, caption);
        if (!fresh && on == page && seen->second != caption)
          faults += "\n  shared: " + seen->second.toStdString() + " / " + caption.toStdString();
      }
    }
  }
  EXPECT_TRUE(faults.empty()) << faults;
  core::Session() = {};
}

TEST(AccessibilityTest, AltAndTheLetterPressesTheButton) {
  desktop::fakes::FakePlatform fakes;
  auto windows = app::CreateWindows();
  auto* login = dynamic_cast<Form4*>(windows[2].get());
  ASSERT_NE(login, nullptr);
  core::Session() = {};
  core::Session().DeviceIp = "192.168.1.77";
  ASSERT_EQ(login->MountBtn->text(), "&Connect");
  login->show();
  QApplication::setActiveWindow(login);
  ASSERT_TRUE(QTest::qWaitForWindowActive(login));
  login->PassEdit->setFocus();
  QTest::keyClick(login->PassEdit, Qt::Key_C, Qt::AltModifier);
  QTRY_VERIFY(!fakes.device->page_requests.empty());  // the login was tried
  core::Session() = {};
}

TEST(AccessibilityTest, AMessageBoxIsWideEnoughForItsTitle) {
  for (const char* title : {"Connect", "Remote Device Connection Failure Notice"}) {
    auto box = ui::MakeMessageBox("Connection failure", title, desktop::MsgIcon::Error,
                                  desktop::MsgButtons::Ok);
    box->show();
    // As wide as the title needs, or as the screen is.
    const int screen = box->screen()->availableGeometry().width();
    EXPECT_GE(box->width(), std::min(ui::TitleBarWidth(title), screen)) << title;
    EXPECT_GT(ui::TitleBarWidth(title), box->fontMetrics().horizontalAdvance(title) + 100);
    EXPECT_EQ(box->text(), "Connection failure");
  }
}

// The texts of `window` as shown now that do not fit where they are shown.
std::string CutTexts(QWidget* window) {
  std::string cut;
  auto check = [&](QWidget* where, const QString& text, int room, int needed) {
    if (room < needed)
      cut += "\n  \"" + text.toStdString() + "\" " + std::to_string(room) + " < " +
             std::to_string(needed) + " (" + where->metaObject()->className() + ")";
  };
  auto plain = [](QString text) { return text.remove(QRegularExpression("&(?!&)")); };
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->window() != window) continue;
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (!label->wordWrap() && !label->text().isEmpty())
        check(w, label->text(), label->contentsRect().width(),
              fm.horizontalAdvance(plain(label->text())));
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      if (!button->text().isEmpty())
        check(w, button->text(), button->width(), fm.horizontalAdvance(plain(button->text())) + 8);
    } else if (auto* box = qobject_cast<QAbstractButton*>(w)) {
      if (!box->text().isEmpty())
        check(w, box->text(), box->width(), fm.horizontalAdvance(plain(box->text())) + 20);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      check(w, group->title(), group->width(), fm.horizontalAdvance(group->title()) + 12);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i))
          check(w, tabs->tabText(i), tabs->tabRect(i).width(),
                fm.horizontalAdvance(tabs->tabText(i)) + 4);
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c)
        if (!table->isColumnHidden(c) && table->horizontalHeaderItem(c) != nullptr)
          check(w, table->horizontalHeaderItem(c)->text(), table->columnWidth(c),
                fm.horizontalAdvance(table->horizontalHeaderItem(c)->text()) + 8);
    }
  }
  if (!window->windowTitle().isEmpty())
    check(window, window->windowTitle(), window->width(), ui::TitleBarWidth(window->windowTitle()));
  return cut;
}

std::string ShippedLanguage(const char* language) {
  std::ifstream in(std::string(BREVANE_SOURCE_DIR) + "/lang/" + language + "/language",
                   std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(AccessibilityTest, EveryTextFitsInEnglishAndInChinese) {
  for (const char* language : {"en", "zh-TW"}) {
    testing_support::LanguageFile file(ShippedLanguage(language));
    desktop::fakes::FakePlatform fakes;
    fakes.device->page = testing_support::StatusPage({{"host_name", "NAS"}});
    auto windows = app::CreateWindows();
    std::string cut;
    for (const auto& window : windows) {
      window->show();
      QApplication::processEvents();
      if (auto* console = dynamic_cast<Form2*>(window.get())) {
        for (int page = 0; page < Form2::kPageCount; ++page) {
          testing_support::Find<QTabWidget>(*console, "PageControl1")->setCurrentIndex(page);
          cut += CutTexts(console);
        }
      } else {
        cut += CutTexts(window.get());
      }
      window->hide();
    }
    EXPECT_TRUE(cut.empty()) << language << ":" << cut;
  }
}

TEST(AccessibilityTest, TheToolkitsOwnButtonsSpeakTheProgramsLanguage) {
  const auto ok = [] { return QCoreApplication::translate("QPlatformTheme", "OK").toStdString(); };
  ASSERT_TRUE(ui::UseToolkitLanguage("zh-TW"));
  EXPECT_EQ(ok(), "確定");
  ASSERT_TRUE(ui::UseToolkitLanguage("en"));
  EXPECT_EQ(ok(), "OK");
}

// Every text of `window` a user can come to see: captions, entries of lists
// and combo boxes, headings, tabs, the title.
std::vector<QString> ShownTexts(QWidget* window) {
  std::vector<QString> texts{window->windowTitle()};
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (auto* label = qobject_cast<QLabel*>(w)) texts.push_back(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts.push_back(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) texts.push_back(group->title());
    if (auto* combo = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < combo->count(); ++i) texts.push_back(combo->itemText(i));
    if (auto* tabs = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < tabs->count(); ++i) texts.push_back(tabs->tabText(i));
    if (auto* table = qobject_cast<QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c)) texts.push_back(table->horizontalHeaderItem(c)->text());
        for (int r = 0; r < table->rowCount(); ++r)
          if (table->item(r, c)) texts.push_back(table->item(r, c)->text());
      }
    }
  }
  return texts;
}

TEST(AccessibilityTest, InChineseNoTextIsLeftInEnglish) {
  const i18n::ParsedLanguageFile english = i18n::ParseLanguageFile(ShippedLanguage("en"));
  const i18n::ParsedLanguageFile chinese = i18n::ParseLanguageFile(ShippedLanguage("zh-TW"));
  testing_support::LanguageFile file(ShippedLanguage("zh-TW"));
  desktop::fakes::FakePlatform fakes;
  core::Session() = {"192.168.1.77", "admin", "pw"};
  const auto account = [](const char* name, const char* access, const char* state) {
    const auto gap = [](std::size_t n) {
      std::string nbsp;
      while (n-- > 0) nbsp += "&nbsp;";
      return nbsp;
    };
    return std::string("<option value=\"1\">") + name + gap(21 - std::strlen(name)) + "pw" +
           gap(11) + access + gap(11) + state + gap(1) + "</option>";
  };
  fakes.device->page = testing_support::StatusPage(
      {{"host_name", "NAS"},
       {"ftp_ac_list", "<select>" + account("bob", "Read only", "Enable") +
                           account("amy", "Read/Write", "Disable") + "</select>"}});
  auto windows = app::CreateWindows();
  std::string english_left;
  for (const auto& window : windows) {
    window->show();
    QApplication::processEvents();
    if (auto* console = dynamic_cast<Form2*>(window.get())) {
      console->SelectPage(Form2::kFtpServer);
    }
    for (QString text : ShownTexts(window.get())) {
      const std::string shown = text.remove(QRegularExpression("&(?!&)")).toStdString();
      if (i18n::LookUpLanguage(english, shown).empty()) continue;
      const std::string wanted = i18n::LookUpLanguage(chinese, shown);
      if (wanted != shown)
        english_left += "\n  \"" + shown + "\" in " + window->metaObject()->className();
    }
    window->hide();
  }
  EXPECT_TRUE(english_left.empty()) << english_left;
}

}  // namespace
