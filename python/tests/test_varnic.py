"""The Python module against the command: the same bytes, the same JSON, errors naming files."""

import array
import json
import os
import pathlib
import subprocess
import threading

import pytest

import varnic
from conftest import AFTER, BEFORE, COMMAND, SOURCE, needs_command


class BytesPath:
    """An os.PathLike whose path is bytes."""

    def __init__(self, path):
        self.path = os.fsencode(path)

    def __fspath__(self):
        return self.path


def run_command(*args, env=None):
    return subprocess.run([COMMAND, "compare", *args], capture_output=True, env=env, check=False)


@needs_command
@pytest.mark.parametrize("type1,type2", [(0, 0), (0, 1), (1, 0), (7, 0)])
def test_marked_results_are_the_bytes_the_command_saves(tmp_path, type1, type2):
    out1, out2 = tmp_path / "1.out", tmp_path / "2.out"
    run_command(str(BEFORE), str(AFTER), f"--type1={type1}", f"--type2={type2}", "--quiet",
                "--save", str(out1), str(out2))
    result = varnic.compare(BEFORE, AFTER, type1=type1, type2=type2)
    assert result.marked() == (out1.read_bytes(), out2.read_bytes())
    assert result.types == (type1, type2)


@needs_command
@pytest.mark.parametrize("show_secrets", [False, True])
@pytest.mark.parametrize("type1,type2", [(0, 0), (1, 0)])
def test_json_is_the_commands(monkeypatch, show_secrets, type1, type2):
    monkeypatch.chdir(SOURCE)
    monkeypatch.setenv("SOURCE_DATE_EPOCH", "1700000000")
    args = ["examples/ap-before.cfg", "examples/ap-after.cfg", f"--type1={type1}",
            f"--type2={type2}", "--format=json"] + (["--show-secrets"] if show_secrets else [])
    expected = run_command(*args, env=dict(os.environ)).stdout.decode()
    result = varnic.compare("examples/ap-before.cfg", "examples/ap-after.cfg", type1, type2)
    assert result.to_json(show_secrets=show_secrets) == expected


@needs_command
@pytest.mark.parametrize("kwargs,flags", [
    ({"type1": "single-band", "type2": "DUAL-BAND"}, ["--type1=0", "--type2=1"]),
    ({"type1": 1, "type2": "single-band"}, ["--type1=dual-band", "--type2=0"]),
    ({"types": "auto"}, ["--types=auto"]),
], ids=["names", "mixed", "auto"])
def test_device_types_by_name_number_or_auto_are_the_commands(monkeypatch, kwargs, flags):
    monkeypatch.chdir(SOURCE)
    monkeypatch.setenv("SOURCE_DATE_EPOCH", "1700000000")
    for first, second in [("ap-before.cfg", "ap-after.cfg"), ("ap-after.cfg", "ap-before.cfg")]:
        args = [f"examples/{first}", f"examples/{second}"]
        expected = run_command(*args, *flags, "--format=json", env=dict(os.environ)).stdout
        assert varnic.compare(*args, **kwargs).to_json() == expected.decode()


def test_rows_and_hidden_differences_are_named_as_json_names_them():
    result = varnic.compare(BEFORE, AFTER, types="auto")
    document = json.loads(result.to_json(show_secrets=True))
    assert [(r.section, r.key.decode(), r.left and r.left.decode(), r.right and r.right.decode(),
             r.left_line, r.right_line) for r in result.rows] == [
        (e["section"], e["key"], e["left"], e["right"], e["left_line"], e["right_line"])
        for e in document["entries"]]
    assert result.hidden and [
        (h.section, h.key.decode(), h.reason, h.left_line, h.right_line) for h in result.hidden
    ] == [(h["section"], h["key"], h["reason"], h["left_line"], h["right_line"])
          for h in document["hidden_differences"]]
    assert {r.section for r in result.rows} <= set(result.section_counts)


@pytest.mark.parametrize("convert", [
    lambda p: p.read_bytes(),
    lambda p: bytearray(p.read_bytes()),
    lambda p: memoryview(p.read_bytes()),
    str,
    lambda p: p,  # os.PathLike
    BytesPath,
], ids=["bytes", "bytearray", "memoryview", "str", "pathlib", "bytes-fspath"])
def test_every_kind_of_argument_gives_the_same_comparison(convert):
    reference = varnic.compare(BEFORE.read_bytes(), AFTER.read_bytes())
    result = varnic.compare(convert(BEFORE), convert(AFTER))
    assert result.rows == reference.rows
    assert result.marked() == reference.marked()


