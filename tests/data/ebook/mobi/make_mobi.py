#!/usr/bin/env python3
# Writes small Mobipocket books for the tests: book.mobi (MOBI 6, UTF-8,
# uncompressed HTML in two text records) and drm.mobi (the same marked as
# protected by DRM).
import struct

HTML = ('<html><head><guide></guide></head><body>'
        '<h1>Mobi heading</h1><p>The first sentence of the book. A second one.</p>'
        '<mbp:pagebreak/><h2>Part two</h2><p>Zażółć gęślą jaźń &amp; more.</p>'
        '</body></html>').encode('utf-8')

def book(encryption):
    recsize = 4096
    texts = [HTML[i:i + recsize] for i in range(0, len(HTML), recsize)]
    name = b'Fixture'
    mobi = bytearray(232)
    mobi[0:4] = b'MOBI'
    struct.pack_into('>IIIII', mobi, 4, 232, 2, 65001, 1234, 6)
    for off in range(24, 64, 4):
        struct.pack_into('>I', mobi, off, 0xFFFFFFFF)  # no indices
    first_non_book = 1 + len(texts)
    struct.pack_into('>I', mobi, 64, first_non_book)
    struct.pack_into('>II', mobi, 68, 16 + 232, len(name))  # full name
    struct.pack_into('>IIII', mobi, 76, 9, 0, 0, 6)
    struct.pack_into('>I', mobi, 92, 0xFFFFFFFF)  # first image
    struct.pack_into('>I', mobi, 112, 0)  # no EXTH
    struct.pack_into('>IIII', mobi, 152, 0xFFFFFFFF, 0, 0, 0)  # no DRM record
    struct.pack_into('>HH', mobi, 176, 1, len(texts))
    struct.pack_into('>I', mobi, 180, 1)
    struct.pack_into('>IIII', mobi, 184, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0)
    struct.pack_into('>II', mobi, 208, 0xFFFFFFFF, 0)
    struct.pack_into('>II', mobi, 216, 0xFFFFFFFF, 0xFFFFFFFF)
    struct.pack_into('>II', mobi, 224, 0, 0xFFFFFFFF)
    rec0 = struct.pack('>HHIHHHH', 1, 0, len(HTML), len(texts), recsize, encryption, 0) + bytes(mobi) + name + b'\0\0'
    rec0 += b'\0' * ((4 - len(rec0) % 4) % 4)
    records = [rec0] + texts + [b'\xe9\x8e\r\n']  # end-of-file record
    header = bytearray(78)
    header[0:len(name)] = name
    header[60:68] = b'BOOKMOBI'
    struct.pack_into('>H', header, 76, len(records))
    offset = 78 + 8 * len(records) + 2
    table = b''
    for i, r in enumerate(records):
        table += struct.pack('>II', offset, 2 * i)
        offset += len(r)
    return bytes(header) + table + b'\0\0' + b''.join(records)

open('book.mobi', 'wb').write(book(0))
open('drm.mobi', 'wb').write(book(2))
