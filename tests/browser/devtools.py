"""A headless Chromium with one page, driven through the DevTools protocol.

The protocol runs over a pair of pipes: the browser reads NUL-terminated JSON
messages on its fd 3 and writes its replies and events on fd 4.
"""
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time
import urllib.parse

SKIP = 77
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-pipe", "--window-size=1000,700"]


class Failure(Exception):
    pass


def chromium():
    return shutil.which("chromium") or shutil.which("chromium-browser")


def file_url(path):
    return "file://" + urllib.parse.quote(os.path.abspath(path))


class Browser:
    """Use as `with Browser(chromium()) as page:`; closes the browser on exit."""

    def __init__(self, program, patience=60):
        self.profile = tempfile.TemporaryDirectory(prefix="devtools-")
        commands, replies = os.pipe(), os.pipe()
        # Above 4, so that placing them on fds 3 and 4 in the child clobbers neither.
        ends = [fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in (commands[0], replies[1])]
        self.process = subprocess.Popen(
            [program] + FLAGS + ["--user-data-dir=" + self.profile.name, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, start_new_session=True,
            preexec_fn=lambda: (os.dup2(ends[0], 3), os.dup2(ends[1], 4)))
        for fd in ends + [commands[0], replies[1]]:
            os.close(fd)
        self.to_browser, self.from_browser = os.fdopen(commands[1], "wb"), replies[0]
        self.pending, self.next_id, self.session = b"", 0, None
        self.patience = patience  # seconds to wait for an answer or a page: generous, machines get loaded
        try:
            target = self.call("Target.createTarget", url="about:blank")["targetId"]
            self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        except BaseException:
            self.__exit__()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *error):
        self.to_browser.close()  # the browser quits when its pipe closes
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        os.close(self.from_browser)
        self.profile.cleanup()

    def _message(self):
        while b"\0" not in self.pending:
            if not select.select([self.from_browser], [], [], self.patience)[0]:
                raise TimeoutError("chromium did not answer within %d seconds" % self.patience)
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise ConnectionError("chromium closed its debugging pipe")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, **params):
        """Sends a command to the page (or to the browser before there is one); returns its result."""
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            command["sessionId"] = self.session
        self.to_browser.write(json.dumps(command).encode() + b"\0")
        self.to_browser.flush()
        while True:
            message = self._message()  # events are passed over
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise Failure("%s: %s" % (method, message["error"]))
                return message.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise Failure("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def wait_for(self, expression):
        """The first true value of the expression, tried until our patience ends."""
        deadline = time.time() + self.patience
        while time.time() < deadline:
            try:
                value = self.evaluate(expression)
                if value:
                    return value
            except Failure:
                pass  # the page is being replaced (a broken pipe or a silent browser is an OSError)
            time.sleep(0.1)
        raise Failure("timed out waiting for: " + expression)

    def open(self, url):
        self.call("Page.navigate", url=url)
        self.wait_for("location.href === %s && document.readyState === 'complete'" % json.dumps(url))

    def click(self, element_script, clicks=1):
        """Scrolls the element found by the script into view and clicks its centre with the mouse."""
        x, y = self.evaluate(
            "(e => { if (!e) return [null, null]; e.scrollIntoView({block: 'center'});"
            " const r = e.getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })(%s)" % element_script)
        if x is None:
            raise Failure("element not found: " + element_script)
        self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for count in range(1, clicks + 1):
            for kind, buttons in (("mousePressed", 1), ("mouseReleased", 0)):
                self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                          buttons=buttons, clickCount=count)
