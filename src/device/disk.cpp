#include "device/disk.h"

#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/url.h"

namespace device {

using i18n::Translate;

namespace {
constexpr char kStoTag[] = "sto.htm";
constexpr char kScanDisk[] = "Scan Disk";
}  // namespace

DiskView ShowDisk(const std::string& page) {
  // The device ends this line without CR, so the value read runs on: the
  // sleep time is what stands before its first quote and semicolon.
  const std::string idle = net::PageValue(page, "disk_idle_value=\"");
  const auto end = idle.find("\";");
  const std::string minutes = end == std::string::npos ? "" : idle.substr(0, end);
  return {minutes.empty() ? "0" : minutes, net::PageValue(page, "disk_fix_enable=\"") != "DISABLE",
          ScanMessagesOf(page)};
}

std::string ScanMessagesOf(const std::string& page) {
  return net::ScanMessages(net::PageValue(page, "disk_scan=\""));
}

Command Format(const std::string& address) {
  return {NasUrl(address, "sto_ok.htm", "IDE_init"), kStoTag};
}

Message ConfirmFormat() {
  return {Translate("This will format the hard disk and erase all data from the disk!") + "\n" +
              Translate("Are you sure?"),
          Translate("Disk Tools"), Icon::Question};
}

Plan SetSleepTime(const std::string& address, const std::string& typed) {
  // Not a number: the conversion's own message, and nothing is sent.
  const int minutes = ToInteger(typed);
  if (minutes != 0 && (minutes < 5 || minutes > 60))
    return Refusal{Say("Invalid Sleep Time", "Disk Tools")};
  return Command{NasUrl(address, "sto.htm", "ide_set&idle=" + net::EscapeQueryText(typed)), kStoTag,
                 true, "Sleep Time"};
}

Command StartScan(const std::string& address) {
  return {NasUrl(address, "sto.htm", "ide_scandisk_start"), kStoTag};
}

Message ConfirmScan() {
  return Say("This operation will take some time to complete! Continue?", kScanDisk,
             Icon::Question);
}

Command ClearScanMessages(const std::string& address) {
  return {NasUrl(address, "sto.htm", "ide_fixdisk_start"), kStoTag};
}

Message ConfirmClearScanMessages() {
  return Say("Are you sure to clear scan result?", kScanDisk, Icon::Question);
}

}  // namespace device
