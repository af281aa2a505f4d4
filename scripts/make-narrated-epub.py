#!/usr/bin/env python3
"""Makes narrated EPUB 3 test books from the corpus's public-domain text.

  scripts/make-narrated-epub.py CORPUS DEST

CORPUS is the corpus folder (its txt/pl_sienkiewicz_latarnik_I_utf8.txt is
read); DEST receives:
  narrated.epub        three chapters, two heading levels, a page list, a
                       footnote, chapter 1 narrated in MP3, chapter 2 in M4A,
                       chapter 3 without an overlay;
  missing-audio.epub   chapter 2's audio file left out;
  clip-past-end.epub   chapter 1's last clips end (or begin) past the file's end;
  cut-smil.epub        chapter 1's overlay cut in half;
  no-page-list.epub    no page list: the pages come from the page breaks;
  outside.epub         links to ../../etc/passwd (an audio src, an overlay);
  narrated.json        what the tests check: chapters, sentences, clip times.
The speech is espeak-ng's, the encoding ffmpeg's. Exit 2 when a tool or the
corpus file is missing (the tests then skip)."""
import json, os, re, shutil, subprocess, sys, tempfile, wave, zipfile
from xml.sax.saxutils import escape

RATE = 22050
GAP = int(RATE * 0.3)


def sentences(text):
    flat = re.sub(r"\s+", " ", text).strip()
    return [s.strip() for s in re.split(r"(?<=[.!?])\s+", flat) if 20 < len(s.strip()) < 220]


def speak(work, n, text):
    path = os.path.join(work, "s%d.wav" % n)
    subprocess.run(["espeak-ng", "-v", "pl", "-s", "170", "-w", path, text], check=True)
    with wave.open(path) as w:
        assert w.getframerate() == RATE and w.getnchannels() == 1
        return w.readframes(w.getnframes())


# Clock values in every form SMIL 3 allows, chosen by the clip's number.
def clock(ms, n):
    forms = [lambda: "%.3fs" % (ms / 1000), lambda: "%d:%02d:%02d.%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000),
             lambda: "%02d:%02d.%03d" % (ms // 60000, ms // 1000 % 60, ms % 1000), lambda: "%dms" % ms,
             lambda: "%.6fmin" % (ms / 60000), lambda: "%.3f" % (ms / 1000)]
    return forms[n % len(forms)]()


def layout(lines):
    """Chapters: [(title, [(subtitle, [sentences])...])]; the sentences in corpus order."""
    it = iter(lines)
    take = lambda k: [next(it) for _ in range(k)]
    return [("Rozdział pierwszy", [("Zaginiony latarnik", take(3)), ("Nowy latarnik", take(3))]),
            ("Rozdział drugi", [("Skawiński", take(3)), ("Konsul", take(2))]),
            ("Rozdział trzeci", [("Wysepka", take(2)), ("Latarnia", take(2))])], next(it)


def build(work, lines):
    chapters, note = layout(lines)
    book = {"chapters": [], "note": note}
    page = 0
    clipno = 0
    for c, (title, sections) in enumerate(chapters, 1):
        phrases = [("h%d" % c, "h1", title)]
        for s, (sub, sents) in enumerate(sections, 1):
            phrases.append(("h%d_%d" % (c, s), "h2", sub))
            phrases += [("c%d_%d_%d" % (c, s, k), "p", t) for k, t in enumerate(sents, 1)]
        if c == 1:
            phrases.append(("fn1", "note", note))
        ch = {"title": title, "phrases": [], "sections": [sub for sub, _ in sections]}
        pcm, ms = b"", 0
        for pid, kind, text in phrases:
            data = speak(work, clipno, text) if c != 3 else b""
            clipno += 1
            begin = ms
            pcm += data + b"\0\0" * GAP
            ms = len(pcm) // 2 * 1000 // RATE
            ch["phrases"].append({"id": pid, "kind": kind, "text": text, "begin": begin, "end": ms - 300 if data else begin})
        if c != 3:
            raw = os.path.join(work, "ch%d.raw" % c)
            open(raw, "wb").write(pcm)
            ext = "mp3" if c == 1 else "m4a"
            codec = ["-codec:a", "libmp3lame", "-b:a", "48k"] if c == 1 else ["-codec:a", "aac", "-b:a", "48k"]
            subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "s16le", "-ar", str(RATE), "-ac", "1", "-i", raw] + codec +
                           [os.path.join(work, "ch%d.%s" % (c, ext))], check=True)
            ch["audio"] = "audio/ch%d.%s" % (c, ext)
            ch["ms"] = ms
        book["chapters"].append(ch)
    return book


