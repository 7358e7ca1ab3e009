#include "scan/scan_output.h"

#include <cstdio>

namespace scan {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code points of `text` as the window decodes UTF-8: a byte that does
// not begin a valid sequence (overlong, surrogate, out of range or cut
// short) stands for U+FFFD and decoding goes on after it.
std::u32string Decode(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0, min = 0;
    if (b < 0x80) {
      out += b;
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      length = 2, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4, c = b & 0x07, min = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    out += valid ? c : kReplacement;
    i += valid ? length : 1;
  }
  return out;
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Characters that change the direction of the text after them, or take no
// room at all: shown raw, they make a name read as another and put columns
// out of line.
bool IsInvisible(char32_t c) {
  return c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2069) || c == 0xFEFF;
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string Hex(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string CsvField(std::string_view text) {
  std::string printable = Printable(text);
  // A spreadsheet takes a field beginning so for a formula and runs it.
  if (!printable.empty() && std::string_view("=+-@\t\r").find(printable[0]) != std::string::npos)
    printable.insert(0, 1, '\'');
  if (printable.find_first_of(",\"") == std::string::npos) return printable;
  std::string out = "\"";
  for (const char c : printable) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char32_t c : Decode(text)) {
    if (IsControl(c))
      out += Hex("\\x%02x", static_cast<unsigned>(c));
    else if (IsInvisible(c))
      out += Hex("\\u%04x", static_cast<unsigned>(c));
    else if (c == '\\')
      out += "\\\\";
    else
      AppendUtf8(out, c);
  }
  return out;
}

std::string TerminalText(std::string_view text) {
  std::string out;
  for (const char32_t c : Decode(text)) {
    if (IsControl(c) && c != '\n' && c != '\t')
      out += Hex("\\x%02x", static_cast<unsigned>(c));
    else if (IsInvisible(c))
      out += Hex("\\u%04x", static_cast<unsigned>(c));
    else
      AppendUtf8(out, c);
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char32_t c : Decode(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (IsControl(c) || IsInvisible(c)) {
      out += Hex("\\u%04x", static_cast<unsigned>(c));
    } else {
      AppendUtf8(out, c);
    }
  }
  return out + "\"";
}

std::size_t DisplayWidth(std::string_view printable) {
  std::size_t width = 0;
  for (const char32_t c : Decode(printable)) width += IsWide(c) ? 2 : 1;
  return width;
}

std::string Padded(const std::string& printable, std::size_t width) {
  const std::size_t used = DisplayWidth(printable);
  return printable + std::string(used < width ? width - used : 0, ' ');
}

std::string Table(const std::vector<net::DeviceRecord>& devices,
                  const std::vector<std::string>& via) {
  std::vector<std::string> heads = {"IP Address", "Device Name", "Group Name", "Firmware Version"};
  if (!via.empty()) heads.push_back("Via");
  std::vector<std::vector<std::string>> rows = {heads};
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const auto& d = devices[i];
    rows.push_back({Printable(d.Ip), Printable(d.DeviceName), Printable(d.GroupName),
                    Printable(d.FirmwareVersion)});
    if (!via.empty()) rows.back().push_back(Printable(via[i]));
  }
  std::vector<std::size_t> widths(heads.size(), 0);
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += c + 1 < row.size() ? Padded(row[c], widths[c] + 2) : row[c];
    }
    out += line + "\n";
  }
  return out;
}

std::string Csv(const std::vector<net::DeviceRecord>& devices,
                const std::vector<std::string>& via) {
  std::string out =
      via.empty() ? "address,name,group,firmware\n" : "address,name,group,firmware,via\n";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const auto& d = devices[i];
    out += CsvField(d.Ip) + "," + CsvField(d.DeviceName) + "," + CsvField(d.GroupName) + "," +
           CsvField(d.FirmwareVersion) + (via.empty() ? "" : "," + CsvField(via[i])) + "\n";
  }
  return out;
}

std::string Json(const std::vector<net::DeviceRecord>& devices,
                 const std::vector<std::string>& via) {
  std::string out = "[";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const auto& d = devices[i];
    out += std::string(i ? ",\n " : "\n ") + "{\"address\": " + JsonString(d.Ip) +
           ", \"name\": " + JsonString(d.DeviceName) + ", \"group\": " + JsonString(d.GroupName) +
           ", \"firmware\": " + JsonString(d.FirmwareVersion) +
           (via.empty() ? "" : ", \"via\": " + JsonString(via[i])) + "}";
  }
  return out + (devices.empty() ? "]\n" : "\n]\n");
}

std::string PrometheusTargets(const std::vector<net::DeviceRecord>& devices) {
  std::string out = "[";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const auto& d = devices[i];
    out += std::string(i ? ",\n " : "\n ") + "{\"targets\": [" + JsonString(d.Ip) +
           "], \"labels\": {\"brevane_device\": " + JsonString(d.DeviceName) +
           ", \"brevane_group\": " + JsonString(d.GroupName) + "}}";
  }
  return out + (devices.empty() ? "]\n" : "\n]\n");
}

}  // namespace scan
