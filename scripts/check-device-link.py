#!/usr/bin/env python3
"""The device's player carries nothing of the simulated board.

usage: [NM=arm-linux-gnueabihf-nm] check-device-link.py PLAYER HOSTBOARD_LIB
Fails when any global symbol the simulated board's library defines is also
defined in the player executable.
"""
import os
import subprocess
import sys


def defined(path):
    out = subprocess.run([os.environ.get('NM', 'nm'), '-C', '--defined-only', path], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit('nm failed on %s: %s' % (path, out.stderr))
    syms = set()
    for line in out.stdout.splitlines():
        parts = line.split(None, 2)
        # compiler-made references (DW.ref.*) are in every C++ object, and weak
        # objects (typeinfo of a function type, template statics) are made
        # again by every object that uses them
        if len(parts) == 3 and parts[1] in 'TDBR' and not parts[2].startswith('DW.ref.'):
            syms.add(parts[2])
    return syms


player, hostboard = sys.argv[1], sys.argv[2]
sim = defined(hostboard)
carried = sorted(sim & defined(player))
for s in carried[:20]:
    print('carried:', s)
if not sim:
    sys.exit('no symbols in %s' % hostboard)
if carried:
    sys.exit('%s carries %d symbol(s) of the simulated board' % (player, len(carried)))
print('%s: none of the %d simulator symbols' % (player, len(sim)))
