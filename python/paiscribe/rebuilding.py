"""mjai lines back to Tenhou's JSON log: paiscribe.mjai_to_tenhou."""

from collections.abc import Iterable
from typing import TYPE_CHECKING

from paiscribe import _native
from paiscribe._native import IllegalGameError
from paiscribe.report import Finding

if TYPE_CHECKING:
    from _typeshed import ReadableBuffer


def mjai_to_tenhou(lines: "str | ReadableBuffer | Iterable[str]") -> str:
    """One game's mjai lines as Tenhou's JSON log (version 6): one line of
    compact JSON, as Tenhou writes it, which Tenhou's viewer and the review
    tools open and tenhou_to_mjai converts back into the same lines.

    lines is a list (or any iterable) of str, one line each, or a text of
    lines (str, bytes or any buffer; bytes may be gzip-compressed) as a .mjson
    file holds them. The interpreter lock is released while the log is made.

    The lines are replayed under the rules Tenhou plays, and what the log
    holds beyond them comes from that replay: the name of each draw, and each
    win's fu, han, points and yaku in the order Tenhou lists them. The rule
    is a general room's ("般南喰赤", "般東喰" without red fives), the version
    2.3, and "sc" each seat's final score, the deposits left going to the
    top, and its result with the standard uma (+20/+10/-10/-20 in thousands
    and the top's 20 from 30,000 returned). What mjai lines do not carry is
    left out: "ref", "lobby", "dan", "rate", "sx" and "title".

    Lines that are not one legal game, a game cut short included, raise
    IllegalGameError with the findings paiscribe.check gives for them in
    .findings (the first also in its note).

    >>> lines = paiscribe.tenhou_to_mjai("game.json")
    >>> log = paiscribe.mjai_to_tenhou(lines)
    >>> paiscribe.convert_text(log) == lines
    True
    """
    try:
        return _native.mjai_to_tenhou(lines)
    except IllegalGameError as error:
        found = getattr(error, "findings", ())
        error.findings = tuple(Finding(*each) for each in found)
        raise
