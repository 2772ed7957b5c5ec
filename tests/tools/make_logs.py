#!/usr/bin/env python3
"""Plays random but legal four-player games and writes them as Tenhou JSON logs.

The games are not good mahjong, but every log is consistent: every tile comes
from a shuffled wall of 136, every discard and call uses tiles the seat holds,
each kan is followed by its replacement draw and a new dora indicator, and the
lists are written so that the one game order can be rebuilt from them. Runs
are deterministic for a given seed.

    make_logs.py full-game OUT.json       the East-South game with every feature
    make_logs.py seeds OUTDIR             small one-kyoku logs, each with a few features
    make_logs.py large OUT.json --megabytes 8  many kyokus in one log

Next to each log of the first two, OUT.order holds the order in which the
actions were played, one kyoku a line ("tsumo 0 | dahai 0 | pon 2 | ..."):
a converter must rebuild exactly this order from the log's lists.
"""

import argparse
import json
import random
import sys
from dataclasses import dataclass, field

RED_FIVES = (51, 52, 53)
WIN = "和了"
EXHAUSTIVE_DRAW = "流局"
NINE_TERMINALS = "九種九牌"
YAKU = ("立直(1飜)", "断幺九(1飜)", "平和(1飜)", "役牌 中(1飜)", "ドラ(1飜)", "門前清自摸和(1飜)", "対々和(2飜)")
HAND_VALUES = (1000, 1300, 2000, 2600, 3900, 5200, 8000)


