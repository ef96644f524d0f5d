#!/usr/bin/env python3
"""Browser check of the indexer's pages, for a library of two pages: opens
page1.htm in headless Chromium, double-clicks words (real mouse events through
the DevTools protocol) and checks that each double-click lands on the word's
entry in the index; clicks a line of context in the index and checks that it
lands on the word in the page; types into the search page's box and follows
its results; and, with scripts off, follows the index's links.

usage: browser_check.py LEXPAGE_EXE
Exit status 0: passed; 1: failed; 77: skipped (no Chromium on this machine).
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache files beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "browser"))
from devtools import SKIP, Browser, Failure, chromium, file_url  # noqa: E402

# The library's two documents: a page of kestram's and a short one.
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
PAGES = ("Report_indent.htm", "Other_indent.htm")

# Every word of the shown text with its place: [word, left, top, width].
WORD_BOXES = r"""(() => {
  const boxes = [], word = /[0-9A-Za-z\u0080-\u009f\u00a1-\ufefe\uff00-\uffff]+/g;
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node; (node = walker.nextNode());) {
    if (node.parentNode.closest('script, style, nav')) continue;
    for (let m; (m = word.exec(node.data));) {
      const range = document.createRange();
      range.setStart(node, m.index);
      range.setEnd(node, m.index + m[0].length);
      const box = range.getBoundingClientRect();
      boxes.push([m[0], box.left, box.top, box.width]);
    }
  }
  return [document.documentElement.scrollWidth, document.documentElement.scrollHeight, boxes];
})()"""

# Double-clicks on the n-th (1-based) word element with a text: the index page and entry they open.
DOUBLE_CLICKS = [
    ("Budget", 2, "i_b.htm", "budget"),    # in a chapter heading
    ("Budget", 3, "i_b.htm", "budget"),
    ("Ärger", 2, "i_other.htm", "Ärger"),  # only ASCII letters fold
    ("naïve", 1, "i_n.htm", "naïve"),
    ("draft", 1, "i_d.htm", "draft"),      # between &lt; and &gt;
    ("Tea", 1, "i_t.htm", "tea"),          # in a table cell
    ("Zebra", 2, "i_z.htm", "zebra"),      # far down the page: scrolled to first
]  # (A word inside a link is left out: its first click follows the link.)

RESULTS = "Array.from(document.querySelectorAll('#results li')).map(e => e.textContent)"
EXPECTED_BU = [
    "budget (6): Other_indent.htm 2, Report_indent.htm 4",
    "bulwark (1): Other_indent.htm 1",
    "buoys (1): Other_indent.htm 1",
]


def landed(page, name):
    """Waits until the page `name` shows a :target; returns its tag, text, id and whether it is in view."""
    return page.wait_for(
        "location.pathname.endsWith('/%s') && document.readyState === 'complete' &&"
        " (t => t && [t.tagName, t.textContent, t.id, t.getBoundingClientRect().top >= 0 &&"
        " t.getBoundingClientRect().top < innerHeight])(document.querySelector(':target'))" % name)


def check_layout(page, in_page, out):
    # The word anchors and the script leave the page's look as it was: the
    # same words at the same places. (Glyphs may move by a fraction of a
    # pixel, as text split into elements is positioned run by run.)
    page.open(file_url(in_page))
    width, height, before = page.evaluate(WORD_BOXES)
    page.open(out("page1.htm"))
    width1, height1, after = page.evaluate(WORD_BOXES)
    if (width, height) != (width1, height1):
        raise Failure("page1.htm measures %dx%d, the page %dx%d" % (width1, height1, width, height))
    if [b[0] for b in before] != [a[0] for a in after]:
        raise Failure("page1.htm does not show the words of the page")
    for b, a in zip(before, after):
        if max(abs(b[i] - a[i]) for i in (1, 2, 3)) > 0.5:
            raise Failure("%r moved from %r to %r in page1.htm" % (b[0], b[1:], a[1:]))
    if len(before) < 600:
        raise Failure("only %d words found on the page" % len(before))
    print("ok: page1.htm shows the %d words of the page at their places" % len(before))


def check_clicks(page, out):
    for text, n, name, entry in DOUBLE_CLICKS:
        page.open(out("page1.htm"))
        page.click("Array.from(document.getElementsByTagName('w'))"
                   ".filter(e => e.textContent === %s)[%d]" % (json.dumps(text), n - 1), clicks=2)
        tag, shown, target, _ = landed(page, name)
        if target != entry:
            raise Failure("double-click on %r landed on %r in %s, expected %r" % (text, target, name, entry))
        if not shown.startswith(entry):
            raise Failure("the entry of %r reads %r" % (entry, shown))
        print("ok: double-click on %r opens %s#%s" % (text, name, entry))
    # A line of context leads back to its occurrence in the page.
    page.open(out("i_z.htm"))
    page.click("document.querySelectorAll('a[href^=\"page1.htm#w\"]')[1]")
    tag, shown, _, in_view = landed(page, "page1.htm")
    if [tag, shown, in_view] != ["W", "Zebra", True]:
        raise Failure("the second line of context of 'zebra' landed on %r" % ([tag, shown, in_view],))
    print("ok: a line of context opens its occurrence, in view")


def check_search(page, out):
    # Typing a prefix lists the words as they are typed.
    page.open(out("search.htm"))
    page.evaluate("document.getElementById('q').focus()")
    page.call("Input.insertText", text="B")
    page.call("Input.insertText", text="u")
    found = page.wait_for("(r => r.length === 3 && r)(%s)" % RESULTS)
    if found != EXPECTED_BU:
        raise Failure("typing 'Bu' lists %r" % (found,))
    print("ok: typing 'Bu' lists %d words with their counts per document" % len(found))
    # A document of a result opens its first occurrence there.
    page.click("Array.from(document.querySelectorAll('#results li:first-child a'))"
               ".find(a => a.textContent === 'Report_indent.htm')")
    got = landed(page, "page1.htm")[:2]
    if got != ["W", "Budget"]:
        raise Failure("the result's document opened %r" % (got,))
    # The word of a result opens its entry.
    page.open(out("search.htm") + "?q=bul")
    found = page.wait_for("(r => r.length > 0 && r)(%s)" % RESULTS)
    if found != EXPECTED_BU[1:2]:
        raise Failure("search.htm?q=bul lists %r" % (found,))
    page.click("document.querySelector('#results li a')")
    got = landed(page, "i_b.htm")[:2]
    if not got[1].startswith("bulwark (1)"):
        raise Failure("the result's word opened %r" % (got,))
    print("ok: search.htm?q=bul searches at once; a result opens the word's entry or its place")


def check_without_scripts(page, out):
    page.call("Emulation.setScriptExecutionDisabled", value=True)
    page.open(out("index1.htm"))
    page.click("document.querySelector('a[href=\"i_b.htm\"]')")
    page.wait_for("location.pathname.endsWith('/i_b.htm') && document.readyState === 'complete'")
    page.click("document.querySelector('a[href^=\"page2.htm#w\"]')")
    got = landed(page, "page2.htm")[:2]
    if got != ["W", "budget"]:
        raise Failure("without scripts a line of context opened %r" % (got,))
    page.open(out("search.htm"))
    if "The search needs scripts" not in page.evaluate("document.body.innerText"):
        raise Failure("without scripts the search page does not say what to do")
    print("ok: without scripts the index pages link to the words; the search page says so")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    lexpage = os.path.abspath(sys.argv[1])
    if not chromium():
        print("SKIP: chromium is not installed, so the double-click check did not run")
        return SKIP
    try:
        with tempfile.TemporaryDirectory(prefix="lexpage-browser-") as work:
            # The two documents are handed over one after the other, as a library grows.
            for name in PAGES:
                shutil.rmtree(os.path.join(work, "htm_in"), ignore_errors=True)
                os.makedirs(os.path.join(work, "htm_in"))
                shutil.copy(os.path.join(DATA, name), os.path.join(work, "htm_in"))
                run = subprocess.run([lexpage], cwd=work, capture_output=True, text=True, timeout=60)
                if run.returncode != 0:
                    raise Failure("lexpage failed: " + run.stderr)
            out = lambda name: file_url(os.path.join(work, "htm_out", name))  # noqa: E731
            with Browser(chromium()) as page:
                check_layout(page, os.path.join(DATA, PAGES[0]), out)
                check_clicks(page, out)
                check_search(page, out)
                check_without_scripts(page, out)
        print("PASS: double-clicks, lines of context, the search page and plain links land on their words")
        return 0
    except (Failure, OSError, subprocess.SubprocessError, ValueError) as error:
        print("FAIL: %s" % error)
        return 1

if __name__ == "__main__":
    sys.exit(main())
