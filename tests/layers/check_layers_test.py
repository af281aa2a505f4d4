#!/usr/bin/env python3
"""The include check: clean on the checkout, and it catches an upward
include, a peer include and a C library outside its wrapper on a scratch tree."""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(sys.argv[1])
CHECK = os.path.join(ROOT, 'scripts', 'check-layers.py')

LAYERS = """base
lib/xml
ui
a b
app
wrap libxml/ lib/xml
"""


def run(root):
    p = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
    return p.returncode, p.stdout


def scratch(files):
    d = tempfile.mkdtemp()
    files = dict(files, LAYERS=LAYERS)
    for path, text in files.items():
        full = os.path.join(d, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'w') as f:
            f.write(text)
    return d


def expect(cond, what):
    if not cond:
        print('FAILED:', what)
        sys.exit(1)


code, out = run(ROOT)
expect(code == 0, 'the checkout breaks LAYERS:\n' + out)

good = {
    'base/x.h': '#pragma once\n',
    'ui/w.cpp': '#include "base/x.h"\n#include <vector>\n',
    'a/p.cpp': '#include "ui/w.h"\n#include "a/q.h"\n',
    'app/main.cpp': '#include "a/p.h"\n#include "b/r.h"\n',
    'lib/xml/r.cpp': '#include <libxml/parser.h>\n',
    'tests/t.cpp': '#include "app/main.h"\n#include <libxml/tree.h>\n',
}
code, out = run(scratch(good))
expect(code == 0, 'a clean tree is refused:\n' + out)

for name, bad, needle in [
    ('upward', {'ui/w.cpp': '#include "a/p.h"\n'}, 'ui/w.cpp:1: "a/p.h" is above ui'),
    ('peer', {'a/p.cpp': '#include "b/r.h"\n'}, 'a/p.cpp:1: "b/r.h" is a peer of a'),
    ('wrapper', {'ui/w.cpp': '#include <libxml/tree.h>\n'}, 'ui/w.cpp:1: <libxml/tree.h> outside lib/xml'),
    ('unlisted', {'other/z.cpp': '\n'}, 'other/z.cpp: in no layer'),
]:
    code, out = run(scratch(dict(good, **bad)))
    expect(code == 1 and needle in out, '%s include not caught:\n%s' % (name, out))
print('ok')
