#!/usr/bin/env python3
"""Launch-to-window time and memory of the reader against a minimal Qt widgets window.

Both programs are started alternately in the same run, on the offscreen platform and under
Xvfb, with bench/startup_probe.cpp preloaded: it writes "shown <rss kB> <peak kB>" once the
window is painted.
The reader is also started with the King James Bible opened from its library (plain text, RTF,
and five copies of it as one plain-text book), and reports its memory once the book is painted.

Run: python3 bench/startup.py [--build build] [--runs 5] [--platform offscreen,xvfb]
The build needs the targets quillmere, quillmere-rtf, startup_minimal_window and startup_probe.
--reader-build names another build whose reader is measured (for figures before a change).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

KJV_TOOL = os.environ.get("QUILLMERE_KJV_TOOL", "/work/shared/tools/kjv-book")


PROBE = ""


def probe(command, env, book=None, timeout=120):
    """Starts command; returns (seconds to the first line, {kind: (rss kB, peak kB)})."""
    env = dict(env, LD_PRELOAD=PROBE)
    if book:
        env["QUILLMERE_STARTUP_OPEN"] = book
    else:
        env.pop("QUILLMERE_STARTUP_OPEN", None)
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    figures = {}
    shown_after = None
    try:
        for line in process.stdout:
            words = line.split()
            if len(words) >= 3 and words[0] in ("shown", "opened"):
                if words[0] == "shown" and shown_after is None:
                    shown_after = time.monotonic() - start
                figures[words[0]] = tuple(int(word) for word in words[1:])
        process.wait(timeout=timeout)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    if shown_after is None or (book and "opened" not in figures):
        raise RuntimeError("%s did not report (book %s)" % (command[0], book))
    return shown_after, figures


def prepare_library(build, work):
    """A copy of the built application folder with the big books in its library."""
    app = os.path.join(work, "app")
    shutil.copytree(os.path.join(build, "app"), app, symlinks=True)
    books = os.path.join(app, "books")
    kjv = os.path.join(books, "kjv.txt")
    subprocess.run([KJV_TOOL, kjv], check=True, stdout=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "tools", "quillmere-rtf"), "from-text", kjv,
                    os.path.join(books, "kjv.rtf")], check=True)
    with open(kjv, "rb") as source:
        text = source.read()
    with open(os.path.join(books, "kjv5.txt"), "wb") as five:
        five.write(text * 5)
    # No bookmarks: every book opens at its start.
    bookmarks = os.path.join(app, "bookmark.txt")
    if os.path.exists(bookmarks):
        os.remove(bookmarks)
    sizes = {name: os.path.getsize(os.path.join(books, name))
             for name in ("kjv.txt", "kjv.rtf", "kjv5.txt")}
    # A web book too: the first HTML book of the shipped library, opened as the first web page.
    pages = sorted(name for name in os.listdir(books) if name.endswith((".htm", ".html")))
    return app, sizes, pages[:1]


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1280x1024x24", "-nolisten", "tcp"],
                              pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    return server, ":" + display


def median(values):
    return statistics.median(values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--platform", default="offscreen,xvfb")
    parser.add_argument("--reader-build", default=None)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    minimal = os.path.join(build, "bench", "startup_minimal_window")
    global PROBE
    PROBE = os.path.join(build, "bench", "libstartup_probe.so")

    with tempfile.TemporaryDirectory(prefix="quillmere-startup-") as work:
        app, sizes, pages = prepare_library(os.path.abspath(args.reader_build or build), work)
        reader = os.path.join(app, "quillmere")
        base_env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
                        XDG_DATA_HOME=os.path.join(work, "data"))
        for platform in args.platform.split(","):
            env = dict(base_env)
            server = None
            if platform == "xvfb":
                server, display = start_xvfb()
                env["DISPLAY"] = display
                env["QT_QPA_PLATFORM"] = "xcb"
            else:
                env["QT_QPA_PLATFORM"] = "offscreen"
            try:
                report(platform, args.runs, minimal, reader, env, sizes, pages)
            finally:
                if server:
                    server.terminate()
                    server.wait()


def report(platform, runs, minimal, reader, env, sizes, pages):
    times = {"minimal": [], "reader": []}
    rss = {"minimal": [], "reader": []}
    books = {name: [] for name in list(sizes) + pages}
    # One warm-up start of each, so the file cache does not favour the second program.
    probe([minimal], env)
    probe([reader], env)
    for _ in range(runs):
        for name, command in (("minimal", [minimal]), ("reader", [reader])):
            seconds, figures = probe(command, env)
            times[name].append(seconds)
            rss[name].append(figures["shown"][0])
        for name in books:
            _, figures = probe([reader], env, book=name)
            books[name].append(figures)

    t_min, t_reader = median(times["minimal"]), median(times["reader"])
    m_min, m_reader = median(rss["minimal"]) / 1024, median(rss["reader"]) / 1024
    print("== %s (median of %d runs)" % (platform, runs))
    print("launch to window: reader %.3f s, minimal window %.3f s, ratio %.2f"
          % (t_reader, t_min, t_reader / t_min))
    print("memory with nothing open: reader %.1f MB, minimal window %.1f MB, difference %.1f MB"
          % (m_reader, m_min, m_reader - m_min))
    for name, size in sizes.items():
        opened = median([f["opened"][0] for f in books[name]]) / 1024
        peak = median([f["opened"][1] for f in books[name]]) / 1024
        shown = median([f["shown"][0] for f in books[name]]) / 1024
        milliseconds = median([f["opened"][2] for f in books[name]])
        per_byte = (opened - shown) * 1024 * 1024 / size
        print("%-9s (%5.1f MB): opened in %4d ms, resident %.1f MB, peak %.1f MB, %.2f bytes of "
              "memory per byte of the book" % (name, size / 1048576, milliseconds, opened, peak,
                                               per_byte))
    for name in pages:
        opened = median([f["opened"][0] for f in books[name]]) / 1024
        milliseconds = median([f["opened"][2] for f in books[name]])
        print("%-9s: first web page shown in %4d ms (after the click), resident %.1f MB"
              % (name, milliseconds, opened))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
