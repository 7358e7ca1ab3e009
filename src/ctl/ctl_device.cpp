// brevane-ctl's commands on the device as a whole: what it shows, its
// names, password, time, language, address, firmware and restarts.

#include <algorithm>
#include <cctype>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/secrets.h"
#include "ctl/trust.h"
#include "device/disk.h"
#include "device/drives.h"
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
    if (shown_ >= 0) WriteProgress("", -1);
  }
  void Begin(net::Activity, const std::string&) override {}
  void Idle() override {}
  void End() override {}
  void Progress(std::uint64_t done, std::uint64_t total) override {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    WriteProgress(text_, percent);
  }

 private:
  std::string text_;
  int shown_ = -1;
};

}  // namespace

const std::vector<Ctl::Verb>& Ctl::Commands() {
  static const std::vector<Verb> kCommands = {
      {"show", &Ctl::Show, {{{}, 0}, {{"folders"}, 0}}},
      {"name", &Ctl::Name, {{{"{name}", "HOME"}, 0}}},
      {"password", &Ctl::Password, {{{}, kNewPassword}}},
      {"time", &Ctl::Time, {{{"--zone", "3"}, 0}}},
      {"dhcp-server", &Ctl::DhcpServer, {{{"on"}, 0}}},
      {"language", &Ctl::Language, {{{"0"}, 0}}},
      {"address", &Ctl::Address, {{{"static", "{self}", "255.255.255.0"}, 0}}},
      {"upload", &Ctl::Upload, {{{"{image}"}, 0}}},
      {"reboot", &Ctl::Reboot, {{{}, 0}}},
      {"reset", &Ctl::Reset, {{{}, 0}}},
      {"folder", &Ctl::Folder, {{{"password", "PUBLIC"}, kFolderPassword}}},
      {"ftp", &Ctl::Ftp, {{{"account", "password", "amy"}, kAccountPassword}}},
      {"disk", &Ctl::Disk, {{{"sleep", "5"}, 0}}},
      {"backup", &Ctl::Backup, {{{"{file}"}, 0}}},
      {"apply", &Ctl::Apply, {{{"{setup}"}, kFolderPassword | kAccountPassword}}},
  };
  return kCommands;
}

int Ctl::Run() {
  const std::string command = Arg(1, "COMMAND (brevane-ctl DEVICE COMMAND)");
  const auto& commands = Commands();
  const auto entry = std::find_if(commands.begin(), commands.end(),
                                  [&](const Verb& v) { return command == v.word; });
  if (entry == commands.end()) Usage("unknown command " + Printable(command));
  out_.SetSubject(args_[0], NameOfCommand(args_));
  try {
    (this->*entry->run)();
  } catch (Failure& failure) {
    failure.sent = sent_;
    throw;
  } catch (const std::exception& e) {
    throw Failure{kFailed, e.what(), false, sent_};
  }
  return kDone;
}

std::string NameOfCommand(const std::vector<std::string>& words) {
  if (words.size() < 2) return {};
  // The command as results name it: its word, and the word that says what
  // it does where it has one.
  const std::string& command = words[1];
  std::string name = command;
  if ((command == "show" || command == "folder" || command == "ftp" || command == "disk") &&
      words.size() > 2 && words[2].rfind("--", 0) != 0)
    name += " " + words[2];
  if (command == "ftp" && words.size() > 3 && words[2] == "account") name += " " + words[3];
  if (command == "show" && words.size() <= 2) name += " status";
  return name;
}

void Ctl::Name() {
  NoMoreThan(4);
  const device::Entry host(Arg(2, "HOST")), group(Arg(3, "GROUP"));
  Precheck(device::SetIdentification({}, host, group));
  NotTakenElsewhere(device::Trim(host.text), std::nullopt);
  Carry(device::SetIdentification(Ip(), host, group));
  Verify([&](const std::string& page) {
    const auto v = device::ShowStatus(page);
    return v.host == device::Trim(host.text) && v.group == device::Trim(group.text);
  });
  Done();
}

void Ctl::Password() {
  NoMoreThan(2);
  device::Session& session = Login();
  const std::string password = NewPassword("of " + session.user() + " on " + session.address());
  Carry(device::SetAdministratorPassword(Ip(), password, password));
  // The device takes the new password from now on: a read with it shows
  // that it has it.
  session.UseLogin(session.user(), password);
  Page();
  Done();
}

void Ctl::DhcpServer() {
  const bool on = OnOffArg(2);
  NoMoreThan(3);
  Send(device::SetDhcpServer(Ip(), on));
  Verify([&](const std::string& page) { return device::ShowStatus(page).dhcp_server == on; });
  Done();
}

