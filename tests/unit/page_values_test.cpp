#include "net/page_values.h"

#include <gtest/gtest.h>

namespace {

using net::OptionText;
using net::OptionValues;
using net::PageValue;
using V = std::vector<std::string>;

TEST(PageValue, FindsTheValueOfTheFirstLineCarryingTheKey) {
  struct Case {
    const char* page;
    const char* key;
    const char* expected;
  } cases[] = {
      {"var host_name=\"NAS1\";\r\nvar x=\"y\";\r\n", "host_name=\"", "NAS1"},
      {"host_name=\"\";\r\n", "host_name=\"", ""},        // key right before the terminator
      {"a=\"1\";\r\n", "missing=\"", ""},                 // no key
      {"a=\"1\";\n", "a=\"", ""},                         // bare LF: no terminator anywhere
      {"a=\"1\";\nb=\"2\";\r\n", "a=\"", "1\";\nb=\"2"},  // runs on to the next terminator
      {"wan_ip=\"9.9.9.9\";\r\nip=\"1.2.3.4\";\r\n", "ip=\"", "9.9.9.9"},  // matches inside a name
      {"say=\"he said \"hi\" ok\";\r\n", "say=\"", "he said \"hi\" ok"},
      {"ml=\"line1\r\nline2\";\r\n", "ml=\"", "line1\r\nline2"},
      {"Host_name=\"x\";\r\n", "host_name=\"", ""},  // case counts
      {"a=\";\r\n", "a=\"", ""},                     // terminator inside the key
  };
  for (const auto& c : cases) EXPECT_EQ(PageValue(c.page, c.key), c.expected) << c.page;
}

TEST(OptionValues, TakesEachValueAttributeInOrder) {
  EXPECT_EQ(OptionValues("<option value=\"PUBLIC\">PUBLIC</option><option value=\"music\">music"
                         "</option>"),
            (V{"PUBLIC", "music"}));
  EXPECT_EQ(OptionValues(""), V{});
  EXPECT_EQ(OptionValues("no options here"), V{});
  // A select element whose attribute closes before the first option gives an
  // empty first item; the option after it is then read from the closing on.
  EXPECT_EQ(OptionValues("<select name=\"s\"><option value=\"a\">a</option>"), (V{"", "a"}));
  // Chinese folder names come through as their UTF-8 bytes.
  EXPECT_EQ(OptionValues("<option value=\"\xE7\x85\xA7\xE7\x89\x87\">x</option>"),
            V{"\xE7\x85\xA7\xE7\x89\x87"});
  // An attribute that is never closed ends the list.
  EXPECT_EQ(OptionValues("<option value=\"a\">a</option><option value=\"b"), (V{"a"}));
  EXPECT_EQ(OptionValues("<option value=\"\">empty</option>"), (V{""}));
}

TEST(OptionText, IsTheVisibleTextOfTheFirstOption) {
  EXPECT_EQ(OptionText("<option value=\"7\">bob&nbsp;x</option><option value=\"8\">z</option>"),
            "bob&nbsp;x");
  EXPECT_EQ(OptionText("<option value=\"7\"></option>"), "");
  EXPECT_EQ(OptionText("<option value=\"7\">no end"), "");
  EXPECT_EQ(OptionText("</option><option value=\"7\">late"), "");
}

TEST(TextBeforeNbsp, CutsAtTheFirstEntity) {
  EXPECT_EQ(net::TextBeforeNbsp("bob&nbsp;&nbsp;pw"), "bob");
  EXPECT_EQ(net::TextBeforeNbsp("&nbsp;x"), "");
  EXPECT_EQ(net::TextBeforeNbsp("no entity"), "");
}

TEST(ValueLists, HashSeparatedEntriesAndLineBreakTags) {
  EXPECT_EQ(net::HashListEntries(""), V{""});
  EXPECT_EQ(net::HashListEntries("English#Deutsch"), (V{"English", "Deutsch"}));
  EXPECT_EQ(net::HashListEntries("a##b#"), (V{"a", "", "b", ""}));
  EXPECT_EQ(net::RemoveLineBreakTags("WD1<br>ST2<BR>"), "WD1ST2");
  EXPECT_EQ(net::RemoveLineBreakTags("a<Br>b<bR>c<br"), "abc<br");
  EXPECT_EQ(net::RemoveLineBreakTags("<b<br>r>"), "<br>");  // one pass only
  // The scan's lines: a last line feed ends the last line and adds none.
  EXPECT_EQ(net::ScanMessages("a\nb\n"), "a\nb");
  EXPECT_EQ(net::ScanMessages("a\n\nb"), "a\n\nb");
  EXPECT_EQ(net::ScanMessages("\n"), "");
  EXPECT_EQ(net::ScanMessages(""), "");
}

TEST(ValueLists, AListShowsItsFirstTenThousandEntries) {
  const std::size_t cap = net::kMaxListEntries;
  EXPECT_EQ(net::HashListEntries(std::string(3 * cap, '#')).size(), cap);
  std::string options;
  for (std::size_t i = 0; i < cap + 5; ++i)
    options += "<option value=\"" + std::to_string(i) + "\">";
  const auto values = OptionValues(options);
  ASSERT_EQ(values.size(), cap);
  EXPECT_EQ(values.back(), std::to_string(cap - 1));
  std::string shares;
  for (std::size_t i = 0; i < cap + 5; ++i) shares += "<option value=\"x\">x </option>";
  EXPECT_EQ(net::ShareListTexts(shares).size(), cap);
  const std::string lines = net::ScanMessages(std::string(2 * cap, '\n') + "x");
  EXPECT_EQ(lines, std::string(cap - 1, '\n'));
}

}  // namespace

