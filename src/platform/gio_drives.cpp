#include "platform/gio_drives.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

#include "device/remote_name.h"

namespace platform {
namespace {

// While the windows are told about waits, a mount looks in this often.
constexpr guint kIdleSliceMs = 20;
// How long a drive that moved waits for the old address's mount to go.
constexpr int kLetGoMs = 1000;

// "smb://[user@]host/share" as the user wrote it: "\\host\share".
std::string ShownName(const std::string& uri) {
  std::string rest = uri.substr(std::min(uri.size(), uri.find("://") + 3));
  if (const auto at = rest.find('@'); at != std::string::npos && at < rest.find('/'))
    rest.erase(0, at + 1);
  std::unique_ptr<char, decltype(&g_free)> plain(g_uri_unescape_string(rest.c_str(), nullptr),
                                                 g_free);
  std::string shown = "\\\\" + std::string(plain ? plain.get() : rest.c_str());
  for (char& c : shown)
    if (c == '/') c = '\\';
  return shown;
}

namespace fs = std::filesystem;

template <typename T>
struct GObjectDeleter {
  void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};

std::optional<char> LetterOf(const std::string& text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'D' || letter > 'Z') return std::nullopt;
  return letter;
}

// Splits "\\address\folder".
bool SplitRemoteName(const std::string& remote, std::string& server, std::string& share) {
  const auto parts = device::SplitRemoteName(remote);
  if (!parts) return false;
  std::tie(server, share) = *parts;
  return true;
}

// Waits until the local place of a share just mounted can be listed, at most
// 5 s. A share unmounted and mounted again within a few seconds (after the
// drive dialog's probe, or an unmount elsewhere) fails every access through
// GVfs's FUSE folder for about a second; the letter is for using at once.
void WaitUntilListable(const std::string& local, const std::string& shown) {
  net::WaitScope waiting(net::Activity::Connecting, shown);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    std::error_code error;
    fs::directory_iterator listing(local, error);
    if (!error || net::ActionCancelled() || std::chrono::steady_clock::now() > give_up) return;
    net::Pause(50);
  }
}

// Whether `path` is one of the mounted places or inside one.
bool OnMountedPlace(const std::string& path, const std::vector<std::string>& places) {
  for (const std::string& place : places)
    if (path == place || path.rfind(place + "/", 0) == 0) return true;
  return false;
}

// The SMB backend reports most failures as a plain failure carrying the
// system's text for the underlying error ("Failed to mount Windows share: No
// such file or directory"); the text is in the session's language, which is
// ours too, so it is compared with the system's own words.
int ResultOfSmbFailure(const char* message) {
  const std::string text = message != nullptr ? message : "";
  auto says = [&text](int error_number) {
    return text.find(g_strerror(error_number)) != std::string::npos;
  };
  if (says(ENOENT) || says(ENODEV) || says(ENOTDIR)) return drive_error::kBadNetName;
  if (says(EACCES) || says(EPERM)) return drive_error::kAccessDenied;
  // A device that answers but refuses the connection has its network; its
  // share service is what has not started.
  if (says(ECONNREFUSED)) return drive_error::kServiceNotStarted;
  if (says(EHOSTUNREACH) || says(ENETUNREACH) || says(ETIMEDOUT) || says(EHOSTDOWN) ||
      says(ENETDOWN))
    return drive_error::kNoNetwork;
  return drive_error::kUnexpected;
}

// What GIO's answer means for the drive dialog.
int ResultOf(const GError* error, bool password_refused) {
  if (error == nullptr) return 0;
  if (password_refused) return drive_error::kInvalidPassword;
  if (error->domain != G_IO_ERROR) return drive_error::kUnexpected;
  switch (error->code) {
    case G_IO_ERROR_ALREADY_MOUNTED:
      return 0;
    case G_IO_ERROR_PERMISSION_DENIED:
      return drive_error::kAccessDenied;
    case G_IO_ERROR_NOT_FOUND:
    case G_IO_ERROR_INVALID_FILENAME:
      return drive_error::kBadNetName;
    case G_IO_ERROR_HOST_NOT_FOUND:
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
    case G_IO_ERROR_TIMED_OUT:
      return drive_error::kNoNetwork;
    case G_IO_ERROR_CONNECTION_REFUSED:
      return drive_error::kServiceNotStarted;
    case G_IO_ERROR_CANCELLED:
      return drive_error::kCancelled;
    case G_IO_ERROR_NOT_SUPPORTED:
      return drive_error::kServiceNotStarted;  // no GVfs (or no session bus)
    default:
      return ResultOfSmbFailure(error->message);
  }
}

