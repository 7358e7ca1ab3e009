#include "device/ip_config.h"

#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/url.h"

namespace device {

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
        "if_cgi.htm", true, "IP Address"};
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
  const auto typed = [](const std::string& text) { return net::EscapeQueryText(text); };
  return Command{head + "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=" +
                     typed(settings.ip) + "&submask=" + typed(settings.mask) + "&gateway=" +
                     typed(settings.gateway) + "&pdns=" + typed(settings.primary_dns) +
                     "&sdns=" + typed(settings.secondary_dns),
                 "if_cgi.htm", true, "IP Address"};
}

}  // namespace device
