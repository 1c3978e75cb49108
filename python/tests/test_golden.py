"""Golden templates through the module against the command: the same remediation, the same fixed
bytes, the same errors."""

import json
import os
import subprocess

import pytest

import varnic
from conftest import AFTER, BEFORE, COMMAND, needs_command

GENPAIR = os.environ.get("VARNIC_GENPAIR")

# The README's worked fleet: one template, an inventory of three devices.
TEMPLATE = (b"[System]\r\nDeviceName={{ name }}\r\nIPaddr={{ in 10.20.0.0/16 }}\r\n"
            b"Telnet_option=Disable\r\n[2.4GHz_WirelessSettings]\r\n"
            b"channel={{ one_of 1 6 11 }}\r\nssid={{ site }}\r\n")
INVENTORY = b"device,name,site\nap1,AP-1,Lobby\nap2,AP-2,Hall\nap3,AP-3,Roof\n"


def device(name, ip, telnet, channel, ssid):
    return (f"[System]\r\nDeviceName={name}\r\nIPaddr={ip}\r\nTelnet_option={telnet}\r\n"
            f"[2.4GHz_WirelessSettings]\r\nchannel={channel}\r\nssid={ssid}\r\n").encode()


@pytest.fixture
def fleet(tmp_path):
    (tmp_path / "golden.cfg").write_bytes(TEMPLATE)
    (tmp_path / "vars.csv").write_bytes(INVENTORY)
    (tmp_path / "ap1.cfg").write_bytes(device("AP-1", "10.20.3.4", "Disable", "6", "Lobby"))
    (tmp_path / "ap2.cfg").write_bytes(device("AP-2", "10.20.0.7", "Disable", "7", "Hall"))
    (tmp_path / "ap3.cfg").write_bytes(device("AP-3", "10.20.9.1", "Enable", "1", "Old"))
    (tmp_path / "ap4.cfg").write_bytes(device("AP-4", "10.20.9.2", "Disable", "1", "Roof"))
    return tmp_path


def generated(tmp_path, shape, seed):
    subprocess.run([GENPAIR, shape, "150", str(tmp_path), str(seed)], check=True)
    return tmp_path / f"{shape}-150-1.cfg", tmp_path / f"{shape}-150-2.cfg"


def command(*args):
    return subprocess.run([COMMAND, "compare", *map(str, args)], capture_output=True,
                          check=False, env={**os.environ, "SOURCE_DATE_EPOCH": "1700000000"})


# (id, files as (golden, device) from the fleet or a generator, compare() arguments, the same
# as the command's flags, whether the fix can be written)
CASES = [
    ("template-drifted", ("golden.cfg", "ap3.cfg"), {"vars": "vars.csv", "types": "auto"},
     ["--vars", "vars.csv"],
     True),
    ("template-clean", ("golden.cfg", "ap1.cfg"), {"vars": "vars.csv", "types": "auto"},
     ["--vars", "vars.csv"],
     True),
    ("template-manual", ("golden.cfg", "ap2.cfg"), {"vars": "vars.csv", "types": "auto"},
     ["--vars", "vars.csv"],
     False),
    ("template-device-named", ("golden.cfg", "ap4.cfg"),
     {"vars": "vars.csv", "device": "ap3", "types": "auto"},
     ["--vars", "vars.csv", "--device", "ap3"], True),
    ("rules-without-inventory", (BEFORE.read_bytes().replace(
        b"Telnet_timeout=300", b"Telnet_timeout={{ one_of 300 }}"), AFTER),
     {"template": True, "type1": 0, "type2": 0}, ["--template", "--type1=0", "--type2=0"], True),
    ("examples-plain", (BEFORE, AFTER), {"type1": 0, "type2": "single-band"},
     ["--type1=0", "--type2=0"], True),
    ("examples-strict", (BEFORE, AFTER), {"type1": 0, "type2": 0, "strict": True},
     ["--type1=0", "--type2=0", "--strict"], True),
    ("generated-realistic", ("realistic", 3), {"type1": 1, "type2": 1},
     ["--type1=1", "--type2=1"], True),
    ("generated-realistic-single", ("realistic", 7), {"type1": 0, "type2": 0},
     ["--type1=0", "--type2=0"], True),
    ("generated-mac-list-renumbered", ("mac-list", 1), {"type1": 0, "type2": 0},
     ["--type1=0", "--type2=0"], True),
    ("generated-many-ssids-strict", ("many-ssids", 3), {"types": "auto", "strict": True},
     ["--types=auto", "--strict"], True),
    ("generated-unknown-sections-strict", ("unknown-sections", 1),
     {"type1": 1, "type2": 1, "strict": True}, ["--type1=1", "--type2=1", "--strict"], True),
]


def materialise(fleet, files):
    if isinstance(files[1], int):
        if not GENPAIR:
            pytest.skip("VARNIC_GENPAIR is not set")
        return generated(fleet / "pairs", *files)
    paths = []
    for n, item in enumerate(files):
        if isinstance(item, bytes):
            (fleet / f"given-{n}.cfg").write_bytes(item)
            item = fleet / f"given-{n}.cfg"
        paths.append(fleet / item)
    return paths


