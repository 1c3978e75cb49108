"""varnic.audit against `varnic audit`: the same document, and errors in Python's terms."""

import json
import os
import signal
import subprocess
import sys
import threading
import time
import warnings

import pytest

import varnic
from conftest import AFTER, BEFORE, COMMAND, needs_command

# (keyword arguments, the command's options for the same audit)
AUDITS = [
    ({}, []),
    ({"strict": True, "ignore": ["[System]Telnet_timeout", "Password"], "jobs": 1},
     ["--strict", "--ignore=[System]Telnet_timeout", "--ignore=Password", "-j1"]),
    ({"types": ("single-band", "dual-band")}, ["--baseline-type=single-band", "--target-type=1"]),
    ({"types": (1, 1), "glob": "ap3*"}, ["--baseline-type=1", "--target-type=1", "--glob=ap3*"]),
]


@needs_command
@pytest.mark.parametrize("kwargs,flags", AUDITS, ids=["default", "strict-ignore", "types", "glob"])
def test_the_summary_is_the_commands_document(fleet, monkeypatch, kwargs, flags):
    monkeypatch.setenv("SOURCE_DATE_EPOCH", "1700000000")
    golden, targets = fleet
    command = subprocess.run([COMMAND, "audit", "--format=json", *flags, golden, *targets],
                             capture_output=True, check=False, env=dict(os.environ))
    with warnings.catch_warnings(record=True) as told:
        warnings.simplefilter("always")
        summary = varnic.audit(golden, targets, **kwargs)
    # The saved marked results are passed over, as the command notes them.
    assert ["ap4.cfg" in str(w.message) for w in told] == ([] if "glob" in kwargs else [True])
    assert summary.to_json() == command.stdout.decode()
    assert summary.exit_status == command.returncode
    by_path = {os.path.relpath(d.path, os.path.dirname(golden)): d for d in summary.devices}
    assert by_path["gone.cfg"].status == "error" and "cannot read" in by_path["gone.cfg"].error
    assert by_path["site-c"].status == "error"
    assert summary.totals.duplicates == (0 if "glob" in kwargs else 1)  # ap2.cfg named again
    assert summary.totals.targets == len(summary.devices)


def test_dataclasses_hold_the_drift(fleet):
    golden, targets = fleet
    with pytest.warns(UserWarning, match="ap4.cfg': saved marked results, not a backup"):
        summary = varnic.audit(golden, [targets[0], targets[1]], jobs=2)
    drifted = [d for d in summary.devices if d.status == "drifted"]
    assert {os.path.basename(d.path) for d in drifted} == {"ap2.cfg", "ap3.cfg"}
    telnet = [x for d in drifted for x in d.drift if x.key == "Telnet_timeout"]
    assert sorted(x.device for x in telnet) == ["600", "900"]
    assert all(x.section == "[System]" and x.baseline == "300" for x in telnet)
    top = {(s.section, s.key): s.devices for s in summary.most_drifted}
    assert top[("[System]", "Telnet_timeout")] == 2
    assert summary.drifted and summary.mode == "marked" and summary.state == "complete"


def test_a_document_with_fields_this_version_does_not_know_still_reads(fleet):
    document = json.loads(varnic.audit(fleet[0], fleet[1][0]).to_json())
    document["devices"][0]["drift"][0]["set_aside"] = "not used while X"
    document["devices"][0]["drift"][0]["added_later"] = 1
    document["totals"]["added_later"] = 2
    summary = varnic.AuditSummary.from_json(json.dumps(document))
    assert summary.devices[0].drift[0].set_aside == "not used while X"
    assert summary.totals.audited == document["totals"]["audited"]


def test_an_audit_lets_other_threads_run(tmp_path):
    lines = b"".join(b"key%d=value%d\n" % (i, i) for i in range(200_000))
    golden = tmp_path / "golden.cfg"
    golden.write_bytes(b"[5GHz_WirelessSettings]\n" + lines)
    for i in range(4):
        (tmp_path / f"ap{i}.cfg").write_bytes(
            b"[5GHz_WirelessSettings]\n" + lines.replace(b"value", b"v%d" % i))
    results = []
    worker = threading.Thread(target=lambda: results.append(
        varnic.audit(golden, [tmp_path / f"ap{i}.cfg" for i in range(4)], jobs=1)))
    ticks = 0
    worker.start()
    while worker.is_alive():
        ticks += 1
        worker.join(0.001)
    assert results and results[0].totals.drifted == 4
    assert ticks > 20


def _bad_golden(tmp_path):
    path = tmp_path / "elsewhere.cfg"
    path.write_bytes(b"[Elsewhere]\nkey=value\n")
    return path


