// brevane-ctl's commands on the device as a whole: what it shows, its
// names, password, time, language, address, firmware and restarts.

#include <algorithm>
#include <cctype>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/secrets.h"
#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/ip_config.h"
#include "device/maintenance.h"
#include "device/status.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "net/upload_client.h"
#include "net/waiting.h"
#include "os/console.h"
#include "scan/scan_output.h"

namespace ctl {

using i18n::Translate;
using scan::Printable;

namespace {

const char* OnOff(bool on) {
  return on ? "on" : "off";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ", ") + Printable(item);
  return text;
}

// The upload's progress on a terminal: one line, rewritten as the percentage
// grows.
class UploadProgress : public net::WaitObserver {
 public:
  explicit UploadProgress(const std::string& address) {
    text_ = Translate("Sending the firmware to %1 …");
    if (const auto at = text_.find("%1"); at != std::string::npos) text_.replace(at, 2, address);
    net::SetWaitObserver(this);
  }
  ~UploadProgress() override {
    net::SetWaitObserver(nullptr);
    if (shown_ >= 0) std::fputc('\n', stderr);
  }
  void Begin(net::Activity, const std::string&) override {}
  void Idle() override {}
  void End() override {}
  void Progress(std::uint64_t done, std::uint64_t total) override {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    std::fprintf(stderr, "\r%s %3d%%", Printable(text_).c_str(), percent);
    std::fflush(stderr);
  }

 private:
  std::string text_;
  int shown_ = -1;
};

}  // namespace

int Ctl::Run() {
  const std::string command = Arg(1, "COMMAND (brevane-ctl DEVICE COMMAND)");
  std::string name = command;
  // The command as results name it: its word, and the word that says what
  // it does where it has one.
  if ((command == "show" || command == "folder" || command == "ftp" || command == "disk") &&
      args_.size() > 2 && args_[2].rfind("--", 0) != 0)
    name += " " + args_[2];
  if (command == "ftp" && args_.size() > 3 && args_[2] == "account") name += " " + args_[3];
  if (command == "show" && args_.size() <= 2) name += " status";
  out_.SetSubject(args_[0], name);

  if (command == "show") {
    Show();
  } else if (command == "name") {
    NoMoreThan(4);
    const device::Entry host(Arg(2, "HOST")), group(Arg(3, "GROUP"));
    Precheck(device::SetIdentification({}, host, group));
    Carry(device::SetIdentification(Ip(), host, group));
    Verify([&](const std::string& page) {
      const auto v = device::ShowStatus(page);
      return v.host == device::Trim(host.text) && v.group == device::Trim(group.text);
    });
    Done();
  } else if (command == "password") {
    NoMoreThan(2);
    Ip();
    const std::string password = NewPassword("of " + session_.user + " on " + session_.address);
    Carry(device::SetAdministratorPassword(Ip(), password, password));
    // The device takes the new password from now on: a read with it shows
    // that it has it.
    session_.password = password;
    Page();
    Done();
  } else if (command == "time") {
    Time();
  } else if (command == "dhcp-server") {
    const bool on = OnOffArg(2);
    NoMoreThan(3);
    Send(device::SetDhcpServer(Ip(), on));
    Verify([&](const std::string& page) { return device::ShowStatus(page).dhcp_server == on; });
    Done();
  } else if (command == "language") {
    Language();
  } else if (command == "address") {
    Address();
  } else if (command == "upload") {
    Upload();
  } else if (command == "reboot" || command == "reset") {
    NoMoreThan(2);
    Restart(command == "reset");
  } else if (command == "folder") {
    Folder();
  } else if (command == "ftp") {
    Ftp();
  } else if (command == "disk") {
    Disk();
  } else if (command == "backup") {
    Backup();
  } else if (command == "apply") {
    Apply();
  } else {
    Usage("unknown command " + command);
  }
  return kDone;
}

