#pragma once

// The device's rules, as a user meets them: what each page of the console
// shows from the status page, and what each action sends or why it refuses.
// No toolkit here: the console's windows and brevane-ctl both call these
// functions, so the two send the same commands by the same code.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace device {

// A text for the user, already translated.
enum class Icon { Information, Question, Error };
struct Message {
  std::string text;
  std::string title;
  Icon icon = Icon::Information;
  bool operator==(const Message&) const = default;
};

// The translated message of `text_key` titled `title_key`.
Message Say(const std::string& text_key, const std::string& title_key,
            Icon icon = Icon::Information);

// What follows a command once the device has it.
enum class Then {
  Show,            // the page it changed is read again and shown
  UseNewPassword,  // the device takes `new_value` as its password from now on
  FollowAddress,   // the device leaves for the fixed address `new_value`
  FindAgain,       // the device takes an address from the network: look for it
  Restart,         // the device restarts: there is nothing to read
};

// One command to the device: a GET of a CGI program.
struct Command {
  std::string url;       // whole: "http://" + address + path and query
  std::string page_tag;  // the answer page it is submitted with
  // Sent again while the device refuses it (15 times at most).
  bool retried = false;
  // The label key of the value that could make the command too long to be
  // sent whole, for the refusal that says so.
  const char* field = nullptr;
  Then then = Then::Show;
  std::string new_value = {};  // the new password, or the new address
  bool operator==(const Command&) const = default;
  // The device leaves its address once it has the command.
  bool Moves() const { return then == Then::FollowAddress || then == Then::FindAgain; }
};

// A value an action sends: typed (or changed) by the person, or the
// device's own, shown and left as it was. The rules check what the person
// typed; a value of the device's goes back exactly as the device gave it.
struct Entry {
  Entry(std::string value = {}, bool is_typed = true) : text(std::move(value)), typed(is_typed) {}
  Entry(const char* value, bool is_typed = true) : text(value), typed(is_typed) {}
  std::string text;
  bool typed;
};
// What the person sees now against what the device gave: the device's own
// while the two are the same.
inline Entry EntryOf(const std::string& shown, const std::optional<std::string>& device_value) {
  return {shown, !device_value || shown != *device_value};
}

// Why an action sends nothing.
struct Refusal {
  Message message;
  // Which of the action's values the refusal is about (its place among
  // the action's arguments, from 0), for the window to put the focus there.
  int field = 0;
  // The refused value is to be typed again: the window clears it.
  bool clear = false;
};

// What an action does: refuses, or sends its command.
using Plan = std::variant<Refusal, Command>;

inline const Refusal* Refused(const Plan& plan) {
  return std::get_if<Refusal>(&plan);
}

// "http://" + address + "/nas.cgi?redirect=" + redirect + "&failure=fail.htm
// &type=" + command (the command and its parameters).
std::string NasUrl(const std::string& address, const std::string& redirect,
                   const std::string& command);

// Longest name or password the device takes, in characters.
inline constexpr std::size_t kMaxNameLength = 12;
// Longest host or group name, and time server name.
inline constexpr std::size_t kMaxHostNameLength = 15;
inline constexpr std::size_t kMaxServerNameLength = 64;

// The refusal of a value that must be one of `offered` (an entry of a
// device's list); nothing when it is one. `field_key` names the list.
std::optional<Refusal> NotListed(const std::string& value, const std::vector<std::string>& offered,
                                 const std::string& title_key);

// The refusals of a name or an account that a command cannot do without.
Message NoFolder(const std::string& title_key);
Message NoAccount(const std::string& title_key);

// The question asked before a folder and all it holds is deleted.
Message ConfirmDeleteFolder(const std::string& title_key);

}  // namespace device