def line_of(path, start):
    return next(n for n, line in enumerate(path.read_bytes().splitlines(), 1)
                if line.startswith(start))


def test_rows_counts_and_kinds_describe_the_example():
    result = varnic.compare(BEFORE, AFTER)
    assert result.differs
    gateway = [r for r in result.rows if r.section == "[System]" and r.key == b"Gateway"]
    assert gateway == [varnic.Row("[System]", b"Gateway", b"192.168.10.1", b"192.168.10.254",
                                  varnic.RowKind.DIFFERENT, line_of(BEFORE, b"Gateway="),
                                  line_of(AFTER, b"Gateway="))]
    added = [r for r in result.rows if r.key == b"filter_mac_add4"]
    assert [(r.section, r.left, r.right, r.left_line, r.right_line, r.kind) for r in added] == [
        ("[5GHz_Filter]", None, b"00:1A:2B:3C:4D:0A", None, line_of(AFTER, b"filter_mac_add4="),
         varnic.RowKind.ONLY_RIGHT)]
    by_kind = {kind: sum(r.kind == kind for r in result.rows) for kind in varnic.RowKind}
    counts = result.counts
    assert (counts["same"], counts["different"], counts["only_left"], counts["only_right"]) == (
        by_kind[varnic.RowKind.SAME], by_kind[varnic.RowKind.DIFFERENT],
        by_kind[varnic.RowKind.ONLY_LEFT], by_kind[varnic.RowKind.ONLY_RIGHT])
    assert counts["dropped"] > 0
    assert sum(c["different"] for c in result.section_counts.values()) == counts["different"]


@pytest.mark.skipif(not os.environ.get("VARNIC_INSTALLED_IN"), reason="not run from a wheel")
def test_the_installed_distribution_is_the_modules_version():
    import importlib.metadata
    assert importlib.metadata.version("varnic") == varnic.__version__


def test_a_file_compared_with_itself_does_not_differ():
    result = varnic.compare(BEFORE, BEFORE)
    assert not result.differs
    assert {r.kind for r in result.rows} == {varnic.RowKind.SAME}
    first, second = result.marked()
    assert first == second and first.endswith(b"\r\n")


def test_bytes_that_are_not_text_stay_bytes():
    text = b"[5GHz_WirelessSettings]\nssid=caf\xe9\x00\xff\r\n"
    result = varnic.compare(text, text.replace(b"\xff", b"\xfe"))
    (row,) = result.rows
    assert (row.key, row.left, row.right) == (b"ssid", b"caf\xe9\x00\xff", b"caf\xe9\x00\xfe")
    assert result.marked()[0] == b"[5GHz_WirelessSettings]\r\nd_ssid=caf\xe9\x00\xff\r\n"


@pytest.mark.parametrize("missing,error,name", [
    ("nowhere.cfg", FileNotFoundError, "nowhere.cfg"),
    (".", IsADirectoryError, "."),
], ids=["missing", "directory"])
@pytest.mark.parametrize("position", [0, 1])
def test_unreadable_file_raises_os_error_naming_it(tmp_path, missing, error, name, position):
    path = str(tmp_path / missing) if missing != "." else str(tmp_path)
    args = [str(BEFORE), str(BEFORE)]
    args[position] = path
    with pytest.raises(error) as raised:
        varnic.compare(*args)
    assert raised.value.filename == path


@pytest.mark.parametrize("position", [0, 1])
def test_file_with_no_known_section_raises_value_error_naming_it(tmp_path, position):
    empty = tmp_path / "unknown.cfg"
    empty.write_bytes(b"[Elsewhere]\nkey=value\n")
    args = [BEFORE, BEFORE]
    args[position] = empty
    with pytest.raises(ValueError, match=f"'{empty}' has no section header; the known headers are"):
        varnic.compare(*args)
    args[position] = b"[System]\n[Elsewhere]\nkey=value\n"
    with pytest.raises(ValueError, match=f"file {position + 1} \\(bytes\\) has no settings"):
        varnic.compare(*args)
    args[position] = b""
    with pytest.raises(ValueError, match=f"file {position + 1} \\(bytes\\) is empty"):
        varnic.compare(*args)


@pytest.mark.parametrize("argument", [3, None, ["a"]])
def test_other_arguments_are_type_errors(argument):
    with pytest.raises(TypeError):
        varnic.compare(argument, BEFORE)