// The desktop-entry form of an argument: "%" doubled, so it is not taken
// for a field code.
std::string DesktopExecArgument(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

// Writes `text` to `path` by way of a new file renamed into place, so a
// reader (the next login) finds the old file or the new one, never a part.
// The new file is made afresh, never opened through a link left where it
// goes, and only its owner may read it.
bool WriteWhole(const std::string& path, const std::string& text) {
  const std::string fresh = path + ".new";
  if (::unlink(fresh.c_str()) != 0 && errno != ENOENT) return false;
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        S_IRUSR | S_IWUSR);
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t at = 0; written && at < text.size();) {
    const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) at += static_cast<std::size_t>(n);
  }
  written = written && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (written && ::rename(fresh.c_str(), path.c_str()) == 0) return true;
  ::unlink(fresh.c_str());
  return false;
}

// Makes a folder of the user's own (0700) unless it is there already.
void MakePrivateFolder(const std::string& path) {
  std::error_code error;
  if (fs::exists(path, error)) return;
  fs::create_directories(path, error);
  if (!error) ::chmod(path.c_str(), S_IRWXU);
}

// The login entries run brevane-ctl by its full path, so a login never
// depends on the session's PATH: brevane-ctl itself, the one beside this
// program, or the one PATH finds now.
std::string ReconnectProgram() {
  constexpr char kName[] = "brevane-ctl";
  char self[4096];
  if (const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1); n > 0) {
    const std::string exe(self, static_cast<std::size_t>(n));
    const std::string dir = exe.substr(0, exe.rfind('/') + 1);
    if (exe.substr(dir.size()) == kName || ::access((dir + kName).c_str(), X_OK) == 0)
      return dir + kName;
  }
  std::unique_ptr<char, decltype(&g_free)> found(g_find_program_in_path(kName), g_free);
  return found ? std::string(found.get()) : std::string("/usr/bin/") + kName;
}

// The keyring's passwords GIO saved for `user` on the SMB server `server`.
GHashTable* SmbPasswordQuery(const std::string& server, const std::string& user) {
  GHashTable* query = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
  g_hash_table_insert(query, g_strdup("server"), g_strdup(server.c_str()));
  g_hash_table_insert(query, g_strdup("protocol"), g_strdup("smb"));
  g_hash_table_insert(query, g_strdup("user"), g_strdup(user.c_str()));
  return query;
}

// The attributes of each password saved in the keyring: each names exactly
// the one entry it was read from or stored as.
using SavedEntries = std::vector<GHashTable*>;
void ReleaseEntries(SavedEntries& entries) {
  for (GHashTable* attributes : entries) g_hash_table_unref(attributes);
  entries.clear();
}

