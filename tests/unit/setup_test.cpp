// A device's setup: the changes that make a device match one, in an order
// the device takes, and the file that carries it.

#include <gtest/gtest.h>

#include "ctl/arguments.h"
#include "ctl/setup_file.h"
#include "device/setup.h"
#include "device/text.h"
#include "sim/status_page.h"

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

// Plan, then act: before the first request the plan holds the rules'
// word on what will be sent (and only on that), the new passwords, the
// deletions to ask about and the account pages to read.
TEST(SetupPlan, ChecksOnlyWhatItSendsAndGathersWhatItNeedsFirst) {
  device::Setup odd = Office();
  odd.folders.push_back({"my folder", false, false});  // names the device holds, as they are
  odd.folders.push_back({"ABCDEFGHIJKLM", true, false});
  device::Setup unread = Office();
  unread.accounts[0].folders_known = false;  // bob's page not shown
  device::Setup bad_folder = Office();
  bad_folder.folders.push_back({"a b", false, false});
  device::Setup two_new = Office();
  two_new.folders.push_back({"vault", false, true});
  two_new.accounts.push_back({"amy", true, true, {"vault"}});
  two_new.accounts.push_back({"zoe", true, false, {}});
  device::Setup nowhere = Office();
  nowhere.accounts[0].folders = {"PUBLIC", "nowhere"};
  device::Setup german = Office();
  german.language = "Deutsch";
  struct Case {
    const char* name;
    device::Setup has, wanted;
    device::ApplyChoices choices;
    bool refused;
    std::vector<std::string> passwords, deletions, to_read;
  };
  const Case cases[] = {
      {"a device's own backup restores to it", odd, odd, {true, true}, false, {}, {}, {}},
      {"a new name the rules refuse", Office(), bad_folder, {}, true, {}, {}, {}},
      {"every new account and protected folder gets a password",
       Office(),
       two_new,
       {},
       false,
       {"folder vault", "account amy", "account zoe"},
       {},
       {}},
      {"deletions are asked first",
       two_new,
       Office(),
       {false, true},
       false,
       {},
       {"account amy: delete", "account zoe: delete", "folder vault: delete"},
       {}},
      {"an account page read only when its folders are set",
       unread,
       Office(),
       {},
       false,
       {},
       {},
       {"bob"}},
      {"a folder given that the device would not have", Office(), nowhere, {}, true, {}, {}, {}},
      {"a language the device does not offer", Office(), german, {}, true, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const device::SetupPlan plan = device::PlanSetup(c.has, c.wanted, c.choices, {"English"});
    EXPECT_EQ(plan.refused.has_value(), c.refused) << c.name;
    EXPECT_EQ(plan.passwords, c.passwords) << c.name;
    EXPECT_EQ(plan.deletions, c.deletions) << c.name;
    EXPECT_EQ(plan.accounts_to_read, c.to_read) << c.name;
  }
  // Without the page of an account, its folders are not compared at all.
  unread.accounts[0].folders.clear();
  EXPECT_TRUE(device::Differences(unread, Office(), {}).empty());
}

// A file leaves what it does not say as the device has it, down to a
// folder's or an account's members; names twice are refused.
TEST(SetupFile, WhatAFileLeavesOutStaysAsTheDeviceHasIt) {
  device::Setup has = Office();
  has.accounts[0].read_only = false;
  const device::Setup wanted = ctl::ReadSetup(
      R"({"brevane_setup": 1, "folders": [{"name": "public"}], "accounts": [{"name": "BOB"}]})",
      has);
  EXPECT_TRUE(device::Differences(has, wanted, {true, true}).empty());
  for (const char* twice :
       {R"({"brevane_setup": 1, "folders": [{"name": "a"}, {"name": "A"}]})",
        R"({"brevane_setup": 1, "accounts": [{"name": "b"}, {"name": "b"}]})"}) {
    EXPECT_THROW(ctl::ReadSetup(twice, {}), ctl::Failure) << twice;
  }
}

// A status page read only in part is no setup: a backup of it would
// restore a zone and a sleep time the device does not have.
TEST(SetupOfPage, APageReadInPartIsNoSetup) {
  sim::DeviceState state;
  state.ip = "10.0.0.2";
  const std::string whole = sim::RenderStatusPage(state);
  EXPECT_NO_THROW(device::SetupOfPage(whole));
  for (const std::size_t cut :
       {std::size_t{0}, whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4})
    EXPECT_THROW(device::SetupOfPage(whole.substr(0, cut)), device::ConversionError) << cut;
}

}  // namespace
