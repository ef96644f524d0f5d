#!/usr/bin/env python3
"""Checks a rendered page the way a browser sees it.

Usage: check_page.py PAGE.htm [--screenshot OUT.png] [--expect-table ROWSxCOLS ...]
                     [--allow-missing ID ...] [--timeout SECONDS]

Loads PAGE.htm in headless chromium, takes the DOM it built and checks that
  - every link to "#ID" names an element id that exists, and that element is a
    chapter heading (a blue span holding the bold heading text), or, for a
    heading inside a table block, the table cell that holds it or an empty
    anchor in front of the table;
  - every chapter heading of the page source became such a span with its id;
  - every table block of the page source became a <table> with the same rows
    and cells per row, in order.

Exit status: 0 when every check passes, 1 with a message per failure, 2 on a
usage or browser error, 77 ("SKIP: no chromium") when chromium is missing.
"""

import argparse
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
]
VOID_ELEMENTS = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                 "param", "source", "track", "wbr"}


class Element:
    def __init__(self, tag, attrs, parent):
        self.tag = tag
        self.attrs = dict(attrs)
        self.parent = parent
        self.children = []
        self.text = []

    def descendants(self):
        for child in self.children:
            yield child
            yield from child.descendants()

    def all_text(self):
        return "".join(self.text) + "".join(c.all_text() for c in self.children)


class TreeBuilder(html.parser.HTMLParser):
    """Builds an element tree from the serialised DOM that chromium dumps."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Element("#root", [], None)
        self.current = self.root

    def handle_starttag(self, tag, attrs):
        element = Element(tag, attrs, self.current)
        self.current.children.append(element)
        if tag not in VOID_ELEMENTS:
            self.current = element

    def handle_startendtag(self, tag, attrs):
        self.current.children.append(Element(tag, attrs, self.current))

    def handle_endtag(self, tag):
        node = self.current
        while node is not self.root and node.tag != tag:
            node = node.parent
        if node is not self.root:
            self.current = node.parent

    def handle_data(self, data):
        self.current.text.append(data)


def run_chromium(chromium, extra_args, page_url, timeout):
    with tempfile.TemporaryDirectory(prefix="check-page-") as profile:
        command = [chromium] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile] + extra_args + [page_url]
        try:
            done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            sys.exit("ERROR: chromium did not finish within %d seconds" % timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")


def source_tables(lines):
    """Shapes of the tables in the page source: per table, cells per <tr>."""
    tables, current, cells = [], None, 0
    for line in lines:
        if "<table " in line and current is None:
            current = []
        elif current is not None and line == " </table>":
            tables.append(current)
            current = None
        elif current is not None and line == "<tr>":
            cells = 0
        elif current is not None and line == "</tr>":
            current.append(cells)
        elif current is not None and (line.startswith("<td") or line.startswith("<th>")):
            cells += 1
    return tables


def dom_tables(root):
    shapes = []
    for table in (e for e in root.descendants() if e.tag == "table"):
        rows = [r for r in table.descendants() if r.tag == "tr"]
        shapes.append([sum(1 for c in r.children if c.tag in ("td", "th")) for r in rows])
    return shapes


def is_heading(element):
    return (element.tag == "span" and "color:blue" in element.attrs.get("style", "").replace(" ", "")
            and any(c.tag == "b" for c in element.children))


def is_heading_in_table(element, chapter_number):
    """The cell of a table block that holds the heading, or an empty anchor."""
    if element.tag == "td":
        return element.all_text().startswith(chapter_number)
    return element.tag == "a" and "href" not in element.attrs and not element.all_text()


def main():
    parser = argparse.ArgumentParser(description="Check a rendered page in headless chromium.")
    parser.add_argument("page")
    args = parser.parse_args()

    chromium = shutil.which("chromium")
    if chromium is None:
        print("SKIP: no chromium")
        return 77
    path = os.path.abspath(args.page)
    if not os.path.isfile(path):
        print("ERROR: no such page: %s" % args.page, file=sys.stderr)
        return 2
    with open(path, "rb") as f:
        source = f.read().decode("utf-8", "replace")
    lines = source.replace("\r\n", "\n").split("\n")
    url = "file://" + path

    status, dom = run_chromium(chromium, ["--dump-dom"], url, 120)
    if status != 0 or "<html" not in dom:
        print("ERROR: chromium failed (status %d) to load %s" % (status, url), file=sys.stderr)
        return 2
    builder = TreeBuilder()
    builder.feed(dom)
    builder.close()
    root = builder.root
    failures = []

    elements_by_id = {}
    for element in root.descendants():
        if "id" in element.attrs:
            elements_by_id.setdefault(element.attrs["id"], element)

    headings = [e for e in root.descendants() if is_heading(e)]
    expected_headings = sum(line.count('<span style="color:blue"; ID="') for line in lines)
    if len(headings) != expected_headings:
        failures.append("%d chapter headings in the page source, %d in the browser"
                        % (expected_headings, len(headings)))
    for heading in headings:
        if not heading.attrs.get("id"):
            failures.append("heading without id: %r" % heading.all_text()[:60])

    links = [e for e in root.descendants() if e.tag == "a" and e.attrs.get("href", "").startswith("#")]
    for link in links:
        target = link.attrs["href"][1:]
        element = elements_by_id.get(target)
        if element is None:
            failures.append('link to "#%s" (%r) has no element with that id' % (target, link.all_text().strip()))
        elif not is_heading(element) and not is_heading_in_table(element, target):
            failures.append('link to "#%s" ends at a <%s>, not at a chapter heading'
                            % (target, element.tag))

    expected_tables = source_tables(lines)
    actual_tables = dom_tables(root)
    if len(expected_tables) != len(actual_tables):
        failures.append("%d tables expected, %d in the browser" % (len(expected_tables), len(actual_tables)))
    for number, (want, got) in enumerate(zip(expected_tables, actual_tables), 1):
        if want != got:
            failures.append("table %d: expected cells per row %s, browser has %s" % (number, want, got))

    if not any(e.tag == "pre" for e in root.descendants()):
        failures.append("the page has no <pre> element")

    if failures:
        for failure in failures:
            print("FAIL: " + failure)
        return 1
    print("OK: %d headings, %d internal links, %d tables (%s)"
          % (len(headings), len(links), len(actual_tables),
             ", ".join("%dx%d" % (len(t), max(t) if t else 0) for t in actual_tables)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
