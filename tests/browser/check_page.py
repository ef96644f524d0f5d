#!/usr/bin/env python3
"""Checks rendered pages the way a browser sees them.

Usage: check_page.py PAGE.htm...

Loads each page in one headless Chromium and checks that
  - every link to "#ID" names an element id that exists, and that element is a
    chapter heading (a blue span holding the bold heading text), or, for a
    heading inside a table block, the table cell that holds it or an empty
    anchor in front of the table;
  - every chapter heading of the page source became such a span with its id;
  - every table block of the page source became a <table> with the same rows
    and cells per row, in order, and every row has a cell per column;
  - the page has a <pre> element.

Exit status: 0 when every check passes, 1 with a message per failure, 2 on a
usage or browser error, 77 ("SKIP: no chromium") when Chromium is missing.
"""
import re
import sys

sys.dont_write_bytecode = True  # no cache files beside the sources
from devtools import SKIP, Browser, Failure, chromium, file_url  # noqa: E402

# What the browser built: headings, the failures of the "#" links, tables.
PAGE_FACTS = r"""(() => {
  const isHeading = e => e.tagName === 'SPAN'
      && (e.getAttribute('style') || '').replace(/ /g, '').includes('color:blue')
      && [...e.children].some(c => c.tagName === 'B');
  const inTable = (e, number) => e.tagName === 'TD' ? e.textContent.startsWith(number)
      : e.tagName === 'A' && !e.hasAttribute('href') && e.textContent === '';
  const all = [...document.querySelectorAll('*')];
  const headings = all.filter(isHeading);
  const links = all.filter(e => e.tagName === 'A' && (e.getAttribute('href') || '').startsWith('#'));
  const failures = headings.filter(h => !h.getAttribute('id'))
      .map(h => 'heading without id: ' + JSON.stringify(h.textContent.slice(0, 60)));
  for (const link of links) {
    const id = link.getAttribute('href').slice(1), target = document.getElementById(id);
    const text = JSON.stringify(link.textContent.trim());
    if (!target)
      failures.push(`link to "#${id}" (${text}) has no element with that id`);
    else if (!isHeading(target) && !inTable(target, id))
      failures.push(`link to "#${id}" ends at a <${target.tagName.toLowerCase()}>, not at a chapter heading`);
  }
  if (!document.querySelector('pre')) failures.push('the page has no <pre> element');
  const tables = [...document.querySelectorAll('table')].map(t => [...t.querySelectorAll('tr')]
      .map(r => [...r.children].filter(c => c.tagName === 'TD' || c.tagName === 'TH').length));
  return {headings: headings.length, links: links.length, tables, failures};
})()"""


def source_tables(text):
    """Shapes of the tables in the page source: per table, cells per <tr>."""
    return [[len(re.findall(r"^(?:<td|<th>)", row, re.M))
             for row in re.findall(r"^<tr>$(.*?)^</tr>$", table, re.M | re.S)]
            for table in re.findall(r"<table .*?^ </table>$", text, re.M | re.S)]


def check(browser, path):
    """The failures of one page, or a line saying what it holds."""
    with open(path, "rb") as page:
        text = page.read().decode("utf-8", "replace").replace("\r\n", "\n")
    browser.open(file_url(path))
    facts = browser.evaluate(PAGE_FACTS)
    failures = facts["failures"]
    expected_headings = text.count('<span style="color:blue"; ID="')
    if facts["headings"] != expected_headings:
        failures.append("%d chapter headings in the page source, %d in the browser"
                        % (expected_headings, facts["headings"]))
    expected_tables, tables = source_tables(text), facts["tables"]
    if expected_tables != tables:
        failures.append("expected tables of cells per row %s, the browser has %s" % (expected_tables, tables))
    failures += ["table %d: rows of unequal length, cells per row %s" % (number, cells)
                 for number, cells in enumerate(tables, 1) if len(set(cells)) > 1]
    return failures, "OK: %d headings, %d internal links, %d tables (%s)" % (
        facts["headings"], facts["links"], len(tables),
        ", ".join("%dx%d" % (len(t), max(t) if t else 0) for t in tables))


def main(pages):
    if not pages:
        print(__doc__, file=sys.stderr)
        return 2
    if chromium() is None:
        print("SKIP: no chromium")
        return SKIP
    status = 0
    try:
        with Browser(chromium(), patience=120) as browser:
            for page in pages:
                failures, summary = check(browser, page)
                for failure in failures:
                    print("%s: FAIL: %s" % (page, failure))
                if failures:
                    status = 1
                else:
                    print("%s: %s" % (page, summary))
    except (Failure, OSError) as error:
        print("ERROR: %s" % error, file=sys.stderr)
        return 2
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
