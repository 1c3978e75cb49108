"""The fleet audit spread over a Dask cluster.

``varnic.dask.audit(client, golden, targets)`` lists the targets once, here, and maps batches of
them to the cluster's workers; each batch is audited in C++ (without the GIL) by the varnic module
installed on the worker, and the batches' summaries are folded with the merge of
``varnic audit --merge``. The result is the summary one ``varnic.audit`` of the same fleet gives:
``to_json()`` is the same document.

Every worker reads the targets by the paths listed here: they must see the same files under the
same names (a shared file system). The golden file is read once, here, and sent to the workers.

    from distributed import Client
    import varnic.dask
    with Client("tcp://scheduler:8786") as client:
        summary = varnic.dask.audit(client, "golden.cfg", ["/fleet"])
"""

from __future__ import annotations

import math
from typing import Any, Iterable, List, Optional, Tuple, Union

from varnic import _varnic
from varnic._audit import AuditSummary, DeviceType, PathLike, _check_jobs, _finish

__all__ = ["audit"]

# Batches per worker thread by default: enough that a slow batch does not hold up the end of the
# audit, few enough that scheduling costs nothing beside auditing.
_BATCHES_PER_THREAD = 4


def _audit_batch(targets: List[Tuple[bytes, str, bool]], settings: tuple,
                 jobs: int) -> Tuple[bytes, list]:
    """Runs on a worker: one batch's summary document and the files it passed over."""
    return _varnic._audit_batch(settings, targets, jobs)


def _threads(client: Any) -> int:
    workers = client.scheduler_info().get("workers", {})
    return max(1, sum(int(w.get("nthreads", 1)) for w in workers.values()))


def audit(client: Any, golden: PathLike, targets: Union[PathLike, Iterable[PathLike]], *,
          batch_size: Optional[int] = None, jobs: int = 1,
          ignore: Union[str, Iterable[str]] = (), strict: bool = False,
          types: Union[str, Tuple[DeviceType, DeviceType]] = "auto",
          glob: str = "*.cfg") -> AuditSummary:
    """Audits the fleet on the workers of ``client`` (a ``distributed.Client``).

    batch_size: targets per task (default: about four batches per worker thread).
    jobs: threads each batch is audited on, in its worker (1: the worker's threads share out
        the batches; 0: one per core).
    golden, targets, ignore, strict, types, glob: as for ``varnic.audit``, with the same errors,
    raised here before anything is sent.
    """
    _check_jobs(jobs)
    if batch_size is not None:
        _check_jobs(batch_size, "batch_size")
        if batch_size == 0:
            raise ValueError("batch_size: 0 targets per batch; give at least 1")
    fleet = _varnic._Fleet(golden, targets, ignore, strict, types, glob)
    listed = fleet.targets
    if batch_size is None:
        batch_size = max(1, math.ceil(len(listed) / (_threads(client) * _BATCHES_PER_THREAD)))
    batches = [listed[i:i + batch_size] for i in range(0, len(listed), batch_size)]
    documents: List[bytes] = []
    skipped: list = []
    if batches:
        # The golden text goes to each worker once, not with every batch.
        (settings,) = client.scatter([fleet.settings], broadcast=True)
        futures = client.map(_audit_batch, batches, settings=settings, jobs=jobs, pure=False)
        for document, passed_over in client.gather(futures):
            documents.append(document)
            skipped.extend(passed_over)
    return _finish(fleet, documents, skipped)
