#include "ctl/setup_file.h"

#include "ctl/arguments.h"
#include "ctl/json_value.h"
#include "ctl/output.h"
#include "device/text.h"
#include "scan/scan_output.h"

namespace ctl {

namespace {

[[noreturn]] void Wrong(const std::string& what) {
  Usage("the setup file: " + what);
}

// A member's value as the kind the format gives it; absent, the target
// stays as it is.
class Section {
 public:
  Section(const JsonValue& object, std::string where) : object_(object), where_(std::move(where)) {
    if (!object.IsObject()) Wrong(where_ + " is not an object");
  }
  const JsonValue* Member(const char* key) const { return object_.Find(key); }
  void Read(const char* key, std::string& to) const {
    if (const JsonValue* v = Member(key)) to = Need(v->Text(), key, "text");
  }
  void Read(const char* key, bool& to) const {
    if (const JsonValue* v = Member(key)) to = Need(v->Bool(), key, "true or false");
  }
  void Read(const char* key, int& to, int min, int max) const {
    if (const JsonValue* v = Member(key)) {
      const auto n = v->Integer();
      if (!n || *n < min || *n > max)
        Wrong(where_ + key + " is not a whole number from " + std::to_string(min) + " to " +
              std::to_string(max));
      to = static_cast<int>(*n);
    }
  }
  void Read(const char* key, std::vector<std::string>& to) const {
    const JsonValue* v = Member(key);
    if (v == nullptr) return;
    if (!v->IsArray()) Wrong(where_ + key + " is not a list");
    to.clear();
    for (const JsonValue& item : v->Items()) to.push_back(Need(item.Text(), key, "texts"));
  }

