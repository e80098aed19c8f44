# What the browser tests share: the site served on a free local port, and headless Chromium
# driven through Debian's chromium-driver, with the page's canvases read back as pixels, the texts
# they were last painted with, the boxes, the site's store, and every request the pages made.

import contextlib
import functools
import http.server
import json
import threading
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.chrome.service import Service

# Where the programs keep the score table: the site's IndexedDB database, its store, the key.
DATABASE, STORE, TABLE_KEY = "klimbor", "scores", "scores klimbor"

# Runs in every page before its own scripts: it keeps, for each canvas, the texts of its last
# painting, which begins with a fill of the whole canvas. The painting itself is untouched.
_TEXT_SPY = """
(() => {
  const frames = window.__klbTexts = new Map();
  const index = canvas => Array.prototype.indexOf.call(document.querySelectorAll('canvas'), canvas);
  const proto = CanvasRenderingContext2D.prototype;
  const fillRect = proto.fillRect, fillText = proto.fillText;
  proto.fillRect = function(x, y, w, h) {
    const k = +this.canvas.dataset.scale || 1;
    if (x === 0 && y === 0 && w * k >= this.canvas.width && h * k >= this.canvas.height)
      frames.set(this.canvas, []);
    return fillRect.apply(this, arguments);
  };
  proto.fillText = function(text) {
    if (!frames.has(this.canvas)) frames.set(this.canvas, []);
    frames.get(this.canvas).push(String(text));
    return fillText.apply(this, arguments);
  };
  window.__klbTextsOf = i => frames.get(document.querySelectorAll('canvas')[i]) || [];
})();
"""


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@contextlib.contextmanager
def serve(site):
    """The folder site on http://127.0.0.1:<free port>, for as long as the block runs."""
    handler = functools.partial(_QuietHandler, directory=site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}"
    finally:
        server.shutdown()
        server.server_close()


def slot(pseudo, score, comment):
    """One place of the table as the programs store it: Windows-1252, the nickname padded to 30
    blanks, the score and the comment's length little-endian, 128 bytes."""
    name = pseudo.encode("cp1252")[:30].ljust(30, b" ")
    text = comment.encode("cp1252")
    return (name + score.to_bytes(2, "little", signed=True) + len(text).to_bytes(2, "little")
            + text).ljust(128, b"\0")


def table(records):
    """A table of 30 places: the records (pseudo, score, comment) given, then empty places."""
    return b"".join(slot(*r) for r in records).ljust(30 * 128, b"\0")


