#include "core/subnet.h"

#include <cctype>
#include <optional>

namespace core {
namespace {

// Takes the text before the next "." (or the whole remaining text when
// there is none); a "." found is removed with its part, otherwise the text
// stays as it is.
std::string NextPart(std::string& text) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) return text;
  std::string part = text.substr(0, dot);
  text.erase(0, dot + 1);
  return part;
}

std::optional<unsigned long> Number(const std::string& part) {
  if (part.empty() || part.size() > 9) return std::nullopt;
  for (char c : part)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::stoul(part);
}

}  // namespace

bool SameSubnet(const std::string& device_ip, const std::string& local_ip,
                const std::string& local_mask) {
  if (local_ip.empty() && local_mask.empty()) return true;
  std::string device = device_ip, local = local_ip, mask = local_mask;
  std::string local_network, device_network;
  for (int i = 0; i < 4; ++i) {
    const auto d = Number(NextPart(device));
    const auto l = Number(NextPart(local));
    const auto m = Number(NextPart(mask));
    if (!d || !l || !m) return false;
    local_network += std::to_string(*l & *m) + ".";
    device_network += std::to_string(*d & *m) + ".";
  }
  return local_network == device_network;
}

}  // namespace core
