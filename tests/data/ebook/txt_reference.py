#!/usr/bin/env python3
"""Reference counts for plain text books, written from the segmentation rules
alone (it shares no code with the firmware): decode the file as the device
would choose (UTF-16 by byte-order mark, UTF-8 with or without mark, otherwise
Windows-1250 with unmappable bytes as spaces), then cut sentences of at most
500 units, paragraphs at line breaks or after 1000 units of text, and pages at
the first sentence starting at or after each multiple of 1000.

Usage: txt_reference.py FILE...   prints: units sentences paragraphs pages name
The expected numbers in tests/ebook/txt_corpus_test.cpp come from this script.
"""
import sys

MAX_SENTENCE = 500
PAGE = 1000
TERMINATORS = {10, 59, 33, 63, 0x3002, 0xFF01, 0xFF1A, 0xFF1B, 0xFF1F}


def is_word(c):
    if c < 128:
        return chr(c).isascii() and chr(c).isalnum()
    if 0xFF00 <= c <= 0xFFEF:
        return 0xFF10 <= c <= 0xFF19 or 0xFF21 <= c <= 0xFF3A or 0xFF41 <= c <= 0xFF5A
    return not (0x3000 <= c <= 0x303F)


def first_sentence(u, start, n):
    """Length of the first sentence of u[start:start+n]."""
    end = start + n
    i = start
    while i < end and not is_word(u[i]):
        i += 1
    if i >= end:
        return n
    body = None
    while i < end:
        c = u[i]
        if c == 46:
            if i + 1 >= end:
                return n
            if is_word(u[i + 1]):
                i += 2
                continue
            body = i + 2
            break
        if c in TERMINATORS:
            body = i + 1
            break
        i += 1
    if body is None:
        return n
    i = body
    while i < end and not is_word(u[i]):
        i += 1
    return i - start


def utf8_valid(data, whole):
    i, n = 0, len(data)
    while i < n:
        b = data[i]
        if b < 0x80:
            i += 1
            continue
        if b < 0xC0 or b > 0xF4:
            return False
        follow = 1 if b < 0xE0 else 2 if b < 0xF0 else 3
        for k in range(1, follow + 1):
            if i + k >= n:
                return not whole
            if data[i + k] & 0xC0 != 0x80:
                return False
        i += follow + 1
    return True


def decode(data):
    if data[:2] == b"\xff\xfe":
        raw = data[2:]
        return list(int.from_bytes(raw[k:k + 2], "little") for k in range(0, len(raw) - 1, 2))
    if data[:2] == b"\xfe\xff":
        raw = data[2:]
        return list(int.from_bytes(raw[k:k + 2], "big") for k in range(0, len(raw) - 1, 2))
    sample = data[:64 * 1024 // 4 * 4]
    odd_nuls, even_nuls = sample[1::2].count(0), sample[0::2].count(0)
    if odd_nuls >= 2 and odd_nuls * 50 >= len(sample) // 4 * 2 and even_nuls * 20 < odd_nuls:
        # Unmarked UTF-16LE (NUL high bytes); the firmware looks at the same.
        return list(int.from_bytes(data[k:k + 2], "little") for k in range(0, len(data) - 1, 2))
    if data[:3] == b"\xef\xbb\xbf":
        text = data[3:].decode("utf-8")
    elif not data or utf8_valid(data[:512 * 1024], len(data) < 512 * 1024):
        text = data.decode("utf-8")
    else:
        text = "".join(bytes([b]).decode("cp1250", errors="replace").replace("\ufffd", " ") for b in data)
    enc = text.encode("utf-16-le")
    return list(int.from_bytes(enc[k:k + 2], "little") for k in range(0, len(enc), 2))


def counts(u):
    sentences, paragraphs = [], []
    pos, acc, new_par = 0, 0, True
    while pos < len(u):
        n = min(len(u) - pos, MAX_SENTENCE)
        length = first_sentence(u, pos, n)
        sentences.append(pos)
        if new_par:
            paragraphs.append(pos)
            new_par, acc = False, 0
        if any(c in (10, 13) for c in u[pos:pos + length]):
            new_par = True
        else:
            acc += length
            if acc >= PAGE:
                new_par = True
        pos += length
    pages = sentences[-1] // PAGE + 1 if sentences else 0
    return len(u), len(sentences), len(paragraphs), pages


if __name__ == "__main__":
    for name in sys.argv[1:]:
        with open(name, "rb") as f:
            u = decode(f.read())
        print(*counts(u), name)