# (call, exception, message, the file OSError names); `t` is a scratch folder.
ERRORS = [
    (lambda t: varnic.compare(t / "nowhere.cfg", BEFORE), FileNotFoundError, "", "nowhere.cfg"),
    (lambda t: varnic.compare(BEFORE, AFTER, type1="tri-band"), ValueError,
     "type1: 'tri-band' is neither a number nor single-band or dual-band", None),
    (lambda t: varnic.compare(BEFORE, AFTER, type1=2.5), TypeError, "type1: expected an int", None),
    (lambda t: varnic.compare(BEFORE, AFTER, type2=2**40), ValueError, "type2: .* 32-bit", None),
    (lambda t: varnic.compare(BEFORE, AFTER, strict="no"), TypeError, "strict: expected True", None),
    (lambda t: varnic.compare(BEFORE, AFTER, ignore=[3]), TypeError, "ignore: expected str", None),
    (lambda t: varnic.compare(BEFORE, AFTER, ignore="[System"), ValueError, "ignore: ", None),
    (lambda t: varnic.compare(BEFORE, AFTER, types="manual"), ValueError, "types: only 'auto'",
     None),
    (lambda t: varnic.compare(BEFORE, AFTER, type1=1, types="auto"), ValueError,
     "types: 'auto' chooses both", None),
    (lambda t: varnic.compare(BEFORE, 3.0), TypeError, "compare\\(\\) file 2: expected bytes", None),
    (lambda t: varnic.audit(t / "nowhere.cfg", AFTER), FileNotFoundError, "", "nowhere.cfg"),
    (lambda t: varnic.audit(t / "sub", AFTER) if (t / "sub").mkdir() is None else None,
     IsADirectoryError, "", "sub"),
    (lambda t: varnic.audit(_bad_golden(t), AFTER), ValueError,
     "golden '.*elsewhere.cfg' has no section header", None),
    (lambda t: varnic.audit(BEFORE, []), ValueError, "targets: no target given", None),
    (lambda t: varnic.audit(BEFORE, [AFTER, 3]), TypeError, "targets\\[1\\]: expected a path", None),
    (lambda t: varnic.audit(BEFORE, 3), TypeError, "targets: expected a path", None),
    (lambda t: varnic.audit(b"golden", AFTER), TypeError, "golden: expected a path", None),
    (lambda t: varnic.audit(str(BEFORE) + "\0", AFTER), ValueError, "golden: embedded null", None),
    (lambda t: varnic.audit(BEFORE, AFTER, jobs=-1), ValueError, "jobs: -1", None),
    (lambda t: varnic.audit(BEFORE, AFTER, jobs="2"), TypeError, "jobs: expected an int", None),
    (lambda t: varnic.audit(BEFORE, AFTER, types=("single-band",)), ValueError,
     "types: expected a pair", None),
    (lambda t: varnic.audit(BEFORE, AFTER, types=("x", 0)), ValueError, "types\\[0\\]: 'x'", None),
    (lambda t: varnic.audit(BEFORE, AFTER, types="manual"), ValueError, "types: 'manual'", None),
    (lambda t: varnic.audit(BEFORE, AFTER, types=1), TypeError, "types: expected 'auto'", None),
    (lambda t: varnic.audit(BEFORE, AFTER, glob=3), TypeError, "glob: expected a str", None),
    (lambda t: varnic.audit(BEFORE, AFTER, strict=1), TypeError, "strict: expected True", None),
    (lambda t: varnic.audit(BEFORE, AFTER, ignore="[x"), ValueError, "ignore: ", None),
]


@pytest.mark.parametrize("call,error,message,filename", ERRORS)
def test_errors_are_pythons_own_and_name_what_failed(tmp_path, call, error, message, filename):
    with pytest.raises(error, match=message) as raised:
        call(tmp_path)
    if filename is not None:
        assert os.fspath(raised.value.filename) == os.fspath(tmp_path / filename)


def test_ctrl_c_stops_an_audit_with_keyboard_interrupt_not_a_partial_summary(tmp_path):
    lines = b"".join(b"key%d=value%d\n" % (i, i) for i in range(100_000))
    golden = tmp_path / "golden.cfg"
    golden.write_bytes(b"[5GHz_WirelessSettings]\n" + lines)
    fleet = tmp_path / "fleet"
    fleet.mkdir()
    for i in range(60):
        (fleet / f"ap{i}.cfg").write_bytes(golden.read_bytes().replace(b"value1", b"v%d" % i))
    script = ("import sys, varnic\nprint('ready', flush=True)\ntry:\n"
              "    s = varnic.audit(sys.argv[1], sys.argv[2], jobs=1)\n"
              "    print('finished', s.totals.audited)\n"
              "except KeyboardInterrupt:\n    print('interrupted')\n")
    child = subprocess.Popen([sys.executable, "-c", script, golden, fleet],
                             stdout=subprocess.PIPE)
    assert child.stdout.readline() == b"ready\n"
    time.sleep(0.2)
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=120)
    assert out == b"interrupted\n"
