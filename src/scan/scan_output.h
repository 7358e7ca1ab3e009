#pragma once

// How brevane-scan prints the devices it found: an aligned table, CSV or
// JSON. Texts are shown as the main window shows them (UTF-8, a byte that
// is not UTF-8 as U+FFFD), and nothing a device sent can reach the terminal
// as a control character.

#include <string>
#include <string_view>
#include <vector>

#include "net/discovery.h"

namespace scan {

// `text` decoded as the window decodes it, with control characters (C0,
// DEL and C1) written as \xNN, direction controls and characters without
// width (U+202E, U+200B, ...) as \uXXXX, and a backslash as \\ so the
// escapes stay unambiguous.
std::string Printable(std::string_view text);

// `text` as it may reach a terminal: line feeds and tabs kept, every other
// control character written as \xNN and direction controls and characters
// without width as \uXXXX, as Printable writes them; a backslash stays as
// it is, so text made printable already passes unchanged. Every message of
// the terminal programs goes out through this, whatever words of a device,
// a file or a person it carries.
std::string TerminalText(std::string_view text);

// `text` as a JSON string, quotes included: exact, with control, direction
// and zero-width characters written as \uXXXX.
std::string JsonString(std::string_view text);

// Appends the code point `c` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// The width `text` takes in a terminal: East Asian wide characters count
// two columns.
std::size_t DisplayWidth(std::string_view printable);
// `printable` with spaces after it to fill `width` columns.
std::string Padded(const std::string& printable, std::size_t width);

// `via`, when given, names for each device where its answer came from (an
// interface, or "address" for one asked directly): a column, a field, a
// member of its own.
std::string Table(const std::vector<net::DeviceRecord>& devices,
                  const std::vector<std::string>& via = {});
// A field that a spreadsheet would take for a formula (one beginning with
// "=", "+", "-" or "@") is written with a "'" before it.
std::string Csv(const std::vector<net::DeviceRecord>& devices,
                const std::vector<std::string>& via = {});
// One JSON array of objects: address, name, group, firmware (and via).
std::string Json(const std::vector<net::DeviceRecord>& devices,
                 const std::vector<std::string>& via = {});

// The devices as Prometheus file-based service discovery reads them: a
// JSON array of target groups, one a device, its address the target and
// its name and group the labels brevane_device and brevane_group.
std::string PrometheusTargets(const std::vector<net::DeviceRecord>& devices);

}  // namespace scan