class Canvas:
    """A window's canvas, read in the window's own pixels (scale 1), whatever its scale."""

    # Before every reading: c the canvas, k its scale, at(x, y) a pixel of the window as 0xRRGGBB.
    _PRELUDE = (
        "const c = document.querySelectorAll('canvas')[arguments[0]];"
        "const k = +c.dataset.scale;"
        "const img = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        "const at = (x, y) => { const i = 4 * (y * k * c.width + x * k);"
        "  return img[i] << 16 | img[i + 1] << 8 | img[i + 2]; };")

    def __init__(self, driver, index):
        self._driver = driver
        self._index = index

    def _run(self, body, *args):
        return self._driver.execute_script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];" + body,
            self._index, *args)

    def look(self, body, *args):
        """The value of a script that reads the window's pixels through at(x, y), in one call."""
        return self._driver.execute_script(self._PRELUDE + body, self._index, *args)

    def element(self):
        return self._driver.execute_script(
            "return document.querySelectorAll('canvas')[arguments[0]];", self._index)

    def _pointer_at(self, x, y):
        width, height = self.css_size()
        scale = self._run("return c.width / c.getBoundingClientRect().width / +c.dataset.scale;")
        return ActionChains(self._driver).move_to_element_with_offset(
            self.element(), (x + 0.5) / scale - width / 2, (y + 0.5) / scale - height / 2)

    def click(self, x, y):
        """A click of the mouse at a point of the window, as a player makes it."""
        self._pointer_at(x, y).click().perform()

    def mouse_down(self, x, y):
        """The mouse's button pressed at a point of the window, and held."""
        self._pointer_at(x, y).click_and_hold().perform()

    def mouse_move(self, x, y):
        """The mouse moved to a point of the window, its button as it was."""
        self._pointer_at(x, y).perform()

    def mouse_up(self):
        ActionChains(self._driver).release().perform()

    def press_key(self, key):
        """A key typed on the window (its frame around the canvas), which has the keyboard once
        clicked or shown."""
        self._driver.execute_script(
            "return document.querySelectorAll('canvas')[arguments[0]].closest('section');",
            self._index).send_keys(key)

    def css_size(self):
        return tuple(self._run(
            "const r = c.getBoundingClientRect(); return [r.width, r.height];"))

    def device_size(self):
        """The canvas's own pixels, and how many it holds for each of the window's."""
        return tuple(self._run("return [c.width, c.height, +c.dataset.scale];"))

    def device_pixel(self, x, y):
        """A pixel of the canvas itself, not of the window: at scale 2 a window pixel is 2x2."""
        return tuple(self._run(
            "const d = c.getContext('2d').getImageData(arguments[1], arguments[2], 1, 1).data;"
            "return [d[0], d[1], d[2]];", x, y))

    def texts(self):
        """The texts of the window's last painting, in the order drawn."""
        return self._driver.execute_script("return window.__klbTextsOf(arguments[0]);",
                                           self._index)

    def pixel(self, x, y):
        return tuple(self._run(
            "const k = +c.dataset.scale;"
            "const d = c.getContext('2d').getImageData(arguments[1] * k, arguments[2] * k, 1, 1);"
            "return [d.data[0], d.data[1], d.data[2]];", x, y))

    def region(self, x, y, width, height):
        """The colours of a rectangle of the window, row by row."""
        data = self._run(
            "const k = +c.dataset.scale;"
            "const [x, y, w, h] = [arguments[1], arguments[2], arguments[3], arguments[4]];"
            "const d = c.getContext('2d').getImageData(x * k, y * k, w * k, h * k).data;"
            "const out = [];"
            "for (let j = 0; j < h; ++j) for (let i = 0; i < w; ++i) {"
            "  const at = 4 * ((j * k) * w * k + i * k);"
            "  out.push(d[at] << 16 | d[at + 1] << 8 | d[at + 2]);"
            "}"
            "return out;", x, y, width, height)
        return [((v >> 16) & 255, (v >> 8) & 255, v & 255) for v in data]

    def count(self, colour, x, y, width, height):
        """How many pixels of that colour the rectangle holds."""
        return self.region(x, y, width, height).count(tuple(colour))

    def mean_x(self, colour, x, y, width, height):
        """The mean column of the pixels of that colour in the rectangle, or None."""
        pixels = self.region(x, y, width, height)
        columns = [x + i % width for i, p in enumerate(pixels) if p == colour]
        return sum(columns) / len(columns) if columns else None

    def row(self, y):
        """The colours of a row of the window, left to right."""
        data = self._run(
            "const k = +c.dataset.scale;"
            "const w = c.width / k;"
            "const d = c.getContext('2d').getImageData(0, arguments[1] * k, c.width, 1).data;"
            "const out = [];"
            "for (let x = 0; x < w; ++x) out.push([d[4*x*k], d[4*x*k+1], d[4*x*k+2]]);"
            "return out;", y)
        return [tuple(p) for p in data]


