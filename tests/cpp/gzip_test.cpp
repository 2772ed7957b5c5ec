#include "paiscribe/entry/gzip.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace paiscribe {
namespace {

std::string random_bytes(std::size_t size) {
  std::mt19937 generator(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator());
  return bytes;
}

std::string repeated(std::string_view piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

std::string packed(std::string_view data, int level = 1) {
  auto bytes = gzip_compress(data, level);
  if (!bytes) ADD_FAILURE() << bytes.error().message;
  return bytes.value_or("");
}

// What the gzip program makes of the bytes.
std::string gzip_program_output(const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("paiscribe_gzip_test_" + std::to_string(::getpid()));
  std::ofstream(path, std::ios::binary) << bytes;
  std::string output;
  if (FILE* pipe = ::popen(("gzip -dc " + path.string()).c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    if (::pclose(pipe) != 0) output = "gzip failed";
  }
  std::filesystem::remove(path);
  return output;
}

TEST(Gzip, RoundTrips) {
  const struct {
    std::string_view name;
    std::string data;
    int level;
  } cases[] = {
      {"empty, fastest", "", 0},
      {"one byte", "x", 1},
      {"repetitive text, smallest", repeated("<T12/><D34/>", 20000), 3},
      {"random bytes, fastest", random_bytes(300000), 0},
      {"random bytes", random_bytes(100000), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = packed(c.data, c.level);
    EXPECT_TRUE(is_gzip(bytes));
    EXPECT_EQ(gunzip(bytes).value_or("failed"), c.data);
    EXPECT_EQ(gzip_program_output(bytes), c.data);
  }
}

TEST(Gzip, MembersFollowEachOther) {
  const std::string first = repeated("first ", 1000);
  const std::string second = random_bytes(70000);
  EXPECT_EQ(gunzip(packed(first) + packed(second) + packed("")).value_or("failed"), first + second);
}

TEST(Gzip, BadInputFailsWithItsKind) {
  using enum GzipError::Kind;
  const std::string good = packed(repeated("abcdefgh", 5000));
  std::string flipped = good;
  flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x55);
  const struct {
    std::string_view name;
    std::string bytes;
    std::size_t limit;
    GzipError::Kind kind;
    std::string message;
  } cases[] = {
      {"plain text", "<mjloggm/>", kGunzipLimit, NotGzip, "no gzip magic number at byte 0"},
      {"magic number alone", "\x1f\x8b", kGunzipLimit, Corrupt, "a corrupt or cut-short member at byte 0"},
      {"cut short", good.substr(0, good.size() - 5), kGunzipLimit, Corrupt, "a corrupt or cut-short member at byte 0"},
      {"a byte changed", flipped, kGunzipLimit, Corrupt, "a corrupt or cut-short member at byte 0"},
      {"second member cut short", good + good.substr(0, 30), kGunzipLimit, Corrupt,
       "a corrupt or cut-short member at byte " + std::to_string(good.size())},
      {"bytes after the last member", good + "xyz", kGunzipLimit, Corrupt,
       "bytes after the last member at byte " + std::to_string(good.size())},
      {"grows past the limit", good, 30000, TooLarge, "the data grows past 30000 bytes in the member at byte 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto data = gunzip(c.bytes, c.limit);
    ASSERT_FALSE(data.has_value());
    EXPECT_EQ(data.error().kind, c.kind);
    EXPECT_EQ(data.error().message, c.message);
  }
  EXPECT_EQ(gzip_compress("x", 4).error().kind, BadLevel);
}

}  // namespace
}  // namespace paiscribe
