// The writer of outputs under attack: a temporary name that fits beside
// every legal destination name, a failure that leaves the destination whole,
// and a run of many logs that never waits on a FIFO.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "paiscribe/io/output_file.hpp"
#include "paiscribe/io/output_folder.hpp"
#include "paiscribe/io/read_file.hpp"
#include "paiscribe/io/replacing_file.hpp"

namespace paiscribe {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string repeated(std::string_view piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

class Folder : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("paiscribe-output-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The folder, open as a run of many logs holds its output folder.
  FileDescriptor opened() const { return *FileDescriptor::open(dir_.native(), O_RDONLY | O_DIRECTORY); }

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_)) found.push_back(entry.path().filename().native());
    std::ranges::sort(found);
    return found;
  }

  fs::path dir_;
};

TEST_F(Folder, TemporaryNameFitsWheneverTheDestinationsDoes) {
  const struct {
    std::string_view what;
    std::string name;
  } cases[] = {
      {"short", "game.mjson"},
      {"233 bytes, the longest kept whole", repeated("a", 227) + ".mjson"},
      {"234 bytes", repeated("a", 228) + ".mjson"},
      {"255 bytes", repeated("a", 249) + ".mjson"},
      {"255 bytes of three-byte characters", repeated("\xE3\x81\x82", 85)},
      {"a character across the cut", "a" + repeated("\xE3\x81\x82", 84) + "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_LE(c.name.size(), std::size_t{NAME_MAX});
    const fs::path destination = dir_ / c.name;
    std::ofstream(destination) << "old\n";
    {
      auto replacing = ReplacingFile::create_beside(destination.native());
      ASSERT_TRUE(replacing.has_value()) << std::strerror(replacing.error());
      const std::vector<std::string> present = names();
      ASSERT_EQ(present.size(), 2u);
      const std::string& temporary = present[0] == c.name ? present[1] : present[0];
      EXPECT_EQ(temporary.front(), '.');
      EXPECT_LE(temporary.size(), std::size_t{NAME_MAX});
      // Cut where a character starts: the name stays UTF-8 when the destination's is.
      const std::string kept = temporary.substr(1, temporary.size() - 22);
      EXPECT_TRUE(c.name.starts_with(kept));
      EXPECT_NE(static_cast<unsigned char>(c.name[kept.size()]) & 0xC0, 0x80);
      ASSERT_EQ(::write(replacing->fd(), "new\n", 4), 4);
      ASSERT_TRUE(replacing->commit().has_value());
    }
    EXPECT_EQ(names(), std::vector<std::string>{c.name});
    EXPECT_EQ(contents(destination), "new\n");
    fs::remove(destination);
  }
}

TEST_F(Folder, OutputOfALongNameIsReplacedWholeOrLeftAsItWas) {
  const fs::path destination = dir_ / (repeated("b", 240) + ".mjson");
  std::ofstream(destination) << "old\n";
  {
    auto output = OutputFile::open(destination.native());
    ASSERT_TRUE(output.has_value());
    ASSERT_TRUE(output->write("new lines\n").has_value());
    // Dropped before the commit, as a failed write drops it.
  }
  EXPECT_EQ(contents(destination), "old\n");
  EXPECT_EQ(names().size(), 1u);
  auto output = OutputFile::open(destination.native());
  ASSERT_TRUE(output.has_value());
  ASSERT_TRUE(output->write("new lines\n").has_value());
  ASSERT_TRUE(output->commit().has_value());
  EXPECT_EQ(contents(destination), "new lines\n");
  EXPECT_EQ(names().size(), 1u);
}

// A worker killed at any moment leaves no empty output in place of a new
// one, which a resumed run would take for a finished output.
TEST_F(Folder, RunOutputIsMadeOnlyByItsCommit) {
  const fs::path destination = dir_ / "game.mjson";
  const FileDescriptor folder = opened();
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit);
    auto output = OutputFile::open_in(folder.get(), "game.mjson");
    ASSERT_TRUE(output.has_value());
    ASSERT_TRUE(output->write("lines\n").has_value());
    EXPECT_FALSE(fs::exists(destination));
    if (commit) ASSERT_TRUE(output->commit().has_value());
  }
  EXPECT_EQ(contents(destination), "lines\n");
  EXPECT_EQ(names().size(), 1u);
}

