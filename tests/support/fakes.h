#pragma once

// Fakes of the platform services for tests: each records every call and
// answers from a script.

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "desktop/services.h"

namespace desktop::fakes {

struct ShownMessage {
  std::string text;
  std::string title;
  MsgIcon icon;
  MsgButtons buttons;
};

// Boxes answered at once, in the call that opens them, from a script.
class FakeMessageBoxes : public MessageBoxService {
 public:
  void Open(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
            Answered answered) override;

  std::vector<ShownMessage> shown;
  // Answers given in order; Ok once they run out.
  std::deque<MsgResult> answers;
  // Runs as the box opens, before it is answered.
  std::function<void(const ShownMessage&)> on_show;
};

// The file dialog: answers at once with `answers` in order (nothing:
// cancelled).
class FakeFileDialog : public FileDialogService {
 public:
  void Open(const std::string& filter, Picked picked) override;
  std::vector<std::string> filters;  // one per showing
  std::deque<std::optional<std::string>> answers;
};

// State shared by the fake transports a test's windows create.
struct FakeNetwork {
  struct Sent {
    std::uint16_t port;
    std::string bytes;
  };
  std::vector<std::uint16_t> opened_ports;
  std::vector<Sent> broadcasts;
  std::optional<int> fail_open;  // socket error number to raise from Open
  std::optional<int> fail_send;  // socket error number to raise from SendBroadcast
  DatagramTransport::Receiver receiver;
  // The connection probe of an address a drive may move from: those in
  // `answering` take the connection; every address probed is recorded.
  std::set<std::string> answering;
  std::vector<std::string> probed;

  // Hands a datagram to the window as the receive thread would.
  void Deliver(const std::string& bytes, const std::string& sender_ip);
};

class FakeDatagramTransport : public DatagramTransport {
 public:
  explicit FakeDatagramTransport(std::shared_ptr<FakeNetwork> network)
      : network_(std::move(network)) {}
  ~FakeDatagramTransport() override;
  void Open(std::uint16_t port, Receiver receiver) override;
  void SendBroadcast(std::uint16_t port, const std::string& bytes) override;

 private:
  std::shared_ptr<FakeNetwork> network_;
};

class FakeUrlOpener : public UrlOpener {
 public:
  bool Open(const std::string& url) override {
    opened.push_back(url);
    return handled;
  }
  std::vector<std::string> opened;
  bool handled = true;  // whether a program takes the URL
};

class FakeAdapters : public AdapterList {
 public:
  std::vector<Adapter> Adapters() override {
    std::vector<Adapter> all = more;
    if (first) all.insert(all.begin(), *first);
    return all;
  }
  std::optional<Adapter> first = Adapter{"192.168.1.20", "255.255.255.0"};
  std::vector<Adapter> more;  // after the first
};

// Drive letters and connections from a script.
class FakeDrives : public NetworkDrives {
 public:
  struct Connection {
    NetResource resource;
    std::string password;
  };
  struct Mapping {
    std::string drive, remote_name, password;
  };

  DriveType GetDriveType(const std::string& root_path) override;
  std::optional<std::string> GetConnection(const std::string& drive) override;
  int AddConnection(const NetResource& resource, const std::string& password) override;
  void UseShare(const std::string& remote_name, const std::string& password) override {
    used.push_back({"", remote_name, password});
  }
  int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                           const std::string& password) override {
    mapped.push_back({drive, remote_name, password});
    return map_result;
  }
  int map_result = 0;  // what MapDrivePersistently answers
  std::string DrivePlace(const std::string& drive) override {
    return places_dir.empty() ? std::string() : places_dir + "/" + drive.substr(0, 1);
  }
  std::string places_dir;  // where the letters' folders are; none by default

  // Drives with their devices; a move points the drive at the new address.
  std::vector<DriveRecord> ListDrives() override { return kept; }
  int MoveDrive(const std::string& drive, const device::Trusted& to) override {
    const std::string& address = to.address();
    moves.push_back(drive + " " + address);
    for (auto& d : kept)
      if (d.drive == drive && move_result == 0)
        d.remote_name = "\\\\" + address + d.remote_name.substr(d.remote_name.find('\\', 2));
    return move_result;
  }
  std::vector<DriveRecord> kept;
  std::vector<std::string> moves;  // "Z: address"
  int move_result = 0;

  std::map<char, DriveType> types;        // by upper-case letter; others: NoRootDir
  std::map<char, std::string> connected;  // letter -> remote name
  std::vector<std::string> type_queries;  // root paths asked about
  std::vector<Connection> connections;    // every AddConnection
  std::vector<Mapping> used, mapped;
  // Result of AddConnection by remote name; 0 for those not listed.
  std::map<std::string, int> results;
  // Folders that need a password (86 unless it matches).
  std::map<std::string, std::string> passwords;
};