void Ctl::Show() {
  const std::string what = OptionalArg(2).value_or("status");
  NoMoreThan(3);
  static const char* const kWhat[] = {"status", "ip", "folders", "ftp", "disk"};
  if (std::find(std::begin(kWhat), std::end(kWhat), what) == std::end(kWhat))
    Usage("show what? status, ip, folders, ftp or disk");
  const std::string page = Page();
  JsonObject json;
  std::string human;
  if (what == "status") {
    const auto v = device::ShowStatus(page);
    // A page read only in part is a failure, said once.
    if (!v.failure.empty()) Fail(kFailed, v.failure);
    const std::string zone = v.zone ? device::kTimeZones[*v.zone] : "";
    const std::string server =
        v.server_from_list ? device::kTimeServers[v.listed_server] : v.manual_server;
    const std::string language =
        v.language ? v.languages[static_cast<std::size_t>(*v.language)] : "";
    human = "Host name:      " + Printable(v.host) + "\nGroup name:     " + Printable(v.group) +
            "\nTime:           " + Printable(v.current_time) +
            "\nSNTP:           " + OnOff(v.sntp_auto) + "\nTime server:    " + Printable(server) +
            "\nTime zone:      " + zone + "\nIP address:     " + Printable(v.ip) +
            "\nMAC address:    " + Printable(v.mac) + "\nDHCP server:    " + OnOff(v.dhcp_server) +
            "\nFirmware:       " + Printable(v.firmware) +
            "\nDisk:           " + Printable(device::Trim(v.disk_id)) +
            "\nFree size:      " + Printable(v.free_size) +
            "\nTotal size:     " + Printable(device::Trim(v.total_size)) +
            "\nLanguage:       " + Printable(language) +
            "\nLanguages:      " + Joined(v.languages) + "\n";
    json.Text("host_name", v.host)
        .Text("group_name", v.group)
        .Text("time", v.current_time)
        .Bool("sntp", v.sntp_auto)
        .Text("time_server", server);
    if (v.zone)
      json.Number("time_zone", *v.zone - 12);
    else
      json.Null("time_zone");
    json.Text("ip_address", v.ip)
        .Text("mac_address", v.mac)
        .Bool("dhcp_server", v.dhcp_server)
        .Text("firmware", v.firmware)
        .Text("disk_id", device::Trim(v.disk_id))
        .Text("free_size", v.free_size)
        .Text("total_size", device::Trim(v.total_size))
        .Texts("languages", v.languages);
    if (v.language)
      json.Number("language", *v.language);
    else
      json.Null("language");
  } else if (what == "ip") {
    const auto v = device::ShowIpConfig(page);
    human = std::string("Address:        ") + (v.automatic ? "automatic" : "static") +
            "\nIP address:     " + Printable(v.ip) + "\nSubnet mask:    " + Printable(v.mask) +
            "\nGateway:        " + Printable(v.gateway) +
            "\nPrimary DNS:    " + Printable(v.primary_dns) +
            "\nSecondary DNS:  " + Printable(v.secondary_dns) + "\n";
    json.Bool("automatic", v.automatic)
        .Text("ip_address", v.ip)
        .Text("subnet_mask", v.mask)
        .Text("gateway", v.gateway)
        .Text("primary_dns", v.primary_dns)
        .Text("secondary_dns", v.secondary_dns);
  } else if (what == "folders") {
    const auto v = device::ShowFileServer(page);
    for (const auto& f : v.shared) human += Printable(f) + "  (shared)\n";
    for (const auto& f : v.folders) human += Printable(f) + "\n";
    json.Texts("shared", v.shared).Texts("not_shared", v.folders);
  } else if (what == "ftp") {
    const auto v = device::ShowFtpServer(page);
    const std::string home = v.home ? v.homes[static_cast<std::size_t>(*v.home)] : "";
    human = std::string("FTP service:    ") + OnOff(v.enabled) +
            "\nPort:           " + Printable(v.port) + "\nAnonymous:      " + OnOff(v.anonymous) +
            (v.anonymous_read_only ? ", read only" : ", read/write") +
            "\nHome folder:    " + Printable(home) + "\nAccounts:\n";
    std::string accounts = "[";
    for (std::size_t i = 0; i < v.accounts.size(); ++i) {
      const auto& a = v.accounts[i];
      human += "  " + Printable(a.name) + "  " + Printable(device::AccountWord(a.access)) + "  " +
               Printable(device::AccountWord(a.state)) + "\n";
      accounts +=
          std::string(i ? ", " : "") +
          JsonObject().Text("name", a.name).Text("access", a.access).Text("state", a.state).Json();
    }
    json.Bool("enabled", v.enabled)
        .NumberOrText("port", v.port)
        .Bool("anonymous", v.anonymous)
        .Bool("anonymous_read_only", v.anonymous_read_only)
        .Text("home", home)
        .Raw("accounts", accounts + "]");
  } else {
    const auto v = device::ShowDisk(page);
    const auto messages = device::Lines(v.scan_messages);
    human = "Sleep time:     " + Printable(v.sleep_minutes) + " min\nScan messages:\n";
    for (const auto& line : messages) human += Printable(line) + "\n";
    json.NumberOrText("sleep_minutes", v.sleep_minutes).Texts("scan_messages", messages);
  }
  out_.Result(human, json);
}

