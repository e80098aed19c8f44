# What the browser tests share: the site served on a free local port, and a browser of one of the
# engines (engines.py), with the page's canvases read back as pixels, the texts they were last
# painted with, the boxes, the site's store, every request the pages made and every error they met.

import base64
import contextlib
import functools
import hashlib
import http.server
import json
import os
import pathlib
import sys
import threading
import time
import urllib.parse

import engines
from engines import Unsupported

# Where the programs keep the score table: the site's IndexedDB database, its store, the key.
DATABASE, STORE, TABLE_KEY = "klimbor", "scores", "scores klimbor"
# The engine a browser is of when the test does not say; KLB_ENGINES lists those the scenarios
# run in.
ENGINES = tuple(e for e in os.environ.get("KLB_ENGINES", ",".join(engines.NAMES)).split(",") if e)
for _engine in ENGINES:
    if _engine not in engines.NAMES:
        raise SystemExit(f"KLB_ENGINES : moteur inconnu {_engine!r} (parmi {engines.NAMES})")


class Keys:
    """Keys that type no letter, as WebDriver names them in every engine."""
    TAB, ENTER, ESCAPE, BACKSPACE = "\ue004", "\ue007", "\ue00c", "\ue003"


# The test server adds this script to every page it serves, before the page's own, whatever the
# engine: it keeps, for each canvas, the texts of its last painting, which begins with a fill of
# the whole canvas (the painting itself is untouched), and reports to the server every error the
# page meets and every address outside the site it loads, which survives the page's reloads.
SPY_PATH, REPORT_PATH = "/__klb__/spy.js", "/__klb__/report"
_SPY = """
// Once per page: a page may get it both from the engine (preload) and from the test server.
(() => {
  if (window.__klbTexts) return;
  const frames = window.__klbTexts = new Map();
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

  // What the page hands the browser to save, by name, read as the browser would read it:
  // for engines that save nowhere a test can look (WebKitGTK's MiniBrowser).
  const saved = window.__klbDownloads = {}, blobs = new Map();
  const objectURL = URL.createObjectURL;
  URL.createObjectURL = function(blob) {
    const url = objectURL.apply(URL, arguments);
    blobs.set(url, blob);
    return url;
  };
  const click = HTMLAnchorElement.prototype.click;
  HTMLAnchorElement.prototype.click = function() {
    if (this.download && blobs.has(this.href)) {
      const name = this.download;
      blobs.get(this.href).arrayBuffer().then(b => {
        saved[name] = Array.from(new Uint8Array(b), x => (x | 256).toString(16).slice(1)).join('');
      });
    }
    return click.apply(this, arguments);
  };
  const violations = window.__klbViolations = [];
  document.addEventListener('securitypolicyviolation', e => violations.push(
      `${e.effectiveDirective} ${e.blockedURI} ${e.sourceFile}:${e.lineNumber}`));
})();

// Reports go to the test server that served this script; another host of a test's own takes
// none (the engine's own logs are read there).
(() => {
  const served = document.currentScript && document.currentScript.src.endsWith('@SPY@');
  if (!served || window.__klbReporting) return;
  window.__klbReporting = true;
  const report = (kind, text) => {
    try { navigator.sendBeacon('@REPORT@', JSON.stringify({kind, text: String(text)})); }
    catch (e) {}
  };
  addEventListener('error', e => {
    const t = e.target;
    if (t && t !== window && (t.src || t.href)) report('error', `${t.src || t.href} - non chargé`);
    else report('error', `${e.message} (${e.filename}:${e.lineno})`);
  }, true);
  addEventListener('unhandledrejection', e =>
    report('error', `promesse rejetée : ${e.reason && e.reason.stack || e.reason}`));
  const error = console.error;
  console.error = function() {
    report('error', `console.error : ${[...arguments].join(' ')}`);
    return error.apply(this, arguments);
  };
  document.addEventListener('securitypolicyviolation', e => report('error',
      `Content-Security-Policy : ${e.effectiveDirective} ${e.blockedURI} ${e.sourceFile}`));
  new PerformanceObserver(list => {
    for (const e of list.getEntries())
      if (new URL(e.name).origin !== location.origin && !/^(data|blob):/.test(e.name))
        report('foreign', e.name);
  }).observe({type: 'resource', buffered: true});
})();
""".replace("@REPORT@", REPORT_PATH).replace("@SPY@", SPY_PATH)


