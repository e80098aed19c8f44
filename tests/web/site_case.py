# The browser scenarios' common ground: the site served once per test class, browsers closed
# after each test with a capture of every window when it failed, a seeded random source, and the
# checks every scenario ends with: no request left the site's origin, no error on the console.

import os
import pathlib
import random
import tempfile
import unittest

from browser import Browser, serve

SITE = os.environ.get("KLB_SITE",
                      str(pathlib.Path(__file__).resolve().parents[2] / "build-web" / "site"))
# Every random choice of the scenarios comes from this seed; KLB_SEED=<n> replays a run.
SEED = int(os.environ.get("KLB_SEED") or random.SystemRandom().randrange(1 << 32))
print(f"KLB_SEED={SEED}", flush=True)


class SiteCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls._serving = serve(SITE)
        cls.address = cls._serving.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls._serving.__exit__(None, None, None)

    def setUp(self):
        self.random = random.Random(f"{SEED} {self.id()}")
        self._browsers = []
        self._caused = []
        self._told = []

    def tearDown(self):
        for browser in self._browsers:
            self.assertEqual(browser.foreign_requests(), [], "a request left the site")
            errors = [e for e in browser.console_errors()
                      if not e.startswith(tuple(f"{a} - Failed to load resource:"
                                                for a in self._caused))
                      and not any(told in e for told in self._told)]
            self.assertEqual(errors, [], "errors on the console")

    def expect_failed_load(self, address):
        """The scenario itself makes the load of that address fail (the server stopped, say):
        the console's report of that failure is no fault of the site."""
        self._caused.append(address)

    def expect_console_error(self, text):
        """The scenario itself makes the page report an error holding text (an abort it causes,
        say): that report is no fault of the site."""
        self._told.append(text)

    def browser(self, **options):
        """A fresh browser (its own profile, so its own store), quit at the end of the test."""
        browser = Browser(**options)
        self._browsers.append(browser)
        self.addCleanup(self._close, browser)
        return browser

    def _close(self, browser):
        if not getattr(self._outcome, "success", True):
            self.capture(browser)
        browser.driver.quit()

    def capture(self, browser):
        """Every window of the browser as a picture, for the failure's report."""
        folder = os.environ.get("KLB_SHOTS", tempfile.gettempdir())
        name = self.id().rsplit(".", 2)[-1]
        try:
            for i, handle in enumerate(browser.driver.window_handles):
                browser.switch_to(handle)
                browser.screenshot(os.path.join(folder, f"klimbor-{name}-{i}.png"))
        except Exception as error:  # a browser gone leaves nothing to capture
            print("pas de capture :", error)

    def until(self, browser, condition, timeout, what):
        """Waits for condition(); fails with what and a capture of the screen if it never holds."""
        if browser.wait(condition, timeout) is None:
            self.capture(browser)
            self.fail(f"{what} (after {timeout} s)")
