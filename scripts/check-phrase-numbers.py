#!/usr/bin/env python3
"""Lists the places in the firmware that name a phrase by its bare number.

usage: check-phrase-numbers.py [ROOT [FOLDER-OR-FILE...]]

A phrase is named (`UxPhrase::ScanningForStations`), never written as a
number: the number says nothing to a reader and silently means another phrase
when the catalogue is edited. Flagged: a number as the phrase argument of a
call that speaks or fetches a phrase (`SayPhrase(272)`, `GetString(62, ...)`,
`Ask(folder ? 321 : 153)`), and numbers in a table or constant named for
phrases (`kItemPhrases[] = {294, 208}`). Numbers added to a named phrase
(`UxPhrase::Level1 + level`) are offsets, not names. Exits 1 when any is found.
"""
import os
import re
import sys

FOLDERS = ('platform', 'core', 'speech', 'audio', 'power', 'positions', 'daisy', 'ebook',
           'players', 'browser', 'record', 'radio', 'clock', 'settings', 'tools', 'supervisor')
SOURCES = ('.cpp', '.h')
CALL = re.compile(r'\b(\w*Phrase\w*|Say\w*|Ask\w*|Queue|GetString(?:_Int|_String)?|'
                  r'SysTts_SynchFmtStr)\(')
FIRST_ARG_NUMBER = re.compile(r'^\s*(?:this,\s*)?\d+\s*[,)]')
TERNARY_NUMBER = re.compile(r'[?:]\s*\d{2,}\s*[,):]')
TABLE = re.compile(r'\b\w*[Pp]hrases?\w*\s*(?:\[\w*\])?\s*=\s*\{([^}]*)\}')
CONSTANT = re.compile(r"\bconstexpr\s+int\s+(?:kPhrase\w*|\w*Phrase)\s*=\s*\d+\s*;")


def code_of(line):
    """The line without its comment and with its string literals blanked."""
    line = re.sub(r'"(?:[^"\\]|\\.)*"', '""', line)
    return line.split('//')[0]


def problems_in(path, text):
    found = []
    for n, raw in enumerate(text.split('\n'), 1):
        code = code_of(raw)
        bad = False
        for m in CALL.finditer(code):
            args = code[m.end():]
            if FIRST_ARG_NUMBER.match(args):
                bad = True
            depth, end = 1, 0
            for end, c in enumerate(args):
                depth += c == '('
                depth -= c == ')'
                if depth == 0:
                    break
            if TERNARY_NUMBER.search(args[:end + 1]):
                bad = True
        table = TABLE.search(code)
        if table and re.search(r'(^|,)\s*\d+\s*(,|$)', table.group(1)):
            bad = True
        if CONSTANT.search(code):
            bad = True
        if bad:
            found.append(f'{path}:{n}: {raw.strip()}')
    return found


def sources(root, targets):
    for target in targets:
        path = os.path.join(root, target)
        if os.path.isfile(path):
            yield path
            continue
        for folder, _, files in os.walk(path):
            for name in sorted(files):
                if name.endswith(SOURCES):
                    yield os.path.join(folder, name)


def main(argv):
    root = argv[0] if argv else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    found = []
    for path in sources(root, argv[1:] or FOLDERS):
        with open(path, encoding='utf-8', errors='replace') as f:
            found += problems_in(os.path.relpath(path, root), f.read())
    for line in found:
        print(line)
    if found:
        print(f'{len(found)} place(s) name a phrase by its number: use its UxPhrase name')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
