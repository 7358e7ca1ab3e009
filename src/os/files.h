#pragma once

// The operating system's files, as the network layer and the language
// files use them: read where they lie, known by their identity, and
// memory taken in whole pages. One side for POSIX systems, one for
// Windows.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace os {

// What tells a file's contents apart from another's, or from its own
// before a change: the file (device and number), its length and its
// times of change.
struct FileIdentity {
  std::uint64_t device = 0, number = 0;
  std::int64_t size = 0;
  std::int64_t modified_ns = 0, changed_ns = 0;
  bool regular = false, folder = false;
  bool operator==(const FileIdentity&) const = default;
};

// Opens a file for reading without waiting (a FIFO would) and, on POSIX,
// without passing the descriptor to programs started later: its
// descriptor, or -1 with the errno value in `error`.
int OpenToRead(const std::string& path, int& error);
void CloseFile(int fd);
std::optional<FileIdentity> IdentityOf(int fd);
std::optional<FileIdentity> IdentityAt(const std::string& path);
// Asks others not to write the file while it is read; nothing when the
// system cannot.
void HoldForReading(int fd);
// Up to `count` bytes from `offset`: fewer at the file's end, nothing on a
// failure.
std::size_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset);

// A file of this process's own, to be written once and then read: no name
// anyone else could open it by, gone when it is closed. Memory for one of
// at most kMemoryFileLimit bytes, a temporary file on disk otherwise. Its
// descriptor, or -1 with the errno value in `error`.
inline constexpr std::uint64_t kMemoryFileLimit = 16 << 20;
int MakePrivateFile(std::uint64_t size, int& error);
// Appends every byte; false (errno value in `error`) when it cannot.
bool WriteAll(int fd, const char* data, std::size_t count, int& error);
// Once written: nobody writes it any more, this process included, where
// the system can forbid it; true when it did (its bytes can no longer
// change, though a refused write may still touch its times).
bool SealPrivateFile(int fd);

// Memory in whole pages that the system provides only as it is written,
// not zero-filled by us; throws std::bad_alloc.
void* TakePages(std::size_t bytes);
void GivePagesBack(void* pages, std::size_t bytes);

// The local time of `when`.
std::tm LocalTime(std::time_t when);

// The path of the running program; empty when unknown.
std::string ProgramPath();

// Writes `text` to `path` whole or not at all, for a reader that must find
// the old file or the new one, never a part: a new file beside it
// ("PATH.new", one left over from a write that stopped half-way is
// removed first), made afresh and never opened through a link, readable
// by its owner alone (it may hold anything private), written, flushed to
// the disk, put in its place, and the folder's entry flushed as well.
// False with the errno value in `error`.
bool WriteWhole(const std::string& path, const std::string& text, int& error);

}  // namespace os
