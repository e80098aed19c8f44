#!/usr/bin/python3
"""The browser edition under its Content-Security-Policy, in each browser engine: the site's own
files only, no inline style and no inline script but the page's own, allowed by its hash,
WebAssembly compiled but nothing evaluated; the game, a box and the table of scores all run with
no violation of the policy, and nothing sets a cookie.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import html.parser
import pathlib
import unittest

from browser import script_hash
from player import Player
from site_case import SITE, SiteCase, load_tests  # noqa: F401 (one class per engine)

PAGES = ("index.html", "scores.html")


class _Page(html.parser.HTMLParser):
    """What of a page the policy bears on: its policy, inline scripts (the hash of each), style
    and handlers. A data block (a script of another type than JavaScript) is not run."""

    def __init__(self):
        super().__init__()
        self.policy, self.inline, self.scripts = None, [], []
        self._script = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "meta" and attrs.get("http-equiv") == "Content-Security-Policy":
            self.policy = {d.split()[0]: d.split()[1:] for d in attrs["content"].split(";")}
        if tag == "script" and "src" not in attrs and attrs.get("type") != "application/json":
            self._script = ""
        self.inline += [f"<{tag} {name}>" for name in attrs
                        if name == "style" or name.startswith("on")]
        if tag == "style":
            self.inline.append("<style>")

    def handle_data(self, data):
        if self._script is not None:
            self._script += data

    def handle_endtag(self, tag):
        if tag == "script" and self._script is not None:
            self.scripts.append(script_hash(self._script))
            self._script = None


class Policy(unittest.TestCase):
    def test_each_page_states_the_strict_policy_and_allows_only_its_own_script(self):
        for page in PAGES:
            with self.subTest(page=page):
                parsed = _Page()
                parsed.feed((pathlib.Path(SITE) / page).read_text(encoding="utf-8"))
                self.assertEqual(parsed.inline, [])
                self.assertIsNotNone(parsed.policy, "aucune Content-Security-Policy")
                self.assertEqual(parsed.policy["default-src"], ["'self'"])
                # One script in the page, which asks for the module as soon as it is read:
                # allowed by its hash, so that no other inline script runs.
                self.assertEqual(len(parsed.scripts), 1)
                self.assertEqual(parsed.policy["script-src"],
                                 ["'self'", "'wasm-unsafe-eval'"] + parsed.scripts)
                self.assertEqual(parsed.policy["style-src"], ["'self'"])
                # The pictures come in the page, as data: addresses.
                self.assertEqual(parsed.policy["img-src"], ["'self'", "data:"])
                self.assertEqual(parsed.policy["object-src"], ["'none'"])
                self.assertEqual(parsed.policy["base-uri"], ["'none'"])
                self.assertEqual(parsed.policy["form-action"], ["'none'"])


class UnderThePolicy(SiteCase, per_engine=True):
    def setUp(self):
        super().setUp()
        self.web = self.browser()

    def violations(self):
        """What the policy refused since the page loaded, kept by the test server's spy, which
        runs before the page's own scripts."""
        return self.web.script("return window.__klbViolations;")

    def test_the_game_its_boxes_and_the_table_run_with_no_violation(self):
        self.web.open(self.address + "/index.html")
        game = self.web.canvas(0, timeout=20)
        player = Player(self.web, game)
        # A round lost, then "Valider": the score enters no place, which a box says; then the
        # table of scores shows in the game's page.
        self.assertIsNotNone(self.web.wait(player.result_shown, 90), "aucun résultat")
        game.press_key("v")
        box = self.web.wait(lambda: self.web.box() is not None, 10)
        self.assertIsNotNone(box, "aucune boîte après « Valider »")
        self.web.click("dialog[open] button")
        self.assertIsNotNone(self.web.canvas(1, timeout=10))
        self.assertEqual(self.violations(), [])
        self.assertEqual(self.web.script("return document.cookie;"), "")

        self.web.open(self.address + "/scores.html")
        self.web.canvas(0, timeout=20)
        self.assertEqual(self.violations(), [])
        self.assertEqual(self.web.script("return document.cookie;"), "")
        self.assertEqual(self.web.console_errors(), [])


if __name__ == "__main__":
    unittest.main()
