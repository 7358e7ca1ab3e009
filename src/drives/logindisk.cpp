#include "drives/logindisk.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>

#include "core/configuration.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "drives/mountform.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/waiting.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using desktop::MsgButtons;
using desktop::MsgIcon;
using i18n::Translate;

Form4::Form4()
    : Label1(new ui::Label(this)),
      UserEdit(new QLineEdit("admin", this)),
      Password(new ui::Label(this)),
      PassEdit(new QLineEdit(this)),
      MountBtn(new QPushButton(this)),
      MenBtn(new QPushButton(this)),
      actions_(this, [this](bool busy) {
        // While the login is checked, nothing in the dialog starts another
        // (Enter presses a button too); the fields stay as they are.
        MountBtn->setEnabled(!busy);
        MenBtn->setEnabled(!busy);
      }) {
  PassEdit->setEchoMode(QLineEdit::Password);
  // Only the management configuration offers the console here.
  MenBtn->setVisible(core::Config().management);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(UserEdit, 0, 1);
  grid->addWidget(Password, 1, 0);
  grid->addWidget(PassEdit, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(MenBtn);
  buttons->addWidget(MountBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addLayout(buttons);

  connect(MountBtn, &QPushButton::clicked, this,
          [this] { actions_.Run([this] { return MountBtnClick(); }, core::Session().DeviceIp); });
  connect(MenBtn, &QPushButton::clicked, this,
          [this] { actions_.Run([this] { return MenBtnClick(); }, core::Session().DeviceIp); });
  ui::Windows().open_login = [this](bool manage, bool password_changed) {
    Open(manage, password_changed);
  };

  setWindowTitle(ui::Q(Translate("Remote Device Login")));
  Label1->setText(ui::Q(Translate("User Name")));
  Password->setText(ui::Q(Translate("Password")));
  MountBtn->setText(ui::Q(Translate("Connect")));
  MenBtn->setText(ui::Q(Translate("Manage Drive")));
  MountBtn->setMinimumWidth(110);
  // A focused button takes Enter itself; elsewhere Enter is Connect.
  MountBtn->setAutoDefault(true);
  MenBtn->setAutoDefault(true);
  MountBtn->setDefault(true);
  setFixedSize(340, sizeHint().height());
  ui::Windows().form4 = {this, this};
}

Form4::~Form4() {
  if (ui::Windows().form4.form != this) return;
  ui::Windows().form4 = {};
  ui::Windows().open_login = nullptr;
}

void Form4::Open(bool manage, bool password_changed) {
  manage_ = manage;
  const std::string& device = core::Session().DeviceIp;
  // Another device's password, or the one just changed, is no password here.
  if (device != device_ || password_changed) PassEdit->clear();
  device_ = device;
  MenBtn->setDefault(manage && !MenBtn->isHidden());
  MountBtn->setDefault(!MenBtn->isDefault());
  setVisible(true);
  raise();
  activateWindow();
}

void Form4::Answered() {
  if (ui::Windows().login_answered) ui::Windows().login_answered();
}

Form4::LoginResult Form4::AttemptLogin(const core::SessionState& session,
                                       const net::PageGetter& get) {
  // Without a device there is nobody to ask: report it as no answer rather
  // than pretend the login succeeded.
  if (session.DeviceIp.empty()) return LoginNoAnswer;
  const net::PageRead read = core::ReadStatusPageOf(session, get);
  if (read.reply.BodyText.empty()) return LoginNoAnswer;
  if (read.reply.Status == 200) return LoginOk;
  if (read.reply.Status == 401) return LoginRefused;
  return LoginOtherStatus;
}

core::Task<bool> Form4::LogIn(bool focus_password_on_refusal) {
  // The typed credentials are kept in the session whatever the outcome.
  core::SessionState& session = core::Session();
  session.UserName = ui::S(UserEdit->text());
  session.UserPassword = ui::S(PassEdit->text());
  auto log_in = [typed = session, get = desktop::services().read_page] {
    // However the device answers, the login is over within the bound.
    const net::ActionBound bound(core::kReadingActionBound);
    LoginResult got = LoginNoAnswer;
    for (int attempt = 0; attempt < kLoginAttempts && !net::ActionTimeUp(); ++attempt) {
      got = AttemptLogin(typed, get);
      if (got == LoginOk || got == LoginNoAnswer) break;
    }
    return got;
  };
  const LoginResult result = co_await core::OffThread(log_in);
  if (result == LoginRefused) {
    co_await core::Ask(Translate("Login failed, please check your username and password"),
                       Translate("Login"), MsgIcon::Information, MsgButtons::Ok);
    if (focus_password_on_refusal) PassEdit->setFocus();
    co_return false;
  }
  if (result != LoginOk) {
    co_await core::Ask(Translate("Connection failure"), Translate("Connect"), MsgIcon::Error,
                       MsgButtons::Ok);
    co_return false;
  }
  co_return true;
}

core::Task<> Form4::MountBtnClick() {
  Answered();
  const auto logged_in = co_await LogIn(false);
  if (!logged_in) co_return;
  hide();
  auto* drives = ui::Windows().form5.form;
  if (drives == nullptr) co_return;
  drives->CredentialsGiven();
  drives->show();
  // Brought to the front, as a window raised above all and straight back.
  drives->raise();
  drives->activateWindow();
}

core::Task<> Form4::MenBtnClick() {
  Answered();
  const auto logged_in = co_await LogIn(true);
  if (!logged_in) co_return;
  hide();
  if (ui::Windows().open_console) ui::Windows().open_console();
}

void Form4::FormShow() {
  // The console may have disabled itself before sending the user here.
  if (QWidget* console = ui::Windows().form2.widget) console->setEnabled(true);
}

void Form4::FormClose() {
  Answered();
  hide();
  QWidget* main = ui::Windows().form1.widget;
  main->show();
  main->raise();
  main->activateWindow();
}

void Form4::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ui::CenterOnScreen(this);
  ui::Guard([this] { FormShow(); })();
}

void Form4::keyPressEvent(QKeyEvent* event) {
  if (!ui::DialogKey(this, event->key(), manage_ && !MenBtn->isHidden() ? MenBtn : MountBtn))
    QWidget::keyPressEvent(event);
}

void Form4::closeEvent(QCloseEvent* event) {
  event->accept();
  ui::Guard([this] { FormClose(); })();
}
