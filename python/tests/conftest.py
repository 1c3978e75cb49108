"""What the Python tests share: the example backups, the command, and a small fleet."""

import os
import pathlib
import shutil

import pytest

import varnic

SOURCE = pathlib.Path(os.environ.get("VARNIC_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
BEFORE = SOURCE / "examples" / "ap-before.cfg"
AFTER = SOURCE / "examples" / "ap-after.cfg"
COMMAND = os.environ.get("VARNIC_BINARY")

needs_command = pytest.mark.skipif(not COMMAND, reason="VARNIC_BINARY is not set")


def pytest_sessionstart(session):
    # Run from a wheel, the tests must see the wheel's install and nothing else.
    installed = os.environ.get("VARNIC_INSTALLED_IN")
    if installed and not pathlib.Path(varnic.__file__).resolve().is_relative_to(
            pathlib.Path(installed).resolve()):
        pytest.exit(f"varnic was imported from {varnic.__file__}, not from {installed}", 2)


@pytest.fixture
def fleet(tmp_path):
    """(golden, targets): a fleet with a clean device, drifted ones, a directory without a
    backup, saved marked results a walk passes over, a target that does not exist and a device
    named twice."""
    root = tmp_path / "fleet"
    (root / "site-a").mkdir(parents=True)
    (root / "site-b").mkdir()
    (root / "site-c").mkdir()
    golden = root / "golden.cfg"
    shutil.copyfile(BEFORE, golden)
    shutil.copyfile(BEFORE, root / "site-a" / "ap1.cfg")
    shutil.copyfile(AFTER, root / "site-a" / "ap2.cfg")
    (root / "site-b" / "ap3.cfg").write_bytes(
        AFTER.read_bytes().replace(b"Telnet_timeout=600", b"Telnet_timeout=900"))
    (root / "site-b" / "ap4.cfg").write_bytes(varnic.compare(BEFORE, AFTER).marked()[0])
    targets = [str(root / "site-a"), str(root / "site-b"), str(root / "site-c"),
               str(root / "gone.cfg"), str(root / "site-a" / "ap2.cfg")]
    return str(golden), targets
