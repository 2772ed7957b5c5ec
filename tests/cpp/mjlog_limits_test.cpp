// What the XML reader refuses before it builds a tree: texts far beyond any
// real record (whose tree would take some twenty times their size), and a
// character reference to U+0000, which would cut a name short.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "paiscribe/xml/parse_mjlog.hpp"
#include "paiscribe/xml/record_limits.hpp"

namespace paiscribe {
namespace {

std::string real_record() {
  std::ifstream in(std::string(PAISCRIBE_TEST_DATA) + "/mjlog/mjlog_001.xml", std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// The record with `reference` put before the first player's name.
std::string with_reference(std::string_view reference) {
  std::string xml = real_record();
  xml.insert(xml.find("n0=\"") + 4, reference);
  return xml;
}

// "record", or the failure's message.
std::string outcome(std::string_view text) {
  PaddedText xml(text);
  auto record = parse_mjlog(xml);
  return record ? "record" : record.error().message;
}

TEST(MjlogLimits, TextsBeyondAnyGameAreRefusedBeforeTheTree) {
  const std::string many_tags = "<mjloggm>" + std::string(kMjlogMostTags, '<') + "</mjloggm>";
  const std::string long_text = "<mjloggm>" + std::string(kMjlogMostBytes, ' ') + "</mjloggm>";
  const struct {
    std::string_view name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"a real record", real_record(), "record"},
      {"past the bytes", long_text,
       "the text is " + std::to_string(long_text.size()) + " bytes, more than the 2097152 any game record stays under"},
      {"past the tags", many_tags,
       "the text holds " + std::to_string(kMjlogMostTags + 2) + " tags, more than the 65536 any game record stays under"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(outcome(c.text), c.expected);
  }
}

TEST(MjlogLimits, AReferenceToNulIsRefusedWhateverItsForm) {
  const std::string at = std::to_string(real_record().find("n0=\"") + 4);
  const std::string refused = "a character reference to U+0000 at byte " + at + ": no XML text holds one";
  const struct {
    std::string_view reference;
    std::string expected;
  } cases[] = {
      {"&#0;", refused},
      {"&#000;", refused},
      {"&#x0;", refused},
      {"&#x00000;", refused},
      {"&#4294967296;", refused},  // 2^32: the reader's 32 bits wrap around to zero
      {"&#x100000000;", refused},
      // What the reader does not take for a reference, or takes for another character.
      {"&#X0;", "record"},
      {"&#;", "record"},
      {"&#0", "record"},
      {"&#48;", "record"},
      {"&amp;", "record"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    EXPECT_EQ(outcome(with_reference(c.reference)), c.expected);
  }
}

}  // namespace
}  // namespace paiscribe
