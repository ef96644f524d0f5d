#!/usr/bin/env python3
"""Browser check of the indexer's pages, for a library of two pages: opens
page1.htm in headless Chromium, double-clicks words (real mouse events through
the DevTools protocol) and checks that each double-click lands on the word's
entry in the index; clicks a line of context in the index and checks that it
lands on the word in the page; types into the search page's box and follows
its results; and, with scripts off, follows the index's links.

usage: browser_check.py LEXPAGE_EXE
Exit status 0: passed; 1: failed; 77: skipped (no Chromium on this machine).
Only the Python standard library is used; the websocket is spoken by hand.
"""
import base64
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SKIP = 77

PAGE = (
    '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">\r\n'
    "<html>\r\n<head>\r\n"
    '<meta HTTP-EQUIV="content-type" CONTENT="text/html; charset=UTF-8">\r\n'
    "</head>\r\n<body>\r\n<pre>\r\n"
    '<p style="font-family:Arial; font-size:100%;">\r\n'
    "<b>TABLE OF CONTENTS</b>\r\n"
    '<b>1. Budget <a href="#1.">1.</a> </b>\r\n'
    "<br>\r\n<b>END TABLE OF CONTENTS</b>\r\n<br>\r\n"
    '<span style="color:blue"; ID="1."><b>1. Budget</b></span>\r\n'
    "  The Budget of the year &lt;draft&gt; and more words here.\r\n"
    '  <span style="color:blue"; ID="1.1"><b>1.1 \u00c4rger</b></span>\r\n'
    "    \u00c4rger about the budget, Zebra crossing, naïve plans.\r\n"
    '    See <a href="http://example.invalid/x">http://example.invalid/x</a> \r\n'
    '<table style="font-size:100%" align="center" border="1">\r\n'
    "<caption><b>Prices</b></caption>\r\n"
    "<tr>\r\n<th>Item</th>\r\n<th>Price</th>\r\n</tr>\r\n"
    '<tr>\r\n<td align="left">Tea</td>\r\n<td align="right">2.50</td>\r\n</tr>\r\n'
    " </table>\r\n"
    + "".join("  filler line %d of text\r\n" % n for n in range(120))
    + "  closing Zebra words\r\n"
    "</p>\r\n</pre>\r\n</body>\r\n</html>\r\n"
).encode("utf-8")


# The second document of the library.
OTHER = (
    "<html>\r\n<body>\r\n<pre>\r\n"
    '<span style="color:blue"; ID="1."><b>1. Buoys</b></span>\r\n'
    "  The budget of the other unit: a bulwark, and the budget again.\r\n"
    "</pre>\r\n</body>\r\n</html>\r\n"
).encode("utf-8")


class Failure(Exception):
    pass