// Saves a copy of each password GIO saved for `user` on `from` as one for
// the same user on `to`. Fills `made` with the copies made and `originals`
// with the entries they were copied from; false when a copy failed (those
// made are then in `made`, for taking back).
bool CopySavedPasswords(const std::string& from, const std::string& to, const std::string& user,
                        SavedEntries& made, SavedEntries& originals) {
  GHashTable* query = SmbPasswordQuery(from, user);
  GError* error = nullptr;
  GList* found = secret_password_searchv_sync(
      SECRET_SCHEMA_COMPAT_NETWORK, query,
      static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK |
                                     SECRET_SEARCH_LOAD_SECRETS),
      nullptr, &error);
  g_hash_table_unref(query);
  g_clear_error(&error);
  bool copied_all = true;
  for (GList* item = found; item != nullptr; item = item->next) {
    auto* saved = static_cast<SecretRetrievable*>(item->data);
    SecretValue* value = secret_retrievable_retrieve_secret_sync(saved, nullptr, nullptr);
    GHashTable* attributes = secret_retrievable_get_attributes(saved);
    gchar* label = secret_retrievable_get_label(saved);
    if (value != nullptr && attributes != nullptr) {
      originals.push_back(g_hash_table_ref(attributes));
      // Every attribute as it was (the schema's name too, so GIO finds it),
      // with the new server.
      GHashTable* copy = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
      GHashTableIter it;
      gpointer key, text;
      g_hash_table_iter_init(&it, attributes);
      while (g_hash_table_iter_next(&it, &key, &text))
        g_hash_table_insert(copy, g_strdup(static_cast<const char*>(key)),
                            g_strdup(static_cast<const char*>(text)));
      g_hash_table_replace(copy, g_strdup("server"), g_strdup(to.c_str()));
      // The label names the share's address too ("smb://user@address/...").
      std::string shown = label != nullptr ? label : "";
      if (const auto at = shown.find(from); at != std::string::npos)
        shown.replace(at, from.size(), to);
      if (secret_password_storev_sync(nullptr, copy, SECRET_COLLECTION_DEFAULT, shown.c_str(),
                                      secret_value_get_text(value), nullptr, nullptr))
        made.push_back(copy);
      else {
        g_hash_table_unref(copy);
        copied_all = false;
      }
    } else {
      copied_all = false;
    }
    g_free(label);
    if (attributes != nullptr) g_hash_table_unref(attributes);
    if (value != nullptr) secret_value_unref(value);
  }
  g_list_free_full(found, g_object_unref);
  return copied_all;
}

// Deletes exactly the entries named, and nothing else; true when each went.
bool ForgetEntries(const SavedEntries& entries) {
  bool forgotten = true;
  for (GHashTable* attributes : entries) {
    GError* error = nullptr;
    secret_password_clearv_sync(nullptr, attributes, nullptr, &error);
    forgotten = forgotten && error == nullptr;
    g_clear_error(&error);
  }
  return forgotten;
}

// Whether the keyring has no password GIO saved for `user` on `server`, so
// that one a mount saves now is new.
bool NoSavedPassword(const std::string& server, const std::string& user) {
  GHashTable* query = SmbPasswordQuery(server, user);
  GList* found = secret_password_searchv_sync(SECRET_SCHEMA_COMPAT_NETWORK, query,
                                              SECRET_SEARCH_ALL, nullptr, nullptr);
  g_hash_table_unref(query);
  const bool none = found == nullptr;
  g_list_free_full(found, g_object_unref);
  return none;
}

void ForgetSavedPasswords(const std::string& server, const std::string& user) {
  GHashTable* query = SmbPasswordQuery(server, user);
  secret_password_clearv_sync(SECRET_SCHEMA_COMPAT_NETWORK, query, nullptr, nullptr);
  g_hash_table_unref(query);
}

}  // namespace

GioNetworkDrives::Places GioNetworkDrives::UserPlaces() {
  const char* home = std::getenv("HOME");
  const std::string base = home != nullptr ? home : g_get_home_dir();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  return {base + "/Network Drives",
          (config != nullptr && *config ? std::string(config) : base + "/.config") + "/autostart",
          ReconnectProgram()};
}

GioNetworkDrives::GioNetworkDrives(Places places, int mount_timeout_ms)
    : places_(std::move(places)), mount_timeout_ms_(mount_timeout_ms) {}

std::string GioNetworkDrives::LetterPath(char letter) const {
  return places_.drives_dir + "/" + std::string(1, letter);
}

std::string GioNetworkDrives::UncPath(char letter) const {
  return places_.drives_dir + "/." + std::string(1, letter) + ".unc";
}

std::string GioNetworkDrives::AutostartPath(char letter) const {
  return places_.autostart_dir + "/brevane-drive-" + std::string(1, letter) + ".desktop";
}

