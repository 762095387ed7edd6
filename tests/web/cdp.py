"""A small DevTools-protocol client: starts Debian's headless Chromium on a fresh profile,
serves a folder on a free local port, and drives one page over a WebSocket (python3-websockets).
"""
import asyncio
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.request

import websockets

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    # WebGL in headless Chromium without a GPU: ANGLE on the SwiftShader software renderer.
    "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--window-size=900,700", "--remote-debugging-port=0",
]


def find_chromium():
    return shutil.which("chromium") or shutil.which("chromium-browser")


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


class Server:
    """http.server on 127.0.0.1 at a free port, serving `folder`, in a thread of its own."""

    def __init__(self, folder):
        handler = functools.partial(QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Page:
    """One Chromium page. Errors that the page reports (console.error, uncaught exceptions,
    browser log entries of level error) are collected in `errors`."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="pendula-chromium-")
        self.process = None
        self.socket = None
        self.next_id = 0
        self.pending = {}
        self.errors = []
        self.reader = None

    async def start(self, timeout=60):
        chromium = find_chromium()
        self.process = subprocess.Popen(
            [chromium, *CHROMIUM_FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + timeout
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("Chromium did not open its DevTools port")
            await asyncio.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as reply:
            targets = json.load(reply)
        url = next(t["webSocketDebuggerUrl"] for t in targets if t["type"] == "page")
        self.socket = await websockets.connect(url, max_size=64 * 2**20)
        self.reader = asyncio.ensure_future(self.read())
        for domain in ("Runtime", "Log", "Page"):
            await self.send(f"{domain}.enable")
        # A headless page has no focused window of its own; pointer lock needs one.
        await self.send("Page.bringToFront")
        await self.send("Emulation.setFocusEmulationEnabled", enabled=True)

    async def read(self):
        async for text in self.socket:
            message = json.loads(text)
            if "id" in message:
                future = self.pending.pop(message["id"], None)
                if future and not future.done():
                    future.set_result(message)
                continue
            method, params = message.get("method"), message.get("params", {})
            if method == "Runtime.consoleAPICalled" and params.get("type") == "error":
                self.errors.append(" ".join(str(a.get("value", a.get("description")))
                                            for a in params.get("args", [])))
            elif method == "Runtime.exceptionThrown":
                details = params.get("exceptionDetails", {})
                self.errors.append(details.get("exception", {}).get("description")
                                   or details.get("text"))
            elif method == "Log.entryAdded" and params["entry"].get("level") == "error":
                self.errors.append(params["entry"].get("text"))

    async def send(self, method, **params):
        self.next_id += 1
        future = asyncio.get_running_loop().create_future()
        self.pending[self.next_id] = future
        await self.socket.send(json.dumps({"id": self.next_id, "method": method,
                                           "params": params}))
        reply = await asyncio.wait_for(future, 120)
        if "error" in reply:
            raise RuntimeError(f"{method}: {reply['error']}")
        return reply["result"]

    async def evaluate(self, expression):
        """The value of a JavaScript expression in the page; a promise is awaited."""
        result = await self.send("Runtime.evaluate", expression=expression, awaitPromise=True,
                                 returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    async def wait_for(self, expression, timeout=120):
        """Polls until the expression is true; a time-out says which condition failed."""
        deadline = time.monotonic() + timeout
        while not await self.evaluate(f"!!({expression})"):
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out waiting for {expression}")
            await asyncio.sleep(0.05)

    async def screenshot(self, selector):
        """A PNG of the element, at one device pixel per CSS pixel."""
        box = await self.evaluate(
            f"(() => {{ const r = document.querySelector('{selector}').getBoundingClientRect();"
            " return [r.left, r.top, r.width, r.height]; })()")
        result = await self.send("Page.captureScreenshot", format="png", clip={
            "x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1})
        return base64.b64decode(result["data"])

    async def press_key(self, key, code, virtual_key_code):
        for kind in ("rawKeyDown", "keyUp"):
            await self.send("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                            windowsVirtualKeyCode=virtual_key_code)

    async def move_mouse(self, x, y):
        await self.send("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)

    async def click(self, selector):
        """A real mouse click at the element's centre."""
        x, y = await self.evaluate(
            f"(() => {{ const r = document.querySelector('{selector}').getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
        for kind in ("mousePressed", "mouseReleased"):
            await self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                            clickCount=1)

    async def choose_file(self, selector, path):
        """The file input's choice as a user makes it: its files set, its change event fired."""
        document = await self.send("DOM.getDocument")
        node = await self.send("DOM.querySelector", nodeId=document["root"]["nodeId"],
                               selector=selector)
        await self.send("DOM.setFileInputFiles", files=[path], nodeId=node["nodeId"])

    async def drop_file(self, selector, path):
        """A file dragged from outside the browser and dropped at the element's centre."""
        x, y = await self.evaluate(
            f"(() => {{ const r = document.querySelector('{selector}').getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
        data = {"items": [], "files": [path], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            await self.send("Input.dispatchDragEvent", type=kind, x=x, y=y, data=data)

    async def close(self):
        if self.socket:
            await self.socket.close()
        if self.reader:
            self.reader.cancel()
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