 private:
  template <typename T>
  T Need(const std::optional<T>& value, const char* key, const char* kind) const {
    if (!value) Wrong(where_ + key + " is not " + kind);
    return *value;
  }
  const JsonValue& object_;
  std::string where_;
};

// The device's own entry of that name, as the device compares names.
template <typename T>
std::optional<T> Existing(const std::vector<T>& items, const std::string& name) {
  for (const T& item : items)
    if (device::SameButCase(item.name, name)) return item;
  return std::nullopt;
}

// The folders of a file, each laid over the device's folder of its name.
std::vector<device::FolderSetup> ReadFolders(const JsonValue& v,
                                             const std::vector<device::FolderSetup>& base) {
  if (!v.IsArray()) Wrong("folders is not a list");
  std::vector<device::FolderSetup> folders;
  for (const JsonValue& item : v.Items()) {
    const Section f(item, "folders[].");
    std::string name;
    f.Read("name", name);
    if (name.empty()) Wrong("a folder without a name");
    // What the file leaves out of a folder stays as the device has it.
    device::FolderSetup folder = Existing(base, name).value_or(device::FolderSetup{});
    folder.name = name;
    f.Read("shared", folder.shared);
    f.Read("protected", folder.secured);
    if (Existing(folders, name)) Wrong("the folder " + scan::Printable(name) + " comes twice");
    folders.push_back(folder);
  }
  return folders;
}

// The accounts of a file, each laid over the device's account of its
// name; a new account without folders gets none.
std::vector<device::AccountSetup> ReadAccounts(const JsonValue& v,
                                               const std::vector<device::AccountSetup>& base) {
  if (!v.IsArray()) Wrong("accounts is not a list");
  std::vector<device::AccountSetup> accounts;
  for (const JsonValue& item : v.Items()) {
    const Section a(item, "accounts[].");
    std::string name;
    a.Read("name", name);
    if (name.empty()) Wrong("an account without a name");
    device::AccountSetup account = Existing(base, name).value_or(device::AccountSetup{});
    account.name = name;
    a.Read("enabled", account.enabled);
    a.Read("read_only", account.read_only);
    if (a.Member("folders") != nullptr) {
      a.Read("folders", account.folders);
      account.folders_known = true;
    }
    if (Existing(accounts, name)) Wrong("the account " + scan::Printable(name) + " comes twice");
    accounts.push_back(account);
  }
  return accounts;
}

}  // namespace

std::string SetupJson(const device::Setup& s) {
  std::string folders, accounts;
  for (const auto& f : s.folders)
    folders += std::string(folders.empty() ? "\n  " : ",\n  ") + JsonObject()
                                                                     .Text("name", f.name)
                                                                     .Bool("shared", f.shared)
                                                                     .Bool("protected", f.secured)
                                                                     .Json();
  for (const auto& a : s.accounts)
    accounts +=
        std::string(accounts.empty() ? "\n  " : ",\n  ") + JsonObject()
                                                               .Text("name", a.name)
                                                               .Bool("enabled", a.enabled)
                                                               .Bool("read_only", a.read_only)
                                                               .Texts("folders", a.folders)
                                                               .Json();
  const auto& ip = s.address;
  return "{\"brevane_setup\": " + std::to_string(kSetupVersion) +
         ",\n\"names\": " + JsonObject().Text("host", s.host).Text("group", s.group).Json() +
         ",\n\"time\": " +
         JsonObject()
             .Bool("sntp", s.sntp)
             .Text("server", s.time_server)
             .Number("zone", s.zone)
             .Json() +
         ",\n\"language\": " + scan::JsonString(s.language) +
         ",\n\"dhcp_server\": " + (s.dhcp_server ? "true" : "false") + ",\n\"address\": " +
         JsonObject()
             .Bool("automatic", ip.automatic)
             .Text("ip", ip.ip)
             .Text("mask", ip.mask)
             .Text("gateway", ip.gateway)
             .Text("primary_dns", ip.primary_dns)
             .Text("secondary_dns", ip.secondary_dns)
             .Json() +
         ",\n\"folders\": [" + folders + "\n]" + ",\n\"ftp\": " +
         JsonObject()
             .Bool("enabled", s.ftp)
             .Text("port", s.ftp_port)
             .Bool("anonymous", s.anonymous)
             .Bool("anonymous_read_only", s.anonymous_read_only)
             .Text("anonymous_home", s.anonymous_home)
             .Json() +
         ",\n\"accounts\": [" + accounts +
         "],\n\"disk\": " + JsonObject().Number("sleep_minutes", s.sleep_minutes).Json() + "}\n";
}

device::Setup ReadSetup(const std::string& text, const device::Setup& base) {
  JsonValue file;
  try {
    file = JsonValue::Parse(text);
  } catch (const std::exception& e) {
    Wrong(e.what());
  }
  const Section top(file, "");
  int version = 0;
  if (top.Member("brevane_setup") == nullptr) Wrong("no \"brevane_setup\" version: not a setup");
  top.Read("brevane_setup", version, 1, 1 << 20);
  if (version > kSetupVersion)
    Wrong("version " + std::to_string(version) + " is newer than this brevane-ctl reads (" +
          std::to_string(kSetupVersion) + ")");
  device::Setup s = base;
  if (const JsonValue* v = top.Member("names")) {
    const Section names(*v, "names.");
    names.Read("host", s.host);
    names.Read("group", s.group);
  }
  if (const JsonValue* v = top.Member("time")) {
    const Section time(*v, "time.");
    time.Read("sntp", s.sntp);
    time.Read("server", s.time_server);
    time.Read("zone", s.zone, -12, 12);
  }
  top.Read("language", s.language);
  top.Read("dhcp_server", s.dhcp_server);
  if (const JsonValue* v = top.Member("address")) {
    const Section a(*v, "address.");
    a.Read("automatic", s.address.automatic);
    a.Read("ip", s.address.ip);
    a.Read("mask", s.address.mask);
    a.Read("gateway", s.address.gateway);
    a.Read("primary_dns", s.address.primary_dns);
    a.Read("secondary_dns", s.address.secondary_dns);
  }
  if (const JsonValue* v = top.Member("folders")) s.folders = ReadFolders(*v, base.folders);
  if (const JsonValue* v = top.Member("ftp")) {
    const Section ftp(*v, "ftp.");
    ftp.Read("enabled", s.ftp);
    ftp.Read("port", s.ftp_port);
    ftp.Read("anonymous", s.anonymous);
    ftp.Read("anonymous_read_only", s.anonymous_read_only);
    ftp.Read("anonymous_home", s.anonymous_home);
  }
  if (const JsonValue* v = top.Member("accounts")) s.accounts = ReadAccounts(*v, base.accounts);
  if (const JsonValue* v = top.Member("disk"))
    Section(*v, "disk.").Read("sleep_minutes", s.sleep_minutes, 0, 60);
  return s;
}

}  // namespace ctl
