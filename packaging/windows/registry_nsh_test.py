#!/usr/bin/env python3
"""The installer's registry steps from registration scripts: what the 32-bit view gets on install
and loses on uninstall, and the scripts the generator must refuse rather than half-translate."""
import pathlib
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import registry_nsh  # noqa: E402


def steps(script):
    keys = registry_nsh.parse(script)
    return registry_nsh.register_lines(keys), registry_nsh.unregister_lines(keys)


class RegistryStepsTest(unittest.TestCase):
    def test_scripts(self):
        cases = [
            # A key with a default value and a named one, the module path replaced.
            ("HKCR\n{\n\tA = s 'x'\n\t{\n\t\tval T = s '%MODULE%'\n\t}\n}\n",
             ['  WriteRegStr HKCR32 "A" "" "x"', '  WriteRegStr HKCR32 "A" "T" "${MODULE}"'],
             ['  DeleteRegKey HKCR32 "A"']),
            # NoRemove parents are neither created nor removed; ForceRemove children are
            # replaced whole, and a {GUID} is a name, not a block.
            ("HKCR\n{\n\tNoRemove CLSID\n\t{\n\t\tForceRemove {1-2} = s 'c'\n\t}\n}\n",
             ['  DeleteRegKey HKCR32 "CLSID\\{1-2}"', '  WriteRegStr HKCR32 "CLSID\\{1-2}" "" "c"'],
             ['  DeleteRegKey HKCR32 "CLSID\\{1-2}"']),
            # A key without values still exists after install; quoted names, '' a quote; NSIS's
            # own $ and " escaped.
            ("HKCR\n{\n\t'Prog''s $x' = s 'say \"hi\" 100%%'\n\tEmpty\n}\n",
             ['  WriteRegStr HKCR32 "Prog\'s $$x" "" "say $\\"hi$\\" 100%"',
              '  WriteRegStr HKCR32 "Empty" "VarnicInstaller" ""',
              '  DeleteRegValue HKCR32 "Empty" "VarnicInstaller"'],
             ['  DeleteRegKey HKCR32 "Prog\'s $$x"', '  DeleteRegKey HKCR32 "Empty"']),
        ]
        for script, install, uninstall in cases:
            with self.subTest(script=script):
                self.assertEqual(steps(script), (install, uninstall))

    def test_refused(self):
        for script in ["HKLM\n{\n}\n",                        # only the classes root
                       "HKCR\n{\n\tA = d '1'\n}\n",           # only string values
                       "HKCR\n{\n\tA = s 'open\n}\n",         # unterminated string
                       "HKCR\n{\n\tA = s '%OTHER%'\n}\n",     # unknown replacement
                       "HKCR\n{\n\tA\n"]:                     # unclosed block
            with self.subTest(script=script), self.assertRaises(registry_nsh.ScriptError):
                registry_nsh.register_lines(registry_nsh.parse(script))

    def test_component_script(self):
        # The DLL's own script and IDL: every key the 64-bit DLL registers, for the 32-bit one.
        source = pathlib.Path(__file__).resolve().parents[2]
        text = registry_nsh.generate(source)
        for key in ('VarnicObj.Varnic.1\\CLSID', 'VarnicObj.Varnic\\CurVer',
                    'InprocServer32" "ThreadingModel" "Apartment', '\\Programmable',
                    '\\1.0\\0\\win32" "" "${MODULE}"', 'Interface\\{06493204-630B-4188-90B5-791B9D279AF6}'):
            self.assertIn(key, text)
        self.assertNotIn('DeleteRegKey HKCR32 "CLSID"', text)


if __name__ == '__main__':
    unittest.main()