def kind(code):
    """0..33: the tile without its colour; a red five is a five."""
    if code in RED_FIVES:
        return (code - 51) * 9 + 4
    return (code // 10 - 1) * 9 + code % 10 - 1


def is_terminal_or_honour(code):
    k = kind(code)
    return k >= 27 or k % 9 in (0, 8)


def full_wall(aka):
    wall = []
    for suit in range(4):
        for number in range(1, 10 if suit < 3 else 8):
            code = (suit + 1) * 10 + number
            copies = [code] * 4
            if aka and number == 5 and suit < 3:
                copies[0] = 51 + suit
            wall += copies
    return wall


def sort_key(code):
    return (kind(code), code)


@dataclass
class Seat:
    hand: list
    takes: list = field(default_factory=list)
    discards: list = field(default_factory=list)
    pons: list = field(default_factory=list)  # (kind, letter position, three codes)
    open: bool = False
    riichi: bool = False
    last_take: int = -1  # game-clock time of the seat's latest take


class Kyoku:
    """One kyoku being played; `rules` holds the probabilities of each choice."""

    def __init__(self, rng, rules, header, scores, aka, force_abort=False):
        self.rng, self.rules = rng, rules
        self.header, self.scores = header, list(scores)
        self.scores_at_start = list(scores)
        self.oya = header[0] % 4
        wall = full_wall(aka)
        while True:
            rng.shuffle(wall)
            if not force_abort or self._nine_terminals(wall[self.oya * 13:self.oya * 13 + 13] + [wall[52]]):
                break
        self.seats = [Seat(hand=wall[s * 13:s * 13 + 13]) for s in range(4)]
        self.haipai = [sorted(s.hand, key=sort_key) for s in self.seats]
        dead = wall[-14:]
        self.live, self.live_end = wall[52:-14], 70
        self.rinshan = dead[:4]
        self.dora_pool, self.ura_pool = dead[4::2], dead[5::2]
        self.kans = 0
        self.clock = 0
        self.discard_history = []  # (time, seat, code)
        self.calls_on = []  # [discarder, code, ambiguous]
        self.ambiguous_codes = set()
        self.order = []  # the game order, as "kind seat" words
        self.features = set()
        self.force_abort = force_abort
        self.riichi_sticks = 0
        self.paid_riichi = []

    @staticmethod
    def _nine_terminals(tiles):
        return len({kind(t) for t in tiles if is_terminal_or_honour(t)}) >= 9

    def tick(self):
        self.clock += 1
        return self.clock

    # --- taking tiles -----------------------------------------------------

    def draw(self, s):
        tile = self.live.pop(0)
        self.live_end -= 1
        self._take(s, tile, tile)
        return tile

    def replacement_draw(self, s):
        tile = self.rinshan[self.kans]
        self.kans += 1
        self.live_end -= 1
        self._take(s, tile, tile)
        return tile

    def _take(self, s, item, tile):
        seat = self.seats[s]
        seat.takes.append(item)
        seat.hand.append(tile)
        seat.last_take = self.tick()
        self.order.append(f"tsumo {s}")

    # --- a kyoku from its first draw to its result --------------------------

    def play(self):
        s, drawn, called = self.oya, None, False
        turn = 0
        while True:
            if not called and drawn is None:
                drawn = self.draw(s)
                turn += 1
            self.turn = turn
            outcome = self.own_turn(s, drawn, turn)
            if outcome is not None:
                return outcome
            outcome = self.after_discard(s, self.last_code)
            if outcome is not None:
                return outcome
            s, drawn, called = self.next_turn(s, self.last_code)

    def own_turn(self, s, drawn, turn):
        """Everything a seat does with its own tiles; returns a result when the kyoku ends."""
        rng, rules, seat = self.rng, self.rules, self.seats[s]
        while True:
            if self.force_abort and s == self.oya and turn == 1:
                self.features.add("abortive_draw")
                return [NINE_TERMINALS]
            if drawn is not None and rng.random() < self.win_chance(s, turn, rules.tsumo):
                return self.win_by_draw(s)
            if drawn is not None and not seat.riichi and self.kans < 4 and self.live_end > 0:
                kan = self.closed_or_added_kan(s, drawn)
                if kan:
                    drawn = self.replacement_draw(s)
                    continue
            break
        return self.discard(s, drawn, turn)

    def closed_or_added_kan(self, s, drawn):
        rng, seat = self.rng, self.seats[s]
        for k in sorted({kind(t) for t in seat.hand}):
            same = [t for t in seat.hand if kind(t) == k]
            if len(same) == 4 and rng.random() < self.rules.kan:
                for t in same:
                    seat.hand.remove(t)
                codes = [f"{t:02d}" for t in same]
                seat.discards.append(codes[0] + codes[1] + codes[2] + "a" + codes[3])
                self.after_kan("ankan", s)
                return True
        for index, (k, letter, meld) in enumerate(seat.pons):
            extra = [t for t in seat.hand if kind(t) == k]
            if extra and rng.random() < self.rules.kan:
                added = extra[0]
                seat.hand.remove(added)
                seat.pons.pop(index)
                a, b, c = (f"{t:02d}" for t in meld)
                pai = f"{added:02d}"
                text = {0: "k" + pai + a + b + c, 2: a + "k" + pai + b + c, 4: a + b + "k" + pai + c}[letter]
                seat.discards.append(text)
                self.after_kan("kakan", s)
                return True
        return False

    def after_kan(self, name, s):
        self.tick()
        self.order.append(f"{name} {s}")
        self.features.add(name)

    def discard(self, s, drawn, turn):
        rng, seat = self.rng, self.seats[s]
        allowed = [t for t in seat.hand if self.may_discard(s, t)]
        if seat.riichi:
            choice = drawn
            if choice not in allowed:
                raise Retry()
        else:
            if not allowed:
                raise Retry()
            if drawn in allowed and rng.random() < 0.35:
                choice = drawn
            else:
                choice = rng.choice(allowed)
        self.note_ambiguity(s, choice)
        tsumogiri = drawn is not None and choice == drawn and seat.hand[-1] == drawn
        seat.hand.remove(choice) if not tsumogiri else seat.hand.pop()
        declare = (not seat.riichi and not seat.open and turn > 4 and self.live_end >= 4
                   and self.scores[s] >= 1000 and rng.random() < self.rules.riichi)
        item = 60 if tsumogiri else choice
        if declare:
            seat.riichi = True
            seat.discards.append(f"r{item:02d}")
            self.order.append(f"reach {s}")
            self.features.add("riichi_drawn_tile" if tsumogiri else "riichi")
        else:
            seat.discards.append(item)
        self.order.append(f"dahai {s}")
        self.discard_history.append((self.tick(), s, choice))
        self.last_code, self.last_was_riichi = choice, declare
        return None

    def may_discard(self, s, code):
        """Discarding `code` again must not make a second call on that tile ambiguous."""
        pending = [c for c in self.calls_on if c[0] == s and c[1] == code and not c[2]]
        return not pending or code not in self.ambiguous_codes

    def note_ambiguity(self, s, code):
        for call in self.calls_on:
            if call[0] == s and call[1] == code and not call[2]:
                call[2] = True
                self.ambiguous_codes.add(code)

    # --- what the other seats do with a discard ----------------------------

    def after_discard(self, s, code):
        rng, rules = self.rng, self.rules
        winners = [p for p in self.seats_after(s) if rng.random() < self.win_chance(p, self.turn, rules.ron)]
        if winners:
            if len(winners) == 1 and rng.random() < rules.double_ron:
                others = [p for p in self.seats_after(s) if p != winners[0]]
                winners.append(rng.choice(others))
                winners.sort(key=lambda p: (p - s) % 4)
            return self.win_by_discard(s, winners[:2])
        if self.last_was_riichi:
            self.scores[s] -= 1000
            self.riichi_sticks += 1
            self.paid_riichi.append(s)
        if self.live_end <= 0:
            return self.exhaustive_draw()
        return None

    def win_chance(self, p, turn, base):
        """Hands get closer to winning as the wall runs down, and faster after riichi."""
        chance = base * turn / 40
        return chance + self.rules.riichi_win if self.seats[p].riichi else chance

    def seats_after(self, s):
        return [(s + i) % 4 for i in (1, 2, 3)]

    def next_turn(self, s, code):
        """Lets one seat call the discard, if any wants to; returns the next seat and its draw."""
        call = self.choose_call(s, code)
        if call is None:
            return (s + 1) % 4, None, False
        p, name, used = call
        seat = self.seats[p]
        for t in used:
            seat.hand.remove(t)
        seat.open = True
        pai = f"{code:02d}"
        a, b = f"{used[0]:02d}", f"{used[1]:02d}"
        letter = {3: 0, 2: 2, 1: 4}[(s - p) % 4]  # where the call letter stands says whose tile it was
        if name == "chi":
            text = "c" + pai + a + b
        elif name == "pon":
            text = {0: "p" + pai + a + b, 2: a + "p" + pai + b, 4: a + b + "p" + pai}[letter]
            seat.pons.append((kind(code), letter, [code] + used))
        else:
            c = f"{used[2]:02d}"
            text = {0: "m" + pai + a + b + c, 2: a + "m" + pai + b + c, 4: a + b + c + "m" + pai}[letter]
        seat.takes.append(text)
        seat.last_take = self.tick()
        self.order.append(f"{name} {p}")
        self.features.add(name)
        if self.last_was_riichi:
            self.features.add("riichi_called")
        self.calls_on.append([s, code, False])
        if name == "daiminkan":
            seat.discards.append(0)  # keeps the tsumogiri marks after it paired with their draws
            return p, self.replacement_draw(p), True
        return p, None, True

    def choose_call(self, s, code):
        rng, rules = self.rng, self.rules
        if self.kans >= 4:
            kan_allowed = False
        else:
            kan_allowed = self.live_end > 0
        options = []
        for p in self.seats_after(s):
            seat = self.seats[p]
            if seat.riichi or not self.no_earlier_match(p, s, code):
                continue
            same = [t for t in seat.hand if kind(t) == kind(code)]
            if len(same) >= 3 and kan_allowed and rng.random() < rules.kan:
                options.append((p, "daiminkan", same[:3]))
            elif len(same) >= 2 and rng.random() < rules.pon:
                options.append((p, "pon", same[:2]))
            elif p == (s + 1) % 4 and kind(code) < 27 and rng.random() < rules.chi:
                run = self.chi_tiles(seat.hand, code)
                if run:
                    options.append((p, "chi", run))
        return rng.choice(options) if options else None

    def no_earlier_match(self, p, s, code):
        """A call waits in the caller's list from its last take on; an earlier equal discard would take it."""
        last = self.seats[p].last_take
        return not any(t > last and who == s and c == code for t, who, c in self.discard_history[:-1])

    def chi_tiles(self, hand, code):
        k = kind(code)
        suit, number = divmod(k, 9)
        runs = [(number - 2, number - 1), (number - 1, number + 1), (number + 1, number + 2)]
        self.rng.shuffle(runs)
        for a, b in runs:
            if 0 <= a and b <= 8:
                ta = [t for t in hand if kind(t) == suit * 9 + a]
                tb = [t for t in hand if kind(t) == suit * 9 + b]
                if ta and tb:
                    return [ta[0], tb[0]]
        return None

    # --- results --------------------------------------------------------------

    def hand_value(self, winner):
        value = self.rng.choice(HAND_VALUES)
        return value * 3 // 2 // 100 * 100 if winner == self.oya else value

    def details(self, winner, source, value):
        yaku = self.rng.sample(YAKU, 2)
        if self.seats[winner].riichi:
            yaku[0] = YAKU[0]
        return [winner, source, winner, f"{value}点", *yaku]

    def ura(self, winners):
        if any(self.seats[w].riichi for w in winners):
            return self.ura_pool[:1 + self.kans]
        return []

    def win_by_discard(self, s, winners):
        self.features.add("double_ron" if len(winners) == 2 else "ron")
        result = [WIN]
        honba = self.header[1]
        for i, w in enumerate(winners):
            value = self.hand_value(w)
            deltas = [0, 0, 0, 0]
            deltas[s] -= value + 300 * honba
            deltas[w] += value + 300 * honba + (1000 * self.sticks() if i == 0 else 0)
            result += [deltas, self.details(w, s, value)]
            self.order.append(f"hora {w}")
        self.winners = winners
        self.ura_indicators = self.ura(winners)
        return result

    def win_by_draw(self, s):
        self.features.add("tsumo_win")
        value = self.hand_value(s)
        honba = self.header[1]
        deltas = [0, 0, 0, 0]
        for p in range(4):
            if p != s:
                share = value // 2 if p == self.oya or s == self.oya else value // 4
                share = (share + 99) // 100 * 100 + 100 * honba
                deltas[p] -= share
                deltas[s] += share
        deltas[s] += 1000 * self.sticks()
        self.order.append(f"hora {s}")
        self.winners = [s]
        self.ura_indicators = self.ura([s])
        return [WIN, deltas, self.details(s, s, value)]

    def sticks(self):
        return self.header[2] + self.riichi_sticks

    def exhaustive_draw(self):
        self.features.add("exhaustive_draw")
        ready = [p for p in range(4) if self.seats[p].riichi or self.rng.random() < 0.3]
        deltas = [0, 0, 0, 0]
        if 0 < len(ready) < 4:
            for p in range(4):
                deltas[p] = 3000 // len(ready) if p in ready else -3000 // (4 - len(ready))
        self.ready = ready
        return [EXHAUSTIVE_DRAW, deltas]

    def record(self, result):
        dora = self.dora_pool[:1 + self.kans]
        ura = getattr(self, "ura_indicators", [])
        lists = []
        for s in range(4):
            lists += [self.haipai[s], self.seats[s].takes, self.seats[s].discards]
        return [list(self.header), self.scores_at_start, dora, ura, *lists, result]


class Retry(Exception):
    """The random play walked into a corner; the kyoku is dealt again."""


@dataclass
class Rules:
    tsumo: float = 0.006
    ron: float = 0.0015
    riichi_win: float = 0.02
    double_ron: float = 0.15
    riichi: float = 0.04
    pon: float = 0.25
    chi: float = 0.15
    kan: float = 0.5


def play_kyoku(rng, rules, header, scores, aka, force_abort=False):
    while True:
        kyoku = Kyoku(rng, rules, header, scores, aka, force_abort)
        try:
            result = kyoku.play()
        except Retry:
            continue
        return kyoku, result


def apply_result(kyoku, result, scores):
    """Next kyoku's header and scores, from this one's outcome."""
    index, honba, sticks = kyoku.header
    sticks += kyoku.riichi_sticks
    new_scores = [a - 1000 * kyoku.paid_riichi.count(s) for s, a in enumerate(scores)]
    if result[0] == WIN:
        for deltas in result[1::2]:
            new_scores = [a + d for a, d in zip(new_scores, deltas)]
        dealer_kept = kyoku.oya in kyoku.winners
        return ((index, honba + 1, 0) if dealer_kept else (index + 1, 0, 0)), new_scores
    if result[0] == EXHAUSTIVE_DRAW:
        new_scores = [a + d for a, d in zip(new_scores, result[1])]
        if kyoku.oya in kyoku.ready:
            return (index, honba + 1, sticks), new_scores
        return (index + 1, honba + 1, sticks), new_scores
    return (index, honba + 1, sticks), new_scores


def play_games(rng, rules, kyoku_count=None, abort_at=None):
    """East-South games, one after another until `kyoku_count` kyokus are played;
    without a count, the first game only. The kyoku at index `abort_at` ends in
    an abortive draw. Returns the kyokus, the features seen and the orders of play."""
    kyokus, features, orders = [], set(), []
    header, scores = (0, 0, 0), [25000] * 4
    while True:
        kyoku, result = play_kyoku(rng, rules, header, scores, True, len(kyokus) == abort_at)
        kyokus.append(kyoku.record(result))
        features |= kyoku.features
        orders.append(kyoku.order)
        header, scores = apply_result(kyoku, result, scores)
        game_over = header[0] >= 8 or min(scores) < 0
        if kyoku_count is None:
            if game_over or len(kyokus) >= 16:
                if header[0] < 8:
                    features.add("ended_early")
                return kyokus, features, orders
        elif len(kyokus) >= kyoku_count:
            return kyokus, features, orders
        if game_over:
            header, scores = (0, 0, 0), [25000] * 4


def game_log(names, kyokus):
    return {"title": ["paiscribe", "generated"], "name": names,
            "rule": {"disp": "般南喰赤", "aka53": 1, "aka52": 1, "aka51": 1}, "log": kyokus}


FULL_GAME_FEATURES = {"chi", "pon", "daiminkan", "kakan", "ankan", "riichi", "riichi_drawn_tile",
                      "riichi_called", "double_ron", "tsumo_win", "exhaustive_draw", "abortive_draw"}
NAMES = ["東家さん", "Bob \"the\" \\ tab\t", "南 3", "d"]


def full_game(seed_from):
    rules = Rules(pon=0.35, chi=0.25, kan=0.9, riichi=0.06, double_ron=0.3)
    for seed in range(seed_from, seed_from + 100000):
        kyokus, features, orders = play_games(random.Random(seed), rules, abort_at=3)
        if FULL_GAME_FEATURES <= features and "ended_early" not in features and 9 <= len(kyokus) <= 12:
            return seed, game_log(NAMES, kyokus), orders
    raise SystemExit("no seed gave a game with every feature")


# Small logs for the fuzzer to start from, each showing a few features in one kyoku.
SEED_LOGS = {
    "kans": {"daiminkan", "kakan", "ankan"},
    "riichi": {"riichi_drawn_tile", "riichi_called"},
    "double_ron": {"double_ron", "chi", "pon"},
    "exhaustive_draw": {"exhaustive_draw"},
    "tsumo": {"tsumo_win", "riichi"},
    "abortive_draw": {"abortive_draw"},
}


def small_log(seed, wanted):
    rules = Rules(pon=0.4, chi=0.3, kan=0.9, riichi=0.08, double_ron=0.5)
    rng = random.Random(seed)
    while True:
        header = (rng.randrange(8), rng.randrange(3), rng.randrange(2))
        kyoku, result = play_kyoku(rng, rules, header, [25000] * 4, True, "abortive_draw" in wanted)
        if wanted <= kyoku.features:
            log = {"name": ["a", "b", "c", "d"], "rule": {"disp": "般南喰赤", "aka": 1},
                   "log": [kyoku.record(result)]}
            return log, kyoku.order


def dumps(log):
    return json.dumps(log, ensure_ascii=False, separators=(",", ":"))


def write(path, log, orders=None):
    """Writes the log and, next to it, the order its actions were played in (one kyoku a line)."""
    with open(path, "w", encoding="utf-8") as out:
        out.write(dumps(log))
        out.write("\n")
    if orders is not None:
        with open(path.removesuffix(".json") + ".order", "w") as out:
            for order in orders:
                out.write(" | ".join(order) + "\n")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("what", choices=("full-game", "seeds", "large"))
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--megabytes", type=float, default=8.0)
    parser.add_argument("--order", action="store_true", help="large: also write the order of play next to the log")
    args = parser.parse_args(argv)

    if args.what == "full-game":
        seed, log, orders = full_game(args.seed)
        write(args.out, log, orders)
        print(f"seed {seed}: {len(log['log'])} kyokus", file=sys.stderr)
    elif args.what == "seeds":
        for name, wanted in SEED_LOGS.items():
            log, order = small_log(args.seed, wanted)
            write(f"{args.out}/seed_{name}.json", log, [order])
    else:
        rng = random.Random(args.seed)
        target = int(args.megabytes * 1e6)
        kyokus, orders = [], []
        size = 0
        while size < target:
            more, _, more_orders = play_games(rng, Rules(), kyoku_count=200)
            kyokus += more
            orders += more_orders
            size += len(dumps(more).encode())
        write(args.out, game_log(NAMES, kyokus), orders if args.order else None)

if __name__ == "__main__":
    main(sys.argv[1:])