std::optional<std::vector<std::string>> GioNetworkDrives::MountedPlaces() {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (bus == nullptr) {
    g_clear_error(&error);
    return std::nullopt;
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.gtk.vfs.Daemon", "/org/gtk/vfs/mounttracker", "org.gtk.vfs.MountTracker",
      "ListMounts2", g_variant_new("(b)", FALSE), G_VARIANT_TYPE("(a(sossssssbay(aya{sv})ay))"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  g_object_unref(bus);
  if (reply == nullptr) {
    g_clear_error(&error);
    return std::nullopt;
  }
  std::vector<std::string> places;
  GVariant* mounts = g_variant_get_child_value(reply, 0);
  for (gsize i = 0; i < g_variant_n_children(mounts); ++i) {
    GVariant* mount = g_variant_get_child_value(mounts, i);
    GVariant* fuse = g_variant_get_child_value(mount, 9);  // the mount's FUSE folder
    const std::string place = g_variant_get_bytestring(fuse);
    if (!place.empty()) places.push_back(place);
    g_variant_unref(fuse);
    g_variant_unref(mount);
  }
  g_variant_unref(mounts);
  g_variant_unref(reply);
  return places;
}

bool GioNetworkDrives::Connected(char letter) {
  std::error_code error;
  const fs::path target = fs::read_symlink(LetterPath(letter), error);
  if (error) {
    fs::remove(UncPath(letter), error);  // a note left without its link
    return false;
  }
  const auto mounted = MountedPlaces();
  // Nobody to ask: the link is all there is to go by.
  if (!mounted || OnMountedPlace(target.string(), *mounted)) return true;
  if (fs::exists(AutostartPath(letter), error)) {
    // Kept for the next login: mounted again (the keyring has its password).
    if (remounted_.insert(letter).second && Reconnect(std::string(1, letter) + ":") == 0) {
      if (const auto note = ReadNote(letter)) WaitUntilListable(target.string(), note->remote_name);
    }
    return true;
  }
  fs::remove(LetterPath(letter), error);
  fs::remove(UncPath(letter), error);
  return false;
}

std::string GioNetworkDrives::ShareUri(const std::string& remote_name, bool with_user) {
  std::string server, share;
  if (!SplitRemoteName(remote_name, server, share)) return {};
  // Every byte that is not plainly safe is escaped, so the URI carries blanks,
  // quotes, ampersands and any other letter without ambiguity.
  std::unique_ptr<char, decltype(&g_free)> escaped(
      g_uri_escape_string(share.c_str(), nullptr, FALSE), g_free);
  std::unique_ptr<char, decltype(&g_free)> host(
      g_uri_escape_string(server.c_str(), G_URI_RESERVED_CHARS_SUBCOMPONENT_DELIMITERS, FALSE),
      g_free);
  // The user is the folder's own name: the device knows its password so.
  return "smb://" + (with_user ? std::string(escaped.get()) + "@" : "") + host.get() + "/" +
         escaped.get();
}

std::string GioNetworkDrives::AutostartEntry(const std::string& program, char letter,
                                             const std::string& uri) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Reconnect network drive " +
         std::string(1, letter) +
         "\n"
         "Comment=Mounts " +
         uri +
         " again at login\n"
         "Exec=" +
         DesktopExecArgument(program) + " --reconnect-drive " + std::string(1, letter) +
         "\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

std::optional<GioNetworkDrives::Note> GioNetworkDrives::ReadNote(char letter) const {
  std::ifstream in(UncPath(letter));
  Note note;
  std::string with_user;
  if (!in || !std::getline(in, note.remote_name) || note.remote_name.empty()) return std::nullopt;
  std::getline(in, note.device_name);
  std::getline(in, note.group_name);
  if (std::getline(in, with_user)) {
    note.with_user = with_user == "user";
    std::getline(in, note.previous_address);
  } else {
    // A note of an earlier release, the remote name alone: a drive kept for
    // the login was mounted as the folder's user unless its entry says
    // anonymously.
    std::ifstream entry(AutostartPath(letter));
    std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
    note.with_user = entry && text.find("--anonymous") == std::string::npos;
  }
  return note;
}

bool GioNetworkDrives::WriteNote(char letter, const Note& note) const {
  // One line each: a name with a line break is not kept (the drive then
  // does not follow its device).
  auto line = [](const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos ? text : std::string();
  };
  return WriteWhole(UncPath(letter), note.remote_name + "\n" + line(note.device_name) + "\n" +
                                         line(note.group_name) + "\n" +
                                         (note.with_user ? "user" : "") + "\n" +
                                         line(note.previous_address) + "\n");
}

bool GioNetworkDrives::WriteAutostartEntry(char letter, const std::string& uri) const {
  std::error_code error;
  fs::create_directories(places_.autostart_dir, error);
  return WriteWhole(AutostartPath(letter), AutostartEntry(places_.reconnect_program, letter, uri));
}

DriveType GioNetworkDrives::GetDriveType(const std::string& root_path) {
  const auto letter = LetterOf(root_path);
  if (!letter) return DriveType::NoRootDir;
  return Connected(*letter) ? DriveType::Remote : DriveType::NoRootDir;
}

std::optional<std::string> GioNetworkDrives::GetConnection(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter || !Connected(*letter)) return std::nullopt;
  const auto note = ReadNote(*letter);
  if (!note) return std::nullopt;
  return note->remote_name;
}

int GioNetworkDrives::Mount(const std::string& uri, const std::string& user,
                            const std::string& password, Save save, bool* fresh) {
  net::WaitScope waiting(net::Activity::Connecting, ShownName(uri));
  struct State {
    std::string user, password;
    GPasswordSave save;
    int asks = 0;
    bool refused = false;
    bool done = false;
    GError* error = nullptr;
  } state{user, password,
          save == Save::Permanently ? G_PASSWORD_SAVE_PERMANENTLY : G_PASSWORD_SAVE_NEVER};

  // The mount runs on a context of its own, so the toolkit's event loop is
  // not re-entered while we wait.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  {
    GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
    GObjectPtr<GMountOperation> operation(g_mount_operation_new());
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());

    // The password is offered once; a second request means it was wrong.
    auto ask = +[](GMountOperation* op, gchar*, gchar* default_user, gchar* default_domain,
                   GAskPasswordFlags flags, gpointer data) {
      auto* s = static_cast<State*>(data);
      if (++s->asks > 1) {
        s->refused = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
      }
      if ((flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) != 0 && s->password.empty()) {
        g_mount_operation_set_anonymous(op, TRUE);
      } else {
        g_mount_operation_set_username(op, s->user.empty() ? default_user : s->user.c_str());
        g_mount_operation_set_domain(op, default_domain);
        g_mount_operation_set_password(op, s->password.c_str());
        g_mount_operation_set_password_save(op, s->save);
      }
      g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
    };
    g_signal_connect(operation.get(), "ask-password", G_CALLBACK(ask), &state);

    auto finished = +[](GObject* source, GAsyncResult* result, gpointer data) {
      auto* s = static_cast<State*>(data);
      g_file_mount_enclosing_volume_finish(G_FILE(source), result, &s->error);
      s->done = true;
    };
    g_file_mount_enclosing_volume(file.get(), G_MOUNT_MOUNT_NONE, operation.get(),
                                  cancellable.get(), finished, &state);

    // A device that never answers is given up after the bound.
    GSource* timeout = g_timeout_source_new(static_cast<guint>(mount_timeout_ms_));
    g_source_set_callback(
        timeout,
        +[](gpointer c) -> gboolean {
          g_cancellable_cancel(static_cast<GCancellable*>(c));
          return G_SOURCE_REMOVE;
        },
        cancellable.get(), nullptr);
    g_source_attach(timeout, context);
    // Meanwhile the windows keep working, and the user may cancel.
    GSource* idle = nullptr;
    if (net::WaitObserved() || net::ActionCancelled()) {
      idle = g_timeout_source_new(kIdleSliceMs);
      g_source_set_callback(
          idle,
          +[](gpointer c) -> gboolean {
            try {
              net::WaitIdle();
            } catch (...) {
              g_cancellable_cancel(static_cast<GCancellable*>(c));
              return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
          },
          cancellable.get(), nullptr);
      g_source_attach(idle, context);
    }
    if (net::ActionCancelled()) g_cancellable_cancel(cancellable.get());
    while (!state.done) g_main_context_iteration(context, TRUE);
    if (idle != nullptr) {
      g_source_destroy(idle);
      g_source_unref(idle);
    }
    g_source_destroy(timeout);
    g_source_unref(timeout);
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);

  std::unique_ptr<GError, GErrorDeleter> error(state.error);
  if (fresh != nullptr) *fresh = !error;
  if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED && !state.refused)
    return drive_error::kNoNetwork;  // our time bound ran out, or the user cancelled
  return ResultOf(error.get(), state.refused);
}