void Ctl::Reboot() {
  NoMoreThan(2);
  Restart(false);
}

void Ctl::Reset() {
  NoMoreThan(2);
  Restart(true);
}

void Ctl::NotTakenElsewhere(const std::optional<std::string>& name,
                            const std::optional<std::string>& address) {
  if (options_.even_if_taken) return;
  const std::string own = Ip();
  if (address && *address == own) return NotTakenElsewhere(name, std::nullopt);
  if (!name && !address) return;
  // One scan shows the names devices answer with, and a device at the
  // address; a host that is no device shows by taking a connection.
  Options asked = options_;
  if (address) asked.where.addresses.push_back(*address);
  const net::DeviceList found = Scanned(asked, "look for devices with that name or address");
  for (const auto& d : found.Devices()) {
    if (d.Ip == own) continue;
    if (name && device::SameButCase(d.DeviceName, *name))
      Refuse("another device answers with the name " + Printable(d.DeviceName) + " at " + d.Ip +
             ": two devices with one name shut each other out. Nothing was sent; give "
             "--even-if-taken to set it all the same.");
    if (address && d.Ip == *address)
      Refuse(Printable(d.DeviceName) + "/" + Printable(d.GroupName) + " answers at " + d.Ip +
             " already. Nothing was sent; give --even-if-taken to set it all the same.");
  }
  if (address && device::StillAnswers(*address))
    Refuse("a host answers at " + *address +
           " already. Nothing was sent; give --even-if-taken to set it all the same.");
}

namespace {

// What `show` prints of one page: for a person, and as JSON.
struct Shown {
  std::string human;
  JsonObject json;
};

Shown ShownStatus(const std::string& page) {
  const auto v = device::ShowStatus(page);
  // A page read only in part is a failure, said once.
  if (!v.failure.empty()) Fail(kFailed, v.failure);
  const std::string zone = v.zone ? device::kTimeZones[*v.zone] : "";
  const std::string server =
      v.server_from_list ? device::kTimeServers[v.listed_server] : v.manual_server;
  const std::string language = v.language ? v.languages[static_cast<std::size_t>(*v.language)] : "";
  Shown shown;
  shown.human =
      "Host name:      " + Printable(v.host) + "\nGroup name:     " + Printable(v.group) +
      "\nTime:           " + Printable(v.current_time) + "\nSNTP:           " + OnOff(v.sntp_auto) +
      "\nTime server:    " + Printable(server) + "\nTime zone:      " + zone +
      "\nIP address:     " + Printable(v.ip) + "\nMAC address:    " + Printable(v.mac) +
      "\nDHCP server:    " + OnOff(v.dhcp_server) + "\nFirmware:       " + Printable(v.firmware) +
      "\nDisk:           " + Printable(device::Trim(v.disk_id)) +
      "\nFree size:      " + Printable(v.free_size) +
      "\nTotal size:     " + Printable(device::Trim(v.total_size)) +
      "\nLanguage:       " + Printable(language) + "\nLanguages:      " + Joined(v.languages) +
      "\n";
  JsonObject& json = shown.json;
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
  return shown;
}

Shown ShownIp(const std::string& page) {
  const auto v = device::ShowIpConfig(page);
  Shown shown;
  shown.human = std::string("Address:        ") + (v.automatic ? "automatic" : "static") +
                "\nIP address:     " + Printable(v.ip) + "\nSubnet mask:    " + Printable(v.mask) +
                "\nGateway:        " + Printable(v.gateway) +
                "\nPrimary DNS:    " + Printable(v.primary_dns) +
                "\nSecondary DNS:  " + Printable(v.secondary_dns) + "\n";
  shown.json.Bool("automatic", v.automatic)
      .Text("ip_address", v.ip)
      .Text("subnet_mask", v.mask)
      .Text("gateway", v.gateway)
      .Text("primary_dns", v.primary_dns)
      .Text("secondary_dns", v.secondary_dns);
  return shown;
}

Shown ShownFolders(const std::string& page) {
  const auto v = device::ShowFileServer(page);
  Shown shown;
  for (const auto& f : v.shared) shown.human += Printable(f) + "  (shared)\n";
  for (const auto& f : v.folders) shown.human += Printable(f) + "\n";
  shown.json.Texts("shared", v.shared).Texts("not_shared", v.folders);
  return shown;
}

Shown ShownFtp(const std::string& page) {
  const auto v = device::ShowFtpServer(page);
  const std::string home = v.home ? v.homes[static_cast<std::size_t>(*v.home)] : "";
  Shown shown;
  shown.human = std::string("FTP service:    ") + OnOff(v.enabled) +
                "\nPort:           " + Printable(v.port) +
                "\nAnonymous:      " + OnOff(v.anonymous) +
                (v.anonymous_read_only ? ", read only" : ", read/write") +
                "\nHome folder:    " + Printable(home) + "\nAccounts:\n";
  std::string accounts = "[";
  for (std::size_t i = 0; i < v.accounts.size(); ++i) {
    const auto& a = v.accounts[i];
    shown.human += "  " + Printable(a.name) + "  " + Printable(device::AccountWord(a.access)) +
                   "  " + Printable(device::AccountWord(a.state)) + "\n";
    accounts +=
        std::string(i ? ", " : "") +
        JsonObject().Text("name", a.name).Text("access", a.access).Text("state", a.state).Json();
  }
  shown.json.Bool("enabled", v.enabled)
      .NumberOrText("port", v.port)
      .Bool("anonymous", v.anonymous)
      .Bool("anonymous_read_only", v.anonymous_read_only)
      .Text("home", home)
      .Raw("accounts", accounts + "]");
  return shown;
}

Shown ShownDisk(const std::string& page) {
  const auto v = device::ShowDisk(page);
  const auto messages = device::Lines(v.scan_messages);
  Shown shown;
  shown.human = "Sleep time:     " + Printable(v.sleep_minutes) + " min\nScan messages:\n";
  for (const auto& line : messages) shown.human += Printable(line) + "\n";
  shown.json.NumberOrText("sleep_minutes", v.sleep_minutes).Texts("scan_messages", messages);
  return shown;
}

}  // namespace

