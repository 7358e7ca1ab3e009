// What brevane-ctl reads from files the person names: strict JSON within
// bounds, and the devices of a --devices file.

#include <gtest/gtest.h>

#include "ctl/arguments.h"
#include "ctl/json_value.h"
#include "ctl/many.h"

namespace {

using ctl::JsonValue;

TEST(CtlJson, TakesStrictJsonOnlyAndSaysWhereItStopped) {
  const JsonValue v = JsonValue::Parse(
      R"( {"a": [1, -2, 3.5e2, true, false, null], "b": "\u00e9\ud83d\ude00\n\"", "c": {}} )");
  ASSERT_TRUE(v.IsObject());
  const auto& a = v.Find("a")->Items();
  ASSERT_EQ(a.size(), 6u);
  EXPECT_EQ(a[1].Integer(), -2);
  EXPECT_EQ(a[2].Integer(), std::nullopt);  // not a whole number
  EXPECT_EQ(a[3].Bool(), true);
  EXPECT_EQ(a[4].Bool(), false);
  EXPECT_EQ(a[5].kind(), JsonValue::Kind::Null);
  EXPECT_EQ(v.Find("b")->Text(), "\xC3\xA9\xF0\x9F\x98\x80\n\"");
  EXPECT_EQ(v.Find("b")->Integer(), std::nullopt);
  EXPECT_EQ(v.Find("none"), nullptr);

  const std::string deep(40, '[');
  for (const std::string& bad :
       {std::string("{\"a\": 1,}"), std::string("[01]"), std::string("[1.]"), std::string("'a'"),
        std::string("\"\\ud800\""), std::string("\"tab\there\""), std::string("[1] [2]"),
        std::string("{\"a\" 1}"), std::string("[\"\\x\"]"), std::string("tru"), std::string(""),
        deep}) {
    try {
      JsonValue::Parse(bad);
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("not JSON at line 1: ", 0), 0u) << bad;
    }
  }
  EXPECT_EQ(JsonValue::Parse("99999999999999999999").Integer(), std::nullopt);
}

TEST(CtlDevicesFile, ReadsScanOutputOrADeviceALine) {
  struct Case {
    const char* file;
    std::vector<std::vector<std::string>> devices;  // address, name, group
  };
  const Case cases[] = {
      {R"([{"address": "10.0.0.2", "name": "NAS1", "group": "HOME", "firmware": "1.0"},
           {"address": "10.0.0.3"}])",
       {{"10.0.0.2", "NAS1", "HOME"}, {"10.0.0.3", "", ""}}},
      {"# office\n10.0.0.2\n\n  NAS2/WORK \r\nNAS3\n",
       {{"10.0.0.2", "", ""}, {"", "NAS2", "WORK"}, {"", "NAS3", ""}}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<std::string>> got;
    for (const auto& t : ctl::DevicesOfFile(c.file)) got.push_back({t.address, t.name, t.group});
    EXPECT_EQ(got, c.devices) << c.file;
  }
  for (const char* bad : {R"([{"name": "NAS1"}])", R"([{"address": "nas"}])", "[{"}) {
    try {
      ctl::DevicesOfFile(bad);
      ADD_FAILURE() << bad;
    } catch (const ctl::Failure& f) {
      EXPECT_EQ(f.status, 2) << bad;
    }
  }
}

}  // namespace
