// One reader for every way a record comes in: a file, bytes held elsewhere,
// or bytes made for it; kept from record to record.

#include "paiscribe/io/record_reader.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace paiscribe {
namespace {

namespace fs = std::filesystem;

// The text, or the failure's message.
std::string outcome(const RecordReader::Text& text) {
  if (text) return std::string((*text)->view());
  if (const auto* gzip = std::get_if<GzipError>(&text.error())) return "gzip: " + gzip->message;
  return "read: errno " + std::to_string(std::get<ReadFailure>(text.error()).error_number);
}

TEST(RecordReader, EveryWayInGivesTheSameText) {
  const std::string record(300'000, 'r');
  const std::string packed = gzip_compress(record).value();
  const std::string other = gzip_compress("another record").value();
  const std::string cut = packed.substr(0, packed.size() / 2);
  const struct {
    std::string_view name;
    std::string bytes;
    Decompress decompress;
    std::string expected;
  } cases[] = {
      {"plain", record, Decompress::Yes, record},
      {"gzip", packed, Decompress::Yes, record},
      {"gzip kept as it is", packed, Decompress::No, packed},
      {"two members", packed + other, Decompress::Yes, record + "another record"},
      {"short after long", "{}", Decompress::Yes, "{}"},
      {"gzip cut short", cut, Decompress::Yes, "gzip: a corrupt or cut-short member at byte 0"},
      {"empty", "", Decompress::Yes, ""},
  };
  const fs::path path = fs::temp_directory_path() / ("paiscribe-record-" + std::to_string(::getpid()));
  // One reader throughout: each record is read into the room of the one before.
  RecordReader reader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(path, std::ios::binary) << c.bytes;
    EXPECT_EQ(outcome(reader.read_file(path.native(), c.decompress)), c.expected);
    EXPECT_EQ(outcome(reader.copy(c.bytes, c.decompress)), c.expected);
    EXPECT_EQ(outcome(reader.take(PaddedText(c.bytes), c.decompress)), c.expected);
    reader.keep_typical();
  }
  fs::remove(path);
  EXPECT_EQ(outcome(reader.read_file(path.native(), Decompress::Yes)), "read: errno " + std::to_string(ENOENT));
}

// Each text into the room of the ones before, growing it by more and by
// less than it had: the text is exactly what was given, padding after it.
TEST(RecordReader, CopiesAreExactWhateverRoomTheyGrow) {
  RecordReader reader;
  for (const std::size_t size : {6'820, 7'615, 100, 40'000, 200'000, 5}) {
    SCOPED_TRACE(size);
    const std::string record(size, 'c');
    const auto text = reader.copy(record, Decompress::Yes);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ((*text)->view(), record);
    EXPECT_EQ((*text)->data()[size], '\0');
  }
}

}  // namespace
}  // namespace paiscribe
