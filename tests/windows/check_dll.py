#!/usr/bin/env python3
"""Checks the x86 VarnicObj.dll without running it (this machine cannot run 32-bit code), against
the x64 build that the Wine test runs:

- the PE machine type is i386 (a PE32 image),
- it exports exactly DllCanUnloadNow, DllGetClassObject, DllRegisterServer and
  DllUnregisterServer, by those plain names (no stdcall decoration),
- it imports from system DLLs only (no compiler runtime beside it),
- its registration script and string table equal the x64 build's,
- its type library says win32 where the x64 one says win64 (the Wine test compares the two
  libraries' contents through oleaut32),
- its version resource carries the project's version and OLESelfRegister.

usage: check_dll.py X86_DLL X64_DLL VERSION   (needs i686- and x86_64-w64-mingw32 binutils)
"""
import re
import subprocess
import sys

EXPORTS = ['DllCanUnloadNow', 'DllGetClassObject', 'DllRegisterServer', 'DllUnregisterServer']
SYSTEM_DLLS = {'advapi32.dll', 'kernel32.dll', 'msvcrt.dll', 'ole32.dll', 'oleaut32.dll',
               'user32.dll'}
SYS_WIN32, SYS_WIN64 = 1, 3

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def headers(prefix, dll):
    text = run(f'{prefix}-objdump', '-p', dll)
    exports = re.findall(r'^\t\[\s*\d+\] (\S+)$', text.split('[Ordinal/Name Pointer] Table', 1)[-1]
                         .split('\n\n', 1)[0], re.M)
    imports = re.findall(r'^\tDLL Name: (\S+)$', text, re.M)
    return text, exports, imports


def resources(prefix, dll):
    """The resources in resource-script form, by their "/* Type: ... */" blocks."""
    text = run(f'{prefix}-windres', '-i', dll, '-O', 'rc')
    blocks = {}
    for block in re.split(r'^/\* Type: ', text, flags=re.M)[1:]:
        kind = block.split('\n', 1)[0].strip('" ')
        blocks[kind] = block
    return blocks


def syskind(typelib_block):
    words = [int(w, 16) for w in re.findall(r'0x([0-9a-f]+)L', typelib_block)]
    if len(words) < 6 or words[0] != 0x5446534D:  # "MSFT"
        return None
    return words[5] & 0xF


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    x86, x64, version = argv[1:]
    text, exports, imports = headers('i686-w64-mingw32', x86)
    check('file format pei-i386' in run('i686-w64-mingw32-objdump', '-f', x86),
          'not an i386 image')
    check(re.search(r'^Magic\s+010b\s', text, re.M) is not None, 'not a PE32 image')
    check(sorted(exports) == EXPORTS, f'exports {exports}, not {EXPORTS}')
    unexpected = [name for name in imports if name.lower() not in SYSTEM_DLLS]
    check(not unexpected, f'imports from {unexpected}, beyond the system DLLs')

    mine, theirs = resources('i686-w64-mingw32', x86), resources('x86_64-w64-mingw32', x64)
    for kind in ('REGISTRY', 'TYPELIB', 'stringtable', 'version'):
        check(kind in mine, f'no {kind} resource')
    for kind in ('REGISTRY', 'stringtable'):
        check(mine.get(kind) == theirs.get(kind), f'the {kind} resource differs from the x64 one')
    check(syskind(mine.get('TYPELIB', '')) == SYS_WIN32, 'the type library is not for win32')
    check(syskind(theirs.get('TYPELIB', '')) == SYS_WIN64, 'the x64 type library is not for win64')

    info = mine.get('version', '')
    numbers = ', '.join(version.split('.') + ['0'])
    check(f'FILEVERSION {numbers}' in info, f'FILEVERSION is not {numbers}')
    check(f'PRODUCTVERSION {numbers}' in info, f'PRODUCTVERSION is not {numbers}')
    for name, value in (('FileVersion', version), ('ProductVersion', version),
                        ('OriginalFilename', 'VarnicObj.dll'), ('OLESelfRegister', '')):
        check(f'VALUE "{name}", "{value}"' in info, f'version resource: {name} is not "{value}"')
    check(info.replace('0x40004', 'OS') == theirs.get('version', '').replace('0x40004', 'OS'),
          'the version resource differs from the x64 one')

    for failure in failures:
        print(f'check_dll: {x86}: {failure}', file=sys.stderr)
    if not failures:
        print(f'check_dll: {x86}: i386, the four exports, system imports only, resources as x64')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
