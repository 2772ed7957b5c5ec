#include "paiscribe/conv/action.hpp"

namespace paiscribe {

Event event_of(Seat actor, const Action& action) {
  const auto& c = action.consumed;
  switch (action.kind) {
    case Action::Kind::Tsumo: return ev::Tsumo{actor, action.pai};
    case Action::Kind::Chi: return ev::Chi{actor, action.target, action.pai, {c[0], c[1]}};
    case Action::Kind::Pon: return ev::Pon{actor, action.target, action.pai, {c[0], c[1]}};
    case Action::Kind::Daiminkan: return ev::Daiminkan{actor, action.target, action.pai, {c[0], c[1], c[2]}};
    case Action::Kind::Dahai: return ev::Dahai{actor, action.pai, action.tsumogiri};
    case Action::Kind::Reach: return ev::Reach{actor};
    case Action::Kind::Kakan: return ev::Kakan{actor, action.pai, {c[0], c[1], c[2]}};
    case Action::Kind::Ankan: return ev::Ankan{actor, c};
  }
  return ev::None{};
}

}  // namespace paiscribe