void Ctl::Language() {
  NoMoreThan(3);
  const std::optional<std::string> which = OptionalArg(2);
  const auto languages = device::ShowStatus(Page()).languages;
  if (!which) {
    std::string human;
    for (std::size_t i = 0; i < languages.size(); ++i)
      human += std::to_string(i) + "  " + Printable(languages[i]) + "\n";
    return out_.Result(human, JsonObject().Texts("languages", languages));
  }
  int index = -1;
  for (std::size_t i = 0; i < languages.size(); ++i) {
    if (device::SameButCase(languages[i], *which)) index = static_cast<int>(i);
  }
  if (index < 0 && !which->empty() && which->find_first_not_of("0123456789") == std::string::npos &&
      which->size() < 4)
    index = std::stoi(*which);
  if (index < 0 || index >= static_cast<int>(languages.size()))
    Refuse("the device offers no language " + Printable(*which) +
           "; it offers: " + Joined(languages));
  Send(device::SetLanguage(Ip(), index));
  Verify([&](const std::string& page) { return device::ShowStatus(page).language == index; });
  Done(device::LanguageSetNote().text);
}

void Ctl::Time() {
  const auto date = Flag("--date"), time = Flag("--time"), sntp = Flag("--sntp"),
             server = Flag("--server"), zone = Flag("--zone");
  NoMoreThan(2);
  // Everything given is checked before the device is asked.
  auto split = [](const std::string& text, char by, device::Entry* a, device::Entry* b,
                  device::Entry* c) {
    const auto one = text.find(by), two = text.find(by, one == std::string::npos ? one : one + 1);
    if (one == std::string::npos || two == std::string::npos)
      Usage("cannot read " + text + (by == '/' ? " as Y/M/D" : " as H:M:S"));
    *a = device::Entry(text.substr(0, one));
    *b = device::Entry(text.substr(one + 1, two - one - 1));
    *c = device::Entry(text.substr(two + 1));
  };
  if (sntp && *sntp != "on" && *sntp != "off") Usage("--sntp takes on or off");
  std::optional<int> zone_index;
  if (zone) {
    try {
      zone_index = device::ToInteger(*zone) + 12;
    } catch (const device::ConversionError&) {
    }
    if (!zone_index || *zone_index < 0 || *zone_index > 24)
      Usage("--zone takes hours from -12 to 12");
  }
  // What is not given stays as the device has it, and goes back whole.
  const auto v = device::ShowStatus(Page());
  if (v.reached == device::StatusView::kTime && !zone) Fail(kFailed, v.failure);
  device::DateTime when{{v.year, false}, {v.month, false},  {v.day, false},
                        {v.hour, false}, {v.minute, false}, {v.second, false}};
  if (date) split(*date, '/', &when.year, &when.month, &when.day);
  if (time) split(*time, ':', &when.hour, &when.minute, &when.second);
  const bool automatic = sntp ? *sntp == "on" : v.sntp_auto;
  bool from_list = v.server_from_list;
  std::string listed = device::kTimeServers[v.listed_server];
  device::Entry manual(v.manual_server, false);
  if (server) {
    const auto* it =
        std::find(std::begin(device::kTimeServers), std::end(device::kTimeServers), *server);
    from_list = it != std::end(device::kTimeServers);
    if (from_list)
      listed = *server;
    else
      manual = device::Entry(*server);
  }
  const int zone_to = zone_index.value_or(v.zone.value_or(12));
  Carry(device::SetDateAndTime(Ip(), when, automatic, from_list, listed, manual, zone_to));
  Verify([&](const std::string& page) {
    const auto now = device::ShowStatus(page);
    const std::string shown =
        now.server_from_list ? device::kTimeServers[now.listed_server] : now.manual_server;
    return now.sntp_auto == automatic && now.zone == zone_to &&
           shown == (from_list ? listed : manual.text);
  });
  Done("Date and time set.");
}

