#include "paiscribe/mjai/line_handler.hpp"

#include <bit>

namespace paiscribe::line_reading {

std::expected<Event, ReadError> event_of(Fields& fields) {
  const auto failure = [](std::string why) { return std::unexpected(ReadError{std::move(why)}); };
  if (!(fields.present & bit(Type))) return failure("the line has no \"type\"");
  const TypeForm& form = kForms[fields.type];
  if (const KeySet missing = form.required & ~fields.present)
    return failure("a " + std::string(form.name) + " line lacks " + quoted(kKeyNames[std::countr_zero(missing)]));
  if (const KeySet extra = fields.present & ~(form.required | form.optional | bit(Type)))
    return failure("a " + std::string(form.name) + " line has no " + quoted(kKeyNames[std::countr_zero(extra)]));
  if (form.consumed != 0 && fields.consumed_count != form.consumed)
    return failure("the \"consumed\" of a " + std::string(form.name) + " holds " +
                   std::to_string(fields.consumed_count) + (fields.consumed_count == 1 ? " tile" : " tiles") +
                   ", not " + std::to_string(form.consumed));

  const auto seat = [&](enum Key key) { return static_cast<Seat>(fields.numbers[static_cast<std::size_t>(key)]); };
  const auto byte = [&](enum Key key) {
    return static_cast<std::uint8_t>(fields.numbers[static_cast<std::size_t>(key)]);
  };
  const auto& c = fields.consumed;
  const auto deltas = [&] { return fields.present & bit(Deltas) ? std::optional(fields.deltas) : std::nullopt; };
  switch (static_cast<EventType>(fields.type)) {
    case EventType::None: return ev::None{};
    case EventType::StartGame: {
      const auto& n = fields.names;
      return ev::StartGame{Names(std::string(n[0]), std::string(n[1]), std::string(n[2]), std::string(n[3])),
                           byte(KyokuFirst), fields.aka_flag};
    }
    case EventType::StartKyoku:
      return ev::StartKyoku{fields.bakaze,  fields.dora_marker, byte(Kyoku),  byte(Honba),
                            byte(Kyotaku),  seat(Oya),          fields.scores, fields.tehais};
    case EventType::Tsumo: return ev::Tsumo{seat(Actor), fields.pai};
    case EventType::Dahai: return ev::Dahai{seat(Actor), fields.pai, fields.tsumogiri};
    case EventType::Chi: return ev::Chi{seat(Actor), seat(Target), fields.pai, {c[0], c[1]}};
    case EventType::Pon: return ev::Pon{seat(Actor), seat(Target), fields.pai, {c[0], c[1]}};
    case EventType::Daiminkan: return ev::Daiminkan{seat(Actor), seat(Target), fields.pai, {c[0], c[1], c[2]}};
    case EventType::Kakan: return ev::Kakan{seat(Actor), fields.pai, {c[0], c[1], c[2]}};
    case EventType::Ankan: return ev::Ankan{seat(Actor), c};
    case EventType::Dora: return ev::Dora{fields.dora_marker};
    case EventType::Reach: return ev::Reach{seat(Actor)};
    case EventType::ReachAccepted: return ev::ReachAccepted{seat(Actor)};
    case EventType::Hora: {
      std::optional<std::vector<Tile>> ura;
      if (fields.present & bit(UraMarkers)) ura = std::move(fields.ura_markers);
      return ev::Hora{seat(Actor), seat(Target), deltas(), std::move(ura)};
    }
    case EventType::Ryukyoku: return ev::Ryukyoku{deltas()};
    case EventType::EndKyoku: return ev::EndKyoku{};
    case EventType::EndGame:
    default: return ev::EndGame{};  // the reader knows no other type
  }
}


}  // namespace paiscribe::line_reading