int GioNetworkDrives::AddConnection(const NetResource& resource, const std::string& password) {
  const std::string uri = ShareUri(resource.remote_name);
  if (uri.empty()) return drive_error::kBadNetName;
  std::string server, share;
  SplitRemoteName(resource.remote_name, server, share);

  std::optional<char> letter;
  if (resource.local_name) {
    letter = LetterOf(*resource.local_name);
    if (!letter) return drive_error::kBadDevice;
    if (Connected(*letter)) return drive_error::kAlreadyAssigned;
  }
  // The device knows a protected folder's password under the folder's name.
  bool fresh = false;
  const int result = Mount(uri, share, password, Save::Never, &fresh);
  if (result != 0) return result;
  if (!letter) {
    if (fresh) letterless_.insert(uri);
    return 0;
  }
  return CreateLetter(*letter, uri, {resource.remote_name, {}, {}, false, {}});
}

int GioNetworkDrives::ProbeShare(const std::string& remote_name, const std::string& password) {
  const std::string uri = ShareUri(remote_name);
  if (uri.empty()) return drive_error::kBadNetName;
  std::string server, share;
  SplitRemoteName(remote_name, server, share);
  bool fresh = false;
  const int result = Mount(uri, share, password, Save::Never, &fresh);
  if (fresh) {
    GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
    Unmount(file.get());
  }
  return result;
}

