#!/usr/bin/env python3
"""Writes the installer's registry steps for the 32-bit component from the sources the DLL is
built from: the registration script in shell/registration_script.h (with the identifiers of
varnic_ids.h) and the type library's name, version and interface from shell/varnic.idl. The
64-bit DLL registers itself from the same script, so the two views cannot drift apart.

usage: registry_nsh.py SOURCE_DIR OUTPUT.nsh

The output defines two NSIS macros for the 32-bit registry view (HKCR32):
  VarnicRegister32 MODULE   the script's keys with %MODULE% = MODULE, then the type library's
  VarnicUnregister32        every key the script owns (NoRemove keys stay), then the library's
"""
import pathlib
import re
import sys


class ScriptError(Exception):
    pass


def macro_text(header, name, defines):
    """The string a macro of string literals and other macros expands to."""
    match = re.search(r'^#define ' + name + r'\b((?:.*\\\n)*.*)$', header, re.M)
    if not match:
        raise ScriptError(f'no #define {name}')
    body = match.group(1).replace('\\\n', ' ')
    text = ''
    for token in re.finditer(r'"((?:[^"\\]|\\.)*)"|([A-Za-z_]\w*)|(\S)', body):
        literal, ident, other = token.groups()
        if literal is not None:
            text += literal.encode().decode('unicode_escape')
        elif ident is not None:
            if ident not in defines:
                raise ScriptError(f'{name} uses an unknown macro {ident}')
            text += defines[ident]
        else:
            raise ScriptError(f'{name}: unexpected {other!r}')
    return text


def string_defines(header):
    return {m.group(1): m.group(2).encode().decode('unicode_escape')
            for m in re.finditer(r'^#define (\w+) "((?:[^"\\]|\\.)*)"\s*$', header, re.M)}


def tokenize(script):
    tokens = []
    pos = 0
    while pos < len(script):
        c = script[pos]
        if c.isspace():
            pos += 1
        elif c == '=' or (c in '{}' and script[pos + 1:pos + 2] in ('', ' ', '\t', '\r', '\n')):
            tokens.append(c)  # a brace with text after it starts a name such as a {GUID}
            pos += 1
        elif c == "'":
            end = pos + 1
            value = ''
            while True:
                if end >= len(script):
                    raise ScriptError('unterminated quoted string')
                if script[end] == "'":
                    if script[end + 1:end + 2] == "'":  # '' stands for one quote
                        value += "'"
                        end += 2
                        continue
                    break
                value += script[end]
                end += 1
            tokens.append(('quoted', value))
            pos = end + 1
        else:
            match = re.compile(r"[^\s=']+").match(script, pos)
            tokens.append(('word', match.group(0)))
            pos = match.end()
    return tokens


class Key:
    def __init__(self, name, flag):
        self.name, self.flag = name, flag  # flag: '', 'ForceRemove' or 'NoRemove'
        self.default = None
        self.values = []  # (name, value)
        self.children = []


def parse(script):
    """The keys of a registration script under its root, as a list of Key trees."""
    tokens = tokenize(script)
    pos = 0

    def take():
        nonlocal pos
        if pos >= len(tokens):
            raise ScriptError('unexpected end of the script')
        pos += 1
        return tokens[pos - 1]

    def text(token):
        if not isinstance(token, tuple):
            raise ScriptError(f'a name or string expected, not {token!r}')
        return token[1]

    def string_value():
        if take() != ('word', 's'):
            raise ScriptError('only string values (s) are supported')
        return text(take())

    def body(parent):
        while True:
            token = take()
            if token == '}':
                return
            if token == ('word', 'val'):
                name = text(take())
                if take() != '=':
                    raise ScriptError(f'val {name} without =')
                parent.values.append((name, string_value()))
                continue
            flag = ''
            if token in (('word', 'ForceRemove'), ('word', 'NoRemove')):
                flag = token[1]
                token = take()
            key = Key(text(token), flag)
            parent.children.append(key)
            if pos < len(tokens) and tokens[pos] == '=':
                take()
                key.default = string_value()
            if pos < len(tokens) and tokens[pos] == '{':
                take()
                body(key)

    root = text(take())
    if root not in ('HKCR', 'HKEY_CLASSES_ROOT'):
        raise ScriptError(f'the script writes {root}, not HKCR')
    if take() != '{':
        raise ScriptError('{ expected after the root')
    top = Key(root, 'NoRemove')
    body(top)
    if pos != len(tokens):
        raise ScriptError('text after the root key')
    return top.children


def nsis(text):
    """A value for an NSIS string in double quotes."""
    return text.replace('$', '$$').replace('"', '$\\"').replace('\n', '$\\n').replace('\r', '$\\r')


def expand(value, module):
    """%MODULE% as the installed module (an NSIS expression), %% as one %."""
    parts = re.split(r'(%[A-Za-z_]*%)', value)
    out = ''
    for part in parts:
        if part == '%MODULE%':
            out += module
        elif part == '%%':
            out += '%'
        elif part.startswith('%') and part.endswith('%') and len(part) > 1:
            raise ScriptError(f'unknown replacement {part}')
        else:
            out += nsis(part)
    return out