class Browser:
    """Headless Chromium, its console and every request its pages made kept for the end of the
    test. device_scale: the screen's device pixels per CSS pixel."""

    def __init__(self, width=800, height=800, device_scale=None):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", f"--window-size={width},{height}",
                         # Each window keeps its clocks running, as on a desktop of windows.
                         "--disable-background-timer-throttling",
                         "--disable-backgrounding-occluded-windows",
                         "--disable-renderer-backgrounding"):
            options.add_argument(argument)
        if device_scale is not None:
            options.add_argument(f"--force-device-scale-factor={device_scale}")
        options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.origin = None
        self._console = []
        self._requests = []
        self._spy()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.driver.quit()

    def _spy(self):
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": _TEXT_SPY})

    def open(self, url):
        if self.origin is None:
            parts = urllib.parse.urlsplit(url)
            self.origin = f"{parts.scheme}://{parts.netloc}"
        self.driver.get(url)

    def new_window(self, url, kind="window"):
        """Another window (or, kind "tab", a tab in front of the current one) of the same
        browser, same profile, same site store, showing url; it becomes the current one. Its
        handle, for switch_to."""
        self.driver.switch_to.new_window(kind)
        self._spy()
        self.open(url)
        return self.driver.current_window_handle

    def switch_to(self, handle):
        """Makes that window (or tab) the current one, in front."""
        self.driver.switch_to.window(handle)

    def window_captions(self):
        """The captions of the program's windows shown on the page."""
        return self.driver.execute_script(
            "return [...document.querySelectorAll('section.window:not([hidden]) h1')]"
            ".map(h => h.textContent);")

    def close_window(self, index):
        """A click on the close control of the index-th window's caption bar."""
        self.driver.find_elements(By.CSS_SELECTOR, "section.window button.close")[index].click()

    def ended_note(self):
        """The page's note that the program has ended, and the caption of its button; or None."""
        found = self.driver.execute_script(
            "const n = document.querySelector('section.ended');"
            "return n && [n.querySelector('p').textContent, n.querySelector('button').textContent];")
        return tuple(found) if found else None

    def canvas(self, index, timeout):
        """The index-th window's canvas, once the program has shown it."""
        found = self.wait(lambda: self.driver.execute_script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];"
            "return c !== undefined && c.offsetParent !== null && c.width > 0;", index), timeout)
        if found is None:
            raise AssertionError(f"aucune fenêtre n°{index} dans les {timeout} s")
        return Canvas(self.driver, index)

    def wait(self, condition, timeout, every=0.02):
        """The moment condition() first held, or None after timeout seconds."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if condition():
                return time.monotonic()
            time.sleep(every)
        return None

    def type_keys(self, keys):
        """Keys typed on whatever has the keyboard, as a player who does not touch the mouse."""
        ActionChains(self.driver).send_keys(keys).perform()

    def box(self):
        """The open box: its title, its text and whether it asks a question; or None."""
        found = self.driver.execute_script(
            "const d = document.querySelector('dialog[open]');"
            "return d && [d.querySelector('h2').textContent, d.querySelector('p').textContent,"
            "             d.querySelector('input') !== null];")
        return tuple(found) if found else None

    def box_focus(self):
        """What has the keyboard inside the open box: 'input', 'OK', 'Annuler', or None."""
        return self.driver.execute_script(
            "const e = document.activeElement;"
            "if (!e || !e.closest('dialog[open]')) return null;"
            "return e.tagName === 'INPUT' ? 'input' : e.textContent;")

    def box_button(self, caption):
        """A click on the open box's button of that caption."""
        self.driver.find_element(
            By.XPATH, f"//dialog[@open]//button[normalize-space()='{caption}']").click()

    def box_input(self):
        return self.driver.find_element(By.CSS_SELECTOR, "dialog[open] input")

    def stored_table(self):
        """The bytes the site's store holds for the score table, or None; the store is left as
        found."""
        found = self.driver.execute_async_script(
            "const [db_name, store, key, done] = arguments;"
            "const opening = indexedDB.open(db_name);"
            "opening.onupgradeneeded = () => opening.transaction.abort();"
            "opening.onerror = () => done(null);"
            "opening.onsuccess = () => {"
            "  const db = opening.result;"
            "  if (!db.objectStoreNames.contains(store)) { db.close(); return done(null); }"
            "  const get = db.transaction(store).objectStore(store).get(key);"
            "  get.onerror = () => { db.close(); done(null); };"
            "  get.onsuccess = () => {"
            "    db.close();"
            "    const v = get.result;"
            "    if (v === undefined) return done(null);"
            "    const bytes = ArrayBuffer.isView(v)"
            "        ? new Uint8Array(v.buffer, v.byteOffset, v.byteLength) : new Uint8Array(v);"
            "    done(Array.from(bytes));"
            "  };"
            "};", DATABASE, STORE, TABLE_KEY)
        return None if found is None else bytes(found)

    def store_table(self, content):
        """Puts bytes in the site's store as the score table, as another page of the site would."""
        self.driver.execute_async_script(
            "const [db_name, store, key, content, done] = arguments;"
            "const opening = indexedDB.open(db_name);"
            "opening.onupgradeneeded = () => opening.result.createObjectStore(store);"
            "opening.onsuccess = () => {"
            "  const db = opening.result;"
            "  const t = db.transaction(store, 'readwrite');"
            "  t.objectStore(store).put(new Uint8Array(content), key);"
            "  t.oncomplete = () => { db.close(); done(true); };"
            "};", DATABASE, STORE, TABLE_KEY, list(content))

    def _read_performance_log(self):
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"]).get("message", {})
            if message.get("method") == "Network.requestWillBeSent":
                self._requests.append(message["params"]["request"]["url"])

    def requests(self):
        """Every address the pages asked for so far, in order."""
        self._read_performance_log()
        return list(self._requests)

    def foreign_requests(self):
        """The requests to anywhere but the site's origin (data: and blob: are the page's own)."""
        return [url for url in self.requests()
                if not url.startswith(("data:", "blob:"))
                and urllib.parse.urlsplit(url)._replace(path="", query="", fragment="").geturl()
                != self.origin]

    def console_errors(self):
        self._console += self.driver.get_log("browser")
        return [entry["message"] for entry in self._console if entry["level"] == "SEVERE"]

    def screenshot(self, path):
        self.driver.save_screenshot(path)
        print("capture :", path)
