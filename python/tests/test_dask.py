"""varnic.dask.audit on a local cluster of two worker processes: the one-machine document."""

import os

import pytest

import varnic

distributed = pytest.importorskip(
    "distributed", reason="Dask's distributed cannot be imported (Debian: python3-distributed)")
import varnic.dask  # noqa: E402  (after the skip: the test needs distributed)


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as connected:
            yield connected


@pytest.mark.parametrize("kwargs", [
    {"batch_size": 1},
    {"batch_size": 3, "strict": True, "ignore": "[System]Gateway"},
    {"types": ("dual-band", 1), "jobs": 2},
], ids=["one-per-batch", "strict-ignore", "types-threads"])
def test_the_cluster_gives_the_one_machine_document(client, fleet, monkeypatch, kwargs):
    monkeypatch.setenv("SOURCE_DATE_EPOCH", "1700000000")
    golden, targets = fleet
    one_machine = {k: v for k, v in kwargs.items() if k not in ("batch_size", "jobs")}
    with pytest.warns(UserWarning, match="ap4.cfg"):
        expected = varnic.audit(golden, targets, **one_machine)
    with pytest.warns(UserWarning, match="ap4.cfg"):
        summary = varnic.dask.audit(client, golden, targets, **kwargs)
    assert summary.to_json() == expected.to_json()
    assert summary == expected


def test_errors_are_raised_before_anything_is_sent(client, tmp_path):
    with pytest.raises(FileNotFoundError) as raised:
        varnic.dask.audit(client, tmp_path / "nowhere.cfg", [os.fspath(tmp_path)])
    assert os.fspath(raised.value.filename) == os.fspath(tmp_path / "nowhere.cfg")
    with pytest.raises(ValueError, match="batch_size: 0"):
        varnic.dask.audit(client, tmp_path, [tmp_path], batch_size=0)
