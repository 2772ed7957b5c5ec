#include "paiscribe/rebuild/game_rebuild.hpp"

namespace paiscribe::rebuild {

std::expected<void, std::vector<rules::Finding>> GameRebuild::finish() && {
  checker_.finish();
  if (!checker_.findings().empty()) return std::unexpected(checker_.findings());
  builder_.finish();
  return {};
}

}  // namespace paiscribe::rebuild
