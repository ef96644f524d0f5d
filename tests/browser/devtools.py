"""A headless Chromium with one page, driven through the DevTools protocol.

The protocol runs over a pair of pipes: the browser reads NUL-terminated JSON
messages on its fd 3 and writes its replies and events on fd 4. Standard
library only.
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

    def __init__(self, program, reply_seconds=60):
        self.reply_seconds = reply_seconds
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
        self.to_browser, self.from_browser = commands[1], replies[0]
        self.pending, self.next_id, self.session = b"", 0, None
        try:
            target = self.call("Target.createTarget", url="about:blank")["targetId"]
            self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
            self.call("Page.enable")
        except BaseException:
            self.__exit__()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *error):
        os.close(self.to_browser)  # the browser quits when its pipe closes
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        os.close(self.from_browser)
        self.profile.cleanup()

    def _message(self):
        while b"\0" not in self.pending:
            if not select.select([self.from_browser], [], [], self.reply_seconds)[0]:
                raise Failure("chromium did not answer within %d seconds" % self.reply_seconds)
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise Failure("chromium closed its debugging pipe")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, **params):
        """Sends a command to the page (or to the browser before there is one); returns its result."""
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            command["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(command).encode() + b"\0")
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

    def wait_for(self, expression, seconds=15):
        """The first true value of the expression, tried until `seconds` have passed."""
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

    def open(self, url, seconds=15):
        self.call("Page.navigate", url=url)
        self.wait_for("location.href === %s && document.readyState === 'complete'" % json.dumps(url),
                      seconds)

    def mouse(self, x, y, clicks):
        self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for count in range(1, clicks + 1):
            for kind in ("mousePressed", "mouseReleased"):
                self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                          buttons=1 if kind == "mousePressed" else 0, clickCount=count)
