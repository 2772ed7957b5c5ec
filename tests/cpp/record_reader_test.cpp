// One reader for every way a record comes in: a file, bytes held elsewhere,
// or bytes made for it; kept from record to record.

#include "paiscribe/io/record_reader.hpp"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace paiscribe {
namespace {

namespace fs = std::filesystem;

// One bzip2 stream holding `data`.
std::string bzip2_of(std::string_view data) {
  std::string packed(data.size() + data.size() / 100 + 600, '\0');
  auto size = static_cast<unsigned>(packed.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(packed.data(), &size, const_cast<char*>(data.data()),
                                     static_cast<unsigned>(data.size()), 9, 0, 0),
            BZ_OK);
  packed.resize(size);
  return packed;
}

// The text, or the failure's message.
std::string outcome(const RecordReader::Text& text) {
  if (text) return std::string((*text)->view());
  if (const auto* gzip = std::get_if<GzipError>(&text.error())) return "gzip: " + gzip->message;
  if (const auto* bzip2 = std::get_if<Bzip2Error>(&text.error())) return "bzip2: " + bzip2->message;
  return "read: errno " + std::to_string(std::get<ReadFailure>(text.error()).error_number);
}

TEST(RecordReader, EveryWayInGivesTheSameText) {
  const std::string record(300'000, 'r');
  const std::string packed = gzip_compress(record).value();
  const std::string other = gzip_compress("another record").value();
  const std::string cut = packed.substr(0, packed.size() / 2);
  const std::string bz2 = bzip2_of(record);
  std::string flipped = bz2;
  flipped[flipped.size() / 2] ^= 0x55;
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
      {"bzip2", bz2, Decompress::Yes, record},
      {"bzip2 kept as it is", bz2, Decompress::No, bz2},
      {"two bzip2 streams", bz2 + bzip2_of("another record"), Decompress::Yes, record + "another record"},
      {"bzip2 cut short", bz2.substr(0, bz2.size() / 2), Decompress::Yes,
       "bzip2: a corrupt or cut-short stream at byte 0"},
      {"bzip2 corrupt", flipped, Decompress::Yes, "bzip2: a corrupt or cut-short stream at byte 0"},
      {"bzip2 then other bytes", bz2 + "xyz", Decompress::Yes, "bzip2: bytes after the last stream at byte " +
                                                                   std::to_string(bz2.size())},
      {"BZh with no block size is plain", "BZhx", Decompress::Yes, "BZhx"},
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

// A small stream that unpacks to much is stopped at the bound, as gzip's is.
TEST(Bunzip2, StopsAtItsLimit) {
  PaddedText out;
  const auto unpacked = bunzip2(bzip2_of(std::string(1 << 20, '0')), out, 100'000);
  ASSERT_FALSE(unpacked);
  EXPECT_EQ(unpacked.error().kind, Bzip2Error::Kind::TooLarge);
  EXPECT_EQ(unpacked.error().message, "the data grows past 100000 bytes in the stream at byte 0");
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