namespace {

std::string Nbsp(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "&nbsp;";
  return out;
}

std::string Account(const std::string& id, const std::string& text) {
  return "<option value=\"" + id + "\">" + text + "</option>";
}

TEST(AccountRows, TheDevicesLayoutAndHostileRows) {
  const std::string bob =
      "bob" + Nbsp(18) + "s3cret" + Nbsp(11) + "Read only" + Nbsp(11) + "Enable" + Nbsp(1);
  const std::string name21(21, 'n'), name30(30, 'm');
  const std::string value =
      "<select name=\"FTP_AC_LIST\" size=6>" + Account("7", bob) +
      Account("8", "no entities at all") +                                            // no row
      Account("9", name21 + "pw" + Nbsp(11) + "Read/Write" + Nbsp(11) + "Disable") +  // no last
      Account("10", name30 + Nbsp(3) + "x" + Nbsp(11) + "R" + Nbsp(11) + "On" + Nbsp(1)) +
      Account("11", "amy" + Nbsp(1)) +  // short
      "</select>";
  const auto rows = net::AccountRows(value);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "bob");
  EXPECT_EQ(rows[0].password, "s3cret");
  EXPECT_EQ(rows[0].access, "Read only");
  EXPECT_EQ(rows[0].state, "Enable");
  EXPECT_EQ(rows[0].id, "7");
  EXPECT_EQ(rows[0].option, 0u);
  // 21 places filled by the name leave no entity before the password: the
  // two run together, and the rest is read from the entities after them.
  // The last field, without an entity after it, is not taken.
  EXPECT_EQ(rows[1].name, name21 + "pw");
  EXPECT_EQ(rows[1].password, "Read/Write");
  EXPECT_EQ(rows[1].access, "");
  EXPECT_EQ(rows[1].state, "");
  EXPECT_EQ(rows[1].option, 2u);  // the option without a row still counts
  EXPECT_EQ(rows[2].name, name30);
  EXPECT_EQ(rows[2].password, "x");
  EXPECT_EQ(rows[2].state, "On");
  EXPECT_EQ(rows[3].name, "amy");  // the padding runs past the text: nothing more
  EXPECT_EQ(rows[3].password, "");
  EXPECT_EQ(rows[3].option, 4u);

  // A missing </option> ends the list instead of reading on.
  EXPECT_TRUE(net::AccountRows("<option value=\"1\">bob" + Nbsp(20)).empty());
  EXPECT_TRUE(net::AccountRows("").empty());
}

TEST(ShareListTexts, OptionTextsWithoutTheBlankBeforeTheEnd) {
  EXPECT_EQ(net::ShareListTexts("<select name=\"account_List\" size=6><option value=\"a\">Alpha "
                                "</option><option value=\"b\">\xE7\x85\xA7 </option></select>"),
            (std::vector<std::string>{"Alpha", "\xE7\x85\xA7"}));
  // Without the blank: up to </option>; without even that: to the end.
  EXPECT_EQ(net::ShareListTexts("<option value=\"a\">one</option><option value=\"b\">two"),
            (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(net::ShareListTexts("<select size=6></select>").empty());
  EXPECT_TRUE(net::ShareListTexts("").empty());
}

}  // namespace
