#include "paiscribe/rebuild/game_rebuild.hpp"

namespace paiscribe::rebuild {

bool GameRebuild::finish() {
  checker_.finish();
  if (!checker_.findings().empty()) return false;
  builder_.finish();
  return true;
}

}  // namespace paiscribe::rebuild