class WebSocket:
    """The client side of a websocket, enough for the DevTools protocol."""

    def __init__(self, url):
        parts = urllib.parse.urlparse(url)
        self.sock = socket.create_connection((parts.hostname, parts.port), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        request = (
            "GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n"
            % (parts.path, parts.hostname, parts.port, key))
        self.sock.sendall(request.encode())
        response = b""
        while b"\r\n\r\n" not in response:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise Failure("websocket handshake: connection closed")
            response += chunk
        head, self.pending = response.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise Failure("websocket handshake refused: %r" % head[:200])

    def _read(self, count):
        while len(self.pending) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise Failure("websocket closed")
            self.pending += chunk
        data, self.pending = self.pending[:count], self.pending[count:]
        return data

    def _send_frame(self, opcode, payload):
        header = bytearray([0x80 | opcode])
        if len(payload) < 126:
            header.append(0x80 | len(payload))
        elif len(payload) < 65536:
            header.append(0x80 | 126)
            header += struct.pack(">H", len(payload))
        else:
            header.append(0x80 | 127)
            header += struct.pack(">Q", len(payload))
        mask = os.urandom(4)
        header += mask
        self.sock.sendall(bytes(header) + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def send(self, text):
        self._send_frame(0x1, text.encode())

    def receive(self):
        message = b""
        while True:
            first, second = self._read(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            mask = self._read(4) if second & 0x80 else None
            payload = self._read(length)
            if mask:
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
            opcode = first & 0x0F
            if opcode == 0x9:
                self._send_frame(0xA, payload)
                continue
            if opcode == 0x8:
                raise Failure("websocket closed by the browser")
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if first & 0x80:
                    return message.decode("utf-8")


class DevTools:
    def __init__(self, url):
        self.ws = WebSocket(url)
        self.next_id = 0
        self.events = []

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.receive())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise Failure("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.events.append(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise Failure("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def wait_for(self, expression, seconds=15):
        deadline = time.time() + seconds
        while time.time() < deadline:
            try:
                value = self.evaluate(expression)
                if value:
                    return value
            except Failure:
                pass  # the page is being replaced
            time.sleep(0.1)
        raise Failure("timed out waiting for: " + expression)

    def open(self, url):
        self.call("Page.navigate", url=url)
        self.wait_for("location.href === %s && document.readyState === 'complete'" % json.dumps(url))

    def mouse(self, x, y, clicks):
        self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for count in range(1, clicks + 1):
            for kind in ("mousePressed", "mouseReleased"):
                self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                          buttons=1 if kind == "mousePressed" else 0, clickCount=count)


def centre_of(tools, selector_script):
    """Scrolls the element found by the script into view; returns its centre."""
    box = tools.evaluate(
        "(() => { const e = %s; if (!e) return null; e.scrollIntoView({block: 'center'});"
        " const r = e.getBoundingClientRect();"
        " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % selector_script)
    if not box:
        raise Failure("element not found: " + selector_script)
    return box


def word_element(occurrence):
    """Script finding the n-th (1-based) word element of page1.htm with a text."""
    text, n = occurrence
    return ("Array.from(document.getElementsByTagName('w'))"
            ".filter(e => e.textContent === %s)[%d]" % (json.dumps(text), n - 1))


# Every word of the shown text with its place: [word, left, top, width].
WORD_BOXES = r"""(() => {
  const boxes = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  const word = /[0-9A-Za-z\u0080-\u009f\u00a1-\ufefe\uff00-\uffff]+/g;
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


def layout(tools, url):
    tools.open(url)
    return tools.evaluate(WORD_BOXES)


def check(tools, in_page, out_dir):
    page1 = "file://" + urllib.parse.quote(os.path.join(out_dir, "page1.htm"))
    # The word anchors and the script leave the page's look as it was: the
    # same words at the same places. (Glyphs may move by a fraction of a
    # pixel, as text split into elements is positioned run by run.)
    width, height, before = layout(tools, "file://" + urllib.parse.quote(in_page))
    width1, height1, after = layout(tools, page1)
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

    cases = [
        (("Budget", 2), "i_b.htm", "budget"),    # in a chapter heading
        (("Budget", 3), "i_b.htm", "budget"),
        (("Ärger", 2), "i_other.htm", "Ärger"),  # only ASCII letters fold
        (("naïve", 1), "i_n.htm", "naïve"),
        (("draft", 1), "i_d.htm", "draft"),      # between &lt; and &gt;
        (("Tea", 1), "i_t.htm", "tea"),          # in a table cell
        (("Zebra", 2), "i_z.htm", "zebra"),      # far down the page: scrolled to first
    ]
    # (A word inside a link is left out: its first click follows the link.)
    for occurrence, page, entry in cases:
        tools.open(page1)
        x, y = centre_of(tools, word_element(occurrence))
        tools.mouse(x, y, clicks=2)
        target = tools.wait_for(
            "location.pathname.endsWith('/%s') && document.readyState === 'complete'"
            " && document.querySelector(':target') && document.querySelector(':target').id" % page)
        if target != entry:
            raise Failure("double-click on %r landed on %r in %s, expected %r"
                          % (occurrence[0], target, page, entry))
        text = tools.evaluate("document.querySelector(':target').textContent")
        if not text.startswith(entry):
            raise Failure("the entry of %r reads %r" % (entry, text))
        print("ok: double-click on %r opens %s#%s" % (occurrence[0], page, entry))

    # A line of context leads back to its occurrence in the page.
    tools.open("file://" + urllib.parse.quote(os.path.join(out_dir, "i_z.htm")))
    x, y = centre_of(tools, "document.querySelectorAll('a[href^=\"page1.htm#w\"]')[1]")
    tools.mouse(x, y, clicks=1)
    landed = tools.wait_for(
        "location.pathname.endsWith('/page1.htm') && document.querySelector(':target') &&"
        " [document.querySelector(':target').tagName, document.querySelector(':target').textContent,"
        "  document.querySelector(':target').getBoundingClientRect().top >= 0,"
        "  document.querySelector(':target').getBoundingClientRect().top < innerHeight]")
    if landed != ["W", "Zebra", True, True]:
        raise Failure("the second line of context of 'zebra' landed on %r" % (landed,))
    print("ok: a line of context opens its occurrence, in view")

    check_search(tools, out_dir)
    check_without_scripts(tools, out_dir)


def url_of(out_dir, name):
    return "file://" + urllib.parse.quote(os.path.join(out_dir, name))


def target_of(tools, page):
    """Waits until `page` is shown; returns the tag and text of its :target."""
    return tools.wait_for(
        "location.pathname.endsWith('/%s') && document.readyState === 'complete' &&"
        " document.querySelector(':target') && [document.querySelector(':target').tagName,"
        " document.querySelector(':target').textContent]" % page)


def click(tools, selector_script):
    x, y = centre_of(tools, selector_script)
    tools.mouse(x, y, clicks=1)


RESULTS = "Array.from(document.querySelectorAll('#results li')).map(e => e.textContent)"
EXPECTED_BU = [
    "budget (6): Other_indent.htm 2, Report_indent.htm 4",
    "bulwark (1): Other_indent.htm 1",
    "buoys (1): Other_indent.htm 1",
]


def check_search(tools, out_dir):
    # Typing a prefix lists the words as they are typed.
    tools.open(url_of(out_dir, "search.htm"))
    tools.evaluate("document.getElementById('q').focus()")
    tools.call("Input.insertText", text="B")
    tools.call("Input.insertText", text="u")
    found = tools.wait_for("(() => { const r = %s; return r.length === 3 && r; })()" % RESULTS)
    if found != EXPECTED_BU:
        raise Failure("typing 'Bu' lists %r" % (found,))
    print("ok: typing 'Bu' lists %d words with their counts per document" % len(found))
    # A document of a result opens its first occurrence there.
    click(tools, "Array.from(document.querySelectorAll('#results li:first-child a'))"
                 ".find(a => a.textContent === 'Report_indent.htm')")
    landed = target_of(tools, "page1.htm")
    if landed != ["W", "Budget"]:
        raise Failure("the result's document opened %r" % (landed,))
    # The word of a result opens its entry.
    tools.open(url_of(out_dir, "search.htm") + "?q=bul")
    found = tools.wait_for("(() => { const r = %s; return r.length > 0 && r; })()" % RESULTS)
    if found != EXPECTED_BU[1:2]:
        raise Failure("search.htm?q=bul lists %r" % (found,))
    click(tools, "document.querySelector('#results li a')")
    landed = target_of(tools, "i_b.htm")
    if not landed[1].startswith("bulwark (1)"):
        raise Failure("the result's word opened %r" % (landed,))
    print("ok: search.htm?q=bul searches at once; a result opens the word's entry or its place")


def check_without_scripts(tools, out_dir):
    tools.call("Emulation.setScriptExecutionDisabled", value=True)
    tools.open(url_of(out_dir, "index1.htm"))
    click(tools, "document.querySelector('a[href=\"i_b.htm\"]')")
    tools.wait_for("location.pathname.endsWith('/i_b.htm') && document.readyState === 'complete'")
    click(tools, "document.querySelector('a[href^=\"page2.htm#w\"]')")
    landed = target_of(tools, "page2.htm")
    if landed != ["W", "budget"]:
        raise Failure("without scripts a line of context opened %r" % (landed,))
    tools.open(url_of(out_dir, "search.htm"))
    if "The search needs scripts" not in tools.evaluate("document.body.innerText"):
        raise Failure("without scripts the search page does not say what to do")
    tools.call("Emulation.setScriptExecutionDisabled", value=False)
    print("ok: without scripts the index pages link to the words; the search page says so")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    lexpage = os.path.abspath(sys.argv[1])
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        print("SKIP: chromium is not installed, so the double-click check did not run")
        return SKIP
    work = tempfile.mkdtemp(prefix="lexpage-browser-")
    browser_process = None
    try:
        os.makedirs(os.path.join(work, "htm_in"))
        for page, name in ((PAGE, "Report_indent.htm"), (OTHER, "Other_indent.htm")):
            for old in os.listdir(os.path.join(work, "htm_in")):
                os.remove(os.path.join(work, "htm_in", old))
            with open(os.path.join(work, "htm_in", name), "wb") as out:
                out.write(page)
            run = subprocess.run([lexpage], cwd=work, capture_output=True, text=True, timeout=60)
            if run.returncode != 0:
                raise Failure("lexpage failed: " + run.stderr)
        in_page = os.path.join(work, "Report_indent.htm")
        with open(in_page, "wb") as page:
            page.write(PAGE)
        profile = os.path.join(work, "profile")
        browser_process = subprocess.Popen(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--user-data-dir=" + profile, "--remote-debugging-port=0",
             "--window-size=1000,700", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(profile, "DevToolsActivePort")
        deadline = time.time() + 60
        while not (os.path.exists(port_file) and open(port_file).read().count("\n") >= 1):
            if time.time() > deadline or browser_process.poll() is not None:
                raise Failure("chromium did not open its debugging port")
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=30) as reply:
            targets = json.load(reply)
        pages = [t for t in targets if t.get("type") == "page"]
        if not pages:
            raise Failure("chromium shows no page")
        tools = DevTools(pages[0]["webSocketDebuggerUrl"])
        tools.call("Page.enable")
        check(tools, in_page, os.path.join(work, "htm_out"))
        print("PASS: double-clicks, lines of context, the search page and plain links land on their words")
        return 0
    except (Failure, OSError, subprocess.SubprocessError, ValueError) as error:
        print("FAIL: %s" % error)
        return 1
    finally:
        if browser_process is not None:
            browser_process.terminate()
            try:
                browser_process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(browser_process.pid, signal.SIGKILL)
                browser_process.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
