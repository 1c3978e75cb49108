import enum
import os
from typing import Iterable, Literal, NamedTuple, Optional, Tuple, Union, overload

from varnic._audit import (
    AuditSummary as AuditSummary,
    AuditTotals as AuditTotals,
    Device as Device,
    Drift as Drift,
    SettingCount as SettingCount,
    audit as audit,
)

__version__: str

_Path = Union[str, os.PathLike[str], os.PathLike[bytes]]
_Backup = Union[bytes, bytearray, memoryview, _Path]
_DeviceType = Union[int, str]

class RowKind(enum.IntEnum):
    SAME = 0
    DIFFERENT = 1
    ONLY_LEFT = 2
    ONLY_RIGHT = 3

class Row(NamedTuple):
    section: str
    key: bytes
    left: Optional[bytes]
    right: Optional[bytes]
    kind: RowKind
    left_line: Optional[int] = None
    right_line: Optional[int] = None

class HiddenDifference(NamedTuple):
    section: str
    key: bytes
    left: Optional[bytes]
    right: Optional[bytes]
    reason: str
    why: str
    ignored: bool
    left_line: Optional[int] = None
    right_line: Optional[int] = None

class Remedy(NamedTuple):
    action: Literal["set", "add", "remove", "manual"]
    section: str
    key: bytes
    value: bytes
    rule: Optional[str]

class Comparison:
    @property
    def rows(self) -> list[Row]: ...
    @property
    def counts(self) -> dict[str, int]: ...
    @property
    def section_counts(self) -> dict[str, dict[str, int]]: ...
    @property
    def differs(self) -> bool: ...
    @property
    def hidden(self) -> list[HiddenDifference]: ...
    @property
    def types(self) -> Tuple[int, int]: ...
    def marked(self) -> Tuple[bytes, bytes]: ...
    def save(self, out1: _Path, out2: _Path) -> None: ...
    def to_json(self, show_secrets: bool = False) -> str: ...
    @property
    def remediation(self) -> list[Remedy]: ...
    @overload
    def fixed(self, path: None = None) -> bytes: ...
    @overload
    def fixed(self, path: _Path) -> None: ...

def compare(
    a: _Backup,
    b: _Backup,
    type1: Optional[_DeviceType] = 0,
    type2: Optional[_DeviceType] = 0,
    strict: bool = False,
    ignore: Union[str, Iterable[str]] = (),
    *,
    types: Optional[str] = None,
    template: bool = False,
    vars: Optional[_Path] = None,
    device: Optional[str] = None,
) -> Comparison: ...
