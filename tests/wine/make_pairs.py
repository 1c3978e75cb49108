#!/usr/bin/env python3
"""Writes COUNT pairs of backups for holding the Windows builds to the Linux command's results:
OUTDIR/NNN-1.cfg, OUTDIR/NNN-2.cfg and OUTDIR/pairs.txt ("NNN TYPE1 TYPE2" a line).

The pairs mix the generator's shapes (varnic-genpair, small sizes, several seeds), the
hand-edited backups under tests/pairs and examples/ edited again at random, and hostile bytes:
NUL, bytes above 0x7F, invalid UTF-8, a byte order mark, lone CR and CR LF line ends, a missing
final line end, very long lines, broken section headers, keys without '=' or with spaces. Device
types cover 0 and 1 on either side and, rarely, another number. Fixed seed: the same pairs every
run.

usage: make_pairs.py GENPAIR SOURCE_DIR OUTDIR COUNT
"""
import pathlib
import random
import subprocess
import sys
import tempfile

SHAPES = ['realistic', 'unique-keys', 'one-key', 'mac-list', 'long-line', 'unknown-sections',
          'no-equals', 'many-ssids']
KNOWN = [b'[System]', b'[2.4GHz_WirelessSettings]', b'[5GHz_WirelessSettings]',
         b'[2.4GHz_SecuritySettings]', b'[5GHz_SecuritySettings]', b'[2.4GHz_Filter]',
         b'[5GHz_Filter]', b'[2.4GHz_MultiSSIDSettings]', b'[5GHz_MultiSSIDSettings]']
TYPES = [(0, 0), (1, 1), (0, 1), (1, 0)] * 6 + [(2, 1), (0, 7)]


def generated(genpair, rng, scratch):
    """Pairs from the generator, each shape at a few sizes and seeds."""
    pairs = []
    for shape in SHAPES:
        for lines in (8, 40, 150):
            seed = rng.randrange(1, 1 << 30)
            subprocess.run([genpair, shape, str(lines), scratch, str(seed)], check=True,
                           stdout=subprocess.DEVNULL)
            base = pathlib.Path(scratch) / f'{shape}-{lines}'
            pairs.append((comparable(pathlib.Path(f'{base}-1.cfg').read_bytes()),
                          comparable(pathlib.Path(f'{base}-2.cfg').read_bytes())))
    return pairs


def comparable(text):
    """The command refuses a file with nothing under a known header (the component compares it
    all the same): such a generated file gets a [System] section in front."""
    lines = text.split(b'\n')
    for i, line in enumerate(lines[:-1]):
        if line in KNOWN and lines[i + 1] and not lines[i + 1].startswith(b'['):
            return text
    return b'[System]\nUsername=admin\n' + text


def edit(rng, text):
    """An administrator's edits: values changed, lines dropped, duplicated or moved."""
    lines = text.split(b'\n')
    for _ in range(rng.randrange(0, 8)):
        if not lines:
            break
        i = rng.randrange(len(lines))
        action = rng.randrange(5)
        if action == 0 and b'=' in lines[i]:
            key, _, value = lines[i].partition(b'=')
            lines[i] = key + b'=' + value + str(rng.randrange(100)).encode()
        elif action == 1:
            del lines[i]
        elif action == 2:
            lines.insert(i, lines[i])
        elif action == 3:
            lines.insert(rng.randrange(len(lines) + 1), lines.pop(i))
        else:
            lines.insert(i, b'filter_mac_add%d=00:1A:2B:3C:4D:%02X' % (rng.randrange(1, 40),
                                                                       rng.randrange(256)))
    return b'\n'.join(lines)


HOSTILE = [
    lambda rng: b'\x00',
    lambda rng: bytes(rng.randrange(0x80, 0x100) for _ in range(rng.randrange(1, 6))),
    lambda rng: b'\xc3\x28\xe2\x82',  # invalid UTF-8
    lambda rng: 'Kanal=Straße-Ü-ñ-中'.encode(),
    lambda rng: b'x' * rng.randrange(1000, 20000),
    lambda rng: b'[unterminated',
    lambda rng: b'[]',
    lambda rng: b'=value-without-key',
    lambda rng: b'ssid = spaced ',
    lambda rng: b'\t\t',
    lambda rng: b'\r',
    lambda rng: b'key=a=b=c',
    lambda rng: b'[System]',
]


def hostile(rng, text):
    lines = text.split(b'\n')
    for _ in range(rng.randrange(1, 6)):
        i = rng.randrange(len(lines) + 1)
        piece = rng.choice(HOSTILE)(rng)
        if i < len(lines) and rng.random() < 0.5:
            cut = rng.randrange(len(lines[i]) + 1)
            lines[i] = lines[i][:cut] + piece + lines[i][cut:]
        else:
            lines.insert(i, piece)
    text = b'\n'.join(lines)
    if rng.random() < 0.2:
        text = b'\xef\xbb\xbf' + text
    return text


def line_ends(rng, text):
    choice = rng.randrange(6)
    if choice == 0:
        text = text.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
    elif choice == 1:  # a few lone CRs, which end no line
        text = b''.join(piece + (b'\r' if rng.random() < 0.1 else b'\n')
                        for piece in text.split(b'\n'))[:-1]
    elif choice == 2:
        text = text.rstrip(b'\n')
    return text


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    genpair, source, out, count = argv[1], pathlib.Path(argv[2]), pathlib.Path(argv[3]), int(argv[4])
    rng = random.Random(23)
    corpus = [p.read_bytes() for p in sorted((source / 'tests/pairs').glob('*.cfg'))]
    corpus += [p.read_bytes() for p in sorted((source / 'examples').glob('*.cfg'))]
    with tempfile.TemporaryDirectory() as scratch:
        pool = generated(genpair, rng, scratch)
    out.mkdir(parents=True, exist_ok=True)
    listing = []
    for n in range(count):
        kind = n % 4
        if kind == 0:
            first, second = pool[(n // 4) % len(pool)]
            if rng.random() < 0.5:
                second = edit(rng, second)
        else:
            first = rng.choice(corpus)
            second = edit(rng, rng.choice([first, rng.choice(corpus)]))
            if kind == 3:
                first, second = hostile(rng, first), hostile(rng, second)
        if rng.random() < 0.01:
            first = b''
        first, second = line_ends(rng, first), line_ends(rng, second)
        name = f'{n:03d}'
        (out / f'{name}-1.cfg').write_bytes(first)
        (out / f'{name}-2.cfg').write_bytes(second)
        type1, type2 = rng.choice(TYPES)
        listing.append(f'{name} {type1} {type2}\r\n')
    (out / 'pairs.txt').write_text(''.join(listing), newline='')


if __name__ == '__main__':
    main(sys.argv)