void Ctl::Show() {
  const std::string what = OptionalArg(2).value_or("status");
  NoMoreThan(3);
  static const std::pair<const char*, Shown (*)(const std::string&)> kPages[] = {
      {"status", ShownStatus}, {"ip", ShownIp},     {"folders", ShownFolders},
      {"ftp", ShownFtp},       {"disk", ShownDisk},
  };
  const auto* page = std::find_if(std::begin(kPages), std::end(kPages),
                                  [&](const auto& p) { return what == p.first; });
  if (page == std::end(kPages)) Usage("show what? status, ip, folders, ftp or disk");
  const Shown shown = page->second(Page());
  out_.Result(shown.human, shown.json);
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
  if (!settings.automatic) NotTakenElsewhere(std::nullopt, settings.ip);
  // Found again after an automatic address by the name and group it has.
  if (settings.automatic && options_.wait && name_.empty()) {
    const auto v = device::ShowStatus(Page());
    name_ = v.host;
    group_ = v.group;
  }
  Carry(device::SetAddress(Ip(), settings));
  Moved(settings);
}

void Ctl::Moved(const device::AddressSettings& settings) {
  // A fixed address is the person's own; one from the network is found by
  // discovery, and nothing more is sent there.
  if (!settings.automatic) Login().MoveTo(device::Trusted::Chosen(settings.ip));
  std::string at = Ip();
  if (options_.wait)
    at = WaitForDevice(settings.automatic ? Return::Elsewhere : Return::AtNewAddress);
  Done(settings.automatic && !options_.wait
           ? "The device takes an address from the network; find it again with brevane-scan."
           : "The device answers at " + at + ".");
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
  // Both questions before the image goes: the restart's answer is kept.
  const bool restart = options_.yes || AskYes(Asked(device::ConfirmRestartAfterUpload().text));
  const device::Session& session = Login();
  net::UploadClient upload;
  upload.UserName = session.user();
  upload.Referer = device::UploadReferer(session.address());
  upload.Password = session.password();
  upload.ContentType = body.ContentType();
  std::exception_ptr error;
  try {
    // Progress only for a person watching.
    std::optional<UploadProgress> progress;
    if (!out_.json() && shared_ == nullptr && os::ErrorIsTerminal())
      progress.emplace(session.address());
    net::MemoryStream reply;
    ++sent_;
    upload.Post(device::UploadUrl(session.address()), body, reply);
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
  if (!restart) {
    const std::string said =
        "The image is stored on the device; it takes it at its next restart (brevane-ctl " +
        session.address() + " reboot)." + held;
    return out_.Result(said + "\n", result.Text("said", said));
  }
  Send(device::Restart(session.address()));
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
    // Reset, the device takes its factory login only: the session takes it.
    device::Session& session = Login();
    ++sent_;
    const device::FactoryResetSubmissions sent = device::ResetToFactory(client_, session);
    if (sent.outcome() != device::Outcome::Done) FailOutcome(sent.outcome());
  } else {
    Send(device::Restart(Ip()));
  }
  if (options_.wait) WaitForDevice(Return::AfterRestart);
  Done();
}

}  // namespace ctl
