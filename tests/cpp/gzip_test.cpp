#include "paiscribe/io/gzip.hpp"

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

std::string packed(std::string_view data) {
  auto bytes = gzip_compress(data);
  if (!bytes) ADD_FAILURE() << bytes.error().message;
  return bytes.value_or("");
}

// The data, or the failure's kind and message.
std::string unpacked(std::string_view bytes, std::size_t limit = kGunzipLimit) {
  PaddedText data("stale text, replaced");
  auto inflated = gunzip(bytes, data, limit);
  if (!inflated) return "failed " + std::to_string(static_cast<int>(inflated.error().kind)) + ": " + inflated.error().message;
  return std::string(data.view());
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
  } cases[] = {
      {"empty", ""},
      {"one byte", "x"},
      {"repetitive text", repeated("<T12/><D34/>", 20000)},
      {"random bytes", random_bytes(300000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = packed(c.data);
    EXPECT_TRUE(is_gzip(bytes));
    EXPECT_EQ(unpacked(bytes), c.data);
    EXPECT_EQ(gzip_program_output(bytes), c.data);
  }
}

TEST(Gzip, MembersFollowEachOther) {
  const std::string first = repeated("first ", 1000);
  const std::string second = random_bytes(70000);
  EXPECT_EQ(unpacked(packed(first) + packed(second) + packed("")), first + second);
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
      {"plain text", "<mjloggm/>", kGunzipLimit, Corrupt, "no gzip magic number at byte 0"},
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
    EXPECT_EQ(unpacked(c.bytes, c.limit), "failed " + std::to_string(static_cast<int>(c.kind)) + ": " + c.message);
  }
}

// Zero bytes after the last member pad a stream written in blocks, as tape
// and some archivers do: gzip -d takes them, and so does gunzip. Anything
// else after them is still refused.
TEST(Gzip, ZeroPaddingAfterTheLastMemberIsTaken) {
  const std::string data = repeated("<T12/><D34/>", 500);
  const std::string good = packed(data);
  const struct {
    std::string_view name;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"one zero byte", good + std::string(1, '\0'), data},
      {"a block of zeros", good + std::string(4096, '\0'), data},
      {"zeros after two members", good + good + std::string(7, '\0'), data + data},
      {"zeros then a byte", good + std::string(8, '\0') + "x",
       "failed 0: bytes after the last member at byte " + std::to_string(good.size())},
      {"zeros then a member", good + std::string(8, '\0') + good,
       "failed 0: bytes after the last member at byte " + std::to_string(good.size())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(unpacked(c.bytes), c.expected);
    if (c.expected == data) {
      EXPECT_EQ(gzip_program_output(c.bytes), data);
    }
  }
}

}  // namespace
}  // namespace paiscribe