@needs_command
@pytest.mark.parametrize("files,kwargs,flags,fixable", [c[1:] for c in CASES],
                         ids=[c[0] for c in CASES])
def test_remediation_and_fix_are_the_commands(fleet, files, kwargs, flags, fixable):
    golden, target = materialise(fleet, files)
    kwargs = {k: fleet / v if k == "vars" else v for k, v in kwargs.items()}
    flags = [fleet / f if f == "vars.csv" else f for f in flags]
    shown = command(golden, target, *flags, "--format=json", "--show-secrets", "--write-fixed",
                    fleet / "out.cfg")
    result = varnic.compare(golden, target, **kwargs)

    out = fleet / "out.cfg"
    if not fixable:
        assert shown.returncode == 2 and not out.exists()
        listed = command(golden, target, *flags, "--format=json", "--show-secrets")
        document = json.loads(listed.stdout)
        with pytest.raises(ValueError, match="fails {{ one_of 1 6 11 }}") as refused:
            result.fixed()
        assert str(refused.value).split(": ", 2)[-1] in shown.stderr.decode()
    else:
        assert shown.returncode in (0, 1), shown.stderr
        document = json.loads(shown.stdout)
        assert result.fixed() == out.read_bytes()
        result.fixed(fleet / "mine.cfg")
        assert (fleet / "mine.cfg").read_bytes() == out.read_bytes()
    remedies = [(r["action"], r["section"], r["key"].encode(), r["value"].encode(), r["rule"])
                for r in document["remediation"]]
    assert [tuple(r) for r in result.remediation] == remedies
    assert (remedies == []) == (not result.differs)
    if "vars" in kwargs or kwargs.get("template"):
        listed = command(golden, target, *flags, "--format=json", "--show-secrets")
        assert result.to_json(show_secrets=True) == listed.stdout.decode()


def test_readme_fleet_remediation(fleet):
    result = varnic.compare(fleet / "golden.cfg", fleet / "ap3.cfg", vars=fleet / "vars.csv")
    assert result.remediation == [
        varnic.Remedy("set", "[System]", b"Telnet_option", b"Disable", None),
        varnic.Remedy("set", "[2.4GHz_WirelessSettings]", b"ssid", b"Roof", None)]
    assert result.fixed() == device("AP-3", "10.20.9.1", "Disable", "1", "Roof")
    clean = varnic.compare(fleet / "golden.cfg", fleet / "ap1.cfg", vars=fleet / "vars.csv")
    assert clean.remediation == [] and clean.fixed() == (fleet / "ap1.cfg").read_bytes()


# (id, how to call, the error, a part of its message)
ERRORS = [
    ("unknown matcher", lambda f: varnic.compare(
        TEMPLATE.replace(b"{{ one_of 1 6 11 }}", b"{{ one_off 1 }}"), f / "ap1.cfg",
        vars=f / "vars.csv"), ValueError, "file 1 (bytes):6: unknown matcher 'one_off'"),
    ("device missing from inventory", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap4.cfg", vars=f / "vars.csv"), ValueError,
     "device 'ap4' has no row in '"),
    ("variables without inventory", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap1.cfg", template=True), ValueError, "give their values with vars"),
    ("bytes device unnamed", lambda f: varnic.compare(
        f / "golden.cfg", (f / "ap1.cfg").read_bytes(), vars=f / "vars.csv"), ValueError,
     "with device=NAME"),
    ("device without inventory", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap1.cfg", device="ap1"), ValueError, "give vars=PATH too"),
    ("inventory unreadable", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap1.cfg", vars=f / "gone.csv"), FileNotFoundError, "gone.csv"),
    ("duplicate device", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap1.cfg", vars=(f / "vars.csv").write_bytes(INVENTORY + b"ap1,x,y\n")
        and f / "vars.csv"), ValueError,
     "vars.csv:5: device 'ap1' is listed twice"),
    ("template not a flag", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap1.cfg", template="yes"), TypeError, "template"),
    ("fix over the device", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap3.cfg", vars=f / "vars.csv").fixed(f / "ap3.cfg"), ValueError,
     "is a compared file"),
    ("fix over the inventory", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap3.cfg", vars=f / "vars.csv").fixed(f / "vars.csv"), ValueError,
     "is the inventory"),
    ("fix into a missing folder", lambda f: varnic.compare(
        f / "golden.cfg", f / "ap3.cfg", vars=f / "vars.csv").fixed(f / "no" / "x.cfg"),
     FileNotFoundError, "x.cfg"),
]


@pytest.mark.parametrize("call,error,message", [e[1:] for e in ERRORS],
                         ids=[e[0] for e in ERRORS])
def test_errors_name_the_file_and_the_reason(fleet, call, error, message):
    before = {p: p.read_bytes() for p in fleet.glob("*.*")}
    with pytest.raises(error) as raised:
        call(fleet)
    shown = str(raised.value) + str(getattr(raised.value, "filename", "") or "")
    assert message in shown
    assert all(p.read_bytes() == b for p, b in before.items() if p.name != "vars.csv")