void Ctl::Address() {
  const std::string& kind = Arg(2, "auto or static");
  device::AddressSettings settings;
  if (kind == "auto") {
    NoMoreThan(3);
    settings.automatic = true;
  } else if (kind == "static") {
    NoMoreThan(8);
    settings.ip = Arg(3, "IP");
    settings.mask = Arg(4, "MASK");
    if (args_.size() > 5) settings.gateway = args_[5];
    if (args_.size() > 6) settings.primary_dns = args_[6];
    if (args_.size() > 7) settings.secondary_dns = args_[7];
  } else {
    Usage("address auto, or address static IP MASK [GATEWAY [DNS1 [DNS2]]]");
  }
  Precheck(device::SetAddress({}, settings));
  // Found again after an automatic address by the name and group it has.
  if (settings.automatic && options_.wait && name_.empty()) {
    const auto v = device::ShowStatus(Page());
    name_ = v.host;
    group_ = v.group;
  }
  Carry(device::SetAddress(Ip(), settings));
  if (!settings.automatic) session_.address = settings.ip;
  if (options_.wait) WaitForDevice(settings.automatic ? Return::Elsewhere : Return::AtNewAddress);
  Done(settings.automatic && !options_.wait
           ? "The device takes an address from the network; find it again with brevane-scan."
           : "The device answers at " + session_.address + ".");
}

void Ctl::Upload() {
  const std::string path = Arg(2, "FILE");
  NoMoreThan(3);
  // The file is checked before anything is asked or sent; for several
  // devices, once for all of them.
  std::optional<net::THttpDataStream> own;
  if (shared_ == nullptr || shared_->firmware == nullptr) own.emplace(FirmwareImage(path));
  const net::THttpDataStream& body = own ? *own : *shared_->firmware;
  Confirm(device::ConfirmFlash());
  net::UploadClient upload;
  upload.UserName = session_.user;
  upload.Referer = device::UploadReferer(Ip());
  upload.Password = session_.password;
  upload.ContentType = body.ContentType();
  std::exception_ptr error;
  try {
    // Progress only for a person watching.
    std::optional<UploadProgress> progress;
    if (!out_.json() && shared_ == nullptr && os::ErrorIsTerminal())
      progress.emplace(session_.address);
    net::MemoryStream reply;
    upload.Post(device::UploadUrl(session_.address), body, reply);
  } catch (...) {
    error = std::current_exception();
  }
  Judged(device::JudgeUpload(error), path);
  // The image the device holds, named by its bytes where it was sent from a
  // copy; and said when the file is no longer that image.
  const net::SentFile& image = *body.Files().front();
  std::string held;
  JsonObject result;
  if (image.Copied()) {
    result.Text("sha256", image.Sha256());
    if (!image.OriginalUnchanged())
      held = "\nThe device holds " + Printable(path) + " as it was read at the start (SHA-256 " +
             image.Sha256() + "); the file has changed since.";
  }
  // (Without a terminal, --yes was given for the flash already.)
  if (!options_.yes && !AskYes(Asked(device::ConfirmRestartAfterUpload().text))) {
    const std::string said =
        "The image is stored on the device; it takes it at its next restart (brevane-ctl " +
        session_.address + " reboot)." + held;
    return out_.Result(said + "\n", result.Text("said", said));
  }
  Send(device::Restart(session_.address));
  if (options_.wait) WaitForDevice(Return::AfterRestart);
  const std::string said = Translate("Firmware Upload Successful.") + held;
  out_.Result(said + "\n", result.Text("said", said));
}

