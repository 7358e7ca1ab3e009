#include "device/maintenance.h"

#include <filesystem>
#include <stdexcept>

#include "i18n/translate.h"
#include "net/socket_error.h"
#include "net/upload_client.h"

namespace device {

using i18n::Translate;

namespace {
constexpr char kFirmwareTitle[] = "Firmware Upload";
// The firmware form's answer page and failure page.
constexpr char kUploadAnswerPage[] = "man_firm.htm";
constexpr char kUploadFailurePage[] = "fail.htm";
constexpr char kEndedWithoutReply[] = "it ended the connection without a reply";
}  // namespace

net::THttpDataStream FirmwareForm(const std::string& path, bool copied) {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error) && std::filesystem::file_size(path, error) == 0)
    throw std::runtime_error(Translate("The firmware file is empty: nothing was sent.") + "\n" +
                             path);
  net::THttpDataStream body;
  body.AddFormField("redirect", kUploadAnswerPage);
  body.AddFormField("failure", kUploadFailurePage);
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", path, "application/octet-stream", copied);
  body.FinishBody();
  return body;
}

std::string UploadUrl(const std::string& address) {
  return "http://" + address + "/man.cgi";
}

std::string UploadReferer(const std::string& address) {
  return "http://" + address + "/maintain.htm";
}

namespace {

// A redirect's page, without folder or query.
std::string PageOf(std::string location) {
  location = location.substr(0, location.find_first_of("?#"));
  return location.substr(location.rfind('/') == std::string::npos ? 0 : location.rfind('/') + 1);
}

}  // namespace

UploadVerdict JudgeUpload(std::exception_ptr error) {
  UploadVerdict v;
  if (!error) {
    v.outcome = UploadOutcome::Answered;
    return v;
  }
  using Kind = net::UploadError::Kind;
  try {
    std::rethrow_exception(error);
  } catch (const net::UploadError& e) {
    v.said = e.what();
    switch (e.kind()) {
      case Kind::FileChanged:
        v.outcome = UploadOutcome::FileChanged;
        break;
      case Kind::Aborted:
        v.outcome = UploadOutcome::TooLarge;
        break;
      case Kind::Socket:
        v.outcome = UploadOutcome::NoAnswer;
        // How it ended says more than the system's number for it.
        if (e.number() == net::wsa::kTimedOut)
          v.said = "it was silent";
        else if (e.number() == net::wsa::kConnectionReset ||
                 e.number() == net::wsa::kConnectionAborted)
          v.said = kEndedWithoutReply;
        break;
      case Kind::Closed:
        v.outcome = UploadOutcome::NoAnswer;
        v.said = kEndedWithoutReply;
        break;
      case Kind::Reply:
        v.status = e.number();
        v.location = e.location();
        v.failure_page = PageOf(v.location).rfind(kUploadFailurePage, 0) == 0;
        if (v.status < 100 || v.status > 599) {
          v.outcome = UploadOutcome::NoAnswer;
          v.said = "what it sent was no reply";
        } else if (v.status == 401) {
          v.outcome = UploadOutcome::LoginFailed;
        } else if (v.status == 413) {
          v.outcome = UploadOutcome::TooLarge;
        } else if (v.status >= 300 && v.status <= 303 && PageOf(v.location) == kUploadAnswerPage) {
          // Taken only once the device had all of it.
          v.outcome = e.whole() ? UploadOutcome::Accepted : UploadOutcome::Failed;
        } else {
          v.outcome = UploadOutcome::Refused;
        }
        break;
    }
  } catch (const net::HttpError& e) {
    v.outcome = UploadOutcome::NoAnswer;  // no reply, but bytes that are none
    v.said = e.what();
  } catch (const std::exception& e) {
    v.said = e.what();
  } catch (...) {
  }
  return v;
}

Message UploadFailure(UploadOutcome outcome, const std::string& path) {
  if (outcome == UploadOutcome::TooLarge) return Say("Kernel Size is too large.", kFirmwareTitle);
  std::string text = Translate("Upload fail!");
  if (outcome == UploadOutcome::FileChanged) {
    // Whatever the device said, what it has is not the image chosen.
    text += '\n';
    text += Translate("The firmware file changed while it was sent:");
    text += '\n';
    text += path;
  }
  return {text, Translate(kFirmwareTitle), Icon::Information};
}

Message ConfirmFlash() {
  return Say("This will flash the firmware. Continue?", kFirmwareTitle, Icon::Question);
}

Message ConfirmRestartAfterUpload() {
  return {Translate("Firmware Upload Successful.") + "\n" + Translate("Reboot..."),
          Translate(kFirmwareTitle), Icon::Question};
}

Message ConfirmReboot() {
  return {Translate("This will reboot the device.") + "\n" +
              Translate("All open connections will reset. Continue?"),
          Translate("System Reboot"), Icon::Question};
}

Message ConfirmFactoryReset() {
  return Say("This will restore device's default settings. Continue?", "Factory Defaults",
             Icon::Question);
}

Command Restart(const std::string& address) {
  return {"http://" + address + "/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot",
          "maintain.htm", false, nullptr, Then::Restart};
}

std::vector<Command> FactoryReset(const std::string& address) {
  return {
      {"http://" + address + "/man.cgi?redirect=reboot.htm&failure=fail.htm&type=default_setting",
       "maintain.htm", false, nullptr, Then::Restart},
      Restart(address)};
}

FactoryResetSubmissions ResetToFactory(net::CommandClient& client, Session& session) {
  const std::vector<Command> commands = FactoryReset(session.address());
  FactoryResetSubmissions sent{Submit(client, session, commands.front()), std::nullopt};
  if (sent.reset.outcome != Outcome::Done) return sent;
  sent.restart = Submit(client, session, commands.back());
  if (sent.restart->outcome == Outcome::LoginFailed) {
    session.UseLogin(kFactoryUser, "");
    sent.restart = Submit(client, session, commands.back());
  }
  return sent;
}

}  // namespace device
