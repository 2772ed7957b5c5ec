"""Calls every public function and catches every exception class, for
`mypy --strict`: the stubs and the package's annotations must make this
type-check without a single Any."""

import datetime
import pathlib

import _paiscribe
import paiscribe


def convert_one(path: pathlib.Path) -> list[str]:
    try:
        lines: list[str] = paiscribe.tenhou_to_mjai(path, None)
        _paiscribe.tenhou_to_mjai(str(path), path.with_suffix(".mjson"))
    except paiscribe.JsonParsingError as error:
        notes: list[str] = getattr(error, "__notes__", [])
        return notes
    except (paiscribe.TenhouLogParsingError, paiscribe.TenhouToMjaiError, paiscribe.JsonSerializationError):
        return []
    except OSError as error:
        return [str(error)]
    return lines


version: str = paiscribe.__version__ + paiscribe.VERSION


def convert_corpus(folder: pathlib.Path) -> list[str]:
    counts: list[int] = []
    report: paiscribe.Report = paiscribe.convert_files(
        [folder], folder / "out", workers=2, gzip=True, skip_existing=True,
        progress=lambda progress: counts.append(progress.done), clash="full-name", follow_symlinks=True,
        include=["*.json", "*.txt"], exclude=("tmp/",), root=folder,
    )
    failures: list[paiscribe.Failure] = list(report.failures)
    skips: list[paiscribe.Skip] = [skip for skip in report.skips if skip.reason == "clash"]
    ignores: dict[str, int] = report.ignored_by_reason()
    counts.append(report.clashed + report.ignored + report.untried + sum(ignores.values()))
    return (paiscribe.convert_text(b"{}") + paiscribe.convert_text("{}") + [str(f) for f in failures]
            + [skip.other for skip in skips] + [str(ignored) for ignored in report.ignores])


def convert_record(path: pathlib.Path) -> list[str]:
    try:
        return paiscribe.mjlog_to_mjai(path, path.with_suffix(".mjson")) + [paiscribe.mjlog_to_tenhou(path)]
    except paiscribe.MjlogParsingError as error:
        return [str(error)]


def check_games(lines: list[str], folder: pathlib.Path) -> list[str]:
    findings: list[paiscribe.Finding] = paiscribe.check(lines) + paiscribe.check(b"") + paiscribe.check("")
    report: paiscribe.CheckReport = paiscribe.check_files(
        folder, workers=2, progress=lambda progress: None, include=["*.mjson"], on_failure=lambda failure: None)
    seats: list[int | None] = [finding.seat for failure in report.failures for finding in failure.findings]
    try:
        paiscribe.convert_files([folder], folder / "out", check=True)
    except paiscribe.IllegalGameError as error:
        return [str(error)]
    return [str(finding) for finding in findings] + [str(seat) for seat in seats] + [str(report.illegal)]


def view_games(lines: list[str], folder: pathlib.Path) -> str:
    page: str = paiscribe.view(lines, title="a game") + paiscribe.view("\n".join(lines))
    (folder / "game.html").write_text(page, encoding="utf-8")
    return page


def convert_database(database: pathlib.Path, records: list[tuple[str, bytes]]) -> list[str]:
    choice = paiscribe.GameChoice(room="phoenix", length="hanchan", standard_rules=True, connected=True,
                                  since=datetime.date(2024, 1, 1), until=None)
    report: paiscribe.Report = paiscribe.convert_files(
        database, database.parent / "out", gzip=True, layout="date", manifest=database.with_suffix(".jsonl"),
        choice=choice)
    again: paiscribe.Report = paiscribe.convert_records(
        iter(records), database.parent / "out", workers=2, layout="flat", manifest=None, choice=None,
        progress=lambda progress: None)
    reasons: dict[str, int] = report.skipped_by_reason()
    return [str(report), str(again.left_out), *reasons]


def rebuild_log(lines: list[str]) -> str:
    try:
        return paiscribe.mjai_to_tenhou(lines) + paiscribe.mjai_to_tenhou("\n".join(lines).encode())
    except paiscribe.IllegalGameError as error:
        found: list[paiscribe.Finding] = list(error.findings)
        return "".join(str(finding) for finding in found)
