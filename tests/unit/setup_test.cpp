// A device's setup: the changes that make a device match one, in an order
// the device takes, and the file that carries it.

#include <gtest/gtest.h>

#include "ctl/arguments.h"
#include "ctl/setup_file.h"
#include "device/setup.h"

namespace {

using device::Change;
using K = device::Change::Kind;

device::Setup Office() {
  device::Setup s;
  s.host = "NAS1";
  s.group = "HOME";
  s.address.ip = "10.0.0.2";
  s.address.mask = "255.255.255.0";
  s.folders = {{"PUBLIC", true, false}};
  s.accounts = {{"bob", true, true, {"PUBLIC"}}};
  return s;
}

std::vector<K> Kinds(const std::vector<Change>& changes) {
  std::vector<K> kinds;
  for (const auto& c : changes) kinds.push_back(c.kind);
  return kinds;
}

TEST(SetupDifferences, OnlyWhatDiffersInAnOrderTheDeviceTakes) {
  device::Setup clone = Office();
  clone.host = "NAS9";
  clone.address.ip = "10.0.0.9";
  device::Setup cased = Office();
  cased.folders[0].name = "public";
  cased.accounts[0].folders = {"Public"};
  device::Setup grown = Office();
  grown.folders.push_back({"docs", true, true});
  grown.anonymous_home = "docs";
  grown.accounts = {{"amy", false, false, {"docs"}}};
  grown.sleep_minutes = 15;
  grown.address.ip = "10.0.0.3";
  struct Case {
    const char* name;
    device::Setup wanted;
    device::ApplyChoices choices;
    std::vector<K> kinds;
  };
  const Case cases[] = {
      {"the same", Office(), {}, {}},
      {"another device's identity stays its own", clone, {}, {}},
      {"a restore sets it, the address last", clone, {true, false}, {K::Names, K::Address}},
      {"names compare as the device compares them", cased, {}, {}},
      {"folders first, deletions after, the address last",
       grown,
       {true, true},
       {K::CreateFolder, K::SecureFolder, K::ShareFolder, K::Anonymous, K::CreateAccount,
        K::AccountEnabled, K::GiveFolder, K::DeleteAccount, K::Sleep, K::Address}},
      {"nothing deleted unless asked",
       grown,
       {},
       {K::CreateFolder, K::SecureFolder, K::ShareFolder, K::Anonymous, K::CreateAccount,
        K::AccountEnabled, K::GiveFolder, K::Sleep}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Kinds(device::Differences(Office(), c.wanted, c.choices)), c.kinds) << c.name;
}

TEST(SetupFile, WrittenAndReadBackWholeAndAPartialFileLeavesTheRest) {
  device::Setup s = Office();
  s.language = "Deutsch \"neu\"";
  s.zone = -5;
  EXPECT_TRUE(device::Differences(s, ctl::ReadSetup(ctl::SetupJson(s), {}), {true, true}).empty());
  const device::Setup partial =
      ctl::ReadSetup(R"({"brevane_setup": 1, "disk": {"sleep_minutes": 30}})", Office());
  EXPECT_EQ(Kinds(device::Differences(Office(), partial, {true, true})), std::vector<K>{K::Sleep});
  for (const char* bad :
       {R"({"brevane_setup": 2})", R"({"names": {}})", R"({"brevane_setup": 1, "folders": {}})",
        R"({"brevane_setup": 1, "time": {"zone": 13}})",
        R"({"brevane_setup": 1, "accounts": [{"name": "x", "enabled": "yes"}]})", "[1]"}) {
    try {
      ctl::ReadSetup(bad, {});
      ADD_FAILURE() << bad;
    } catch (const ctl::Failure& f) {
      EXPECT_EQ(f.status, 2) << bad;
    }
  }
}

}  // namespace