def xhtml(c, ch, pages):
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">',
           "<head><title>%s</title></head><body>" % escape(ch["title"])]
    for p in ch["phrases"]:
        if p["id"] in pages:
            out.append('<span epub:type="pagebreak" id="page%s" title="%s"/>' % (pages[p["id"]], pages[p["id"]]))
        if p["kind"] == "h1":
            out.append('<section id="sec%d" epub:type="chapter"><h1 id="%s">%s</h1>' % (c, p["id"], escape(p["text"])))
        elif p["kind"] == "h2":
            out.append('<h2 id="%s">%s</h2>' % (p["id"], escape(p["text"])))
        elif p["kind"] == "note":
            out.append('<aside epub:type="footnote" id="note1"><p id="%s">%s</p></aside>' % (p["id"], escape(p["text"])))
        elif p["id"] == "c1_2_1":
            out.append('<p id="%s">%s<a epub:type="noteref" href="#note1">*</a></p>' % (p["id"], escape(p["text"])))
        else:
            out.append('<p id="%s">%s</p>' % (p["id"], escape(p["text"])))
    out.append("</section></body></html>\n")
    return "\n".join(out)


def smil(c, ch, audio, past_end=False):
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<smil xmlns="http://www.w3.org/ns/SMIL" xmlns:epub="http://www.idpf.org/2007/ops" version="3.0">',
           '<body><seq id="seq%d" epub:textref="../text/ch%d.xhtml#sec%d" epub:type="chapter">' % (c, c, c)]
    for n, p in enumerate(ch["phrases"]):
        begin, end = p["begin"], p["end"]
        if past_end and n == len(ch["phrases"]) - 2:
            end = ch["ms"] + 60000
        if past_end and n == len(ch["phrases"]) - 1:
            begin, end = ch["ms"] + 5000, ch["ms"] + 9000
        kind = ' epub:type="footnote"' if p["kind"] == "note" else ""
        out.append('<par id="par_%s"%s><text src="../text/ch%d.xhtml#%s"/><audio src="%s" clipBegin="%s" clipEnd="%s"/></par>'
                   % (p["id"], kind, c, p["id"], audio, clock(begin, n), clock(end, n + 1)))
    out.append("</seq></body></smil>\n")
    return "\n".join(out)


def nav(book, pages, page_list=True):
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">',
           '<head><title>Spis treści</title></head><body><nav epub:type="toc" id="toc"><h1>Spis treści</h1><ol>']
    for c, ch in enumerate(book["chapters"], 1):
        out.append('<li><a href="text/ch%d.xhtml#h%d">%s</a><ol>' % (c, c, escape(ch["title"])))
        for s, sub in enumerate(ch["sections"], 1):
            out.append('<li><a href="text/ch%d.xhtml#h%d_%d">%s</a></li>' % (c, c, s, escape(sub)))
        out.append("</ol></li>")
    out.append("</ol></nav>")
    if page_list:
        out.append('<nav epub:type="page-list"><ol>')
        for pid, (c, label) in sorted(pages.items(), key=lambda kv: int(kv[1][1])):
            out.append('<li><a href="text/ch%d.xhtml#page%s">%s</a></li>' % (c, label, label))
        out.append("</ol></nav>")
    out.append("</body></html>\n")
    return "\n".join(out)