def test_comparing_lets_other_threads_run():
    # A large pair keeps the comparison busy long enough for the main thread to be seen running.
    lines = b"".join(b"key%d=value%d\n" % (i, i) for i in range(300_000))
    header = b"[5GHz_WirelessSettings]\n"
    text1, text2 = header + lines, header + lines.replace(b"value", b"other")
    results = []
    worker = threading.Thread(target=lambda: results.append(varnic.compare(text1, text2)))
    ticks = 0
    worker.start()
    while worker.is_alive():
        ticks += 1
        worker.join(0.001)
    assert results and results[0].counts["different"] == 300_000
    assert ticks > 20


BIG = BEFORE.read_bytes() * 3


@pytest.mark.parametrize("make", [
    lambda: memoryview(BIG)[99::-1],                       # reversed: its bytes lie before it
    lambda: memoryview(BIG)[::2],                          # stepped: every other byte
    lambda: memoryview(array.array("i", range(1000)))[::-1],  # items of 4 bytes, reversed
], ids=["reversed", "stepped", "reversed-ints"])
def test_a_buffer_that_is_not_contiguous_is_refused(make):
    with pytest.raises(TypeError, match="C-contiguous"):
        varnic.compare(make(), AFTER)


def test_a_contiguous_view_compares_its_own_bytes():
    data = bytearray(b"xx" + BEFORE.read_bytes() + b"yy")
    view = memoryview(data)[2:-2]
    shaped = memoryview(bytearray(BEFORE.read_bytes()[:400])).cast("B", (100, 4))
    assert varnic.compare(view, AFTER).marked() == varnic.compare(BEFORE, AFTER).marked()
    assert varnic.compare(shaped, shaped.tobytes()).rows == varnic.compare(
        BEFORE.read_bytes()[:400], BEFORE.read_bytes()[:400]).rows


@pytest.mark.parametrize("path", [
    "examples/ap-before.cfg\0.txt", b"examples/ap-before.cfg\0x", pathlib.PurePath("a\0b"),
], ids=["str", "bytes-fspath", "pathlib"])
def test_a_path_with_a_nul_is_refused(path):
    argument = BytesPath(path) if isinstance(path, bytes) else path
    with pytest.raises(ValueError, match="null byte"):
        varnic.compare(argument, AFTER)


def test_save_writes_the_marked_results(tmp_path):
    result = varnic.compare(BEFORE, AFTER)
    out1, out2 = tmp_path / "1.out", tmp_path / "2.out"
    result.save(out1, str(out2))
    assert (out1.read_bytes(), out2.read_bytes()) == result.marked()


def test_save_never_lands_on_a_compared_file_or_the_other_output(tmp_path):
    first = tmp_path / "first.cfg"
    second = tmp_path / "second.cfg"
    first.write_bytes(BEFORE.read_bytes())
    second.write_bytes(AFTER.read_bytes())
    (tmp_path / "link.cfg").symlink_to("second.cfg")
    result = varnic.compare(first, second)
    out = tmp_path / "out"
    for out1, out2 in [(first, out), (out, tmp_path / "." / "second.cfg"),
                       (out, tmp_path / "link.cfg"), (out, out),
                       (out, tmp_path / "sub" / ".." / "out")]:
        with pytest.raises(ValueError):
            result.save(out1, out2)
        assert first.read_bytes() == BEFORE.read_bytes()
        assert second.read_bytes() == AFTER.read_bytes()
        assert not out.exists()
    with pytest.raises(ValueError, match="null byte"):
        result.save(tmp_path / "a\0b", out)
    with pytest.raises(FileNotFoundError):
        result.save(out, tmp_path / "no" / "dir" / "x")
    assert not out.exists()


def test_a_header_or_value_that_is_no_utf8_still_reads_back():
    # An unknown section's header and a value in a reason once raised UnicodeDecodeError.
    a = b"[Sch\xffedule]\r\nat=1\r\n[System]\r\nUsername=a\r\n"
    b = b"[Sch\xffedule]\r\nat=2\r\n[System]\r\nUsername=a\r\n"
    result = varnic.compare(a, b, strict=True)
    assert [(h.section, h.key) for h in result.hidden] == [("[Sch\udcffedule]", b"at")]
    assert os.fsencode(result.remediation[0].section) == b"[Sch\xffedule]"
    assert result.fixed() == a