int GioNetworkDrives::CreateLetter(char letter, const std::string& uri, const Note& note) {
  GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
  std::unique_ptr<char, decltype(&g_free)> local(g_file_get_path(file.get()), g_free);
  // Mounted, but there is no local place for it (no GVfs FUSE).
  if (!local) return drive_error::kServiceNotStarted;
  WaitUntilListable(local.get(), note.remote_name);
  std::error_code error;
  MakePrivateFolder(places_.drives_dir);
  fs::create_symlink(local.get(), LetterPath(letter), error);
  if (error) return drive_error::kBadDevice;
  if (!WriteNote(letter, note)) {
    fs::remove(LetterPath(letter), error);
    return drive_error::kBadDevice;
  }
  return 0;
}

void GioNetworkDrives::UseShare(const std::string& remote_name, const std::string& password) {
  // The share is mounted for the user already; asking again keeps it so.
  const std::string uri = ShareUri(remote_name);
  std::string server, share;
  if (!uri.empty() && SplitRemoteName(remote_name, server, share))
    Mount(uri, share, password, Save::Never);
}

int GioNetworkDrives::MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                                           const std::string& password) {
  std::string server, share;
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  if (!SplitRemoteName(remote_name, server, share)) return drive_error::kBadNetName;
  // A protected folder is kept mounted under its user's name: a mount of its
  // own, so the password is asked for (and goes to the keyring) even when
  // the share is open already, and the login finds it there again. An open
  // folder has no user to log in as: it is kept as it is mounted.
  const bool open = password.empty();
  const std::string uri = ShareUri(remote_name, !open);
  // A connection this object made without a letter led to this drive: an
  // open folder's drive keeps that mount, a protected folder's has its own.
  const std::string letterless = ShareUri(remote_name);
  const bool mounted_letterless = letterless_.erase(letterless) > 0;
  auto unmount = [](const std::string& mounted) {
    GObjectPtr<GFile> file(g_file_new_for_uri(mounted.c_str()));
    Unmount(file.get());
  };
  // The password this drive saves goes again if the drive is not made.
  const bool saves_password = !open && NoSavedPassword(server, share);
  bool fresh = false;
  const int result = Mount(uri, share, password, open ? Save::Never : Save::Permanently, &fresh);
  if (mounted_letterless && (result != 0 || uri != letterless)) unmount(letterless);
  if (result != 0) return result;
  // Whether a failure from here on takes back the drive's mount.
  const bool ours = fresh || (mounted_letterless && uri == letterless);
  auto take_back = [&] {
    if (ours) unmount(uri);
    if (saves_password && fresh) ForgetSavedPasswords(server, share);
  };
  std::error_code error;
  const bool had_letter = fs::is_symlink(LetterPath(*letter), error);
  if (!had_letter) {
    if (const int made = CreateLetter(*letter, uri, {remote_name, {}, {}, !open, {}}); made != 0) {
      take_back();
      return made;
    }
  }
  if (!WriteAutostartEntry(*letter, uri)) {
    fs::remove(AutostartPath(*letter), error);
    if (!had_letter) {
      fs::remove(LetterPath(*letter), error);
      fs::remove(UncPath(*letter), error);
    }
    take_back();
    return drive_error::kCannotOpenProfile;  // the autostart folder
  }
  return 0;
}

