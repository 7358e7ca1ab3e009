// What brevane-ctl reads from files the person names: strict JSON within
// bounds, and the devices of a --devices file; what it writes to a
// terminal; and the difference of two setups.

#include <gtest/gtest.h>

#include <random>

#include "ctl/arguments.h"
#include "ctl/json_value.h"
#include "ctl/line_diff.h"
#include "ctl/many.h"
#include "scan/scan_output.h"

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
      EXPECT_EQ(std::string(e.what()).rfind("not JSON at line 1, column ", 0), 0u) << bad;
    }
  }
  EXPECT_EQ(JsonValue::Parse("99999999999999999999").Integer(), std::nullopt);
}

// What two readers may take differently is refused, and a file of many
// small values is bounded by their number, not only by its size.
TEST(CtlJson, RefusesWhatReadersTakeDifferentlyAndCountsValues) {
  struct Case {
    std::string text;
    const char* said;  // the start of the message
  };
  std::string many = "[";
  for (int i = 0; i < (1 << 17); ++i) many += "0,";
  many += "0]";
  const Case cases[] = {
      {"{\"a\": 1,\n \"a\": 2}", "not JSON at line 2, column 2: the member \"a\" comes twice"},
      {"[\"\xff\"]", "not JSON at line 1, column 3: a byte that is not UTF-8"},
      {"[\"\xc0\xaf\"]", "not JSON at line 1, column 3: a byte that is not UTF-8"},  // overlong
      {"[\"\xed\xa0\x80\"]",
       "not JSON at line 1, column 3: a byte that is not UTF-8"},                    // surrogate
      {"[\"\xe2\x82\"]", "not JSON at line 1, column 3: a byte that is not UTF-8"},  // cut short
      {many, "not JSON at line 1, column 262144: more than 131072 values"},
  };
  for (const Case& c : cases) {
    try {
      JsonValue::Parse(c.text);
      ADD_FAILURE() << c.said;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.said, 0), 0u) << e.what();
    }
  }
  EXPECT_EQ(JsonValue::Parse("[\"\xe2\x82\xac\"]").Items()[0].Text(), "\xe2\x82\xac");
}

// Whatever a device or a file says, a terminal gets printable text: line
// feeds and tabs as they are, other control and invisible characters
// escaped, and text made printable before passes unchanged.
TEST(CtlTerminal, DeviceTextReachesATerminalPrintable) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\x1b[2J\x1b]0;title\x07"
       "b",
       "a\\x1b[2J\\x1b]0;title\\x07b"},
      {"line\r\nnext\ttab", "line\\x0d\nnext\ttab"},
      {"\xc2\x9b"
       "31m",
       "\\x9b"
       "31m"},  // C1 CSI
      {"abc\xe2\x80\xae"
       "cba",
       "abc\\u202e"
       "cba"},  // right-to-left override
      {"bad \xff byte", "bad \xef\xbf\xbd byte"},
      {scan::Printable("\x1b\\"), scan::Printable("\x1b\\")},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(scan::TerminalText(text), shown) << shown;
}

// The difference of two setups is a shortest one, found in memory that
// grows with the lines: checked against the plain table on random texts.
TEST(CtlLineDiff, AShortestEditInLinearMemory) {
  auto lcs = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::vector<int>> t(a.size() + 1, std::vector<int>(b.size() + 1));
    for (std::size_t i = a.size(); i-- > 0;)
      for (std::size_t j = b.size(); j-- > 0;)
        t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    return t[0][0];
  };
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> a(random() % 12), b(random() % 12);
    for (auto& l : a) l = std::string(1, static_cast<char>('a' + random() % 4));
    for (auto& l : b) l = std::string(1, static_cast<char>('a' + random() % 4));
    std::vector<std::string> from, to;
    int same = 0;
    for (const ctl::DiffLine& line : ctl::DiffLines(a, b)) {
      if (line.mark != ctl::LineMark::Added) from.push_back(line.text);
      if (line.mark != ctl::LineMark::Removed) to.push_back(line.text);
      same += line.mark == ctl::LineMark::Same;
    }
    EXPECT_EQ(from, a);
    EXPECT_EQ(to, b);
    EXPECT_EQ(same, lcs(a, b)) << round;
  }
  // Ten thousand folders against ten thousand: a product table would take
  // 400 MB.
  std::vector<std::string> big(10000), other(10000);
  for (int i = 0; i < 10000; ++i) big[i] = other[i] = "folder " + std::to_string(i);
  other[5000] = "changed";
  EXPECT_EQ(ctl::DiffLines(big, other).size(), 10001u);
}

TEST(CtlSeveral, NoCommandGivesSeveralDevicesOneNameOrOneAddress) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"name", "NAS", "HOME"}, true}, {{"address", "static", "10.0.0.9", "255.255.255.0"}, true},
      {{"address", "auto"}, false},    {{"apply", "f.json", "--identity"}, true},
      {{"apply", "f.json"}, false},    {{"show"}, false},
  };
  for (const auto& [command, refused] : cases)
    EXPECT_EQ(ctl::MakesOneOfMany(command), refused) << command[0];
}

TEST(CtlDevicesFile, ReadsScanOutputOrADeviceALine) {
  // A scan's addresses are what discovery replies said: found, as names
  // are. An address a line is the person's own.
  struct Case {
    const char* file;
    std::vector<std::vector<std::string>> devices;  // address, name, group, found
  };
  const Case cases[] = {
      {R"([{"address": "10.0.0.2", "name": "NAS1", "group": "HOME", "firmware": "1.0"},
           {"address": "10.0.0.3"}])",
       {{"10.0.0.2", "NAS1", "HOME", "found"}, {"10.0.0.3", "", "", "found"}}},
      {"# office\n10.0.0.2\n\n  NAS2/WORK \r\nNAS3\n",
       {{"10.0.0.2", "", "", "chosen"}, {"", "NAS2", "WORK", "found"}, {"", "NAS3", "", "found"}}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<std::string>> got;
    for (const auto& t : ctl::DevicesOfFile(c.file))
      got.push_back({t.address, t.name, t.group, t.found ? "found" : "chosen"});
    EXPECT_EQ(got, c.devices) << c.file;
  }
  for (const char* bad : {R"([{"name": "NAS1"}])", R"([{"address": "nas"}])", "[{",
                          R"([{"address": "10.0.0.2", "address": "10.0.0.66"}])"}) {
    try {
      ctl::DevicesOfFile(bad);
      ADD_FAILURE() << bad;
    } catch (const ctl::Failure& f) {
      EXPECT_EQ(f.status, 2) << bad;
    }
  }
}

}  // namespace
