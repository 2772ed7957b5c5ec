"""`paiscribe view GAME... -o game.html`: one self-contained page that
replays games, a command of its own beside the conversion."""

import argparse
import os
import sys
from collections.abc import Sequence

from paiscribe.command_line import EXIT_FAILED, STANDARD_STREAM, own_arguments, report_failure, write_output
from paiscribe.games import Game, read_games
from paiscribe.page import page_of

COMMAND = "view"

DESCRIPTION = """\
Writes one HTML page that replays games: the table seen from above with every
hand open; a list of kyokus to jump to; stepping line by line with the left
and right arrow keys (up and down jump a kyoku) or the slider; each win's
yaku, han, fu, points and deltas as the rules score them; and what `paiscribe
check` finds, marked at its line and listed to jump from. The page holds
everything it needs: it opens without a network, and page.html#line=N opens
at line N (#game=2&line=N for the second of several games).

Each GAME is a Tenhou JSON log or XML record (converted first) or a file of
mjai lines, plain or gzip-compressed; several games make one page with a
picker. A GAME that cannot be read is reported and left out.

Exit status: 0 when the page holds every GAME, 1 when any was left out (no
page is written when none is left), 2 on a usage error, 141 when the reader
of standard output goes away."""



def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("games", nargs="+", metavar="GAME", help='a JSON log, XML record or file of mjai lines; "-" for standard input')
    parser.add_argument("-o", "--output", metavar="OUT", default=STANDARD_STREAM,
                        help='the page: a file, replaced whole, or "-" for standard output when it is no terminal '
                             "(the default)")
    return parser


def same_file(one: str, other: str) -> bool:
    try:
        return os.path.samefile(one, other)
    except OSError:
        return False


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe view ...`; argv starts with the command's name."""
    parser = build_parser()
    args = parser.parse_args(own_arguments(argv))
    if args.output == STANDARD_STREAM and sys.stdout.isatty():
        parser.error("give the page a file with -o FILE.html (or send standard output elsewhere)")
    if args.output != STANDARD_STREAM and any(same_file(args.output, game) for game in args.games):
        parser.error(f"-o {args.output} is one of the games, which the page would replace")
    games: list[Game] = []
    failed = False
    for path in args.games:
        try:
            games.extend(read_games(path))
        except (ValueError, OSError) as error:
            report_failure(path, error)
            failed = True
    if not games:
        print(f"paiscribe {COMMAND}: no game to show; no page written", file=sys.stderr)
        return EXIT_FAILED
    title = os.path.basename(args.games[0]) if len(args.games) == 1 else f"{len(games)} games"
    written = write_output(args.output, page_of(games, title).encode("utf-8"))
    return written or (EXIT_FAILED if failed else 0)