class Address(str):
    """The site's address; log holds what its server saw."""


class ServerLog:
    """What a test server saw: every request (method, path, status), the pages' reports."""

    def __init__(self):
        self.requests, self.errors, self.foreign = [], [], []
        self.lock = threading.Lock()


_LOGS = {}  # origin -> ServerLog, for the browsers that open its pages


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def script_hash(source):
    """How a page's Content-Security-Policy names an inline script it allows."""
    digest = hashlib.sha256(source.encode("utf-8")).digest()
    return "'sha256-" + base64.b64encode(digest).decode() + "'"


def _with_scripts(page, spied, before):
    """The page with the spy and then each script of before ahead of its own scripts. The
    scripts of before are written into the page, and allowed by their hashes in its policy, so
    that they cost the page no request: a request more would hold its parser back."""
    at = page.find("<script")
    if at < 0:
        return page
    tags = [f'<script src="{SPY_PATH}"></script>\n'] if spied else []
    tags += [f"<script>{source}</script>\n" for source in before]
    page = page[:at] + "".join(tags) + page[at:]
    allowed = "".join(script_hash(source) + " " for source in before)
    return page.replace("script-src ", "script-src " + allowed, 1)


class _Handler(_QuietHandler):
    def __init__(self, *args, log, spy, before, keep_alive, **kwargs):
        self._log, self._spy, self._before = log, spy, before
        if keep_alive:
            self.protocol_version = "HTTP/1.1"
        super().__init__(*args, **kwargs)

    def log_request(self, code="-", size="-"):
        path = urllib.parse.urlsplit(self.path).path
        with self._log.lock:
            self._log.requests.append((self.command, path, int(code)))
            if int(code) >= 400:
                self._log.errors.append(f"{self.command} {path} - {int(code)}")

    def _send(self, body, kind):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if self._spy and path == SPY_PATH:
            return self._send(_SPY.encode(), "text/javascript")
        local = pathlib.Path(self.translate_path(self.path))
        if local.is_dir() and path.endswith("/"):
            local = local / "index.html"
        if (self._spy or self._before) and local.suffix == ".html" and local.is_file():
            page = _with_scripts(local.read_text(encoding="utf-8"), self._spy, self._before)
            return self._send(page.encode(), "text/html; charset=utf-8")
        return super().do_GET()

    def do_POST(self):
        if urllib.parse.urlsplit(self.path).path != REPORT_PATH:
            return self.send_error(405)
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        try:
            found = json.loads(body)
            with self._log.lock:
                (self._log.foreign if found["kind"] == "foreign" else self._log.errors).append(
                    found["text"])
        except (ValueError, KeyError, TypeError):
            pass
        self.send_response(204)
        self.end_headers()


class _Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A browser that quits with its connections open resets them: not the site's fault.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


