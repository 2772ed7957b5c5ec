#include "paiscribe/mjai/mjai_lines.hpp"

#include <variant>

namespace paiscribe {

namespace {

// Most lines are far shorter than the room set aside for one: a batch
// reserves this much a line.
constexpr std::size_t kTypicalLineRoom = 64;

}  // namespace

void MjaiLines::grow(std::size_t bytes) {
  const std::size_t capacity = std::max({size_ + bytes, 2 * capacity_, std::size_t{4096}});
  auto text = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ != 0) std::memcpy(text.get(), text_.get(), size_);
  text_ = std::move(text);
  capacity_ = capacity;
}

void MjaiLines::reserve(std::size_t lines) {
  // Room for the typical line, and for any line of a fixed kind besides.
  const std::size_t bytes = lines * kTypicalLineRoom + kFixedLineRoom;
  if (capacity_ - size_ < bytes) grow(bytes);
  ends_.reserve(ends_.size() + lines);
}

// Lines of a fixed kind are written into room for the longest of their kind,
// start_game's and hora's into room sized for them.
template <typename Write>
bool MjaiLines::add_written(std::optional<std::size_t> room, Write&& write) {
  if (!room) return false;
  char* const at = room_for(*room + 1);
  char* const line_end = write(at, *room);
  if (line_end == nullptr) return false;
  end_line(line_end);
  return true;
}

bool MjaiLines::add(const Event& event) {
  if (std::holds_alternative<ev::StartGame>(event)) lines_with_names_.push_back(ends_.size());
  const bool added =
      add_written(line_room(event), [&](char* at, std::size_t room) { return write_line(event, at, room); });
  if (!added && std::holds_alternative<ev::StartGame>(event)) lines_with_names_.pop_back();
  return added;
}

bool MjaiLines::add_start_game(std::span<const std::string, 4> names, std::uint8_t kyoku_first, bool aka_flag) {
  const StartGameParts start{names, kyoku_first, aka_flag};
  if (!add_written(line_bound(start), [&](char* at, std::size_t room) { return write_line(start, at, room); }))
    return false;
  lines_with_names_.push_back(ends_.size() - 1);
  return true;
}

bool MjaiLines::add_hora(const HoraParts& hora) {
  return add_written(line_bound(hora), [&](char* at, std::size_t room) { return write_line(hora, at, room); });
}

void MjaiLines::clear() {
  size_ = 0;
  ends_.clear();
  lines_with_names_.clear();
}

}  // namespace paiscribe
