"""The fleet audit: every target against one golden backup, as ``varnic audit`` runs it."""

from __future__ import annotations

import dataclasses
import json
import os
import warnings
from typing import Any, Iterable, List, Optional, Tuple, Union

from varnic import _varnic

PathLike = Union[str, "os.PathLike[str]", "os.PathLike[bytes]"]
DeviceType = Union[int, str]

# The most threads one batch is audited on; more would only queue on the file system.
_MAX_JOBS = 4096


@dataclasses.dataclass(frozen=True)
class Drift:
    """One setting in which a device departs from the golden backup.

    ``kind`` is ``"different"``, ``"only_in_baseline"``, ``"only_in_device"`` or ``"hidden"``
    (not compared, and differs). Values are cut at 200 bytes and secrets are masked.
    """

    section: str
    key: str
    kind: str
    baseline: str
    device: str
    set_aside: Optional[str] = None  # why one file's line of a toggled setting was set aside


@dataclasses.dataclass(frozen=True)
class Device:
    """One target's row: ``status`` is ``"clean"``, ``"drifted"`` or ``"error"`` (see ``error``).

    ``drift`` holds the first 25 drifted settings; ``drift_omitted`` counts the others.
    """

    path: str
    baseline: str
    status: str
    error: Optional[str]
    baseline_type: int
    device_type: int
    differences: int
    only_in_baseline: int
    only_in_device: int
    hidden_differences: int
    ignored: int
    drift_omitted: int
    drift: List[Drift]


@dataclasses.dataclass(frozen=True)
class SettingCount:
    """How many devices one setting drifted on."""

    section: str
    key: str
    devices: int


@dataclasses.dataclass(frozen=True)
class AuditTotals:
    """The fleet's counts."""

    targets: int
    audited: int
    not_started: int
    drifted: int
    clean: int
    errors: int
    duplicates: int
    differences: int
    hidden_differences: int


@dataclasses.dataclass(frozen=True)
class AuditSummary:
    """What the audit says of the fleet: every device, worst first, and the totals.

    The fields are those of the document ``varnic audit --format=json`` prints (its schema is
    ``varnic-audit.schema.json``); ``to_json()`` gives that document itself.
    """

    generated_at: str
    state: str
    mode: str
    totals: AuditTotals
    devices: List[Device]
    most_drifted: List[SettingCount]
    most_hidden: List[SettingCount]
    options: Optional[dict]
    _json: str = dataclasses.field(repr=False, compare=False, default="")

    @classmethod
    def from_json(cls, text: Union[str, bytes]) -> "AuditSummary":
        """The summary a document of ``varnic audit --format=json`` holds."""
        if isinstance(text, bytes):
            text = text.decode("utf-8", "surrogateescape")
        data = json.loads(text)
        return cls(
            generated_at=data["generated_at"],
            state=data["state"],
            mode=data["mode"],
            totals=_make(AuditTotals, data["totals"]),
            devices=[_device(d) for d in data["devices"]],
            most_drifted=[_make(SettingCount, s) for s in data["most_drifted"]],
            most_hidden=[_make(SettingCount, s) for s in data["most_hidden"]],
            options=data["options"],
            _json=text,
        )

    def to_json(self) -> str:
        """The document ``varnic audit --format=json`` prints for the same fleet."""
        return self._json

    @property
    def drifted(self) -> bool:
        """Whether any device drifted."""
        return self.totals.drifted > 0

    @property
    def exit_status(self) -> int:
        """The command's exit status: 2 when a target failed or no device was audited, 1 when
        a device drifted, 0 otherwise."""
        if self.totals.errors > 0 or self.totals.audited == 0:
            return 2
        return 1 if self.totals.drifted > 0 else 0


def _make(cls: Any, data: dict) -> Any:
    # The document's schema grows by fields added; a field this version does not know is left
    # to to_json() rather than refused.
    return cls(**{f.name: data[f.name] for f in dataclasses.fields(cls) if f.name in data})


def _device(data: dict) -> Device:
    fields = dict(data)
    fields["drift"] = [_make(Drift, d) for d in data["drift"]]
    return _make(Device, fields)


def _check_jobs(jobs: Any, name: str = "jobs") -> int:
    if isinstance(jobs, bool) or not isinstance(jobs, int):
        raise TypeError(f"{name}: expected an int, got {type(jobs).__name__}")
    if not 0 <= jobs <= _MAX_JOBS:
        raise ValueError(f"{name}: {jobs} is not from 0 (one per core) to {_MAX_JOBS}")
    return jobs


def _finish(fleet: Any, documents: List[bytes],
            skipped: Iterable[Tuple[bytes, str]]) -> AuditSummary:
    """The batches folded into the fleet's summary; the files passed over are told as a warning,
    as the command notes them."""
    skipped = list(skipped)
    if skipped:
        names = ", ".join(repr(os.fsdecode(path)) for path, _ in skipped[:10])
        more = f" and {len(skipped) - 10} more" if len(skipped) > 10 else ""
        warnings.warn(f"skipped {names}{more}: {skipped[0][1]}", stacklevel=3)
    document = fleet.finish(documents, [path for path, _ in skipped])
    if isinstance(documents, list):
        documents.clear()  # a fleet's batches are as large as its summary: not both at once
    return AuditSummary.from_json(document)


def audit(golden: PathLike, targets: Union[PathLike, Iterable[PathLike]], *, jobs: int = 0,
          ignore: Union[str, Iterable[str]] = (), strict: bool = False,
          types: Union[str, Tuple[DeviceType, DeviceType]] = "auto",
          glob: str = "*.cfg") -> AuditSummary:
    """Audits every target against the golden backup, as ``varnic audit GOLDEN TARGET...``.

    golden: the backup every target should match (a path).
    targets: a path or a list of paths; a directory is walked for files matching ``glob``.
    jobs: threads (0: one per core). The audit runs without the GIL.
    ignore: ``'[Section]key'`` glob patterns of settings that count for nothing.
    strict: settings not compared that differ count as drift.
    types: ``'auto'`` (each pair's types from its files) or ``(golden type, target type)``,
        each ``0``/``'single-band'`` or ``1``/``'dual-band'``.

    A target that cannot be read is a device with an error, as in the command; the golden file
    that cannot be read raises ``OSError`` and one with nothing in a known section
    ``ValueError``. Ctrl-C stops the audit with ``KeyboardInterrupt``.
    """
    _check_jobs(jobs)
    fleet = _varnic._Fleet(golden, targets, ignore, strict, types, glob)
    document, skipped = _varnic._audit_batch(fleet.settings, fleet.targets, jobs)
    documents = [document]
    del document  # _finish lets the batch go before it parses the summary
    return _finish(fleet, documents, skipped)
