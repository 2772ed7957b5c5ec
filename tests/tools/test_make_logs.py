"""The generated logs are games that could have been played: checked by
replaying each kyoku's recorded order against its lists, seat by seat, with
the tiles every hand holds."""

import collections
import json
import pathlib
import random
import re
import subprocess
import sys

import pytest

TOOLS = pathlib.Path(__file__).resolve().parent
GAMES = TOOLS.parent / "data/games"
sys.path.insert(0, str(TOOLS))
import make_logs  # noqa: E402


def codes_of(call):
    """The tile codes of a call string, and the one after the letter (the called or added tile)."""
    letter = re.search(r"[a-z]", call).start()
    rest = call[:letter] + call[letter + 1:]
    return [int(rest[i:i + 2]) for i in range(0, len(rest), 2)], int(call[letter + 1:letter + 3])


def check_kyoku(kyoku, order):
    """Replays one kyoku; fails on the first action the lists or the hands do not allow."""
    seen = collections.Counter()
    hands, takes, discards = [], [], []
    for s in range(4):
        haipai, take_items, discard_items = kyoku[4 + 3 * s:7 + 3 * s]
        hands.append(list(haipai))
        takes.append(collections.deque(take_items))
        discards.append(collections.deque(discard_items))
        seen.update(haipai)
        seen.update(t for t in take_items if isinstance(t, int))
    seen.update(kyoku[2] + kyoku[3])
    by_kind = collections.Counter()
    for code, n in seen.items():
        by_kind[make_logs.kind(code)] += n
        assert code not in make_logs.RED_FIVES or n == 1, f"red five {code} seen {n} times"
    assert max(by_kind.values()) <= 4, "a tile kind is seen more than four times"

    melds = [0] * 4
    drawn = [None] * 4
    last = None  # (seat, code) of the latest discard
    riichi_tile = None
    kans = 0
    for word in order.split(" | ") if order else []:
        action, seat = word.split()
        s = int(seat)
        hand = hands[s]
        if action == "tsumo":
            tile = takes[s].popleft()
            assert isinstance(tile, int), f"seat {s} draws {tile!r}"
            hand.append(tile)
            drawn[s] = tile
        elif action == "reach":
            item = discards[s].popleft()
            assert isinstance(item, str) and len(item) == 3, f"seat {s} declares riichi with {item!r}"
            riichi_tile = int(item[1:])
        elif action == "dahai":
            if riichi_tile is not None:
                item, riichi_tile = riichi_tile, None
            else:
                while discards[s][0] == 0:  # the step of a daiminkan
                    discards[s].popleft()
                item = discards[s].popleft()
            code = drawn[s] if item == 60 else item
            assert code is not None and code in hand, f"seat {s} discards {item} it does not hold"
            if item == 60:
                assert hand[-1] == drawn[s], f"seat {s} discards the drawn tile after other changes"
                hand.pop()
            else:
                hand.remove(code)
            assert len(hand) + 3 * melds[s] == 13, f"seat {s} holds {len(hand)} tiles after a discard"
            drawn[s] = None
            last = (s, code)
        elif action in ("chi", "pon", "daiminkan"):
            codes, called = codes_of(takes[s].popleft())
            assert last is not None and last[0] != s and called == last[1], f"seat {s} calls {called} after {last}"
            codes.remove(called)
            for code in codes:
                hand.remove(code)
            melds[s] += 1
            drawn[s] = None
            kans += action == "daiminkan"
        elif action in ("kakan", "ankan"):
            codes, added = codes_of(discards[s].popleft())
            for code in codes if action == "ankan" else [added]:
                hand.remove(code)
            melds[s] += action == "ankan"
            kans += 1
    assert all(not t for t in takes), "take items are left over"
    assert all(all(d == 0 for d in q) for q in discards), "discard items are left over"
    assert len(kyoku[2]) == 1 + kans, "not one dora indicator per kan"


def check_game(log_path, order_path):
    log = json.loads(pathlib.Path(log_path).read_text())
    orders = pathlib.Path(order_path).read_text().split("\n")[:-1]
    assert len(orders) == len(log["log"])
    for kyoku, order in zip(log["log"], orders):
        check_kyoku(kyoku, order)


@pytest.mark.parametrize("log", sorted(GAMES.glob("*.json")), ids=lambda p: p.name)
def test_hand_made_games_are_playable(log):
    check_game(log, log.with_suffix(".order"))


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_generated_games_are_playable(seed, tmp_path):
    rng = random.Random(seed)
    kyokus, _, orders = make_logs.play_games(rng, make_logs.Rules(pon=0.4, chi=0.3, kan=0.9), kyoku_count=30)
    make_logs.write(str(tmp_path / "game.json"), make_logs.game_log(make_logs.NAMES, kyokus), orders)
    check_game(tmp_path / "game.json", tmp_path / "game.order")


def test_the_full_game_is_the_generators(tmp_path):
    out = tmp_path / "full_game.json"
    subprocess.run([sys.executable, str(TOOLS / "make_logs.py"), "full-game", str(out), "--seed", "254"],
                   check=True, capture_output=True)
    assert out.read_bytes() == (GAMES / "full_game.json").read_bytes()
    assert out.with_suffix(".order").read_bytes() == (GAMES / "full_game.order").read_bytes()


def test_the_checker_notices_a_discard_that_is_not_held():
    log = json.loads((GAMES / "full_game.json").read_text())
    orders = (GAMES / "full_game.order").read_text().split("\n")
    for kyoku, order in zip(log["log"], orders):
        oya = kyoku[0][0] % 4
        takes, discards = kyoku[5 + 3 * oya], kyoku[6 + 3 * oya]
        if takes and discards and isinstance(discards[0], int) and discards[0] != 60:
            held = set(kyoku[4 + 3 * oya]) | {takes[0]}
            discards[0] = next(code for code in range(11, 48) if code % 10 and code not in held)
            with pytest.raises(AssertionError, match="does not hold"):
                check_kyoku(kyoku, order)
            return
    pytest.fail("no kyoku whose dealer opens with a plain discard")
