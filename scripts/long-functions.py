#!/usr/bin/env python3
"""Lists the functions longer than a limit in the firmware's sources.

usage: long-functions.py [--max N (default 80)] [ROOT [FOLDER-OR-FILE...]]
ROOT defaults to the checkout this script is in, FOLDER to every firmware
folder. A function's length is counted from the line of its opening brace to
the line of its closing brace. Exits 1 when any function is over the limit.

A brace counter, not a parser: it needs no build and runs in a blink, which is
what a check run on every test run wants. Comments, strings, character
literals and preprocessor lines are blanked before counting.
"""
import os
import re
import sys

FOLDERS = ('platform', 'core', 'speech', 'audio', 'power', 'positions', 'daisy', 'ebook',
           'players', 'browser', 'radio', 'record', 'clock', 'settings', 'tools', 'supervisor')
SOURCES = ('.cpp', '.cc', '.c', '.h', '.hpp')
SCOPE_HEAD = re.compile(r'\b(namespace|class|struct|union|enum)\b|\bextern\s*"C"|^\s*$')
CTOR_INIT = re.compile(r'\)\s*(noexcept\s*)?:[^:].*[\w>]\s*$', re.S)
NAME = re.compile(r'((?:[\w~]+(?:<[^()]*>)?::)*[\w~]+(?:\s*[^\w\s(]+)?)\s*$')


def blank(text):
    """Returns text with comments, literals and preprocessor lines replaced by
    spaces, newlines kept so that line numbers still hold."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in ' \t':
            out.append(c)
            i += 1
            continue
        if line_start and c == '#':
            j = i
            while j < n and text[j] != '\n':
                if text[j] == '\\' and j + 1 < n and text[j + 1] == '\n':
                    j += 1
                j += 1
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
            continue
        line_start = c == '\n'
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
        elif c == 'R' and text.startswith('"', i + 1) and not (i and (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = text.find(')' + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
        elif c in '"\'':
            if c == "'" and i and text[i - 1].isalnum():  # digit separator 1'000
                out.append(c)
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j += 1
        else:
            out.append(c)
            i += 1
            continue
        out.append(c if c in '"\'' else ' ')
        out.append(re.sub(r'[^\n]', ' ', text[i + 1:j]))
        i = j
    return ''.join(out)


def functions(text):
    """Yields (name, first line, length in lines) of every function body."""
    code = blank(text)
    stack = []  # (kind, offset, head) of the open braces: scope, func, init or block
    head_start = 0
    for i, c in enumerate(code):
        at_scope = not stack or stack[-1][0] == 'scope'
        if c == ';' and at_scope:
            head_start = i + 1
        elif c == '{':
            if not at_scope:
                stack.append(('block', i, ''))
                continue
            head = re.sub(r'\s+', ' ', code[head_start:i]).strip()
            if SCOPE_HEAD.search(head) and '(' not in head:
                kind = 'scope'
            elif CTOR_INIT.search(head):
                kind = 'init'  # a member initialised with braces: the body comes later
            elif ')' not in head or re.search(r'[=,(\[]$', head):
                kind = 'block'  # an initialiser
            else:
                kind = 'func'
            stack.append((kind, i, head))
            if kind == 'scope':
                head_start = i + 1
        elif c == '}' and stack:
            kind, start, head = stack.pop()
            if kind == 'init' or (stack and stack[-1][0] != 'scope'):
                continue  # inside a body, or the head runs on to the body's brace
            head_start = i + 1
            if kind == 'func':
                first = code.count('\n', 0, start) + 1
                last = code.count('\n', 0, i) + 1
                m = NAME.search(head.split('(')[0])
                yield (m.group(1).strip() if m else head[:40]), first, last - first + 1


def scan(root, folders, limit):
    over = []
    for folder in folders:
        base = os.path.join(root, folder)
        walk = os.walk(base) if os.path.isdir(base) else [(os.path.dirname(base), [], [os.path.basename(base)])]
        for dirpath, dirs, files in walk:
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(dirpath, name)
                text = open(path, encoding='utf-8', errors='replace').read()
                for fn, line, length in functions(text):
                    if length > limit:
                        over.append((os.path.relpath(path, root), line, fn, length))
    return over


def main(argv):
    limit = 80
    if len(argv) > 1 and argv[0] == '--max':
        limit = int(argv[1])
        argv = argv[2:]
    root = os.path.abspath(argv[0] if argv else os.path.join(os.path.dirname(__file__), '..'))
    folders = argv[1:] or FOLDERS
    over = scan(root, folders, limit)
    for path, line, fn, length in over:
        print('%s:%d: %s is %d lines' % (path, line, fn, length))
    if over:
        print('%d function(s) over %d lines' % (len(over), limit))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
