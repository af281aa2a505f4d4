#!/usr/bin/env python3
"""Turns a staged device tree into an upgrade packet.

usage: make-packet.py STAGE OUTDIR [--version NN]

STAGE is what `cmake --install BUILD --component device --prefix STAGE`
wrote. OUTDIR gets "q7upgrade.sh" and "q7_upgrade", the two files a computer
leaves on the internal memory's root. The device refuses a whole packet for
one member it may not write, so this refuses to make one instead.
"""
import argparse
import gzip
import io
import os
import struct
import sys
import tarfile
import zlib

PLACES = ('home', 'etc', 'lib', 'usr', 'bin', 'sbin', 'opt')
BLOCK = 8192
TAIL = b'\ntar -zxvf /mnt/emmc/q7_upgrade -C /\nrm -f /mnt/emmc/q7_upgrade\n'


def members(stage):
    """Every folder and regular file under the allowed places, sorted, so that
    the same tree always gives the same packet."""
    out = []
    for top in sorted(os.listdir(stage)):
        if top not in PLACES:
            sys.exit('make-packet: %s/%s is outside %s' % (stage, top, ', '.join(PLACES)))
        for dirpath, dirnames, filenames in os.walk(os.path.join(stage, top)):
            dirnames.sort()
            rel = os.path.relpath(dirpath, stage)
            out.append(rel)
            for name in sorted(filenames + [d for d in dirnames if os.path.islink(os.path.join(dirpath, d))]):
                path = os.path.join(dirpath, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    sys.exit('make-packet: %s is not a regular file' % path)
                out.append(os.path.join(rel, name))
    return out


def payload(stage, mtime):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode='w', format=tarfile.GNU_FORMAT) as tar:
        for rel in members(stage):
            info = tar.gettarinfo(os.path.join(stage, rel), arcname=rel)
            info.uid = info.gid = 0
            info.uname = info.gname = 'root'
            info.mtime = mtime
            if info.isdir():
                tar.addfile(info)
            else:
                with open(os.path.join(stage, rel), 'rb') as f:
                    tar.addfile(info, f)
    return gzip.compress(raw.getvalue(), compresslevel=9, mtime=mtime)


def check_value(data, version):
    x = 0
    for off in range(0, len(data), BLOCK):
        block = data[off:off + BLOCK].ljust(BLOCK, b'\0')
        for (word,) in struct.iter_unpack('<I', block):
            x ^= word
    return zlib.crc32(struct.pack('<IIB', x, len(data), version)) & 0xFFFFFFFF


def main():
    ap = argparse.ArgumentParser(description='Makes an upgrade packet of a staged device tree.')
    ap.add_argument('stage')
    ap.add_argument('outdir')
    ap.add_argument('--version', type=int, default=4, help='packet version, 4 to 99 (default 4)')
    a = ap.parse_args()
    if not 4 <= a.version <= 99:
        sys.exit('make-packet: the device takes versions 4 to 99')
    # The tree's newest file dates the archive, so a rebuild of the same tree matches.
    mtime = 0
    for dirpath, _, filenames in os.walk(a.stage):
        for n in filenames:
            mtime = max(mtime, int(os.lstat(os.path.join(dirpath, n)).st_mtime))
    data = payload(a.stage, mtime)
    if len(data) > 0xFFFFFFFF:
        sys.exit('make-packet: payload over 4 GB')
    script = b'### q7_upgrade %02d %08X %08x' % (a.version, len(data), check_value(data, a.version)) + TAIL
    assert len(script) == 99
    os.makedirs(a.outdir, exist_ok=True)
    with open(os.path.join(a.outdir, 'q7_upgrade'), 'wb') as f:
        f.write(data)
    with open(os.path.join(a.outdir, 'q7upgrade.sh'), 'wb') as f:
        f.write(script)
    print('%s: q7upgrade.sh, q7_upgrade (%d bytes, version %02d)' % (a.outdir, len(data), a.version))


if __name__ == '__main__':
    main()
