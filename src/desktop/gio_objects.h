#pragma once

// GLib objects and errors held as C++ owners.

#include <gio/gio.h>

#include <memory>

namespace desktop {

template <typename T>
struct GObjectDeleter {
  void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace desktop
