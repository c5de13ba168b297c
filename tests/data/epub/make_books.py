#!/usr/bin/python3
"""Builds the EPUB books the tests read. Run from this folder; needs pandoc, LibreOffice
(soffice), python3-ebooklib, and epubcheck to validate the good ones.

Good books, validated: pandoc-epub3.epub, pandoc-epub2.epub (NCX contents only),
lighthouse-edited.epub (one paragraph added) and styled.epub. libreoffice.epub is LibreOffice's
export as it comes (epubcheck finds one CSS property it does not allow). headings-only.epub has
no table of contents on purpose, so it is not valid EPUB 3.
Bad books are written byte by byte with zipfile, since no tool makes them on purpose.
fuzz-style-of-digits.epub and fuzz-long-paragraph.epub were found by the fuzzer (a style sheet
of 200,000 digits, one unbroken paragraph of 391,650 letters) and are kept as they were found."""
import os
import subprocess
import zipfile

from ebooklib import epub

HERE = os.path.dirname(os.path.abspath(__file__))
os.chdir(HERE)


def run(*args, cwd=HERE):
    subprocess.run(args, check=True, cwd=cwd)


def producer_books():
    src = os.path.join(HERE, "source")
    run("pandoc", "lighthouse.md", "-t", "epub3", "-o", "../pandoc-epub3.epub", cwd=src)
    run("pandoc", "lighthouse.md", "-t", "epub2", "-o", "../pandoc-epub2.epub", cwd=src)
    # The same book with one paragraph added: an edited re-export.
    with open(os.path.join(src, "lighthouse.md")) as f:
        text = f.read()
    edited = text.replace("# The Keeper\n\n", "# The Keeper\n\nA new opening paragraph, written for the second edition of the book.\n\n")
    with open(os.path.join(src, "lighthouse-edited.md"), "w") as f:
        f.write(edited)
    run("pandoc", "lighthouse-edited.md", "-t", "epub3", "-o", "../lighthouse-edited.epub", cwd=src)
    os.remove(os.path.join(src, "lighthouse-edited.md"))
    run("pandoc", "lighthouse.md", "-o", "/tmp/lighthouse.docx", cwd=src)
    run("soffice", "--headless", "--convert-to", "epub", "--outdir", "/tmp", "/tmp/lighthouse.docx")
    os.replace("/tmp/lighthouse.epub", "libreoffice.epub")


def long_book():
    """Three long chapters of numbered paragraphs, for reading positions that need scrolling."""
    words = "the tide came in over the flats and the gulls rose from the mud in a long white line".split()
    lines = ["---", "title: The Long Shore", "author: Ada Marlowe", "lang: en",
             "identifier: urn:uuid:2b7e1a52-9a3c-4d8e-8f61-0c5a7d9e4b21", "---", ""]
    for chapter in range(1, 4):
        lines += [f"# Shore {chapter}", ""]
        for paragraph in range(1, 201):
            text = " ".join(words[(paragraph + i) % len(words)] for i in range(24))
            lines += [f"Paragraph {paragraph} of shore {chapter}: {text}.", ""]
    with open("/tmp/long-shore.md", "w") as f:
        f.write("\n".join(lines))
    run("pandoc", "/tmp/long-shore.md", "-t", "epub3", "-o", os.path.join(HERE, "long-shore.epub"))


def chapter(title, file_name, body, css=None):
    item = epub.EpubHtml(title=title, file_name=file_name, lang="en")
    item.content = body
    if css is not None:
        item.add_item(css)
    return item


def ebooklib_books():
    # No table of contents at all: the headings stand in for it.
    book = epub.EpubBook()
    book.set_identifier("urn:quillmere:headings-only")
    book.set_title("Harbour Notes")
    book.set_language("en")
    one = chapter("One", "one.xhtml", "<h1 id='quay'>The Quay</h1><p>Nets dried on the quay.</p><h2 id='crane'>The Crane</h2><p>The old crane creaked.</p>")
    two = chapter("Two", "two.xhtml", "<h1>The Chapel</h1><p>A bell rang for the boats.</p><h3>The Bell</h3><p>It was cast in 1801.</p><h4>Not listed</h4>")
    book.add_item(one)
    book.add_item(two)
    book.spine = [one, two]
    epub.write_epub("headings-only.epub", book, {"epub3_pages": False})
    strip_contents("headings-only.epub")

    # Styles the view must follow: em and rem sizes, alignment, indents, hidden elements,
    # and links across chapters.
    book = epub.EpubBook()
    book.set_identifier("urn:quillmere:styled")
    book.set_title("Styled Pages")
    book.set_language("en")
    css = epub.EpubItem(uid="style", file_name="style/book.css", media_type="text/css", content=b"""
html { font-size: 10pt; }
.big { font-size: 2em; }
.root { font-size: 3rem; }
.centre { text-align: center; }
.indent { text-indent: 2em; margin-left: 30px; }
.secret, span.gone { display: none; }
""")
    book.add_item(css)
    one = chapter("First", "first.xhtml", """
<h1>First Page</h1>
<p class="centre">Centred words.</p>
<p class="indent">An indented paragraph.</p>
<p><span class="big">Big words</span> and <span class="root">root words</span>.</p>
<p class="secret">A secret paragraph.</p>
<p>Visible <span class="gone">vanished </span>text.</p>
<p hidden="hidden">Hidden by attribute.</p>
<p style="display: none">Hidden inline.</p>
<p>Go to <a href="second.xhtml#target">the target</a>.</p>
""", css)
    two = chapter("Second", "second.xhtml", """
<h1>Second Page</h1>
<p>Filler before the target.</p>
<p id="target">The target paragraph.</p>
""", css)
    book.add_item(one)
    book.add_item(two)
    book.toc = [epub.Link("first.xhtml", "First Page", "first"), epub.Link("second.xhtml#target", "The Target", "target")]
    book.add_item(epub.EpubNcx())
    book.add_item(epub.EpubNav())
    book.spine = ["nav", one, two]
    epub.write_epub("styled.epub", book, {})


