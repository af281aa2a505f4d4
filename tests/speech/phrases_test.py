#!/usr/bin/env python3
"""The phrase checks catch what they should: a phrase one language lacks,
placeholders that differ between languages, and a phrase named by its number
at a call site. Then both checks pass on the tree itself."""
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..')
sys.path.insert(0, os.path.join(ROOT, 'scripts'))
import phrases  # noqa: E402

EN = '''[phrases]
0 Hello "hello"
1 Pages "%d pages of %s"

[number formats]
0 Volume "volume %d"

[text formats]
0 Title "title: %s, "
'''


def catalogue(pl):
    folder = tempfile.mkdtemp()
    for lang, text in (('en', EN), ('pl', pl)):
        with open(os.path.join(folder, lang + '.txt'), 'w', encoding='utf-8') as f:
            f.write(text)
    return folder


class Catalogue(unittest.TestCase):
    def test_a_whole_catalogue_passes_and_generates_names_and_tables(self):
        folder = catalogue(EN.replace('"hello"', '"cześć"'))
        self.assertEqual(phrases.check(folder)[1], [])
        out = tempfile.mkdtemp()
        phrases.generate(folder, out)
        ids = open(os.path.join(out, 'speech', 'ux_phrase_ids.h'), encoding='utf-8').read()
        self.assertIn('  Pages = 1,', ids)
        self.assertIn('constexpr int kUxPhraseCount = 2;', ids)
        table = open(os.path.join(out, 'speech', 'ux_phrases_pl.cpp'), encoding='utf-8').read()
        self.assertIn('{0, "cześć"}', table)

    def test_a_missing_phrase_and_differing_placeholders_are_reported(self):
        pl = EN.replace('0 Hello "hello"\n', '').replace('"%d pages of %s"', '"%s: %d stron"')
        problems = phrases.check(catalogue(pl))[1]
        self.assertEqual(len(problems), 2, problems)
        self.assertIn('0 Hello: missing', problems[0])
        self.assertIn('placeholders', problems[1])

    def test_a_renamed_or_renumbered_phrase_is_reported(self):
        self.assertTrue(phrases.check(catalogue(EN.replace('0 Hello', '0 Hi')))[1])
        self.assertTrue(phrases.check(catalogue(EN.replace('1 Pages', '2 Pages')))[1])


class CallSites(unittest.TestCase):
    def test_numbers_are_found_where_a_phrase_is_meant(self):
        sys.path.insert(0, os.path.join(ROOT, 'scripts'))
        check = __import__('check-phrase-numbers')
        bad = ('SayPhrase(272);\nAsk(folder ? 321 : 153);\n'
               'constexpr int kItemPhrases[] = {294, 208};\nconstexpr int kAddPhrase = 57;\n')
        good = ('SayPhrase(UxPhrase::Scanning);\nSay(SettingPhrase(UxPhrase::Level1 + 2 * i));\n'
                'Cycle(down ? 1 : -1);\nconstexpr int kOpeningPhraseTicks = 6;\n')
        self.assertEqual(len(check.problems_in('a.cpp', bad)), 4)
        self.assertEqual(check.problems_in('b.cpp', good), [])


class TheTree(unittest.TestCase):
    def test_the_catalogue_holds_together(self):
        self.assertEqual(phrases.check(os.path.join(ROOT, 'speech', 'phrases'))[1], [])

    def test_no_call_site_names_a_phrase_by_its_number(self):
        r = subprocess.run([sys.executable, os.path.join(ROOT, 'scripts', 'check-phrase-numbers.py'),
                            ROOT], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout)


if __name__ == '__main__':
    unittest.main()