// A run of many logs reads and writes regular files only, and never waits:
// a FIFO without a writer, or without a reader, would hold it for good.
TEST_F(Folder, RunRefusesOtherKindsWithoutAWait) {
  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  PaddedText text;
  const auto read = read_file(fifo.native(), text, nullptr, FileKinds::RegularOnly);
  ASSERT_FALSE(read.has_value());
  EXPECT_EQ(read.error().step, ReadFailure::Step::NotRegular);
  EXPECT_STREQ(kind_in_words(read.error().mode), "a FIFO");

  const struct {
    std::string_view what;
    bool reader;
  } cases[] = {{"without a reader", false}, {"with a reader", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int reader = c.reader ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    const auto output = OutputFile::open_in(opened().get(), "fifo");
    if (reader >= 0) ::close(reader);
    ASSERT_FALSE(output.has_value());
    ASSERT_TRUE(std::holds_alternative<OutputNotRegular>(output.error()));
    EXPECT_STREQ(kind_in_words(std::get<OutputNotRegular>(output.error()).mode), "a FIFO");
  }
  const auto folder = read_file(dir_.native(), text, nullptr, FileKinds::RegularOnly);
  ASSERT_FALSE(folder.has_value());
  EXPECT_STREQ(kind_in_words(folder.error().mode), "a folder");
}

// Below the output folder a run follows no link: one planted at an output or
// as a folder would send the output anywhere.
TEST_F(Folder, RunFollowsNoLinkBelowItsOutputFolder) {
  fs::create_directories(dir_ / "elsewhere");
  std::ofstream(dir_ / "elsewhere" / "victim") << "victim\n";
  fs::create_directories(dir_ / "out" / "real");
  fs::create_symlink("../elsewhere/victim", dir_ / "out" / "game.mjson");
  fs::create_symlink("../elsewhere", dir_ / "out" / "linked");
  fs::create_symlink("../../elsewhere", dir_ / "out" / "real" / "deeper");
  const auto top = OutputFolder::open((dir_ / "out").native());
  ASSERT_TRUE(top.has_value());
  const struct {
    std::string_view folder, name, link;  // link: the part found to be one, "" when none is
  } cases[] = {
      {"", "game.mjson", "(the output)"},
      {"linked", "game.mjson", "linked"},
      {"real/deeper", "game.mjson", "real/deeper"},
      {"real/new/newer", "game.mjson", ""},
      {"", "other.mjson", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + "/" + std::string(c.name));
    auto folder = top->below(c.folder);
    std::expected<void, OutputError> written;
    if (!folder) written = std::unexpected(folder.error());
    auto output = folder ? OutputFile::open_in(folder->get(), c.name) : std::unexpected(folder.error());
    if (folder && !output) written = std::unexpected(output.error());
    if (output && (written = output->write("lines\n"))) written = output->commit();
    if (c.link.empty()) {
      EXPECT_TRUE(written.has_value());
      EXPECT_EQ(contents(dir_ / "out" / c.folder / c.name), "lines\n");
      continue;
    }
    ASSERT_FALSE(written.has_value());
    ASSERT_TRUE(std::holds_alternative<OutputIsLink>(written.error()));
    const std::string& where = std::get<OutputIsLink>(written.error()).where;
    EXPECT_EQ(where.empty() ? "(the output)" : where, c.link);
  }
  EXPECT_EQ(contents(dir_ / "elsewhere" / "victim"), "victim\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "elsewhere"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace paiscribe
