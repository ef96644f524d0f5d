#!/usr/bin/env python3
"""Wraps a plain-text document in the frame of the pages that the main program
writes, for benchmarks of the indexer only.

usage: make_page.py [--toc] < document.txt > page.htm

Chapter marks ("3. Title", "3.1 Title") become coloured heading spans with
the chapter number as their ID, bold lines pass unchanged, the first web or
file address of a line becomes a link, table blocks become tables, and every
other line is escaped ("<" and ">" only). The numbering is taken as written,
not renumbered: good enough to give the indexer realistic markup.
"""
import re
import sys

MARK = re.compile(rb"^( *)(\d{1,4}(?:\.\d{1,4})*\.?) +(\S.*)$")
LINK = re.compile(rb"(?i)(https?://|file:///)\S*")


def escape(line):
    return line.replace(b"<", b"&lt;").replace(b">", b"&gt;")


def chapter_number(written):
    parts = [p for p in written.split(b".") if p]
    number = b".".join(str(int(p)).encode() for p in parts)
    return number + b"." if len(parts) == 1 else number


def is_bold(line):
    low = line.strip(b" ").lower()
    return low.startswith(b"<b>") and low.find(b"</b>") == len(low) - 4


def table(lines, out):
    caption = lines[0].strip(b" ")[13:]
    columns = []
    for line in lines[1:]:
        low = line.strip(b" ").lower()
        if low.startswith(b"table_end:"):
            break
        if low.startswith(b"column:"):
            columns.append([line.strip(b" ")[8:], b"", []])
        elif low.startswith(b"align:") and columns and not columns[-1][2] and not columns[-1][1]:
            columns[-1][1] = low[7:]
        elif columns:
            columns[-1][2].append(line.strip(b" "))
    out.append(b'<table style="font-size:100%" align="center" border="1">')
    if caption:
        out.append(b"<caption><b>" + escape(caption) + b"</b></caption>")
    if any(c[0] for c in columns):
        out.append(b"<tr>")
        out.extend(b"<th>" + c[0] + b"</th>" for c in columns)
        out.append(b"</tr>")
    for row in range(max((len(c[2]) for c in columns), default=0)):
        out.append(b"<tr>")
        for name, align, cells in columns:
            cell = cells[row] if row < len(cells) else b""
            attr = b' align="' + align + b'"' if align and row < len(cells) else b""
            out.append(b"<td" + attr + b">" + cell + b"</td>")
        out.append(b"</tr>")
    out.append(b" </table>")


def main():
    lines = re.split(rb"\r\n|\r|\n", sys.stdin.buffer.read())
    if lines and lines[-1] == b"":
        lines.pop()
    toc, body = [], []
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if is_bold(line):
            body.append(line)
            continue
        text = escape(line)
        link = LINK.search(text)
        if link:
            a = link.group(0)
            rest = text[link.end():] or b" "
            body.append(text[:link.start()] + b'<a href="' + a + b'">' + a + b"</a>" + rest)
            continue
        if text.strip(b" ").lower().startswith(b"table_start:"):
            block = [text]
            while i < len(lines):
                block.append(lines[i])
                i += 1
                if block[-1].strip(b" ").lower().startswith(b"table_end:"):
                    break
            table(block, body)
            continue
        mark = MARK.match(text)
        if mark:
            number = chapter_number(mark.group(2))
            heading = text.strip(b" ")
            toc.append(mark.group(1) + b"<b>" + heading + b' <a href="#' + number + b'">' +
                       number + b"</a> </b>")
            body.append(mark.group(1) + b'<span style="color:blue"; ID="' + number + b'"><b>' +
                        heading + b"</b></span>")
            continue
        body.append(text)
    out = [b'<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">', b"<html>",
           b"<head>", b'<meta HTTP-EQUIV="content-type" CONTENT="text/html; charset=UTF-8">',
           b"</head>", b"<body>", b"<pre>", b'<p style="font-family:Arial; font-size:100%;">']
    if "--toc" in sys.argv[1:]:
        out += [b"<b>TABLE OF CONTENTS</b>"] + toc + [b"<br>", b"<b>END TABLE OF CONTENTS</b>",
                                                        b"<br>"]
    out += body + [b"</p>", b"</pre>", b"</body>", b"</html>"]
    sys.stdout.buffer.write(b"\r\n".join(out) + b"\r\n")


if __name__ == "__main__":
    main()
