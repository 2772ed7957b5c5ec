"""The table at one line as text for a terminal: in colour with ANSI
escapes, or plain with marks alone."""

from collections.abc import Iterable
from dataclasses import dataclass
from typing import Any

from paiscribe.games import Game, State
from paiscribe.report import Finding

WINDS = "ESWN"
# Rivers mark what colour shows too, so that piped text keeps it.
RIVER_MARKS = "river marks: * riichi, ' tsumogiri, (..) called"

_RESET = "\x1b[0m"
_SUIT_COLOURS = {"m": "31", "p": "34", "s": "32"}
_HONOUR_COLOURS = {"P": "1", "F": "1;32", "C": "1;31"}


@dataclass(frozen=True)
class Style:
    """How text is marked up: ANSI colours, or none."""

    colour: bool

    def paint(self, text: str, code: str) -> str:
        return f"\x1b[{code}m{text}{_RESET}" if self.colour and code else text

    def tile(self, name: str, extra: str = "") -> str:
        if name.endswith("r"):
            code = "1;" + _SUIT_COLOURS[name[1]] + ";4"  # a red five stands out
        elif len(name) == 2 and name[1] in _SUIT_COLOURS:
            code = _SUIT_COLOURS[name[1]]
        else:
            code = _HONOUR_COLOURS.get(name, "1")
        return self.paint(name, ";".join(part for part in (code, extra) if part))

    def tiles(self, names: Iterable[str]) -> str:
        return " ".join(self.tile(name) for name in names)


def _points(value: int) -> str:
    return f"{value:,}"


def _meld_text(meld: dict[str, Any], style: Style) -> str:
    tiles = ([meld["pai"]] if meld["pai"] is not None else []) + list(meld["consumed"])
    if meld["added"] is not None:
        tiles.append(meld["added"])
    source = "" if meld["type"] == "ankan" else f" from {meld['target']}"
    return f"{meld['type']} {style.tiles(tiles)}{source}"


def _river_text(river: list[dict[str, Any]], style: Style) -> str:
    parts = []
    for discard in river:
        text = style.tile(discard["pai"], "2" if discard["tsumogiri"] else "")
        if discard["tsumogiri"]:
            text += "'"
        if discard["riichi"]:
            text += style.paint("*", "1")
        if discard["called"]:
            text = f"({text})"
        parts.append(text)
    return " ".join(parts)


def _hand_text(state: State, seat: int, style: Style) -> str:
    hand = list(state["hands"][seat])
    drawn = state["drawn"]
    if drawn is not None and drawn[0] == seat and drawn[1] in hand:
        hand.remove(drawn[1])
        return f"{style.tiles(hand)}  + {style.tile(drawn[1])}"
    return style.tiles(hand)


def _header(game: Game, state: State, style: Style) -> list[str]:
    where = f"{game.source}, game {game.number}" if game.number > 1 else game.source
    head = f"{where}  line {state['line']}"
    if state["kyoku"] is None:
        return [style.paint(head, "1") + "  (before the first kyoku)"]
    deposits = state["deposits"]
    table = (f"{state['kyoku']}, {state['honba']} honba, {deposits} deposit{'' if deposits == 1 else 's'}"
             f"   dora indicators {style.tiles(state['dora_markers'])}")
    if state["ura_markers"]:
        table += f"   ura {style.tiles(state['ura_markers'])}"
    event = state["event"] or "no event"
    if state["actor"] is not None:
        event += f" by seat {state['actor']}"
    return [style.paint(head, "1") + "  " + table, f"  {event}"]


def _seat_lines(game: Game, state: State, seat: int, style: Style) -> list[str]:
    wind = WINDS[(seat - state["oya"]) % 4]
    name = game.names[seat] or f"seat {seat}"
    title = f"{wind}  seat {seat}  {name}  {_points(state['scores'][seat])}"
    if state["riichi"][seat]:
        title += "  " + style.paint("riichi", "1;33")
    if state["actor"] == seat:
        title = style.paint(title, "1")
    lines = [f"  {title}", f"      hand   {_hand_text(state, seat, style)}"]
    if state["melds"][seat]:
        lines.append("      melds  " + " | ".join(_meld_text(meld, style) for meld in state["melds"][seat]))
    lines.append(f"      river  {_river_text(state['rivers'][seat], style)}")
    return lines


def _deltas(deltas: list[int]) -> str:
    return "[" + ", ".join(f"{delta:+,}" if delta else "0" for delta in deltas) + "]"


def result_lines(game: Game, first_line: int, last_line: int) -> list[str]:
    """The wins and draws on lines first_line to last_line: each hand's yaku
    with their han, fu and points as the rules score them, and the deltas."""
    wins = {win["line"]: win for win in game.wins}
    lines = []
    for result in game.results:
        if not first_line <= result["line"] <= last_line:
            continue
        if result["event"] == "ryukyoku":
            lines.append(f"  draw: deltas {_deltas(result['deltas'])}")
        else:
            lines.append("  " + win_text(result["actor"], wins.get(result["line"])))
    return lines


def win_text(actor: int, win: dict[str, Any] | None) -> str:
    if win is None:
        return f"seat {actor} wins, but the rules find no winning hand with a yaku there (see the findings)"
    how = "tsumo" if win["target"] == actor else f"ron on seat {win['target']}"
    yaku = ", ".join(f"{item['name']} {'yakuman' if item['yakuman'] else item['han']}" for item in win["yaku"])
    value = win["summary"]
    if win["fu"] and " fu " not in value:
        value = f"{win['fu']} fu {win['han']} han, {value}"
    return f"seat {actor} {how}: {yaku}; {value}; deltas {_deltas(win['deltas'])}"


def finding_lines(findings: Iterable[Finding], style: Style) -> list[str]:
    return ["  " + style.paint(f"finding: {finding}", "1;35") for finding in findings]


def render(game: Game, line: int, style: Style, span: tuple[int, int] | None = None) -> str:
    """The table at `line`, then the results and findings on the lines of
    `span` (first, last), by default on that line alone."""
    state = game.state_at(line)
    lines = _header(game, state, style)
    if state["kyoku"] is not None:
        for seat in range(4):
            lines.extend(_seat_lines(game, state, seat, style))
    first, last = span or (line, line)
    lines.extend(result_lines(game, first, last))
    lines.extend(finding_lines((finding for finding in game.findings if first <= finding.line <= last), style))
    return "\n".join(lines) + "\n"
