// Mounting and unmounting a share through GIO, and what GVfs has mounted:
// the waits of the drives, each bounded, each shown in the program's wait
// window and ended by its Cancel.

#include <gio/gio.h>

#include <cerrno>
#include <chrono>
#include <memory>

#include "desktop/gio_drives.h"
#include "desktop/gio_objects.h"

namespace desktop {
namespace {

// While the windows are told about waits, a mount looks in this often.
constexpr guint kIdleSliceMs = 20;

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

}  // namespace

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

namespace {

// A mount in progress: what it is given, what it is asked and how it ends.
struct MountState {
  std::string user, password;
  GPasswordSave save;
  int asks = 0;
  bool refused = false;
  bool done = false;
  GError* error = nullptr;
};

// The password is offered once; a second request means it was wrong.
void AskPassword(GMountOperation* op, gchar*, gchar* default_user, gchar* default_domain,
                 GAskPasswordFlags flags, gpointer data) {
  auto* s = static_cast<MountState*>(data);
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
}

void Mounted(GObject* source, GAsyncResult* result, gpointer data) {
  auto* s = static_cast<MountState*>(data);
  g_file_mount_enclosing_volume_finish(G_FILE(source), result, &s->error);
  s->done = true;
}

// A timer on `context` that calls `run` with `cancellable` every `ms`.
GSource* Every(GMainContext* context, guint ms, GSourceFunc run, GCancellable* cancellable) {
  GSource* source = g_timeout_source_new(ms);
  g_source_set_callback(source, run, cancellable, nullptr);
  g_source_attach(source, context);
  return source;
}

void Drop(GSource* source) {
  if (source == nullptr) return;
  g_source_destroy(source);
  g_source_unref(source);
}

// Mounts `uri` on a context of its own, so the toolkit's event loop is not
// re-entered while we wait, within `timeout_ms`.
void MountWithin(const std::string& uri, MountState& state, int timeout_ms) {
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  {
    GObjectPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
    GObjectPtr<GMountOperation> operation(g_mount_operation_new());
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    g_signal_connect(operation.get(), "ask-password", G_CALLBACK(AskPassword), &state);
    g_file_mount_enclosing_volume(file.get(), G_MOUNT_MOUNT_NONE, operation.get(),
                                  cancellable.get(), Mounted, &state);
    // A device that never answers is given up after the bound.
    GSource* timeout = Every(
        context, static_cast<guint>(timeout_ms),
        +[](gpointer c) -> gboolean {
          g_cancellable_cancel(static_cast<GCancellable*>(c));
          return G_SOURCE_REMOVE;
        },
        cancellable.get());
    // Meanwhile the windows keep working, and the user may cancel.
    GSource* idle = nullptr;
    if (net::Cancellable() || net::ActionCancelled())
      idle = Every(
          context, kIdleSliceMs,
          +[](gpointer c) -> gboolean {
            try {
              net::WaitIdle();
            } catch (...) {
              g_cancellable_cancel(static_cast<GCancellable*>(c));
              return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
          },
          cancellable.get());
    if (net::ActionCancelled()) g_cancellable_cancel(cancellable.get());
    while (!state.done) g_main_context_iteration(context, TRUE);
    Drop(idle);
    Drop(timeout);
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
}

}  // namespace

int GioNetworkDrives::Mount(const std::string& uri, const std::string& user,
                            const std::string& password, Save save, bool* fresh) {
  net::WaitScope waiting(net::Activity::Connecting, ShownName(uri));
  MountState state{user, password,
                   save == Save::Permanently ? G_PASSWORD_SAVE_PERMANENTLY : G_PASSWORD_SAVE_NEVER};
  MountWithin(uri, state, mount_timeout_ms_);
  std::unique_ptr<GError, GErrorDeleter> error(state.error);
  if (fresh != nullptr) *fresh = !error;
  if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED && !state.refused)
    return drive_error::kNoNetwork;  // our time bound ran out, or the user cancelled
  return ResultOf(error.get(), state.refused);
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

}  // namespace desktop
