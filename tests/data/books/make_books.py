#!/usr/bin/python3
"""Builds the books the format readers' tests read, from the sources in source/. Run from any
folder; needs pandoc, LibreOffice (soffice) and calibre (ebook-convert, slow: a few seconds a
book). The results are committed, so the tests need none of these tools.

- harbour.md (Markdown: chapters, a table, lists, two footnotes, a picture, a link between
  chapters, a Russian sentence) through pandoc: pandoc.docx, pandoc.odt, pandoc.fb2, and the
  EPUB that calibre converts: calibre.mobi (the old MOBI format), calibre.azw3 (KF8),
  calibre-both.mobi (both in one file), calibre.fb2, calibre.docx.
- tide.fodt (a flat LibreOffice document: headings, colours, underline, a footnote and an
  endnote, a table with merged cells, nested lists, a picture, a page break, a link to a
  heading) through LibreOffice: libreoffice.odt, libreoffice.docx; and through calibre from the
  ODT: calibre-tide.azw3.
- shore.md (Russian) through pandoc to FB2, then written again in Windows-1251: shore-1251.fb2
  declares its encoding, shore-undeclared.fb2 does not (a wrong file, as many are).
- pandoc.fb2.zip: pandoc.fb2 packed alone in a zip, as FB2 libraries hand books out.
"""
import os
import re
import shutil
import subprocess
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "source")


def run(*args, cwd=SOURCE):
    subprocess.run(args, check=True, cwd=cwd, stdout=subprocess.DEVNULL)


def out(name):
    return os.path.join(HERE, name)


def pandoc_books(tmp):
    for kind in ("docx", "odt", "fb2"):
        run("pandoc", "harbour.md", "-t", kind, "-o", out("pandoc." + kind))
    epub = os.path.join(tmp, "harbour.epub")
    run("pandoc", "harbour.md", "-t", "epub3", "-o", epub)
    return epub


def calibre_books(epub, tmp):
    def convert(source, name, *options):
        run("ebook-convert", source, out(name), *options)
    convert(epub, "calibre.mobi", "--mobi-file-type", "old")
    convert(epub, "calibre.azw3")
    convert(epub, "calibre-both.mobi", "--mobi-file-type", "both")
    convert(epub, "calibre.fb2")
    convert(epub, "calibre.docx")
    convert(out("libreoffice.odt"), "calibre-tide.azw3")


def libreoffice_books(tmp):
    for kind in ("odt", "docx"):
        run("soffice", "--headless", "--convert-to", kind, "--outdir", tmp,
            os.path.join(SOURCE, "tide.fodt"))
        shutil.move(os.path.join(tmp, "tide." + kind), out("libreoffice." + kind))


def encoded_books(tmp):
    fb2 = os.path.join(tmp, "shore.fb2")
    run("pandoc", "shore.md", "-t", "fb2", "-o", fb2)
    with open(fb2, encoding="utf-8") as f:
        text = f.read()
    declared = re.sub(r'encoding="[^"]*"', 'encoding="windows-1251"', text, count=1)
    with open(out("shore-1251.fb2"), "wb") as f:
        f.write(declared.encode("cp1251"))
    undeclared = re.sub(r'<\?xml[^>]*\?>', '<?xml version="1.0"?>', text, count=1)
    with open(out("shore-undeclared.fb2"), "wb") as f:
        f.write(undeclared.encode("cp1251"))


def zipped_fb2():
    with zipfile.ZipFile(out("pandoc.fb2.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.write(out("pandoc.fb2"), "The Harbour Master.fb2")


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as tmp:
        epub = pandoc_books(tmp)
        libreoffice_books(tmp)
        calibre_books(epub, tmp)
        encoded_books(tmp)
        zipped_fb2()