std::string GioNetworkDrives::DrivePlace(const std::string& drive) {
  const auto letter = LetterOf(drive);
  return letter ? LetterPath(*letter) : std::string();
}

void GioNetworkDrives::NoteDevice(const std::string& drive, const std::string& device_name,
                                  const std::string& group_name) {
  const auto letter = LetterOf(drive);
  if (!letter) return;
  auto note = ReadNote(*letter);
  if (!note) return;
  note->device_name = device_name;
  note->group_name = group_name;
  WriteNote(*letter, *note);
}

std::vector<DriveRecord> GioNetworkDrives::ListDrives() {
  std::vector<DriveRecord> drives;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    std::error_code error;
    if (!fs::is_symlink(LetterPath(letter), error)) continue;
    const auto note = ReadNote(letter);
    if (!note) continue;
    drives.push_back({std::string(1, letter) + ":", note->remote_name, note->device_name,
                      note->group_name, fs::exists(AutostartPath(letter), error),
                      note->previous_address});
  }
  return drives;
}

int GioNetworkDrives::Reconnect(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  const auto note = ReadNote(*letter);
  std::string server, share;
  if (!note || !SplitRemoteName(note->remote_name, server, share)) return drive_error::kBadNetName;
  // No password of ours: a protected folder's comes from the keyring, an
  // open folder is mounted anonymously.
  return Mount(NoteUri(*note), share, {}, note->with_user ? Save::Permanently : Save::Never);
}

