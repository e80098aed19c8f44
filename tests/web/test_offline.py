#!/usr/bin/python3
"""The browser edition offline and installable, in each browser engine: once a page has been
loaded, its service worker has kept the whole site, so the game and the table of scores open
and play with the server stopped; a site changed in any file replaces the old cache with its
own; Chromium finds nothing missing to install the site as an application.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import contextlib
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

from browser import SPY_PATH, serve
from player import LIGHT_GREEN, VITESSE
from site_case import SITE, SiteCase, load_tests  # noqa: F401 (one class per engine)

ROOT = pathlib.Path(__file__).resolve().parents[2]


def cache_name(site, address):
    """The cache of the site's version, named for the copy served at address."""
    version = re.search(r"var CACHE = PREFIX \+ '([^']+)'", (site / "sw.js").read_text()).group(1)
    return f"klimbor {address}/ {version}"


# Each scenario serves its own copy of the site, which it changes or stops serving.
class Offline(SiteCase, per_engine=True):
    def setUp(self):
        super().setUp()
        # A build that stops writing the worker fails here, it is not passed over.
        self.assertTrue((pathlib.Path(SITE) / "sw.js").is_file(), f"pas de sw.js dans {SITE}")
        # A copy of the site, which a test may change as a new version would.
        self.site = pathlib.Path(tempfile.mkdtemp(prefix="klb-site-")) / "site"
        shutil.copytree(SITE, self.site)
        self.addCleanup(shutil.rmtree, self.site.parent)
        self.web = self.browser()

    def script(self, body, *args):
        return self.web.script(body, *args)

    def load_and_wait_for_the_worker(self, url):
        self.web.open(url)
        self.web.canvas(0, timeout=20)
        controlled = self.web.wait(
            lambda: self.script("return navigator.serviceWorker.controller !== null;"), 20)
        self.assertIsNotNone(controlled, "aucun service worker ne contrôle la page")

    def workers(self):
        return self.script("""
            return navigator.serviceWorker.getRegistration().then(r => r ? [
              r.installing && r.installing.state, r.waiting && r.waiting.state,
              r.active && r.active.state] : 'aucun');""")

    def cached_files(self):
        """Each cache of the site with the files it holds, as paths from the site's root."""
        return self.script("""
            return (async () => {
              const out = {};
              for (const name of await caches.keys()) {
                const keys = await (await caches.open(name)).keys();
                out[name] = keys.map(r => new URL(r.url).pathname.slice(1)).sort();
              }
              return out;
            })();""")

    def test_the_whole_site_is_kept_and_plays_with_the_server_stopped(self):
        with contextlib.ExitStack() as server:
            address = server.enter_context(serve(str(self.site)))
            self.load_and_wait_for_the_worker(address + "/index.html")
            # Every file of the site, the folder itself as the game's page: one cache of them.
            files = sorted(str(p.relative_to(self.site)) for p in self.site.rglob("*")
                           if p.is_file() and p.name != "sw.js")
            self.assertEqual(self.cached_files(),
                             {cache_name(self.site, address): sorted([""] + files)})
            # Nothing missing for the browser to install the site as an application.
            errors = self.web.installability_errors()
            if errors is None:
                self.left_out("ce qui manquerait pour installer le site (Chromium seul le dit)")
            else:
                self.assertEqual(errors, [])

        # Really offline: what the worker does not keep no longer comes; the test's own spy,
        # which the worker never kept, neither.
        self.expect_failed_load(address + "/absent.txt")
        self.expect_failed_load(SPY_PATH)
        self.assertEqual(self.script(
            "return fetch('absent.txt').then(() => 'servi', () => 'hors ligne');"), "hors ligne")
        for page in ("/index.html", "/"):
            self.web.open(address + page)
            game = self.web.canvas(0, timeout=20)
            started = self.web.wait(lambda: game.pixel(*VITESSE) == LIGHT_GREEN, 10)
            self.assertIsNotNone(started, f"la course ne commence pas hors ligne ({page})")
        self.web.open(address + "/scores.html")
        self.web.canvas(0, timeout=20)
        self.assertEqual([e for e in self.web.console_errors()
                          if "absent.txt" not in e and SPY_PATH not in e], [])

    def test_a_site_changed_in_one_file_replaces_the_old_cache(self):
        with serve(str(self.site)) as address:
            self.load_and_wait_for_the_worker(address + "/index.html")
            old = cache_name(self.site, address)
            self.assertEqual(list(self.cached_files()), [old])

            # The new version: one file changed, the worker written again as the install does.
            with open(self.site / "klimbor.css", "a") as css:
                css.write("/* nouvelle version */\n")
            subprocess.run(["cmake", f"-DSITE={self.site}",
                            f"-DTEMPLATE={ROOT / 'ui' / 'web' / 'sw.js.in'}",
                            "-P", str(ROOT / "cmake" / "SiteServiceWorker.cmake")], check=True)
            new = cache_name(self.site, address)
            self.assertNotEqual(new, old)

            # Browsers look for a new worker at each visit, and again after an install that
            # failed (a file that did not come): so does the test, every few seconds.
            replaced = None
            for _ in range(6):
                self.script("return navigator.serviceWorker.ready.then(r => r.update())"
                            ".then(() => 'ok', e => String(e));")
                # The new version waits for the pages of the old one to close: the page is
                # left, then opened again once it has taken over.
                self.web.wait(lambda: self.script(
                    "return navigator.serviceWorker.getRegistration()"
                    ".then(r => r.waiting !== null);"), 10)
                # Its window closed, not just left: Firefox keeps a page left for another in
                # its back-forward cache, still a page of the old version.
                old_window = self.web.current_window()
                self.web.new_window("about:blank")
                fresh = self.web.current_window()
                self.web.switch_to(old_window)
                self.web.close_current()
                self.web.switch_to(fresh)
                self.web.wait(lambda: False, 1)
                self.load_and_wait_for_the_worker(address + "/index.html")
                replaced = self.web.wait(lambda: list(self.cached_files()) == [new], 10)
                if replaced is not None:
                    break
            self.assertIsNotNone(replaced, f"les caches sont {list(self.cached_files())} au lieu "
                                 f"de [{new}] ; les workers : {self.workers()}")
            self.assertIn("nouvelle version", self.script(
                "return caches.match('klimbor.css').then(r => r.text());"))


if __name__ == "__main__":
    unittest.main()
