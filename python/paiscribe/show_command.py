"""`paiscribe show GAME [--kyoku E3] [--line N]`: the table of a game in the
terminal, a command of its own beside the conversion."""

import argparse
import os
import sys
from collections.abc import Sequence

from paiscribe.command_line import EXIT_FAILED, EXIT_USAGE, STANDARD_STREAM, own_arguments, report_failure, write_output
from paiscribe.games import parse_kyoku, read_lines, replay
from paiscribe.table_text import RIVER_MARKS, Style, finding_lines, render

COMMAND = "show"

DESCRIPTION = """\
Prints the table of a game: the four hands (the tile just drawn set apart),
the melds, the rivers (* riichi, ' tsumogiri, (..) called), the dora
indicators, scores, deposits and honba, then each win's yaku, han, fu, points
and deltas as the rules score them, and what `paiscribe check` finds there.

GAME is a Tenhou JSON log or XML record (converted first) or a file of mjai
lines, plain or gzip-compressed; a file whose first line is an object with
the key "type" holds mjai lines. By default the table is shown at the end of
each kyoku; --kyoku shows one kyoku's end, --line the table at one line, as
findings count lines. Colour is used when standard output is a terminal
(and NO_COLOR is not set), unless --color says otherwise.

Exit status: 0 when the table was shown, 1 when GAME cannot be read or
converted, 2 on a usage error (no such kyoku or line), 141 when the reader of
standard output goes away."""



def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("game", metavar="GAME", help='a JSON log, XML record or file of mjai lines; "-" for standard input')
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--kyoku", metavar="KYOKU",
                       help="only this kyoku: E3, S1, ..., or E3-1 for East 3 with 1 honba")
    where.add_argument("--line", metavar="N", type=int, help="the table as line N leaves it")
    parser.add_argument("--color", choices=("auto", "always", "never"), default="auto",
                        help="colour the tiles (default: when standard output is a terminal)")
    return parser


def wants_colour(choice: str) -> bool:
    if choice != "auto":
        return choice == "always"
    return sys.stdout.isatty() and not os.environ.get("NO_COLOR")


def kyoku_tables(lines: list[str], source: str, selector: str | None, style: Style) -> list[str]:
    """The table at the end of each kyoku chosen, with its results and
    findings; without a selector every kyoku, and after each game the
    findings that fall outside its kyokus. ValueError when the selector names
    no kyoku. Only the tables shown are kept, however many games the file
    holds."""
    games = replay(lines, source, wanted=())
    if selector is None:
        chosen = [(game.number, kyoku) for game in games for kyoku in game.kyokus]
    else:
        name, honba = parse_kyoku(selector)
        chosen = [(game.number, kyoku) for game in games for kyoku in game.kyokus
                  if kyoku.name == name and (honba is None or kyoku.honba == honba)]
        if not chosen:
            labels = " ".join(kyoku.label for game in games for kyoku in game.kyokus) or "none"
            raise ValueError(f"no kyoku {selector} in this game (its kyokus: {labels})")
    shown = {kyoku.last_line for _, kyoku in chosen} | {game.last_line for game in games if not game.kyokus}
    tables: list[str] = []
    for game in replay(lines, source, wanted=shown):
        tables.extend(render(game, kyoku.last_line, style, (kyoku.first_line, kyoku.last_line))
                      for number, kyoku in chosen if number == game.number)
        if selector is not None:
            continue
        if not game.kyokus:
            tables.append(render(game, game.last_line, style, (game.first_line, game.last_line)))
        elif stray := [finding for finding in game.findings
                       if not any(kyoku.first_line <= finding.line <= kyoku.last_line for kyoku in game.kyokus)]:
            tables.append("outside the kyokus:\n" + "\n".join(finding_lines(stray, style)) + "\n")
    return tables


def table_at_line(lines: list[str], source: str, line: int, style: Style) -> str:
    games = replay(lines, source, wanted={line})
    for game in games:
        if game.first_line <= line <= game.last_line:
            return render(game, line, style)
    last = games[-1].last_line if games else 0
    raise ValueError(f"no line {line}: the game has lines 1 to {last}")


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe show ...`; argv starts with the command's name."""
    parser = build_parser()
    args = parser.parse_args(own_arguments(argv))
    try:
        lines = read_lines(args.game)
    except (ValueError, OSError) as error:
        report_failure(args.game, error)
        return EXIT_FAILED
    if not lines:
        print(f"paiscribe: {args.game}: no game in it", file=sys.stderr)
        return EXIT_FAILED
    style = Style(wants_colour(args.color))
    try:
        if args.line is not None:
            text = table_at_line(lines, args.game, args.line, style)
        else:
            text = "\n".join(kyoku_tables(lines, args.game, args.kyoku, style))
    except ValueError as error:
        print(f"paiscribe {COMMAND}: {error}", file=sys.stderr)
        return EXIT_USAGE
    sys.stdout.flush()
    return write_output(STANDARD_STREAM, (text + RIVER_MARKS + "\n").encode())
