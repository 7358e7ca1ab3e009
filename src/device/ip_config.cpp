#include "device/ip_config.h"

#include <cstdint>
#include <optional>

#include "device/text.h"
#include "i18n/translate.h"
#include "net/ipv4.h"
#include "net/page_values.h"
#include "net/url.h"

namespace device {

namespace {

std::uint32_t Number(const std::string& dotted) {
  return net::ParseIPv4(dotted).value_or(0);
}

Refusal Refuse(const char* label, const std::string& text, const char* why, int field) {
  return {{i18n::Translate(label) + ": \"" + text + "\" " + i18n::Translate(why),
           i18n::Translate("IP Information")},
          field};
}

// What makes four good numbers a setting the device cannot be reached by.
std::optional<Refusal> CheckReachable(const AddressSettings& s) {
  const std::uint32_t ip = Number(s.ip), mask = Number(s.mask);
  // Ones first, then zeros, and at least one of each.
  if (mask == 0 || (~mask & (~mask + 1)) != 0)
    return Refuse("Subnet Mask", s.mask,
                  "is not a subnet mask: its ones must all come before its zeros.", 1);
  auto unusable = [mask](std::uint32_t a) {
    const std::uint32_t top = a >> 24;
    return top == 0 || top == 127 || top >= 224 || (a & ~mask) == 0 || (a & ~mask) == ~mask;
  };
  constexpr char kNoHost[] =
      "cannot be a device's address: it is reserved, or the network or broadcast address of "
      "its subnet.";
  if (unusable(ip)) return Refuse("IP Address", s.ip, kNoHost, 0);
  if (!s.gateway.empty()) {
    const std::uint32_t gateway = Number(s.gateway);
    if ((gateway & mask) != (ip & mask))
      return Refuse("Gateway", s.gateway, "is not on the subnet of the IP address and its mask.",
                    2);
    if (unusable(gateway)) return Refuse("Gateway", s.gateway, kNoHost, 2);
  }
  return std::nullopt;
}

}  // namespace

AddressSettings ShowIpConfig(const std::string& page) {
  AddressSettings shown;
  shown.automatic = net::PageValue(page, "ip_type=\"") == "DHCP CLIENT";
  shown.ip = net::PageValue(page, "ip=\"");
  shown.mask = net::PageValue(page, "submask=\"");
  shown.gateway = net::PageValue(page, "gateway=\"");
  shown.primary_dns = net::PageValue(page, "pdns=\"");
  shown.secondary_dns = net::PageValue(page, "sdns=\"");
  return shown;
}

Plan SetAddress(const std::string& address, const AddressSettings& settings) {
  const std::string head = "http://" + address;
  if (settings.automatic)
    return Command{
        head + "/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply&ifname=",
        "if_cgi.htm", true, "IP Address", Then::FindAgain};
  // A fixed address that is not an address would leave the device
  // unreachable: refused before anything is sent.
  static const char* const kAddressLabels[] = {"IP Address", "Subnet Mask", "Gateway",
                                               "Primary DNS", "Secondary DNS"};
  const std::string* texts[] = {&settings.ip, &settings.mask, &settings.gateway,
                                &settings.primary_dns, &settings.secondary_dns};
  for (int field = 0; field < 5; ++field) {
    const std::string& text = *texts[field];
    // The gateway and the name servers may be left empty.
    if ((text.empty() && field >= 2) || IsDottedAddress(text)) continue;
    return Refusal{{i18n::Translate(kAddressLabels[field]) + ": \"" + text + "\" " +
                        i18n::Translate("is not an address. Enter four numbers from 0 to 255 "
                                        "separated by dots."),
                    i18n::Translate("IP Information")},
                   field};
  }
  if (auto refused = CheckReachable(settings)) return *refused;
  const auto typed = [](const std::string& text) { return net::EscapeQueryText(text); };
  return Command{head + "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=" +
                     typed(settings.ip) + "&submask=" + typed(settings.mask) + "&gateway=" +
                     typed(settings.gateway) + "&pdns=" + typed(settings.primary_dns) +
                     "&sdns=" + typed(settings.secondary_dns),
                 "if_cgi.htm",
                 true,
                 "IP Address",
                 Then::FollowAddress,
                 settings.ip};
}

}  // namespace device
