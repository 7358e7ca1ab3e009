// What brevane-scan prints: texts as the window shows them, never a control
// character from a device, columns aligned, CSV and JSON well-formed.

#include "scan/scan_output.h"
#include "scan/watch.h"

#include <gtest/gtest.h>

namespace {

using net::DeviceRecord;

TEST(ScanOutput, PrintableTextsKeepUtf8AndEscapeEverythingElse) {
  EXPECT_EQ(scan::Printable("NAS-1"), "NAS-1");
  EXPECT_EQ(scan::Printable("\xE7\x85\xA7\xE7\x89\x87"), "\xE7\x85\xA7\xE7\x89\x87");
  // Terminal escapes, a bell, DEL and the C1 CSI never reach the terminal.
  EXPECT_EQ(scan::Printable("a\x1b[2Jb\x07\x7f"), "a\\x1b[2Jb\\x07\\x7f");
  EXPECT_EQ(scan::Printable("\xC2\x9B"
                            "31m"),
            "\\x9b31m");
  EXPECT_EQ(scan::Printable("back\\slash"), "back\\\\slash");
  // Bytes that are not UTF-8 show as the window shows them: U+FFFD each.
  EXPECT_EQ(scan::Printable("x\xff\xC0\xAFy\xE7\x85"),
            "x\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDy"
            "\xEF\xBF\xBD\xEF\xBF\xBD");
  // Direction overrides and isolates, and characters without width.
  EXPECT_EQ(scan::Printable("NAS\xE2\x80\xAE"
                            "10-KCAB\xE2\x81\xA6x\xE2\x80\x8By\xEF\xBB\xBF"),
            "NAS\\u202e10-KCAB\\u2066x\\u200by\\ufeff");
  EXPECT_EQ(scan::DisplayWidth("\xE7\x85\xA7\xE7\x89\x87"
                               "ab"),
            6u);
}

TEST(ScanOutput, TableCsvAndJson) {
  const std::vector<DeviceRecord> devices = {
      {"10.0.0.2", "NAS", "HOME", "2.1"},
      {"10.0.0.10", "\xE7\x85\xA7\xE7\x89\x87", "a,\"b\"", "1\n0"}};
  EXPECT_EQ(scan::Table(devices),
            "IP Address  Device Name  Group Name  Firmware Version\n"
            "10.0.0.2    NAS          HOME        2.1\n"
            "10.0.0.10   \xE7\x85\xA7\xE7\x89\x87         a,\"b\"       1\\x0a0\n");
  EXPECT_EQ(scan::Csv(devices),
            "address,name,group,firmware\n"
            "10.0.0.2,NAS,HOME,2.1\n"
            "10.0.0.10,\xE7\x85\xA7\xE7\x89\x87,\"a,\"\"b\"\"\",1\\x0a0\n");
  EXPECT_EQ(scan::Json(devices),
            "[\n {\"address\": \"10.0.0.2\", \"name\": \"NAS\", \"group\": \"HOME\", "
            "\"firmware\": \"2.1\"},\n"
            " {\"address\": \"10.0.0.10\", \"name\": \"\xE7\x85\xA7\xE7\x89\x87\", "
            "\"group\": \"a,\\\"b\\\"\", \"firmware\": \"1\\u000a0\"}\n]\n");
  EXPECT_EQ(scan::Json({}), "[]\n");
  // Where each answer came from, when it is said.
  const std::vector<std::string> via = {"eth0", "address"};
  EXPECT_EQ(scan::Table(devices, via)
                .rfind("IP Address  Device Name  Group Name  Firmware Version  Via\n", 0),
            0u);
  EXPECT_NE(scan::Table(devices, via).find("2.1               eth0\n"), std::string::npos);
  EXPECT_NE(scan::Csv(devices, via).find("firmware,via\n10.0.0.2,NAS,HOME,2.1,eth0\n"),
            std::string::npos);
  EXPECT_NE(scan::Json(devices, via).find("\"firmware\": \"2.1\", \"via\": \"eth0\"}"),
            std::string::npos);
}

TEST(ScanOutput, CsvNeverHandsASpreadsheetAFormulaAndJsonStaysExact) {
  const std::vector<DeviceRecord> devices = {{"10.0.0.2", "=cmd|'/C calc'!A0", "+1+1", "-2+3"},
                                             {"10.0.0.3", "@SUM(1)", "a=b", "\xE2\x80\xAEx"}};
  EXPECT_EQ(scan::Csv(devices),
            "address,name,group,firmware\n"
            "10.0.0.2,'=cmd|'/C calc'!A0,'+1+1,'-2+3\n"
            "10.0.0.3,'@SUM(1),a=b,\\u202ex\n");
  EXPECT_EQ(scan::Json(devices),
            "[\n {\"address\": \"10.0.0.2\", \"name\": \"=cmd|'/C calc'!A0\", \"group\": "
            "\"+1+1\", \"firmware\": \"-2+3\"},\n"
            " {\"address\": \"10.0.0.3\", \"name\": \"@SUM(1)\", \"group\": \"a=b\", "
            "\"firmware\": \"\\u202ex\"}\n]\n");
}

TEST(ScanOutput, PrometheusTargetsAreOneGroupADeviceInValidUtf8) {
  const std::vector<DeviceRecord> devices = {{"10.0.0.2", "NAS", "HOME", "2.1"},
                                             {"10.0.0.3", "x\xff\"y\n", "\xE2\x80\xAE", "1"}};
  EXPECT_EQ(scan::PrometheusTargets(devices),
            "[\n {\"targets\": [\"10.0.0.2\"], \"labels\": {\"brevane_device\": \"NAS\", "
            "\"brevane_group\": \"HOME\"}},\n"
            " {\"targets\": [\"10.0.0.3\"], \"labels\": {\"brevane_device\": "
            "\"x\xEF\xBF\xBD\\\"y\\u000a\", \"brevane_group\": \"\\u202e\"}}\n]\n");
  // No device: an empty list, which Prometheus reads as no targets.
  EXPECT_EQ(scan::PrometheusTargets({}), "[]\n");
}

TEST(DeviceList, FirstReplyFromAnAddressWinsUpToTheCap) {
  net::DeviceList list;
  EXPECT_TRUE(list.Add({"10.0.0.1", "A", "G", "1"}));
  EXPECT_FALSE(list.Add({"10.0.0.1", "B", "G", "2"}));
  EXPECT_TRUE(list.Add({"10.0.0.2", "C", "G", "1"}));
  ASSERT_EQ(list.Devices().size(), 2u);
  EXPECT_EQ(list.Devices()[0].DeviceName, "A");
  for (std::size_t i = 0; list.Devices().size() < net::DeviceList::kMaxDevices; ++i)
    list.Add({"172.16." + std::to_string(i / 256) + "." + std::to_string(i % 256), "X", "G", "1"});
  EXPECT_FALSE(list.Add({"192.168.0.1", "late", "G", "1"}));
  EXPECT_EQ(list.Devices().size(), net::DeviceList::kMaxDevices);
  list.Clear();
  EXPECT_TRUE(list.Add({"10.0.0.1", "B", "G", "2"}));
}

}  // namespace

