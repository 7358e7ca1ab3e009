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
}

}  // namespace