// Ends the upload unless the device took the image, saying what became of
// it: refused (and why), no answer, or failed. Nothing is restarted then.
void Ctl::Judged(const device::UploadVerdict& verdict, const std::string& path) {
  using device::UploadOutcome;
  // A device's words, or the system's, on one line.
  std::string said = verdict.said;
  for (auto at = said.find("\r\n"); at != std::string::npos; at = said.find("\r\n", at))
    said.replace(at, 2, ": ");
  said = Printable(said.substr(0, 256));
  const std::string not_restarted = " The device was not restarted.";
  switch (verdict.outcome) {
    case UploadOutcome::Accepted:
      return;
    case UploadOutcome::LoginFailed:
      FailOutcome(device::Outcome::LoginFailed);
    case UploadOutcome::Refused:
      if (verdict.failure_page)
        Refuse("The device refused the image: it answered with its failure page (" +
               Printable(verdict.location) + ").");
      if (verdict.status >= 300 && verdict.status <= 399)
        Refuse("The device refused the image: it answered with another page (" +
               (verdict.location.empty() ? "none named" : Printable(verdict.location)) +
               "), not the upload's answer page.");
      Refuse("The device refused the image (HTTP " + said + ").");
    case UploadOutcome::Answered:
      Refuse(
          "The device answered without its redirect: it did not take the image as a device "
          "takes one.");
    case UploadOutcome::TooLarge:
      Refuse(Translate("Kernel Size is too large.") +
             (verdict.status == 413
                  ? " (HTTP " + said + ")"
                  : " The device ended the connection while the image was still going out."));
    case UploadOutcome::FileChanged:
      Fail(kFailed, Translate("The firmware file changed while it was sent:") + " " +
                        Printable(path) + "." + not_restarted);
    case UploadOutcome::NoAnswer:
      Fail(kNoAnswer, "The device did not answer the upload (" + said + ")." + not_restarted);
    case UploadOutcome::Failed:
      break;
  }
  Fail(kFailed, "The upload failed (" + said + ")." + not_restarted);
}

net::THttpDataStream FirmwareImage(const std::string& path, bool copied) {
  try {
    return device::FirmwareForm(path, copied);
  } catch (const std::exception& e) {
    Fail(kFailed, e.what());
  }
}

void Ctl::Restart(bool reset) {
  if (reset) {
    Confirm(device::ConfirmFactoryReset());
    Ip();
    // Reset, the device takes its factory login only: the session takes it.
    const device::FactoryResetSubmissions sent = device::ResetToFactory(client_, session_);
    if (sent.outcome() != device::Outcome::Done) FailOutcome(sent.outcome());
  } else {
    Send(device::Restart(Ip()));
  }
  if (options_.wait) WaitForDevice(Return::AfterRestart);
  Done();
}

}  // namespace ctl