namespace {

// A watch over scan after scan: what each scan's answers make of what the
// earlier ones found.
TEST(ScanWatch, EachChangeIsOneEventAndAGoneDeviceIsForgotten) {
  auto d = [](const std::string& ip, const std::string& name, const std::string& firmware) {
    return net::DeviceRecord{ip, name, "HOME", firmware};
  };
  scan::Watch watch;
  const std::vector<std::pair<std::vector<net::DeviceRecord>, std::vector<std::string>>> scans = {
      {{d("10.0.0.1", "NAS", "1.0"), d("10.0.0.2", "BOX", "1.0")},
       {"appeared  10.0.0.1  NAS/HOME  1.0", "appeared  10.0.0.2  BOX/HOME  1.0"}},
      // The same answers: nothing to say.
      {{d("10.0.0.1", "NAS", "1.0"), d("10.0.0.2", "BOX", "1.0")}, {}},
      // NAS answers elsewhere and is silent where it was; BOX is renamed
      // and has new firmware.
      {{d("10.0.0.9", "NAS", "1.0"), d("10.0.0.2", "CUBE", "1.1")},
       {"moved  10.0.0.9  NAS/HOME  1.0  (was 10.0.0.1)",
        "renamed  10.0.0.2  CUBE/HOME  1.1  (was BOX/HOME)",
        "firmware  10.0.0.2  CUBE/HOME  1.1  (was 1.0)"}},
      // One silent scan is a lost reply; the second makes it gone.
      {{d("10.0.0.9", "NAS", "1.0")}, {}},
      {{d("10.0.0.9", "NAS", "1.0")}, {"disappeared  10.0.0.2  CUBE/HOME  1.1"}},
      // Back again: a device of its own.
      {{d("10.0.0.9", "NAS", "1.0"), d("10.0.0.2", "CUBE", "1.1")},
       {"appeared  10.0.0.2  CUBE/HOME  1.1"}},
  };
  for (std::size_t i = 0; i < scans.size(); ++i) {
    std::vector<std::string> lines;
    for (const auto& e : watch.Scan(scans[i].first)) {
      std::string line = scan::EventLine(e);
      lines.push_back(line.substr(0, line.size() - 1));
    }
    EXPECT_EQ(lines, scans[i].second) << "scan " << i;
  }
  EXPECT_EQ(
      scan::EventJson({scan::WatchEvent::Kind::Moved, d("10.0.0.9", "NAS", "1.0"), "10.0.0.1"}),
      "{\"event\": \"moved\", \"address\": \"10.0.0.9\", \"name\": \"NAS\", \"group\": "
      "\"HOME\", \"firmware\": \"1.0\", \"before\": \"10.0.0.1\"}\n");
}

}  // namespace
