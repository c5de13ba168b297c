#!/usr/bin/env bash
# Builds the EPUB books of other producers the tests read: calibre's ebook-convert (from HTML,
# plain text, DOCX and ODT), DocBook XSL and Sphinx, from the small sources in
# source/producers. Run from anywhere; needs calibre, pandoc (for the DOCX and ODT sources),
# xsltproc with docbook-xsl, zip and sphinx-build. The books are committed: tests never run it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/source/producers"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

calibre() { ebook-convert "$@" >/dev/null 2>&1; }

# calibre, from four kinds of source; the HTML one carries what calibre keeps of a book's style
# (borders, a list without markers, a floating figure, ruby, an inline drawing) and a cover.
calibre "$src/harbour.html" "$here/calibre-html.epub" --epub-version 3 --cover "$src/cover.png" \
    --title "The Harbour Book" --authors "Ada Marlowe"
calibre "$src/harbour.txt" "$here/calibre-text.epub" --no-default-epub-cover --title "The Harbour Log" \
    --authors "Ada Marlowe"
pandoc "$src/harbour.md" -o "$work/harbour.docx"
pandoc "$src/harbour.md" -o "$work/harbour.odt"
calibre "$work/harbour.docx" "$here/calibre-docx.epub" --no-default-epub-cover --title "The Harbour Notes"
calibre "$work/harbour.odt" "$here/calibre-odt.epub" --no-default-epub-cover --title "The Harbour Sheet"

# DocBook XSL: the stylesheets write the book's files; zip packs them, mimetype first and
# stored.
xsl=/usr/share/xml/docbook/stylesheet/docbook-xsl/epub3/chunk.xsl
mkdir -p "$work/docbook"
(cd "$work/docbook" && xsltproc --stringparam base.dir OEBPS/ "$xsl" "$src/harbour-docbook.xml" \
    >/dev/null 2>&1)
(cd "$work/docbook" && printf 'application/epub+zip' >mimetype &&
    rm -f "$here/docbook.epub" && zip -X0q "$here/docbook.epub" mimetype &&
    zip -X9rq "$here/docbook.epub" META-INF OEBPS)

# Sphinx's epub builder.
sphinx-build -q -b epub "$src/sphinx" "$work/sphinx" >/dev/null 2>&1
cp "$work/sphinx/harbour-guide.epub" "$here/sphinx.epub"
ls -l "$here"/calibre-*.epub "$here/docbook.epub" "$here/sphinx.epub"
