#pragma once

// The program's seams to the operating system and the toolkit. Windows reach
// the system only through these services, so tests install fakes and a port
// to another system adds one implementation.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/drives.h"
#include "device/trust.h"
#include "net/command_client.h"
#include "net/page_reader.h"
#include "net/udp_socket.h"
#include "net/upload_client.h"
#include "net/waiting.h"

namespace desktop {

enum class MsgIcon { None, Information, Question, Warning, Error };
// YesNoDefaultNo: a question whose safe answer is No, which Enter gives.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoDefaultNo };
// Ok stands for the box's yes (OK or Yes), Cancel for its no (Cancel or No).
enum class MsgResult { Ok, Cancel };

// Message boxes without an owner window. A box opens and the caller goes
// on; the button pressed comes to `answered` on the window thread (at once
// from a box that answers itself). core::Ask awaits it in an action.
class MessageBoxService {
 public:
  using Answered = std::function<void(MsgResult)>;
  virtual ~MessageBoxService() = default;
  virtual void Open(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons, Answered answered) = 0;
};

// The discovery socket: bound to a UDP port on all local addresses with
// broadcast on. Received datagrams are delivered on the GUI thread, one at a
// time, in arrival order.
class DatagramTransport {
 public:
  using Receiver = std::function<void(const net::Datagram&)>;
  virtual ~DatagramTransport() = default;
  // Throws net::SocketError when the port cannot be bound.
  virtual void Open(std::uint16_t port, Receiver receiver) = 0;
  // Sends one datagram to 255.255.255.255:`port`; throws net::SocketError.
  virtual void SendBroadcast(std::uint16_t port, const std::string& bytes) = 0;
};

// The file-open dialog: an existing file picked by the user, or nothing
// when the dialog is cancelled, to `picked` on the window thread. `filter`
// names the files offered, such as "bin file (*.bin)". The dialog opens
// files for reading only, and never waits: core::PickFile awaits it.
class FileDialogService {
 public:
  using Picked = std::function<void(std::optional<std::string>)>;
  virtual ~FileDialogService() = default;
  virtual void Open(const std::string& filter, Picked picked) = 0;
};

// Where the windows' device work runs: away from the window thread, so the
// windows never wait inside a wait.
class WorkRunner {
 public:
  virtual ~WorkRunner() = default;
  // Runs `work` off the window thread, then `done` on it (unless the
  // program ends first).
  virtual void Run(std::function<void()> work, std::function<void()> done) = 0;
};

// Opens a URL with the desktop's default handler; false when no program
// took it.
class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  virtual bool Open(const std::string& url) = 0;
};

// Ends the process with the given status, without asking any window.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  virtual void Exit(int status) = 0;
};

// One of the workstation's own addresses, for the subnet check.
struct Adapter {
  std::string ip;    // dotted IPv4 text
  std::string mask;  // dotted IPv4 text
};

// The network adapter list.
class AdapterList {
 public:
  virtual ~AdapterList() = default;
  // Every IPv4 address of the adapters that are up, loopback left out.
  virtual std::vector<Adapter> Adapters() = 0;
};

// Network drives: drive letters D to Z standing for shares of a device.
enum class DriveType {
  Unknown = 0,    // cannot be determined
  NoRootDir = 1,  // nothing there
  Removable = 2,
  Fixed = 3,
  Remote = 4,  // a connected network share
  CdRom = 5,
  RamDisk = 6,
};

// What a connection request names (the network provider's resource record).
struct NetResource {
  int scope = 0;  // 2: the global network (a probe), 3: remembered
  int type = 1;   // 1: disk
  int display_type = 0;
  int usage = 1;                          // 1: connectable
  std::optional<std::string> local_name;  // "Z:", or none
  std::string remote_name;                // \\address\folder
  std::optional<std::string> comment;
  std::optional<std::string> provider;
};

// Connection results the drive dialog knows (0 is success).
namespace drive_error {
inline constexpr int kAccessDenied = 5;
inline constexpr int kBadNetName = 67;
inline constexpr int kAlreadyAssigned = 85;
inline constexpr int kInvalidPassword = 86;
// The drive letter cannot be made: "The value specified by Disk Number is invalid."
inline constexpr int kBadDevice = 1200;
// The device answers, but its share service does not take the connection.
inline constexpr int kServiceNotStarted = 1203;  // "A network component has not started."
// What keeps the drive for the next login cannot be written.
inline constexpr int kCannotOpenProfile = 1205;  // "The system is unable to open the user profile."
inline constexpr int kNoNetwork = 1222;
inline constexpr int kCancelled = 1223;
inline constexpr int kUnexpected = 1627;  // no message of its own: "Exception Error."
}  // namespace drive_error