class FakeProcess : public ProcessControl {
 public:
  void Exit(int status) override { exits.push_back(status); }
  std::vector<int> exits;
};

// A device answering page reads and console commands from a script.
struct FakeDevice {
  struct PageRequest {
    std::string address, user, password, path;
  };
  struct Command {
    std::string url, user, password, referer;
  };
  struct Upload {
    std::string url, user, password, referer, content_type;
    std::string body;
  };

  // Page reads: `replies` first, in order; then the status page `page`
  // with `status`.
  std::string page;
  int status = 200;
  std::deque<net::PageReply> replies;
  // When above 0, each page read waits this long, as for a device that
  // never answers, and brings nothing; a cancel ends the wait at once.
  int silent_ms = 0;
  std::vector<PageRequest> page_requests;
  net::PageReply ReadPage(const std::string& address, const std::string& user,
                          const std::string& password, const std::string& path);

  // Commands: each GET is recorded and answered with the next of
  // `headers` (a redirect to the answer page the command names, as a device
  // answers, once they run out; a header with a Location redirects there,
  // and that page then comes with a plain 200); `failing_gets` GETs
  // fail first. The probe connects while `reachable`.
  std::vector<Command> commands;
  std::deque<std::string> headers;
  int failing_gets = 0;
  // GETs refused before anything is sent (not recorded).
  int refused_gets = 0;
  bool reachable = true;
  int probes = 0;
  // Runs at each GET, before it is answered, as the device applying it.
  std::function<void(const std::string& url)> on_command;

  // Uploads: each POST is recorded; `upload_failure` is raised as the
  // client's error, else the POST returns normally.
  std::vector<Upload> uploads;
  std::optional<net::UploadError> upload_failure;

  std::vector<std::string> CommandUrls() const;
};

class FakeCommandClient : public net::CommandClient {
 public:
  explicit FakeCommandClient(std::shared_ptr<FakeDevice> device) : device_(std::move(device)) {}
  void Get(const std::string& url) override;
  void Connect() override;
  void Disconnect() override { IsConnected = false; }

 private:
  std::shared_ptr<FakeDevice> device_;
};

class FakeUploadClient : public net::UploadClient {
 public:
  explicit FakeUploadClient(std::shared_ptr<FakeDevice> device) : device_(std::move(device)) {}
  void Post(const std::string& url, const net::UploadBody& body, net::MemoryStream& reply) override;

 private:
  std::shared_ptr<FakeDevice> device_;
};

// What a test talks to: the scripted device below, or real devices (in the
// test LAN) through the real page reader and HTTP clients.
enum class Devices { Scripted, Real };

// Installs a full set of fakes for its lifetime and restores what was there.
// Device work done where it is asked for, at once: an action that awaits
// it goes on without suspending, so a test sees its whole end when the
// handler returns. (Tests of the waits themselves install the program's
// own runner, ui::ThreadRunner.)
class InlineWork : public WorkRunner {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    work();
    done();
  }
};

// Device work held until the test ends it: the action that asked for it
// waits meanwhile, as on a slow device, and the test decides when and in
// which order each piece ends.
class HeldWork : public WorkRunner {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    held.push_back({std::move(work), std::move(done)});
  }
  // Ends the piece at `index` (0: the oldest): its work, then its end on
  // the window thread.
  void End(std::size_t index = 0) {
    auto piece = std::move(held.at(index));
    held.erase(held.begin() + static_cast<std::ptrdiff_t>(index));
    piece.first();
    piece.second();
  }
  // Ends the pieces in order, those they bring included.
  void EndAll() {
    while (!held.empty()) End();
  }
  std::deque<std::pair<std::function<void()>, std::function<void()>>> held;
};

class FakePlatform {
 public:
  explicit FakePlatform(Devices devices = Devices::Scripted);
  ~FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  std::shared_ptr<FakeMessageBoxes> messages = std::make_shared<FakeMessageBoxes>();
  std::shared_ptr<FakeFileDialog> files = std::make_shared<FakeFileDialog>();
  std::shared_ptr<FakeNetwork> network = std::make_shared<FakeNetwork>();
  std::shared_ptr<FakeUrlOpener> urls = std::make_shared<FakeUrlOpener>();
  std::shared_ptr<FakeAdapters> adapters = std::make_shared<FakeAdapters>();
  std::shared_ptr<FakeDrives> drives = std::make_shared<FakeDrives>();
  std::shared_ptr<FakeProcess> process = std::make_shared<FakeProcess>();
  std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
  std::shared_ptr<WorkRunner> work = std::make_shared<InlineWork>();

 private:
  Services previous_;
};

}  // namespace desktop::fakes
