#!/bin/sh
# Rebuilds the EPUB and DOCX fixtures from their folders: the books, and copies
# that are encrypted, mislabelled or missing a member.
set -e
cd "$(dirname "$0")/epub"
rm -f *.epub
pack() { (cd "$1" && zip -X -0 -q "../$2" mimetype && zip -X -r -q "../$2" . -x mimetype); }
pack book3 book3.epub
pack book2 book2.epub
cp book3.epub missing_member.epub && zip -q -d missing_member.epub "OEBPS/text/two.xhtml"
cp book3.epub encrypted.epub
mkdir -p tmp/META-INF && cat > tmp/META-INF/encryption.xml <<'X'
<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" xmlns:enc="http://www.w3.org/2001/04/xmlenc#">
<enc:EncryptedData><enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>
<enc:CipherData><enc:CipherReference URI="OEBPS/text/two.xhtml"/></enc:CipherData></enc:EncryptedData>
</encryption>
X
(cd tmp && zip -q ../encrypted.epub META-INF/encryption.xml)
cp book3.epub fonts_only.epub
sed -e 's#aes128-cbc#2008/embedding#' -e 's#xmlenc.aes128-cbc#x#' tmp/META-INF/encryption.xml > tmp/e.xml
sed -i 's#http://www.w3.org/2001/04/xmlenc\#2008/embedding#http://www.idpf.org/2008/embedding#' tmp/e.xml
mv tmp/e.xml tmp/META-INF/encryption.xml
(cd tmp && zip -q ../fonts_only.epub META-INF/encryption.xml)
rm -rf tmp
printf 'application/zip' > mimetype.tmp && cp book3.epub wrong_mimetype.epub && mkdir tmp && mv mimetype.tmp tmp/mimetype && (cd tmp && zip -q ../wrong_mimetype.epub mimetype) && rm -rf tmp
# A spine with nothing to read but an image.
mkdir -p tmp/OEBPS && sed -e 's#<itemref idref="c1"/>##' -e 's#<itemref idref="c2"/>##' book3/OEBPS/package.opf > tmp/OEBPS/package.opf
cp book3.epub images_only.epub && (cd tmp && zip -q ../images_only.epub OEBPS/package.opf) && rm -rf tmp
# Word documents: the fixture, and copies missing the main document or
# carrying bad XML in it.
cd ../docx && rm -f *.docx
(cd doc && zip -X -r -q ../doc.docx .)
cp doc.docx missing_member.docx && zip -q -d missing_member.docx word/document.xml
mkdir -p tmp/word && head -c 1500 doc/word/document.xml > tmp/word/document.xml
cp doc.docx badxml.docx && (cd tmp && zip -q ../badxml.docx word/document.xml) && rm -rf tmp
# Notes cut off in the middle: the document opens with what they hold.
mkdir -p tmp/word && head -c 450 doc/word/footnotes.xml > tmp/word/footnotes.xml
cp doc.docx badnotes.docx && (cd tmp && zip -q ../badnotes.docx word/footnotes.xml) && rm -rf tmp
# Mobipocket books, written byte by byte.
(cd ../mobi && python3 make_mobi.py)