@contextlib.contextmanager
def serve(site, spy=True, before=(), keep_alive=False):
    """The folder site on http://127.0.0.1:<free port>, for as long as the block runs; each page
    gets the spy first (spy=False: the pages exactly as built), then each script of before, in
    every engine, ahead of the page's own scripts. keep_alive: HTTP/1.1 connections kept open
    between requests, as a web host keeps them (http.server's default closes each one)."""
    log = ServerLog()
    handler = functools.partial(_Handler, directory=site, log=log, spy=spy,
                                before=tuple(before), keep_alive=keep_alive)
    server = _Server(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    address = Address(f"http://127.0.0.1:{server.server_address[1]}")
    address.log = log
    _LOGS[str(address)] = log
    try:
        yield address
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

    def __init__(self, browser, index):
        self._browser = browser
        self._index = index

    def _run(self, body, *args):
        return self._browser.script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];" + body,
            self._index, *args)

    def look(self, body, *args):
        """The value of a script that reads the window's pixels through at(x, y), in one call."""
        return self._browser.script(self._PRELUDE + body, self._index, *args)

    def element(self):
        return self._browser.script(
            "return document.querySelectorAll('canvas')[arguments[0]];", self._index)

    def at(self, x, y):
        """The point of the page's viewport, in CSS pixels, over the middle of a window pixel."""
        return tuple(self._run(
            "const w = c.width / +c.dataset.scale;"
            "const point = () => { const r = c.getBoundingClientRect();"
            "  return [r.left + (arguments[1] + 0.5) * r.width / w,"
            "          r.top + (arguments[2] + 0.5) * r.width / w]; };"
            # Scrolled into sight first, as a player would.
            "const [px, py] = point();"
            "if (px < 0 || py < 0 || px >= innerWidth || py >= innerHeight)"
            "  scrollBy(px - innerWidth / 2, py - innerHeight / 2);"
            "return point();", x, y))

    def click(self, x, y):
        """A click of the mouse at a point of the window, as a player makes it."""
        self._browser.pointer([("move", *self.at(x, y)), ("down",), ("up",)])

    def mouse_down(self, x, y):
        """The mouse's button pressed at a point of the window, and held."""
        self._browser.pointer([("move", *self.at(x, y)), ("down",)])

    def mouse_move(self, x, y):
        """The mouse moved to a point of the window, its button as it was."""
        self._browser.pointer([("move", *self.at(x, y))])

    def mouse_up(self):
        self._browser.pointer([("up",)])

    def tap(self, x, y):
        """A finger's tap at a point of the window (a touch screen)."""
        point = self.at(x, y)
        self._browser.touch("start", [point])
        self._browser.touch("end", [])

    def press_key(self, key):
        """A key typed on the window (its frame around the canvas), which has the keyboard once
        clicked or shown."""
        self._browser.script(
            "document.querySelectorAll('canvas')[arguments[0]].closest('section').focus();",
            self._index)
        self._browser.type_keys(key)

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
        return self._browser.script("return window.__klbTextsOf(arguments[0]);",
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
            "let out = '';"
            "for (let j = 0; j < h; ++j) for (let i = 0; i < w; ++i) {"
            "  const at = 4 * ((j * k) * w * k + i * k);"
            "  out += (0x1000000 | d[at] << 16 | d[at + 1] << 8 | d[at + 2]).toString(16).slice(1);"
            "}"
            "return out;", x, y, width, height)
        # One string rather than an array: some engines' protocols send each number apart.
        return [(int(data[i:i + 2], 16), int(data[i + 2:i + 4], 16), int(data[i + 4:i + 6], 16))
                for i in range(0, len(data), 6)]

    def count(self, colour, x, y, width, height):
        """How many pixels of that colour the rectangle holds."""
        return self.region(x, y, width, height).count(tuple(colour))

    def centre(self, colour, x, y, width, height):
        """The mean column and row of the pixels of that colour in the rectangle, or None."""
        pixels = self.region(x, y, width, height)
        found = [(x + i % width, y + i // width) for i, p in enumerate(pixels) if p == colour]
        if not found:
            return None
        return tuple(sum(at[k] for at in found) / len(found) for k in (0, 1))

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


class Element:
    """An element of the current window's page, found anew by its CSS selector at each use."""

    def __init__(self, browser, selector):
        self._browser = browser
        self.selector = selector

    def _get(self, body, *args):
        return self._browser.script(
            "const e = document.querySelector(arguments[0]);" + body, self.selector, *args)

    def exists(self):
        return self._get("return e !== null;")

    def click(self):
        self._browser.engine.click(self.selector)

    def send_keys(self, text):
        self._browser.engine.element_keys(self.selector, text)

    @property
    def text(self):
        return self._get("return e.textContent.trim();")

    def get_attribute(self, name):
        return self._get("return e.getAttribute(arguments[1]);", name)

    def is_enabled(self):
        return self._get("return !e.disabled;")


class Browser:
    """A browser of one engine ("chromium", "firefox", "webkit"; the first of KLB_ENGINES if not
    said), with its own profile, so its own store; its console and every request its pages made
    kept for the end of the test. device_scale: the screen's device pixels per CSS pixel;
    downloads: the folder its downloads go to; touch: a phone's touch screen, for phone();
    spy=False: the pages as built, with no spy of the engine's own (for the benchmarks)."""

    def __init__(self, width=800, height=800, device_scale=None, engine=None, downloads=None,
                 touch=False, spy=True):
        self.engine = engines.start(engine or ENGINES[0], width, height, device_scale,
                                    downloads, touch)
        self._spy = spy
        # Pages of other hosts than the test server's get the spy from the engine, where it can.
        if spy and hasattr(self.engine, "preload"):
            self.engine.preload(_SPY)
        self.name = self.engine.name
        # Chromium's and WebKit's Selenium session, for what has no call here yet; None in Firefox.
        self.driver = getattr(self.engine, "driver", None)
        self.downloads = downloads
        self.origin = None
        self._reports_from = {}

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.quit()

    def quit(self):
        self.engine.quit()

    def script(self, body, *args):
        """The value of a script run in the current window's page (a function's body, its
        arguments as arguments[i]; a promise returned is waited for)."""
        return self.engine.script(body, *args)

    def script_async(self, body, *args):
        """The value a script hands to its last argument, a function, once it is done."""
        return self.engine.script_async(body, *args)

    def open(self, url):
        parts = urllib.parse.urlsplit(url)
        origin = f"{parts.scheme}://{parts.netloc}"
        if self.origin is None:
            self.origin = origin
        log = _LOGS.get(origin)
        if log is not None and origin not in self._reports_from:
            self._reports_from[origin] = (len(log.errors), len(log.foreign))
        self.engine.open(url)

    def new_window(self, url, kind="window"):
        """Another window (or, kind "tab", a tab in front of the current one) of the same
        browser, same profile, same site store, showing url; it becomes the current one. Its
        handle, for switch_to."""
        handle = self.engine.new_window(kind)
        if self._spy and hasattr(self.engine, "preload"):
            self.engine.preload(_SPY)
        self.open(url)
        return handle

    def switch_to(self, handle):
        """Makes that window (or tab) the current one, in front."""
        self.engine.switch_to(handle)

    def current_window(self):
        return self.engine.current()

    def windows(self):
        """The handles of the browser's windows and tabs."""
        return self.engine.handles()

    def close_current(self):
        """Closes the current window or tab; switch_to another before going on."""
        self.engine.close()

    def resize(self, width, height):
        """The browser's window (its viewport, in Firefox) given that size in CSS pixels."""
        self.engine.resize(width, height)

    def phone(self, width, height, ratio, touch=True):
        """The page shown as on a phone's screen: width x height CSS pixels, ratio device pixels
        to each, a touch screen. Unsupported in WebKit (GTK has no such screen to lend)."""
        if not hasattr(self.engine, "phone"):
            raise Unsupported(f"{self.name} : pas d'écran de téléphone")
        self.engine.phone(width, height, ratio, touch)

    def pinch(self, scale):
        """The page zoomed by the fingers to scale (1: not zoomed), its layout as it was.
        Chromium alone lends one."""
        if not hasattr(self.engine, "pinch"):
            raise Unsupported(f"{self.name} : pas de zoom au pincement")
        self.engine.pinch(scale)

    def touch(self, kind, points):
        """A finger put down ("start"), moved ("move") or lifted ("end") at points of the
        viewport, in CSS pixels."""
        if not hasattr(self.engine, "touch"):
            raise Unsupported(f"{self.name} : pas d'écran tactile")
        self.engine.touch(kind, points)

    def pointer(self, steps):
        """One gesture of the mouse: ("move", x, y), ("down",), ("up",) in turn, x and y in CSS
        pixels of the viewport."""
        self.engine.pointer(steps)

    def find(self, selector):
        return Element(self, selector)

    def click(self, selector, index=0):
        """A click of the mouse on the index-th element the selector finds."""
        self.engine.click(selector, index)

    def choose_file(self, selector, path):
        """The file chosen in a file field, as its picker would."""
        self.engine.choose_file(selector, path)

    def window_captions(self):
        """The captions of the program's windows shown on the page."""
        return self.script(
            "return [...document.querySelectorAll('section.window:not([hidden]) h1')]"
            ".map(h => h.textContent);")

    def close_window(self, index):
        """A click on the close control of the index-th window's caption bar."""
        self.click("section.window button.close", index)

    def ended_note(self):
        """The page's note that the program has ended, and the caption of its button; or None."""
        found = self.script(
            "const n = document.querySelector('section.ended');"
            "return n && [n.querySelector('p').textContent, n.querySelector('button').textContent];")
        return tuple(found) if found else None

    def canvas(self, index, timeout):
        """The index-th window's canvas, once the program has shown it."""
        found = self.wait(lambda: self.script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];"
            "return c !== undefined && c.offsetParent !== null && c.width > 0;", index), timeout)
        if found is None:
            raise AssertionError(f"aucune fenêtre n°{index} dans les {timeout} s")
        return Canvas(self, index)

    def shown(self, index):
        """Whether the index-th window's canvas is on the page and in sight."""
        return self.script("const c = document.querySelectorAll('canvas')[arguments[0]];"
                           "return c !== undefined && c.offsetParent !== null;", index)

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
        self.engine.keys(keys)

    def focus_is(self, selector):
        """Whether the element that has the keyboard is (inside) one the selector finds."""
        return self.script("const e = document.activeElement;"
                           "return e !== null && e.closest(arguments[0]) !== null;", selector)

    def box(self):
        """The open box: its title, its text and whether it asks a question; or None."""
        found = self.script(
            "const d = document.querySelector('dialog[open]');"
            "return d && [d.querySelector('h2').textContent, d.querySelector('p').textContent,"
            "             d.querySelector('input') !== null];")
        return tuple(found) if found else None

    def refuse_next_box(self, count=1):
        """The next count boxes the page opens cannot be shown: their showModal throws, as a
        browser's does on a dialog it cannot make modal. The boxes after them show."""
        self.script("""
            const show = HTMLDialogElement.prototype.showModal;
            let left = arguments[0];
            HTMLDialogElement.prototype.showModal = function() {
              if (--left === 0) HTMLDialogElement.prototype.showModal = show;
              throw new DOMException('essai', 'InvalidStateError');
            };""", count)

    def box_focus(self):
        """What has the keyboard inside the open box: 'input', 'OK', 'Annuler', or None."""
        return self.script(
            "const e = document.activeElement;"
            "if (!e || !e.closest('dialog[open]')) return null;"
            "return e.tagName === 'INPUT' ? 'input' : e.textContent;")

    def box_button(self, caption):
        """A click on the open box's button of that caption."""
        index = self.script(
            "return [...document.querySelectorAll('dialog[open] button')]"
            ".findIndex(b => b.textContent.trim() === arguments[0]);", caption)
        if index < 0:
            raise AssertionError(f"aucun bouton « {caption} » dans la boîte")
        self.click("dialog[open] button", index)

    def box_input(self):
        return self.find("dialog[open] input")

    def stored_table(self):
        """The bytes the site's store holds for the score table, or None; the store is left as
        found."""
        found = self.script_async(
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
            "    done(Array.from(bytes, b => (b | 256).toString(16).slice(1)).join(''));"
            "  };"
            "};", DATABASE, STORE, TABLE_KEY)
        return None if found is None else bytes.fromhex(found)

    def store_table(self, content):
        """Puts bytes in the site's store as the score table, as another page of the site would."""
        self.script_async(
            "const [db_name, store, key, content, done] = arguments;"
            "const opening = indexedDB.open(db_name);"
            "opening.onupgradeneeded = () => opening.result.createObjectStore(store);"
            "opening.onsuccess = () => {"
            "  const db = opening.result;"
            "  const t = db.transaction(store, 'readwrite');"
            "  const bytes = new Uint8Array(content.length / 2);"
            "  for (let i = 0; i < bytes.length; ++i)"
            "    bytes[i] = parseInt(content.substr(2 * i, 2), 16);"
            "  t.objectStore(store).put(bytes, key);"
            "  t.oncomplete = () => { db.close(); done(true); };"
            "};", DATABASE, STORE, TABLE_KEY, bytes(content).hex())

    def downloaded(self, name, timeout=10):
        """The bytes of the file the browser saved under that name in its downloads folder, once
        whole; None if none came in time. WebKitGTK saves nowhere a test can look: there, the
        bytes the page handed it to save under that name."""
        if not getattr(self.engine, "saves_downloads", True):
            found = []
            self.wait(lambda: found.append(self.script(
                "const d = window.__klbDownloads, n = arguments[0];"
                "if (!d || !(n in d)) return null; const b = d[n]; delete d[n]; return b;",
                name)) or found[-1] is not None, timeout)
            return bytes.fromhex(found[-1]) if found and found[-1] is not None else None
        saved = pathlib.Path(self.downloads) / name

        def whole():
            partial = [p for p in pathlib.Path(self.downloads).iterdir()
                       if p.suffix in (".crdownload", ".part")]
            return saved.exists() and not partial

        return saved.read_bytes() if self.wait(whole, timeout) is not None else None

    def _logs(self):
        for origin, (errors, foreign) in self._reports_from.items():
            log = _LOGS[origin]
            with log.lock:
                yield log.errors[errors:], log.foreign[foreign:]

    def requests(self):
        """Every address the pages asked for so far, in order, where the engine tells (Chromium,
        Firefox); else None."""
        return self.engine.requests() if hasattr(self.engine, "requests") else None

    def foreign_requests(self):
        """The addresses outside the site's origin the pages loaded (data: and blob: are the
        page's own): from the engine's network log where it has one, and from the pages' own
        record of what they loaded, in every engine."""
        seen = list(self.requests() or [])
        for _, foreign in self._logs():
            seen += foreign
        return [url for url in seen
                if not url.startswith(("data:", "blob:", "about:"))
                and urllib.parse.urlsplit(url)._replace(path="", query="", fragment="").geturl()
                != self.origin]

    def console_errors(self):
        """The errors the pages met: from the engine's console where it tells it (Chromium,
        Firefox), failed requests seen by the test server, and what the pages reported."""
        found = list(self.engine.console_errors()) if hasattr(self.engine,
                                                              "console_errors") else []
        for errors, _ in self._logs():
            found += errors
        return found

    def installability_errors(self):
        """What the browser finds missing to install the site as an application (Chromium
        alone tells it), or None."""
        if not hasattr(self.engine, "installability_errors"):
            return None
        return self.engine.installability_errors()

    def accessible(self, selector):
        """The role and name the engine computes for each element the selector finds (WebDriver's
        computed role and label), where it tells them; Firefox answers through locate()."""
        if not hasattr(self.engine, "accessible"):
            raise Unsupported(f"{self.name} : pas de rôle calculé par WebDriver")
        return self.engine.accessible(selector)

    def screenshot(self, path):
        self.engine.screenshot(path)
        print("capture :", path)