int GioNetworkDrives::MoveDrive(const std::string& drive, const std::string& address) {
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  std::error_code error;
  const auto note = ReadNote(*letter);
  const fs::path old_place = fs::read_symlink(LetterPath(*letter), error);
  std::string server, share;
  if (!note || error || !SplitRemoteName(note->remote_name, server, share))
    return drive_error::kBadNetName;
  Note moved = *note;
  moved.remote_name = device::RemoteName(address, share);
  moved.previous_address = server;
  const std::string uri = NoteUri(moved);
  if (uri.empty() || address == server) return drive_error::kBadNetName;
  const bool at_login = fs::exists(AutostartPath(*letter), error);

  // The folder's saved password goes along, unless the new address has one
  // already: that one is used and stays as it is.
  SavedEntries made, originals;
  struct Releaser {
    SavedEntries &a, &b;
    ~Releaser() {
      ReleaseEntries(a);
      ReleaseEntries(b);
    }
  } releaser{made, originals};
  if (note->with_user && NoSavedPassword(address, share) &&
      !CopySavedPasswords(server, address, share, made, originals)) {
    ForgetEntries(made);
    return drive_error::kCannotOpenProfile;
  }
  bool fresh = false;
  const int result =
      Mount(uri, share, {}, note->with_user ? Save::Permanently : Save::Never, &fresh);
  GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
  std::unique_ptr<char, decltype(&g_free)> local(
      result == 0 ? g_file_get_path(file.get()) : nullptr, g_free);
  // Only what this move made is taken back: its mount and its copies.
  auto give_up = [&](int code) {
    if (fresh) Unmount(file.get());
    ForgetEntries(made);
    return code;
  };
  if (result != 0) return give_up(result);
  if (!local) return give_up(drive_error::kServiceNotStarted);
  WaitUntilListable(local.get(), moved.remote_name);

  // The letter is replaced in one step: it never stands for nothing. A
  // leftover of an earlier attempt goes only if it is a link of ours.
  const std::string link = LetterPath(*letter), fresh_link = link + ".new";
  auto replace_link = [&](const fs::path& target) {
    std::error_code e;
    const auto kind = fs::symlink_status(fresh_link, e).type();
    if (kind == fs::file_type::symlink)
      fs::remove(fresh_link, e);
    else if (kind != fs::file_type::not_found)
      return false;
    fs::create_symlink(target, fresh_link, e);
    if (!e) fs::rename(fresh_link, link, e);
    if (e) fs::remove(fresh_link, e);
    return !e;
  };
  if (!replace_link(local.get())) return give_up(drive_error::kBadDevice);
  if (!WriteNote(*letter, moved) || (at_login && !WriteAutostartEntry(*letter, uri))) {
    // Back to the old address, all of it. Should that fail too, the copied
    // password stays, so what now names the new address still works.
    const bool restored = replace_link(old_place) && WriteNote(*letter, *note) &&
                          (!at_login || WriteAutostartEntry(*letter, NoteUri(*note)));
    if (!restored) return drive_error::kCannotOpenProfile;
    return give_up(drive_error::kCannotOpenProfile);
  }
  // The old address's mount goes if nothing is open on it; it is never
  // forced, so no open file loses a write. (GVfs lets go of a mount whose
  // server is gone only after the network's timeouts, about 18 s.)
  if (const auto mounted = MountedPlaces(); mounted && OnMountedPlace(old_place, *mounted)) {
    GObjectPtr<GFile> old_file(g_file_new_for_path(old_place.c_str()));
    Unmount(old_file.get(), kLetGoMs, false);
  }
  // The password now lives at the new address; its old entry goes once the
  // drive works there, unless another letter still uses it. The note keeps
  // the old address, so a move back copies it there again.
  bool still_used = false;
  for (const DriveRecord& other : ListDrives())
    still_used |= other.drive != drive && other.remote_name == note->remote_name;
  if (!made.empty() && !still_used) ForgetEntries(originals);
  return 0;
}

bool GioNetworkDrives::Notify(const std::string& summary, const std::string& body) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return false;
  GVariantBuilder actions, hints;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify",
      g_variant_new("(susssasa{sv}i)", "Brevane", 0u, "network-workgroup", summary.c_str(),
                    body.c_str(), &actions, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, nullptr, nullptr);
  g_object_unref(bus);
  if (reply == nullptr) return false;
  g_variant_unref(reply);
  return true;
}

int GioNetworkDrives::Disconnect(const std::string& drive) {
  const auto letter = LetterOf(drive);
  if (!letter) return drive_error::kBadDevice;
  std::error_code error;
  const fs::path target = fs::read_symlink(LetterPath(*letter), error);
  fs::remove(LetterPath(*letter), error);
  fs::remove(UncPath(*letter), error);
  fs::remove(AutostartPath(*letter), error);
  if (target.empty()) return 0;
  // The share the letter stood for, found through its local place.
  GObjectPtr<GFile> file(g_file_new_for_path(target.c_str()));
  Unmount(file.get());
  return 0;
}

void GioNetworkDrives::Unmount(GFile* file, int wait_ms, bool force) {
  GMount* mount = g_file_find_enclosing_mount(file, nullptr, nullptr);
  if (mount == nullptr) return;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  // Left behind (never to be called back) when the wait ends first.
  auto* done = new bool(false);
  g_mount_unmount_with_operation(
      mount, force ? G_MOUNT_UNMOUNT_FORCE : G_MOUNT_UNMOUNT_NONE, nullptr, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        g_mount_unmount_with_operation_finish(G_MOUNT(source), result, nullptr);
        *static_cast<bool*>(data) = true;
      },
      done);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (!*done) {
    if (wait_ms < 0) {
      g_main_context_iteration(context, TRUE);
      continue;
    }
    if (std::chrono::steady_clock::now() >= give_up) break;
    if (!g_main_context_iteration(context, FALSE)) g_usleep(10000);
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  g_object_unref(mount);
  if (*done) delete done;
}

}  // namespace platform
