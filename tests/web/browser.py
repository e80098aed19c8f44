# What the browser tests share: the site served on a free local port, and headless Chromium
# driven through Debian's chromium-driver, with the page's canvases read back as pixels.

import contextlib
import functools
import http.server
import threading
import time

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service


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


class Canvas:
    """A window's canvas, read in the window's own pixels (scale 1), whatever its scale."""

    def __init__(self, driver, index):
        self._driver = driver
        self._index = index

    def _run(self, body, *args):
        return self._driver.execute_script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];" + body,
            self._index, *args)

    def click(self, x, y):
        """A click of the mouse at a point of the window, as a player makes it."""
        element = self._driver.execute_script(
            "return document.querySelectorAll('canvas')[arguments[0]];", self._index)
        width, height = self.css_size()
        scale = self._run("return c.width / c.getBoundingClientRect().width / +c.dataset.scale;")
        ActionChains(self._driver).move_to_element_with_offset(
            element, (x + 0.5) / scale - width / 2, (y + 0.5) / scale - height / 2).click().perform()

    def press_key(self, key):
        """A key typed on the window, which has the keyboard once clicked or shown."""
        element = self._driver.execute_script(
            "return document.querySelectorAll('canvas')[arguments[0]];", self._index)
        element.send_keys(key)

    def css_size(self):
        return tuple(self._run(
            "const r = c.getBoundingClientRect(); return [r.width, r.height];"))

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
    """Headless Chromium, its console kept for the end of the test."""

    def __init__(self, width=800, height=800):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", f"--window-size={width},{height}"):
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self._console = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.driver.quit()

    def open(self, url):
        self.driver.get(url)

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

    def console_errors(self):
        self._console += self.driver.get_log("browser")
        return [entry["message"] for entry in self._console if entry["level"] == "SEVERE"]

    def screenshot(self, path):
        self.driver.save_screenshot(path)
        print("capture :", path)
