// brevane-exporter without a network: what a probe reports of a status
// page, where credentials go, how long a probe may wait, and which
// configurations it refuses.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "exporter/config.h"
#include "exporter/exporter.h"
#include "exporter/probe.h"
#include "sim/status_page.h"

namespace {

using namespace std::chrono_literals;

// The exposition's samples, by their name and labels as written.
std::map<std::string, double> Samples(const std::string& text) {
  std::map<std::string, double> samples;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.rfind(' ');
    samples[line.substr(0, space)] = std::stod(line.substr(space + 1));
  }
  return samples;
}

TEST(ExporterDeadline, FollowsTheScrapeTimeoutLessTheMarginWithinBounds) {
  const struct {
    const char* header;
    std::chrono::milliseconds deadline;
  } cases[] = {
      {"", exporter::kDefaultDeadline},
      {"10", 9500ms},
      {" 5.5 ", 5000ms},
      {"0.3", exporter::kShortestDeadline},
      {"1e9", 15000ms},
      {"nan", exporter::kDefaultDeadline},
      {"inf", exporter::kDefaultDeadline},
      {"-1", exporter::kDefaultDeadline},
      {"0", exporter::kDefaultDeadline},
      {"10s", exporter::kDefaultDeadline},
      {"abc", exporter::kDefaultDeadline},
      {"1.5\x1b[2J", exporter::kDefaultDeadline},
  };
  for (const auto& c : cases) EXPECT_EQ(exporter::ProbeDeadline(c.header), c.deadline) << c.header;
}

