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
}

net::THttpDataStream FirmwareForm(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error) && std::filesystem::file_size(path, error) == 0)
    throw std::runtime_error(Translate("The firmware file is empty: nothing was sent.") + "\n" +
                             path);
  net::THttpDataStream body;
  body.AddFormField("redirect", "man_firm.htm");
  body.AddFormField("failure", "fail.htm");
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", path, "application/octet-stream");
  body.FinishBody();
  return body;
}

std::string UploadUrl(const std::string& address) {
  return "http://" + address + "/man.cgi";
}

std::string UploadReferer(const std::string& address) {
  return "http://" + address + "/maintain.htm";
}

UploadOutcome JudgeUpload(std::exception_ptr error) {
  if (!error) return UploadOutcome::Answered;
  using Kind = net::UploadError::Kind;
  try {
    std::rethrow_exception(error);
  } catch (const net::UploadError& e) {
    if (e.kind() == Kind::Reply && e.number() == 302) {
      // The form names its failure page: a redirect there is a refusal.
      const std::string& to = e.location();
      const std::string page =
          to.substr(to.rfind('/') == std::string::npos ? 0 : to.rfind('/') + 1);
      return page.rfind("fail.htm", 0) == 0 ? UploadOutcome::Refused : UploadOutcome::Accepted;
    }
    if (e.kind() == Kind::Socket && e.number() == net::wsa::kConnectionAborted)
      return UploadOutcome::TooLarge;
    if (e.kind() == Kind::FileChanged) return UploadOutcome::FileChanged;
    // No connection, a close with nothing said, or bytes that are no reply.
    if (e.kind() == Kind::Socket || e.kind() == Kind::Closed ||
        (e.kind() == Kind::Reply && (e.number() < 100 || e.number() > 599)))
      return UploadOutcome::NoAnswer;
  } catch (const net::HttpError&) {
    return UploadOutcome::NoAnswer;  // no reply, but bytes that are none
  } catch (...) {
  }
  return UploadOutcome::Failed;
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

}  // namespace device
