# The browser scenarios' common ground: each scenario class run once per engine of KLB_ENGINES (the
# engine in the test's name), the site served once per class, browsers closed after each test
# with a capture of every window when it failed, a seeded random source, and the checks every
# scenario ends with: no request left the site's origin, no error on any page.

import os
import pathlib
import random
import sys
import tempfile
import unittest

from browser import ENGINES, Browser, Unsupported, serve

SITE = os.environ.get("KLB_SITE",
                      str(pathlib.Path(__file__).resolve().parents[2] / "build-web" / "site"))
# Every random choice of the scenarios comes from this seed; KLB_SEED=<n> replays a run.
SEED = int(os.environ.get("KLB_SEED") or random.SystemRandom().randrange(1 << 32))
print(f"KLB_SEED={SEED} KLB_ENGINES={','.join(ENGINES)}", flush=True)


class SiteCase(unittest.TestCase):
    """class Scenario(SiteCase, per_engine=True) makes Scenario_chromium, Scenario_firefox...
    beside it in its module; the module's load_tests (this module's) runs those alone."""

    engine = "chromium"  # a class not run per engine
    # Scripts the class's server runs in each page it serves before the page's own, in every
    # engine (some have no preload of their own).
    page_scripts = ()

    def __init_subclass__(cls, per_engine=False, **kwargs):
        super().__init_subclass__(**kwargs)
        cls._template = per_engine
        if per_engine:
            module = sys.modules[cls.__module__]
            for engine in ENGINES:
                name = f"{cls.__name__}_{engine}"
                setattr(module, name, type(name, (cls,), {
                    "engine": engine, "__module__": cls.__module__, "__qualname__": name}))

    @classmethod
    def setUpClass(cls):
        cls._serving = serve(SITE, before=cls.page_scripts)
        cls.address = cls._serving.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls._serving.__exit__(None, None, None)

    def setUp(self):
        # A build that stops laying the site out fails here, it is not passed over.
        self.assertTrue(os.path.isfile(os.path.join(SITE, "index.html")),
                        f"pas de site construit dans {SITE} (tools/build-web.sh)")
        self.random = random.Random(f"{SEED} {self.id()}")
        self._browsers = []
        self._caused = []
        self._told = []

    def tearDown(self):
        for browser in self._browsers:
            self.assertEqual(browser.foreign_requests(), [], "a request left the site")
            errors = [e for e in browser.console_errors()
                      if not any(address in e for address in self._caused)
                      and not any(told in e for told in self._told)]
            self.assertEqual(errors, [], "errors on the console")

    def expect_failed_load(self, address):
        """The scenario itself makes the load of that address fail (the server stopped, say):
        the report of that failure is no fault of the site. An address or a path."""
        self._caused.append(address)

    def expect_console_error(self, text):
        """The scenario itself makes the page report an error holding text (an abort it causes,
        say): that report is no fault of the site."""
        self._told.append(text)

    def browser(self, **options):
        """A fresh browser of the class's engine (its own profile, so its own store), quit at
        the end of the test."""
        options.setdefault("engine", self.engine)
        browser = Browser(**options)
        self._browsers.append(browser)
        self.addCleanup(self._close, browser)
        return browser

    def left_out(self, what):
        """Says in the test's output what this engine cannot be checked for."""
        print(f"\n[{self.engine}] non vérifié dans ce moteur : {what}", flush=True)

    def supported(self, call, what):
        """call()'s value, or None once left_out(what) if the engine cannot do it."""
        try:
            return call()
        except Unsupported as gap:
            self.left_out(f"{what} ({gap})")
            return None

    def _close(self, browser):
        if not getattr(self._outcome, "success", True):
            self.capture(browser)
        browser.quit()

    def capture(self, browser):
        """Every window of the browser as a picture, for the failure's report."""
        folder = os.environ.get("KLB_SHOTS", tempfile.gettempdir())
        name = self.id().rsplit(".", 2)[-2:]
        try:
            for i, handle in enumerate(browser.windows()):
                browser.switch_to(handle)
                browser.screenshot(os.path.join(folder, f"klimbor-{'-'.join(name)}-{i}.png"))
        except Exception as error:  # a browser gone leaves nothing to capture
            print("pas de capture :", error)

    def until(self, browser, condition, timeout, what):
        """Waits for condition(); fails with what and a capture of the screen if it never holds."""
        if browser.wait(condition, timeout) is None:
            self.capture(browser)
            self.fail(f"{what} (after {timeout} s)")


def _each(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from _each(test)
        else:
            yield test


def load_tests(loader, tests, pattern):
    """A module's tests without the per_engine templates, whose variants run in their place."""
    return unittest.TestSuite(t for t in _each(tests)
                              if not type(t).__dict__.get("_template", False))
