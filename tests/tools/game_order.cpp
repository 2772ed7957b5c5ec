#include "game_order.hpp"

#include <rapidjson/document.h>

#include <string_view>

namespace paiscribe::fuzz {
namespace {

constexpr std::string_view kActions[] = {"tsumo", "dahai", "chi",   "pon", "daiminkan",
                                         "kakan", "ankan", "reach", "hora"};

bool is_action(std::string_view type) {
  for (const auto action : kActions) {
    if (type == action) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> action_order(const std::vector<std::string>& lines) {
  std::vector<std::string> kyokus;
  std::string current;
  for (const std::string& line : lines) {
    rapidjson::Document event;
    event.Parse(line.data(), line.size());
    const std::string_view type(event["type"].GetString(), event["type"].GetStringLength());
    if (type == "start_kyoku") {
      current.clear();
    } else if (type == "end_kyoku") {
      kyokus.push_back(current);
    } else if (is_action(type)) {
      if (!current.empty()) current += " | ";
      current += type;
      current += ' ';
      current += std::to_string(event["actor"].GetUint());
    }
  }
  return kyokus;
}

}  // namespace paiscribe::fuzz