def opf(book, overlay_href=None):
    total = sum(ch.get("ms", 0) for ch in book["chapters"])
    man, spine, durations = [], [], []
    for c, ch in enumerate(book["chapters"], 1):
        mo = ' media-overlay="mo%d"' % c if "audio" in ch else ""
        man.append('<item id="ch%d" href="text/ch%d.xhtml" media-type="application/xhtml+xml"%s/>' % (c, c, mo))
        if "audio" in ch:
            href = overlay_href if (overlay_href and c == 2) else "smil/ch%d.smil" % c
            man.append('<item id="mo%d" href="%s" media-type="application/smil+xml"/>' % (c, href))
            kind = "audio/mpeg" if ch["audio"].endswith("mp3") else "audio/mp4"
            man.append('<item id="a%d" href="%s" media-type="%s"/>' % (c, ch["audio"], kind))
            durations.append('<meta property="media:duration" refines="#mo%d">%s</meta>' % (c, clock(ch["ms"], 1)))
        spine.append('<itemref idref="ch%d"/>' % c)
    return """<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="uid">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
<dc:identifier id="uid">urn:uuid:6d1f2a4c-narrated-latarnik</dc:identifier>
<dc:title>Latarnik</dc:title><dc:creator>Henryk Sienkiewicz</dc:creator><dc:language>pl</dc:language>
<meta property="dcterms:modified">2026-01-01T00:00:00Z</meta>
<meta property="media:duration">%s</meta>%s
<meta property="media:active-class">-epub-media-overlay-active</meta>
</metadata>
<manifest><item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
%s</manifest>
<spine>%s</spine></package>
""" % (clock(total, 1), "".join(durations), "\n".join(man), "".join(spine))


def write_epub(path, files):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip", zipfile.ZIP_STORED)
        for name, data in files:
            audio = name.endswith((".mp3", ".m4a"))
            z.writestr(name, data, zipfile.ZIP_STORED if audio else zipfile.ZIP_DEFLATED)


CONTAINER = """<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/package.opf" media-type="application/oebps-package+xml"/></rootfiles></container>
"""


def files_of(book, work, pages, past_end=False, cut=False, outside=False, drop_audio=None, page_list=True):
    files = [("META-INF/container.xml", CONTAINER), ("OEBPS/package.opf", opf(book, "../../etc/passwd" if outside else None)),
             ("OEBPS/nav.xhtml", nav(book, {k: v for k, v in pages.items()}, page_list))]
    for c, ch in enumerate(book["chapters"], 1):
        files.append(("OEBPS/text/ch%d.xhtml" % c, xhtml(c, ch, {k: v[1] for k, v in pages.items() if v[0] == c})))
        if "audio" not in ch:
            continue
        audio_src = "../../../etc/passwd" if (outside and c == 1) else "../" + ch["audio"]
        s = smil(c, ch, "../" + ch["audio"], past_end and c == 1)
        if outside and c == 1:
            s = s.replace('src="../%s"' % ch["audio"], 'src="%s"' % audio_src, 1)
        if cut and c == 1:
            s = s[: len(s) // 2]
        files.append(("OEBPS/smil/ch%d.smil" % c, s))
        if drop_audio != c:
            files.append(("OEBPS/" + ch["audio"], open(os.path.join(work, os.path.basename(ch["audio"])), "rb").read()))
    return files


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    corpus, dest = sys.argv[1], sys.argv[2]
    source = os.path.join(corpus, "txt", "pl_sienkiewicz_latarnik_I_utf8.txt")
    if not os.path.exists(source) or not shutil.which("espeak-ng") or not shutil.which("ffmpeg"):
        print("make-narrated-epub: corpus text, espeak-ng or ffmpeg missing", file=sys.stderr)
        sys.exit(2)
    os.makedirs(dest, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        book = build(work, sentences(open(source, encoding="utf-8").read()))
        # Page breaks: chapter 1's start and its second section, chapter 2's
        # start, and inside chapter 3 (read without an overlay).
        pages = {"h1": (1, "1"), "h1_2": (1, "2"), "h2": (2, "3"), "h3_2": (3, "4")}
        book["pages"] = {v[1]: k for k, v in pages.items()}
        write_epub(os.path.join(dest, "narrated.epub"), files_of(book, work, pages))
        write_epub(os.path.join(dest, "missing-audio.epub"), files_of(book, work, pages, drop_audio=2))
        write_epub(os.path.join(dest, "clip-past-end.epub"), files_of(book, work, pages, past_end=True))
        write_epub(os.path.join(dest, "cut-smil.epub"), files_of(book, work, pages, cut=True))
        write_epub(os.path.join(dest, "outside.epub"), files_of(book, work, pages, outside=True))
        write_epub(os.path.join(dest, "no-page-list.epub"), files_of(book, work, pages, page_list=False))
        json.dump(book, open(os.path.join(dest, "narrated.json"), "w"), ensure_ascii=False, indent=1)
    finally:
        shutil.rmtree(work)


main()
