#pragma once

// Where a secret may go. Discovery is unauthenticated: anything on the LAN
// can answer with any name, group and address. So every secret (a device's
// login, a new administrator password, a new folder's or account's, a
// drive's kept password) goes only to an address the person stands behind:
// one they chose, or one found by discovery that they said yes to. The
// types carry the difference: a Session, the only way credentials reach a
// device, is made from a Trusted address alone.

#include <string>
#include <utility>

namespace device {

// A device as a discovery reply, or a file of such replies, describes it.
struct Found {
  std::string address, name, group;
};

// An address the person stands behind.
class Trusted {
 public:
  // Chosen: typed by the person (on the command line, in a dialog), listed
  // by address in a file of their own, or picked in the device list, whose
  // row shows it.
  static Trusted Chosen(std::string address) { return Trusted(std::move(address)); }
  // Found by discovery, and the person said yes to sending there, having
  // been shown this very address.
  static Trusted Confirmed(const Found& found) { return Trusted(found.address); }

  const std::string& address() const { return address_; }
  bool operator==(const Trusted&) const = default;

 private:
  explicit Trusted(std::string address) : address_(std::move(address)) {}
  std::string address_;
};

// The device worked on and the credentials it takes.
class Session {
 public:
  Session(const Trusted& where, std::string user, std::string password)
      : where_(where), user_(std::move(user)), password_(std::move(password)) {}

  const Trusted& where() const { return where_; }
  const std::string& address() const { return where_.address(); }
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }

  // The device takes another login from now on (a new password, or the
  // factory login after a reset).
  void UseLogin(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
  }
  // The device answers at another address the person stands behind (a
  // fixed address they set).
  void MoveTo(const Trusted& where) { where_ = where; }

 private:
  Trusted where_;
  std::string user_, password_;
};

}  // namespace device
