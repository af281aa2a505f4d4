#!/usr/bin/env python3
"""The symbol-level layer check on a scratch build: a library may use what a
lower layer defines; a wrapper of core/lib may not use another wrapper, nor
anything above it, and nothing below core/lib may use a wrapper."""
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(sys.argv[1])
CHECK = os.path.join(ROOT, 'scripts', 'check-link-layers.py')
CC = os.environ.get('CC', 'cc')

LAYERS = """platform
core/lib
core/ui
"""


def library(build, folder, name, code):
    d = os.path.join(build, folder)
    os.makedirs(d, exist_ok=True)
    src, obj = os.path.join(d, name + '.c'), os.path.join(d, name + '.o')
    with open(src, 'w') as f:
        f.write(code)
    subprocess.run([CC, '-c', src, '-o', obj], check=True)
    subprocess.run(['ar', 'rcs', os.path.join(d, 'libdtb_%s.a' % name), obj], check=True)


def faults(libs):
    """The faults the check reports on a build of libs: {folder: (name, code)}."""
    source, build = tempfile.mkdtemp(), tempfile.mkdtemp()
    os.makedirs(os.path.join(source, 'scripts'))
    shutil.copy(os.path.join(ROOT, 'scripts', 'check-layers.py'), os.path.join(source, 'scripts'))
    with open(os.path.join(source, 'LAYERS'), 'w') as f:
        f.write(LAYERS)
    for folder, (name, code) in libs.items():
        library(build, folder, name, code)
    p = subprocess.run([sys.executable, CHECK, build, source], capture_output=True, text=True)
    shutil.rmtree(source)
    shutil.rmtree(build)
    found = sorted(l for l in p.stdout.splitlines() if ' uses ' in l)
    if (p.returncode != 0) != bool(found):
        print('exit %d does not match the faults:\n%s%s' % (p.returncode, p.stdout, p.stderr))
        sys.exit(1)
    return found


def expect(got, want, what):
    if got != want:
        print('FAILED: %s: want %s, got %s' % (what, want, got))
        sys.exit(1)


BOARD = ('platform', 'int board(void) { return 1; }\n')
UI = ('ui', 'int xml(void);\nint ui(void) { return xml(); }\n')
XML = ('xml', 'int board(void);\nint xml(void) { return board(); }\n')

expect(faults({'platform': BOARD, 'core/lib/xml': XML, 'core/ui': UI}), [], 'each layer using a lower one')
expect(faults({'platform': BOARD, 'core/lib/xml': XML, 'core/ui': UI,
               'core/lib/zip': ('zip', 'int xml(void);\nint ui(void);\nint zip(void) { return xml() + ui(); }\n')}),
       ['core/lib/zip uses ui of core/ui', 'core/lib/zip uses xml of core/lib/xml'],
       'a wrapper using a peer wrapper and a higher layer')
expect(faults({'platform': ('platform', 'int xml(void);\nint board(void) { return xml(); }\n'),
               'core/lib/xml': XML}),
       ['platform uses xml of core/lib/xml'], 'the board using a wrapper')
