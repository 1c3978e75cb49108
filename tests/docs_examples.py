#!/usr/bin/env python3
"""Keeps the README and docs/*.md true: runs their runnable examples and checks their links.

    docs_examples.py SOURCE_DIR VARNIC_BINARY

A fenced block right after a line `<!-- runnable -->` is run in a scratch directory that holds a
copy of examples/, with the given varnic first on PATH; every page gets its own directory, shared
by its blocks in order. In a block whose lines start with `$ `, each such line is a command and
the lines up to the next one are what it prints (standard output and error, as a terminal shows
them; a line `...` stands for any number of lines); a command that prints nothing shown is not
checked for output. In any other block every line is a command. A command must exit 0, or N when
it carries the comment `# exit N`.

Every relative link of every page must name a file of the tree, and a `#fragment` a heading of
the page it points to (GitHub's anchors). Exits 1 with the page and line of each fault.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

MARKER = "<!-- runnable -->"
LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
EXIT = re.compile(r"#\s*exit (\d+)\b")


def pages(source):
    return [source / "README.md"] + sorted((source / "docs").glob("*.md"))


def anchor(heading):
    """GitHub's anchor of a heading: lower case, punctuation dropped, spaces made hyphens."""
    text = heading.strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def blocks(lines):
    """Yields (first line number, info string, body lines, runnable) of each fenced block."""
    i = 0
    while i < len(lines):
        if lines[i].startswith("```"):
            runnable = i > 0 and lines[i - 1].strip() == MARKER
            start, info = i + 1, lines[i][3:].strip()
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                i += 1
            yield start + 1, info, lines[start:i], runnable
        i += 1


def prose(lines):
    """Line numbers and text of the lines outside fenced blocks."""
    inside = False
    for number, line in enumerate(lines, 1):
        if line.startswith("```"):
            inside = not inside
        elif not inside:
            yield number, line


def headings(page):
    return {anchor(line.lstrip("#")) for _, line in prose(page.read_text("utf-8").splitlines())
            if line.startswith("#")}


def check_links(source, page, faults):
    for number, line in prose(page.read_text("utf-8").splitlines()):
        for target in LINK.findall(line):
            if re.match(r"[a-z]+:", target):
                continue
            path, _, fragment = target.partition("#")
            linked = (page.parent / path).resolve() if path else page
            where = f"{page.relative_to(source)}:{number}: link {target}"
            if not linked.exists():
                faults.append(f"{where}: no such file")
            elif fragment and linked.suffix == ".md" and fragment not in headings(linked):
                faults.append(f"{where}: no heading #{fragment} in {linked.name}")


def matches(expected, actual):
    if not expected:
        return not actual
    if expected[0] == "...":
        return any(matches(expected[1:], actual[i:]) for i in range(len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])


def commands(body):
    """(command, expected output lines or None) of a block."""
    if not any(line.startswith("$ ") for line in body):
        return [(line, None) for line in body if line.strip() and not line.startswith("#")]
    result = []
    for line in body:
        if line.startswith("$ "):
            result.append((line[2:], []))
        elif result:
            result[-1][1].append(line)
    return [(command, output or None) for command, output in result]


def run_page(source, page, env, faults):
    lines = page.read_text("utf-8").splitlines()
    runnable = [(first, body) for first, _, body, run in blocks(lines) if run]
    if not runnable:
        return 0
    with tempfile.TemporaryDirectory(prefix="varnic-docs-") as scratch:
        shutil.copytree(source / "examples", Path(scratch) / "examples")
        for first, body in runnable:
            for command, expected in commands(body):
                status = int(EXIT.search(command).group(1)) if EXIT.search(command) else 0
                done = subprocess.run(["bash", "-c", command], cwd=scratch, env=env,
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                      timeout=120, check=False)
                printed = done.stdout.decode("utf-8", "replace").splitlines()
                where = f"{page.relative_to(source)}:{first}: {command}"
                if done.returncode != status:
                    faults.append(f"{where}: exit {done.returncode}, not {status}\n"
                                  + "\n".join(printed[-10:]))
                elif expected is not None and not matches(expected, printed):
                    faults.append(f"{where}: printed\n" + "\n".join(printed))
    return len(runnable)


def main():
    source, varnic = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    env = {key: value for key, value in os.environ.items()
           if not key.startswith("VARNIC_") and key not in ("COLUMNS", "PAGER")}
    env["PATH"] = f"{varnic.parent}{os.pathsep}{env.get('PATH', '/usr/bin:/bin')}"
    env["NO_COLOR"] = "1"
    faults, run = [], 0
    for page in pages(source):
        check_links(source, page, faults)
        run += run_page(source, page, env, faults)
    if run == 0:
        faults.append("no runnable example found")
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{len(pages(source))} pages, {run} runnable blocks, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
