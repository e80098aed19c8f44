#!/usr/bin/python3
"""Never a silent failure, in the browser: a module the host does not have, serves as an HTML
page or as text/plain; a picture of the page that cannot be decoded; an abort and an error out
of the page while the game runs; a box that cannot open; clicks and keys on "Fin" while the
site's storage is slow; the transfer buttons after Fin; the service worker's caches of two
copies of the site at two paths of one host.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import contextlib
import http.server
import pathlib
import re
import shutil
import subprocess
import tempfile
import threading
import unittest

import browser as web
from browser import Keys
from player import LIGHT_GREEN, VITESSE
from site_case import SITE, SiteCase, load_tests  # noqa: F401 (one class per engine)

ROOT = pathlib.Path(__file__).resolve().parents[2]
PAGES = {"index.html": "Klimbor", "scores.html": "klb best scores"}
FIN, FIN_AT = (272, 608, 113, 41), (328, 628)  # in the viewer's window


class _Host(web._QuietHandler):
    """A host that does with the modules what its server's wasm says: "ok", "missing" (404),
    "text" (served as text/plain), "html" (the site's page served in its place) or "broken" (the
    page served in its place as application/wasm, which an engine compiles as it comes)."""

    def _module(self):
        return self.path.split("?")[0].endswith(".wasm")

    def send_head(self):
        if self._module() and self.server.wasm == "missing":
            self.send_error(404, "File not found")
            return None
        self.served_type = {"text": "text/plain", "broken": "application/wasm"}.get(
            self.server.wasm) if self._module() else None
        if self._module() and self.server.wasm in ("html", "broken"):
            self.path = "/index.html"
        return super().send_head()

    def guess_type(self, path):
        return self.served_type or super().guess_type(path)


@contextlib.contextmanager
def host(site, wasm):
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), lambda *a: _Host(*a, directory=site))
    server.wasm = wasm
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        yield server, f"http://127.0.0.1:{server.server_address[1]}"
    finally:
        server.shutdown()
        server.server_close()


def failure_note(browser):
    """The page's note that the program could not go on, and its button's caption; or None."""
    found = browser.script(
        "const n = document.querySelector('section.failed');"
        "return n && [n.querySelector('p').textContent, n.querySelector('button').textContent,"
        "             document.activeElement === n.querySelector('button'),"
        "             document.querySelector('.loading') === null,"
        "             [...document.querySelectorAll('section.window')].every(w => w.hidden)];")
    return tuple(found) if found else None


class LoadAndAbort(SiteCase, per_engine=True):
    def told(self, browser, title, text):
        """Waits for the note; checks it replaced everything else and offers to reload."""
        self.until(browser, lambda: failure_note(browser) is not None, 10, "no failure note")
        note, button, focused, loading_gone, windows_hidden = failure_note(browser)
        self.assertTrue(note.startswith(title), note)
        self.assertIn(text, note)
        self.assertEqual(button, "Recharger")
        self.assertTrue(focused and loading_gone and windows_hidden)

    def test_a_module_the_host_does_not_have_is_told_and_recharger_loads_it_once_there(self):
        for page, title in PAGES.items():
            with self.subTest(page=page), host(SITE, "missing") as (server, address):
                wasm = page.replace("index.html", "klimbor.wasm").replace("scores.html",
                                                                           "scores.wasm")
                self.expect_failed_load(f"{address}/{wasm}")
                browser = self.browser()
                browser.open(f"{address}/{page}")
                self.told(browser, title,
                          f"n’a pu être chargé : le serveur a répondu « 404 File not found » "
                          f"pour {wasm}.")
                server.wasm = "ok"
                browser.click("section.failed button")
                browser.canvas(0, timeout=20)
                self.assertIsNone(failure_note(browser))

    def test_a_page_served_in_place_of_the_module_is_told(self):
        for wasm, served in (("html", "text/html"), ("broken", "application/wasm")):
            with self.subTest(served=served), host(SITE, wasm) as (_, address):
                browser = self.browser()
                browser.open(address + "/index.html")
                self.told(browser, "Klimbor", "klimbor.wasm n’est pas un module WebAssembly "
                                              f"valable (reçu comme « {served} »)")

    def test_a_module_served_as_text_plain_still_plays(self):
        with host(SITE, "text") as (_, address):
            browser = self.browser()
            browser.open(address + "/index.html")
            game = browser.canvas(0, timeout=20)
            self.until(browser, lambda: game.pixel(*VITESSE) == LIGHT_GREEN, 10,
                       "the race does not start")
            self.assertIsNone(failure_note(browser))

    def test_a_picture_the_page_cannot_decode_is_told(self):
        with tempfile.TemporaryDirectory() as folder:
            shutil.copytree(SITE, folder, dirs_exist_ok=True)
            page = pathlib.Path(folder) / "index.html"
            text, spoilt = re.subn(r'"title": "[^"]+"', '"title": "AAAA"',
                                   page.read_text(encoding="utf-8"))
            self.assertEqual(spoilt, 1, "no title picture in the game's page")
            page.write_text(text, encoding="utf-8")
            with host(folder, "ok") as (_, address):
                browser = self.browser()
                browser.open(address + "/index.html")
                self.told(browser, "Klimbor", "n’a pu être chargé : une image du jeu, title, "
                                              "n’a pu être lue (")

    def test_an_abort_or_an_error_out_of_the_page_stops_the_game_and_says_so(self):
        causes = {
            "Aborted(essai)": "setTimeout(() => abort('essai'));",
            # Thrown from inside the program, which was painting.
            "peinture en panne": "CanvasRenderingContext2D.prototype.fillText = () => {"
                                 "  throw new Error('peinture en panne'); };",
        }
        for told, script in causes.items():
            with self.subTest(cause=told):
                self.expect_console_error(told)
                browser = self.browser()
                browser.open(self.address + "/index.html")
                browser.canvas(0, timeout=20)
                browser.script(script)
                self.told(browser, "Klimbor", "s’est arrêté sur une erreur (")
                self.assertIn(told.replace("Aborted(", "").rstrip(")"), failure_note(browser)[0])
                # Nothing runs any more: no tick paints the hidden window.
                painted = browser.script("return window.__klbTextsOf(0).length;")
                browser.wait(lambda: False, 0.5)
                self.assertEqual(painted, browser.script(
                    "return window.__klbTextsOf(0).length;"))


# The site's store answering each opening of its database late, as a slow disk would: the
# viewer's refresh reads the table every two seconds, and waits that long on each read.
SLOW_STORE = """
const late = arguments[0], open = IDBFactory.prototype.open;
window.__klbReading = 0;
IDBFactory.prototype.open = function() {
  const request = open.apply(this, arguments);
  let then = null;
  ++window.__klbReading;
  window.__klbReadSince = performance.now();
  Object.defineProperty(request, 'onsuccess', {get: () => then, set: f => { then = f; }});
  request.addEventListener('success', event => setTimeout(() => {
    --window.__klbReading;
    if (then) then.call(request, event);
  }, late));
  return request;
};
"""


# Runs in every page before its own scripts: what the program writes on its standard error
# (the console's warnings), kept for the scenario to read.
_STANDARD_ERROR = """
(() => {
  const warn = console.warn;
  window.__klbStandardError = [];
  console.warn = function() {
    __klbStandardError.push([...arguments].join(' '));
    return warn.apply(console, arguments);
  };
})();
"""


class BusyPage(SiteCase, per_engine=True):
    page_scripts = (_STANDARD_ERROR,)

    def viewer(self):
        browser = self.browser()
        browser.open(self.address + "/scores.html")
        return browser, browser.canvas(0, timeout=20)

    def while_reading(self, browser, action):
        """action done while the viewer waits on the store, which it still does after."""
        reading = lambda: browser.script("return window.__klbReading > 0;")
        # A read just begun, which leaves the action time enough.
        self.until(browser, lambda: browser.script(
            "return window.__klbReading > 0 && performance.now() - window.__klbReadSince < 300;"),
            10, "the viewer does not read the table")
        action()
        self.assertTrue(reading(), "the read ended before the action did: nothing was tested")

    def transfer_buttons_enabled(self, browser):
        return browser.script(
            "return [...document.querySelectorAll('.transfer button')].map(b => !b.disabled);")

    def box_kind(self, browser):
        """'error' for an error box (drawn with its sign), 'message' for a message."""
        return browser.script("const d = document.querySelector('dialog[open]');"
                              "return d.classList.contains('error') ? 'error' : 'message';")

    def test_fin_while_the_store_is_slow_is_neither_lost_nor_left_pressed(self):
        for how in ("click", "Escape"):
            with self.subTest(how=how):
                browser, viewer = self.viewer()
                self.until(browser, lambda: self.transfer_buttons_enabled(browser) == [True] * 2,
                           10, "the transfer buttons stay disabled")
                # A box come and gone first: what comes during a wait is kept once it has gone.
                browser.click("#table-export")
                self.until(browser, lambda: browser.box() is not None, 5, "no box")
                browser.box_button("OK")
                up = viewer.region(*FIN)
                browser.script(SLOW_STORE, 2500)
                # A press let go off Fin: taken once the read is done, and drawn up again.
                self.while_reading(browser, lambda: (viewer.mouse_down(*FIN_AT),
                                                     viewer.mouse_move(100, FIN_AT[1]),
                                                     viewer.mouse_up()))
                self.until(browser, lambda: viewer.region(*FIN) == up, 5, "Fin stays pressed")
                self.assertIsNone(browser.ended_note())
                if how == "click":
                    self.while_reading(browser, lambda: viewer.click(*FIN_AT))
                else:
                    self.while_reading(browser, lambda: viewer.press_key(Keys.ESCAPE))
                self.until(browser, lambda: browser.ended_note() is not None, 5,
                           f"Fin ({how}) was lost")
                # Nothing would take the table any more.
                self.assertEqual(self.transfer_buttons_enabled(browser), [False, False])

    def test_a_box_that_cannot_open_ends_in_an_error_box_and_the_page_goes_on(self):
        browser, viewer = self.viewer()
        export = lambda: browser.click("#table-export")
        self.until(browser, lambda: self.transfer_buttons_enabled(browser) == [True] * 2, 10,
                   "the transfer buttons stay disabled")
        browser.refuse_next_box()
        export()
        failed = ("klb best scores", "Erreur d'exécution :\n\nLa boîte de dialogue n'a pu "
                  "s'afficher (InvalidStateError : essai)", False)
        self.until(browser, lambda: browser.box() == failed, 5, "no error box")
        self.assertEqual(self.box_kind(browser), "error")
        browser.box_button("OK")
        # The page takes input again: the same button, its own box; then Fin.
        export()
        self.until(browser, lambda: browser.box() is not None and "encore vide" in browser.box()[1],
                   5, "the page takes no input after the error")
        # The error also went to standard error, and the error box, shown and answered, is not
        # told as lost.
        told = browser.script("return window.__klbStandardError;")
        self.assertTrue(any("n'a pu s'afficher (InvalidStateError" in line for line in told), told)
        self.assertFalse(any("la boîte d'erreur" in line for line in told), told)
        self.assertEqual(self.box_kind(browser), "message", "a message drawn as an error")
        browser.box_button("OK")
        # Neither the box nor the error box can open: the error is left on standard error
        # alone, and the page still takes input.
        browser.refuse_next_box(2)
        export()
        lost = lambda: [line for line in browser.script("return window.__klbStandardError;")
                        if "la boîte d'erreur n'a pu s'afficher (InvalidStateError" in line]
        self.until(browser, lambda: len(lost()) == 1, 5, "the lost error is not told")
        self.assertTrue(lost()[0].startswith("klb best scores : "), lost())
        self.assertIsNone(browser.box())
        export()
        self.until(browser, lambda: browser.box() is not None and "encore vide" in browser.box()[1],
                   5, "the page takes no input after the lost error")
        browser.box_button("OK")
        viewer.click(*FIN_AT)
        self.until(browser, lambda: browser.ended_note() is not None, 5, "Fin was lost")


def version(site):
    return re.search(r"var CACHE = PREFIX \+ '([^']+)'", (site / "sw.js").read_text()).group(1)


class TwoCopies(SiteCase, per_engine=True):
    def test_each_copy_of_the_site_keeps_its_caches_and_its_pages_their_version(self):
        folder = pathlib.Path(tempfile.mkdtemp(prefix="klb-copies-"))
        self.addCleanup(shutil.rmtree, folder)
        for copy in ("a", "b"):
            shutil.copytree(SITE, folder / copy)
        browser = self.browser()
        script = browser.script
        with web.serve(str(folder)) as address:
            def open_copy(copy):
                browser.open(f"{address}/{copy}/index.html")
                browser.canvas(0, timeout=20)
                self.until(browser, lambda: script(
                    "return navigator.serviceWorker.controller !== null;"), 20, "no worker")

            def caches():
                return sorted(script("return caches.keys();"))

            name = lambda copy: f"klimbor {address}/{copy}/ {version(folder / copy)}"
            open_copy("a")
            open_copy("b")
            # A visit of b's served by its worker, as every visit after the first is.
            open_copy("b")
            old = name("b")
            self.assertEqual(caches(), sorted([name("a"), old]))

            # A new version of b: while its page of the old one is open, it waits, and that
            # page is still served the old version's files.
            with open(folder / "b" / "klimbor.css", "a") as css:
                css.write("/* nouvelle version */\n")
            subprocess.run(["cmake", f"-DSITE={folder / 'b'}",
                            f"-DTEMPLATE={ROOT / 'ui' / 'web' / 'sw.js.in'}",
                            "-P", str(ROOT / "cmake" / "SiteServiceWorker.cmake")], check=True)
            self.assertNotEqual(name("b"), old)
            script("return navigator.serviceWorker.ready.then(r => r.update());")
            self.until(browser, lambda: script(
                "return navigator.serviceWorker.getRegistration()"
                ".then(r => r.waiting !== null);"), 20, "the new version is not installed")
            self.assertEqual(caches(), sorted([name("a"), old, name("b")]))
            self.assertNotIn("nouvelle version", script(
                "return fetch('klimbor.css').then(r => r.text());"))

            # Its page gone, the new version takes over b; a keeps its cache. Its window closed,
            # not just left: Firefox keeps a page left for another in its back-forward cache,
            # still a page of the old version.
            old_window = browser.current_window()
            browser.new_window("about:blank")
            fresh = browser.current_window()
            browser.switch_to(old_window)
            browser.close_current()
            browser.switch_to(fresh)
            open_copy("a")
            self.until(browser, lambda: caches() == sorted([name("a"), name("b")]), 20,
                       f"the caches are {caches()}")
            open_copy("b")
            self.assertIn("nouvelle version", script(
                "return fetch('klimbor.css').then(r => r.text());"))


if __name__ == "__main__":
    unittest.main()