def register_lines(keys, prefix=''):
    lines = []
    for key in keys:
        path = prefix + key.name
        if key.flag == 'ForceRemove':
            lines.append(f'  DeleteRegKey HKCR32 "{nsis(path)}"')
        if key.default is not None:
            lines.append(f'  WriteRegStr HKCR32 "{nsis(path)}" "" "{expand(key.default, "${MODULE}")}"')
        elif not key.values and key.flag != 'NoRemove':  # a NoRemove key is there already
            # A key with no value: created through a value that is removed again.
            lines.append(f'  WriteRegStr HKCR32 "{nsis(path)}" "VarnicInstaller" ""')
            lines.append(f'  DeleteRegValue HKCR32 "{nsis(path)}" "VarnicInstaller"')
        for name, value in key.values:
            lines.append(f'  WriteRegStr HKCR32 "{nsis(path)}" "{nsis(name)}" '
                         f'"{expand(value, "${MODULE}")}"')
        lines += register_lines(key.children, path + '\\')
    return lines


def unregister_lines(keys, prefix=''):
    lines = []
    for key in keys:
        path = prefix + key.name
        if key.flag == 'NoRemove':
            lines += unregister_lines(key.children, path + '\\')
        else:
            lines.append(f'  DeleteRegKey HKCR32 "{nsis(path)}"')
    return lines


def idl_library(idl):
    """(libid, version, help string, interface name, interface id) from the IDL."""
    lib = re.search(r'\[([^\]]*)\]\s*library\s+\w+', idl)
    iface = re.search(r'\[([^\]]*)\]\s*interface\s+(\w+)', idl)
    if not lib or not iface:
        raise ScriptError('no library or interface in the IDL')

    def attribute(attrs, name):
        match = re.search(name + r'\(\s*"?([^")]*)"?\s*\)', attrs)
        if not match:
            raise ScriptError(f'no {name} attribute in the IDL')
        return match.group(1)

    return ('{' + attribute(lib.group(1), 'uuid').upper() + '}', attribute(lib.group(1), 'version'),
            attribute(lib.group(1), 'helpstring'), iface.group(2),
            '{' + attribute(iface.group(1), 'uuid').upper() + '}')


# Type library keys as RegisterTypeLib writes them for a 32-bit library of an automation
# (dual) interface, marshalled by the standard automation marshaler.
OLEAUT_MARSHALER = '{00020424-0000-0000-C000-000000000046}'


def typelib_lines(libid, version, help_text, iface, iid):
    lib = f'TypeLib\\{libid}\\{version}'
    return [
        f'  WriteRegStr HKCR32 "{lib}" "" "{nsis(help_text)}"',
        f'  WriteRegStr HKCR32 "{lib}\\0\\win32" "" "${{MODULE}}"',
        f'  WriteRegStr HKCR32 "{lib}\\FLAGS" "" "0"',
        f'  WriteRegStr HKCR32 "{lib}\\HELPDIR" "" "${{HELPDIR}}"',
        f'  WriteRegStr HKCR32 "Interface\\{iid}" "" "{nsis(iface)}"',
        f'  WriteRegStr HKCR32 "Interface\\{iid}\\ProxyStubClsid" "" "{OLEAUT_MARSHALER}"',
        f'  WriteRegStr HKCR32 "Interface\\{iid}\\ProxyStubClsid32" "" "{OLEAUT_MARSHALER}"',
        f'  WriteRegStr HKCR32 "Interface\\{iid}\\TypeLib" "" "{libid}"',
        f'  WriteRegStr HKCR32 "Interface\\{iid}\\TypeLib" "Version" "{version}"',
    ], [
        f'  DeleteRegKey HKCR32 "TypeLib\\{libid}"',
        f'  DeleteRegKey HKCR32 "Interface\\{iid}"',
    ]


def generate(source):
    ids = (source / 'include/varnic/shell/varnic_ids.h').read_text()
    header = (source / 'shell/registration_script.h').read_text()
    script = macro_text(header, 'VARNIC_REGISTRY_SCRIPT', string_defines(ids))
    keys = parse(script)
    lib_register, lib_unregister = typelib_lines(*idl_library((source / 'shell/varnic.idl').read_text()))
    out = ['; Generated by packaging/windows/registry_nsh.py from the registration script and the',
           '; IDL: do not edit.',
           '!macro VarnicRegister32 MODULE HELPDIR']
    out += register_lines(keys) + lib_register
    out += ['!macroend', '', '!macro VarnicUnregister32']
    out += unregister_lines(keys) + lib_unregister
    out += ['!macroend', '']
    return '\n'.join(out)


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    try:
        text = generate(pathlib.Path(argv[1]))
    except (ScriptError, OSError) as error:
        sys.exit(f'registry_nsh.py: {error}')
    pathlib.Path(argv[2]).write_text(text)


if __name__ == '__main__':
    main(sys.argv)