// A drive of the workstation, with the device its folder belongs to.
struct DriveRecord {
  std::string drive;        // "Z:"
  std::string remote_name;  // \\address\folder
  // The device as its discovery reply names it; empty when not known.
  std::string device_name;
  std::string group_name;
  bool at_login = false;  // comes back at the next login
  // The address the drive was moved from, the one a move back goes to;
  // empty when it never moved.
  std::string previous_address;
};

class NetworkDrives {
 public:
  virtual ~NetworkDrives() = default;
  // The type of a root path such as "z:\\".
  virtual DriveType GetDriveType(const std::string& root_path) = 0;
  // The remote name connected to a drive text such as "Z:"; nothing when the
  // request fails.
  virtual std::optional<std::string> GetConnection(const std::string& drive) = 0;
  // Connects the resource with the password (no user name); returns 0 or
  // one of the results above.
  virtual int AddConnection(const NetResource& resource, const std::string& password) = 0;
  // Whether the share takes the password (none: whether it needs one),
  // answered as AddConnection would for a connection without a drive; a
  // probe leaves no connection behind that was not there before.
  virtual int ProbeShare(const std::string& remote_name, const std::string& password) {
    NetResource probe;
    probe.scope = 2;
    probe.remote_name = remote_name;
    return AddConnection(probe, password);
  }
  // What the follow-up command lines achieve, with no command interpreter:
  // use the share with its password ...
  virtual void UseShare(const std::string& remote_name, const std::string& password) = 0;
  // ... and map the drive letter to it so it comes back at the next login.
  // Returns 0, or the result above that says what could not be made (the
  // mount, the letter, its note, the entry that reconnects at login); what
  // it made before a failure is taken back.
  virtual int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                                   const std::string& password) = 0;
  // The folder the user opens for a drive such as "Z:"; empty when the
  // drive is opened by its letter alone, as on systems with drive letters.
  virtual std::string DrivePlace(const std::string& /*drive*/) { return {}; }

  // Drives that follow their device to a new address. The device a drive's
  // folder belongs to, recorded once the drive is connected:
  virtual void NoteDevice(const std::string& /*drive*/, const std::string& /*device_name*/,
                          const std::string& /*group_name*/) {}
  // The drives there are now, with their devices.
  virtual std::vector<DriveRecord> ListDrives() { return {}; }
  // Points a drive at its folder on the same device at `to`, which the
  // person chose or said yes to: the letter, its note (which keeps the
  // address it leaves), its saved password and its login entry. A password
  // saved for `to` already is used, never replaced. Returns 0 or a result
  // above; on failure the drive and the saved passwords stay as they were.
  virtual int MoveDrive(const std::string& /*drive*/, const device::Trusted& /*to*/) {
    return drive_error::kUnexpected;
  }
  // Connects a drive kept for the login again, as the login does; 0 or a
  // result above.
  virtual int Reconnect(const std::string& /*drive*/) { return drive_error::kUnexpected; }
};

struct Services {
  std::shared_ptr<MessageBoxService> message_boxes;
  std::shared_ptr<FileDialogService> file_dialog;
  std::function<std::unique_ptr<DatagramTransport>()> make_datagram_transport;
  std::shared_ptr<UrlOpener> url_opener;
  std::shared_ptr<AdapterList> adapters;
  std::shared_ptr<NetworkDrives> drives;
  std::shared_ptr<ProcessControl> process;
  std::shared_ptr<WorkRunner> work;
  // Exchanges with a device: every page read, and the console's two HTTP
  // clients. The real ones talk to the device; tests answer from a script.
  net::PageGetter read_page = net::AuthGetPage;
  std::function<std::unique_ptr<net::CommandClient>()> make_command_client = [] {
    return std::make_unique<net::CommandClient>();
  };
  std::function<std::unique_ptr<net::UploadClient>()> make_upload_client = [] {
    return std::make_unique<net::UploadClient>();
  };
  // Whether a device still takes a connection at an address (a probe that
  // sends nothing), before a drive is offered to move away from it.
  std::function<bool(const std::string& address)> still_answers = device::StillAnswers;
};

// The drives as the device layer sees them, and the workstation's own
// networks (every IPv4 address of its adapters).
std::vector<device::DriveOfDevice> DrivesOfDevices(const std::vector<DriveRecord>& drives);
std::vector<device::Network> OwnNetworks(AdapterList& adapters);

// The process-wide set of services.
Services& services();

// Replaces the process-wide services; returns the previous set.
Services Install(Services replacement);

// The real implementations for this system.
Services RealServices();

}  // namespace desktop