def strip_contents(path):
    """Removes the NCX and navigation document ebooklib always writes."""
    with zipfile.ZipFile(path) as z:
        entries = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w") as z:
        for info, data in entries:
            if info.filename.endswith((".ncx", "nav.xhtml")):
                continue
            if info.filename.endswith(".opf"):
                text = data.decode()
                lines = [l for l in text.split("\n") if "toc.ncx" not in l and 'properties="nav"' not in l and 'idref="nav"' not in l]
                data = "\n".join(lines).replace(' toc="ncx"', "").encode()
            z.writestr(info, data)


CONTAINER = """<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>"""


def package(items, spine):
    manifest = "\n".join(f'<item id="{i}" href="{h}" media-type="application/xhtml+xml"/>' for i, h in items)
    refs = "\n".join(f'<itemref idref="{i}"/>' for i in spine)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">urn:quillmere:bad</dc:identifier><dc:title>Bad Book</dc:title><dc:language>en</dc:language></metadata>
<manifest>{manifest}</manifest><spine>{refs}</spine></package>"""


def page(body):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>t</title></head><body>{body}</body></html>"""


def bad_book(name, entries):
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip")
        for entry, data in entries:
            z.writestr(entry, data)


def bad_books():
    with open("not-a-zip.epub", "w") as f:
        f.write("This is a plain text file that only pretends to be an EPUB book.\n")
    bad_book("no-package.epub", [("META-INF/container.xml", CONTAINER), ("OEBPS/one.xhtml", page("<p>Lost.</p>"))])
    bad_book("broken-package.epub", [("META-INF/container.xml", CONTAINER),
                                     ("OEBPS/content.opf", package([("one", "one.xhtml")], ["one"])[:300]),
                                     ("OEBPS/one.xhtml", page("<p>Never listed.</p>"))])
    bad_book("broken-chapter.epub", [("META-INF/container.xml", CONTAINER),
                                     ("OEBPS/content.opf", package([("one", "one.xhtml"), ("two", "two.xhtml")], ["one", "two"])),
                                     ("OEBPS/one.xhtml", page("<p>The first paragraph survives.</p><p>The second <b>breaks</p></body></html>")),
                                     ("OEBPS/two.xhtml", page("<p>The second chapter is whole.</p>"))])
    # An entry whose name climbs out of the book, listed in the spine as if it were a chapter.
    bad_book("climbing.epub", [("META-INF/container.xml", CONTAINER),
                               ("OEBPS/content.opf", package([("one", "one.xhtml"), ("out", "../../outside.xhtml")], ["out", "one"])),
                               ("OEBPS/one.xhtml", page("<p>Inside the book.</p>")),
                               ("../../outside.xhtml", page("<p>Outside the book.</p>"))])
    # A chapter that unpacks to 64 MiB from a few kilobytes.
    with zipfile.ZipFile("zip-bomb.epub", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip")
        z.writestr("META-INF/container.xml", CONTAINER)
        z.writestr("OEBPS/content.opf", package([("one", "one.xhtml"), ("bomb", "bomb.xhtml")], ["one", "bomb"]))
        z.writestr("OEBPS/one.xhtml", page("<p>Before the bomb.</p>"))
        z.writestr("OEBPS/bomb.xhtml", b" " * (64 * 1024 * 1024))
    # A chapter of elements nested a hundred thousand deep.
    bad_book("deep-nesting.epub", [("META-INF/container.xml", CONTAINER),
                                   ("OEBPS/content.opf", package([("one", "one.xhtml")], ["one"])),
                                   ("OEBPS/one.xhtml", page("<p>Above the depths.</p>" + "<div>" * 100000 + "Deep down." + "</div>" * 100000))])
    bad_book("protected.epub", [("META-INF/container.xml", CONTAINER),
                                ("META-INF/encryption.xml", """<?xml version="1.0"?>
<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" xmlns:enc="http://www.w3.org/2001/04/xmlenc#">
<enc:EncryptedData><enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>
<enc:CipherData><enc:CipherReference URI="OEBPS/one.xhtml"/></enc:CipherData></enc:EncryptedData></encryption>"""),
                                ("OEBPS/content.opf", package([("one", "one.xhtml")], ["one"])),
                                ("OEBPS/one.xhtml", bytes(range(256)) * 4)])


if __name__ == "__main__":
    producer_books()
    long_book()
    ebooklib_books()
    bad_books()
    for good in ["pandoc-epub3.epub", "pandoc-epub2.epub", "lighthouse-edited.epub", "long-shore.epub", "styled.epub"]:
        run("java", "-jar", "/usr/share/java/epubcheck.jar", "-q", good)
