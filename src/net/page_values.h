#pragma once

// Rules that pull values out of the device's status page. The page carries
// its settings as script lines: name="value";CR LF. Some values are small
// HTML fragments: option lists, "&nbsp;"-padded columns, "<br>" breaks.

#include <string>
#include <string_view>
#include <vector>

namespace net {

inline constexpr char kStatusPagePath[] = "/utility_use.htm";

// The value by which the page marks "sntp_auto" and "dhcps_option" as on:
// 已核取 and a double quote.
inline constexpr char kOnMarker[] = "\xE5\xB7\xB2\xE6\xA0\xB8\xE5\x8F\x96\"";

// The value of the first line carrying `key` (a name followed by `="`), up
// to the first `";` CR LF at or after the key; empty when either is missing.
// Keys match anywhere, also inside a longer name.
std::string PageValue(std::string_view page, std::string_view key);
// Whether the page has that line, its end included: a page cut short
// lacks the lines after the cut.
bool HasPageValue(std::string_view page, std::string_view key);

// Every rule below takes time linear in its text, whatever the text holds.
// A list yields at most this many entries (a device has a few dozen): a
// longer one is shown as its first entries, and no rule or window spends
// more than a small multiple of the page on it.
inline constexpr std::size_t kMaxListEntries = 10000;

// The value attributes of the option elements in `text`, in order. Each
// item runs from `value="` to the next `">` of the remaining text.
std::vector<std::string> OptionValues(std::string_view text);

// The visible text of the first option: from the first `">` to the first
// `</option>`.
std::string OptionText(std::string_view text);

// The characters before the first "&nbsp;"; empty when there is none.
std::string TextBeforeNbsp(std::string_view text);

// One row of the FTP account list: the option's fields, each as the page
// has it, and where the option stands among all options of the list.
struct AccountRow {
  std::string name, password, access, state;
  std::string id;          // the option's value
  std::size_t option = 0;  // its position in the device's list, from 0
};

// The rows of an "ftp_ac_list" value. Each option's text holds the name
// padded with "&nbsp;" to 21 places, then the password and the access each
// followed by eleven "&nbsp;", then the state, taken only when an entity
// follows it. An option without "&nbsp;" gives no row. A name longer than
// 21 places (no layout is defined for it) is cut at its first entity and
// the entities after it are skipped.
std::vector<AccountRow> AccountRows(std::string_view value);

// The display texts of an account's share options ("ftps_share_list"):
// each from the end of its option tag to the blank before "</option>" (to
// "</option>" itself, or to the end, where the blank or the tag is missing).
std::vector<std::string> ShareListTexts(std::string_view value);

// Entries of a "#"-separated list; an empty value is one empty entry.
std::vector<std::string> HashListEntries(std::string_view value);

// The disk scan's messages ("disk_scan") as their lines show them: one a
// line feed, a last line feed ending the last line.
std::string ScanMessages(std::string_view value);

// `text` with every "<br>" removed, in any letter case.
std::string RemoveLineBreakTags(std::string_view text);

}  // namespace net
