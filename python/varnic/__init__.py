"""Compares configuration backups of a dual-band wireless access point.

A backup is INI-like text: ``[Section]`` headers and ``key=value`` lines. Varnic aligns the two
files setting by setting, drops the keys that do not matter under the active settings, reconciles
a single-band device with a dual-band one, and matches MAC filter lists by address.

Two front doors:

``compare(a, b)``
    One pair of backups (bytes or paths) -> a ``Comparison``: its ``rows``, ``counts``,
    ``hidden`` differences, the marked results (``marked()``, ``save()``) and ``to_json()``,
    the document ``varnic compare --format=json`` prints, and the way back from the second file
    to the first: ``remediation`` (the edits ``--format=remediation`` lists) and ``fixed()``
    (the second file with those edits, verified, as ``--write-fixed`` writes it). With
    ``vars=PATH`` (or ``template=True``) the first file is a golden template rendered for the
    second.

``audit(golden, targets)``
    A fleet: every target (files, or directories walked for ``*.cfg``) against one golden
    backup -> an ``AuditSummary`` of dataclasses, whose ``to_json()`` is the document
    ``varnic audit --format=json`` prints. ``varnic.dask.audit`` spreads the same audit over a
    Dask cluster.

Errors are Python's own: ``OSError`` (with ``filename``) for a file that cannot be read,
``ValueError`` naming the file or argument and the reason, ``TypeError`` naming the argument.
"""

from varnic._varnic import (
    Comparison,
    HiddenDifference,
    Remedy,
    Row,
    RowKind,
    __version__,
    compare,
)
from varnic._audit import (
    AuditSummary,
    AuditTotals,
    Device,
    Drift,
    SettingCount,
    audit,
)

# Shown as the package's own in help(), repr() and pickles.
for _public in (Comparison, compare, AuditSummary, AuditTotals, Device, Drift, SettingCount, audit):
    _public.__module__ = "varnic"
del _public

__all__ = [
    "AuditSummary",
    "AuditTotals",
    "Comparison",
    "Device",
    "Drift",
    "HiddenDifference",
    "Remedy",
    "Row",
    "RowKind",
    "SettingCount",
    "__version__",
    "audit",
    "compare",
]