TEST(ExporterSizes, ReadAsThePageWritesThemInPowersOf1024) {
  const struct {
    const char* text;
    std::optional<double> bytes;
  } cases[] = {
      {" 465.8 GB ", 465.8 * (1 << 30)},
      {"512 MB", 512.0 * (1 << 20)},
      {"1.5tb", 1.5 * 1099511627776.0},
      {"7 B", 7},
      {"GB", std::nullopt},
      {".5 GB", std::nullopt},
      {"5 PB", std::nullopt},
      {"", std::nullopt},
      {"1.2.3 GB", std::nullopt},
      {"12 GB extra", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(exporter::SizeInBytes(c.text), c.bytes) << c.text;
}

TEST(ExporterLabels, DeviceTextIsPrintableAndBounded) {
  EXPECT_EQ(exporter::LabelValue("NAS\x1b[2J\xff"), "NAS\\x1b[2J\xEF\xBF\xBD");
  const std::string long_name(10000, 'x');
  EXPECT_EQ(exporter::LabelValue(long_name).size(), exporter::kMaxLabelBytes);
  // Never cut inside a character.
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xE7\x85\xA7";
  const std::string cut = exporter::LabelValue(wide);
  EXPECT_LE(cut.size(), exporter::kMaxLabelBytes);
  EXPECT_EQ(cut.size() % 3, 0u);
}

sim::DeviceState Device() {
  sim::DeviceState s;
  s.name = "NAS1";
  s.group = "HOME";
  s.firmware = "2.1.07";
  s.ip = "10.77.0.11";
  s.total_mb = 1024 * 100;
  s.used_mb = 1024 * 25;
  s.idle_minutes = 15;
  s.dhcp_server = true;
  s.ftp_anonymous = true;
  s.folders = {{"PUBLIC", true, ""}, {"photos", false, ""}, {"music", true, ""}};
  s.accounts = {{1, "amy", "pw", true, true, {}}, {2, "bob", "pw", false, true, {}}};
  s.scan_messages = {"Scan started", "Bad sector at block 1048576"};
  return s;
}

// A reading that records where each request went and with what.
struct Recorded {
  std::vector<std::string> calls;
  net::PageReply reply;
  exporter::PageReading Reading() {
    exporter::PageReading reading;
    reading.with_credentials = [this](const std::string& address, const std::string& user,
                                      const std::string& password, const std::string& path) {
      calls.push_back("credentials " + address + " " + user + ":" + password + " " + path);
      return reply;
    };
    reading.without = [this](const std::string& address, const std::string& path) {
      calls.push_back("none " + address + " " + path);
      return reply;
    };
    return reading;
  }
};

exporter::Config Listed() {
  return exporter::ParseConfig(
      "auths:\n  office:\n    password: s3cret\ntargets:\n  10.77.0.11: office\n");
}

TEST(ExporterProbe, AStatusPageBecomesTheDevicesMetrics) {
  Recorded device;
  device.reply = {"HTTP/1.0 200 OK\r\n\r\n", sim::RenderStatusPage(Device()), 200};
  exporter::Exporter pages(Listed(), device.Reading());
  const exporter::Reply reply = pages.ProbePage({"10.77.0.11"}, "2");
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.content_type, exporter::kExpositionType);
  const auto m = Samples(reply.body);
  EXPECT_EQ(m.at("brevane_up"), 1);
  EXPECT_EQ(m.at("brevane_probe_http_status_code"), 200);
  EXPECT_EQ(m.at("brevane_probe_credentials"), 1);
  EXPECT_EQ(m.at("brevane_info{name=\"NAS1\",group=\"HOME\",firmware=\"2.1.07\","
                 "mac=\"00:1B:2C:3D:4E:5F\",disk=\"SIM-DISK 500GBSN 0001\"}"),
            1);
  EXPECT_EQ(m.at("brevane_disk_size_bytes"), 100.0 * (1 << 30));
  EXPECT_EQ(m.at("brevane_disk_free_bytes"), 75.0 * (1 << 30));
  EXPECT_EQ(m.at("brevane_disk_sleep_seconds"), 900);
  EXPECT_EQ(m.at("brevane_disk_scan_messages"), 2);
  EXPECT_EQ(m.at("brevane_folders"), 3);
  EXPECT_EQ(m.at("brevane_shared_folders"), 2);
  EXPECT_EQ(m.at("brevane_ftp_enabled"), 1);
  EXPECT_EQ(m.at("brevane_ftp_anonymous_enabled"), 1);
  EXPECT_EQ(m.at("brevane_ftp_accounts"), 2);
  EXPECT_EQ(m.at("brevane_dhcp_server_enabled"), 1);
  EXPECT_EQ(m.at("brevane_dhcp_client_enabled"), 0);
  EXPECT_EQ(m.at("brevane_sntp_enabled"), 0);
  EXPECT_EQ(device.calls,
            std::vector<std::string>{"credentials 10.77.0.11 admin:s3cret /utility_use.htm"});
}

TEST(ExporterProbe, AnUnlistedAddressIsAskedWithoutCredentials) {
  Recorded device;
  device.reply = {"HTTP/1.0 401 Unauthorized\r\n\r\n", "<HTML>401</HTML>", 401};
  exporter::Exporter pages(Listed(), device.Reading());
  const auto m = Samples(pages.ProbePage({"10.77.0.12"}, "").body);
  EXPECT_EQ(m.at("brevane_up"), 0);
  EXPECT_EQ(m.at("brevane_probe_http_status_code"), 401);
  EXPECT_EQ(m.at("brevane_probe_credentials"), 0);
  EXPECT_EQ(m.count("brevane_info"), 0u);
  // A refusal is an answer: asked once, never with the listed password.
  EXPECT_EQ(device.calls, std::vector<std::string>{"none 10.77.0.12 /utility_use.htm"});
}

TEST(ExporterProbe, ADeviceThatSaysNothingIsDownWithinTheDeadline) {
  Recorded device;  // no reply at all, every attempt
  exporter::Exporter pages(Listed(), device.Reading());
  const auto start = std::chrono::steady_clock::now();
  const auto m = Samples(pages.ProbePage({"10.77.0.11"}, "0.6").body);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(m.at("brevane_up"), 0);
  EXPECT_EQ(m.at("brevane_probe_http_status_code"), 0);
  EXPECT_GE(device.calls.size(), 2u);  // retried, as the program retries a page read
}

TEST(ExporterProbe, ARequestThatNamesNoSingleAddressProbesNothing) {
  Recorded device;
  exporter::Exporter pages(Listed(), device.Reading());
  const std::vector<std::vector<std::string>> refused = {
      {},
      {""},
      {"10.77.0.11", "10.77.0.12"},
      {"nas1.local"},
      {"10.77.0.11:80"},
      {"10.77.0.011"},
      {std::string(1 << 20, '1')},
      {"10.77.0.11\r\nX-Injected: 1"},
  };
  for (const auto& targets : refused) {
    const exporter::Reply reply = pages.ProbePage(targets, "");
    EXPECT_EQ(reply.status, 400);
    EXPECT_LT(reply.body.size(), 200u);
    EXPECT_EQ(reply.body.find('\r'), std::string::npos);
  }
  EXPECT_TRUE(device.calls.empty());
  EXPECT_NE(pages.MetricsPage().body.find("brevane_exporter_probes_total{result=\"refused\"} 8"),
            std::string::npos);
}

TEST(ExporterConfig, ListsCredentialsByAddress) {
  const auto config = exporter::ParseConfig(
      "auths:\n"
      "  office: {user: root, password: \"p: #1\"}\n"
      "  home:\n    password: ''\n"
      "targets:\n"
      "  10.77.0.11: office\n"
      "  10.77.0.12: home\n");
  ASSERT_NE(config.For("10.77.0.11"), nullptr);
  EXPECT_EQ(config.For("10.77.0.11")->user, "root");
  EXPECT_EQ(config.For("10.77.0.11")->password, "p: #1");
  EXPECT_EQ(config.For("10.77.0.12")->user, "admin");
  EXPECT_EQ(config.For("10.77.0.12")->password, "");
  EXPECT_EQ(config.For("10.77.0.13"), nullptr);
  EXPECT_TRUE(exporter::ParseConfig("").targets.empty());
}

TEST(ExporterConfig, RefusesWhatWouldSendAPasswordAstrayAndNeverSaysOne) {
  const struct {
    const char* text;
    const char* said;
  } cases[] = {
      {"auths: {a: {password: s3cret}}\ntarget:\n  10.0.0.1: a\n", "unknown key target"},
      {"auths: {a: {password: s3cret}, a: {password: other}}\n", "has a twice"},
      {"auths: {a: {password: s3cret}}\ntargets: {10.0.0.1: a, 10.0.0.1: a}\n",
       "has 10.0.0.1 twice"},
      {"auths: {a: {password: s3cret}}\ntargets: {nas1.local: a}\n", "not an IPv4 address"},
      {"auths: {a: {password: s3cret}}\ntargets: {10.0.0.1: b}\n", "names no auth"},
      {"auths: {a: {user: admin}}\n", "has no password"},
      {"auths: {a: {password: [s3cret]}}\n", "password is not a text"},
      {"auths: {a: {pasword: s3cret}}\n", "unknown key pasword"},
      {"auths: {a: {password: \"s3cret\n", "not YAML"},
      {"- s3cret\n", "not a mapping"},
  };
  for (const auto& c : cases) {
    try {
      exporter::ParseConfig(c.text);
      ADD_FAILURE() << "taken: " << c.text;
    } catch (const exporter::ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(c.said), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("s3cret"), std::string::npos) << e.what();
    }
  }
}

TEST(ExporterConfig, AFileOthersMayReadIsRefused) {
  char path[] = "/tmp/brevane-exporter-test.XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::ofstream(path) << "auths: {a: {password: s3cret}}\ntargets: {10.0.0.1: a}\n";
  for (const mode_t mode : {0644, 0640, 0604, 0620, 0602}) {
    ::chmod(path, mode);
    EXPECT_THROW(exporter::LoadConfig(path), exporter::ConfigError) << std::oct << mode;
  }
  ::chmod(path, 0600);
  EXPECT_EQ(exporter::LoadConfig(path).For("10.0.0.1")->password, "s3cret");
  ::chmod(path, 0400);
  EXPECT_NO_THROW(exporter::LoadConfig(path));
  std::remove(path);
  EXPECT_THROW(exporter::LoadConfig(path), exporter::ConfigError);
  EXPECT_THROW(exporter::LoadConfig("/tmp"), exporter::ConfigError);
}

}  // namespace
