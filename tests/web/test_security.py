#!/usr/bin/python3
"""The browser edition under its Content-Security-Policy, in each browser engine: the site's own
files only, no inline script or style, WebAssembly compiled but nothing evaluated; the game, a
box and the table of scores all run with no violation of the policy, and nothing sets a cookie.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import html.parser
import pathlib
import unittest

from player import Player
from site_case import SITE, SiteCase, load_tests  # noqa: F401 (one class per engine)

PAGES = ("index.html", "scores.html")


class _Page(html.parser.HTMLParser):
    """What of a page the policy bears on: its policy, inline scripts, style and handlers."""

    def __init__(self):
        super().__init__()
        self.policy, self.inline = None, []
        self._in_script = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "meta" and attrs.get("http-equiv") == "Content-Security-Policy":
            self.policy = {d.split()[0]: d.split()[1:] for d in attrs["content"].split(";")}
        if tag == "script" and "src" not in attrs:
            self.inline.append("<script> sans src")
        self.inline += [f"<{tag} {name}>" for name in attrs
                        if name == "style" or name.startswith("on")]
        if tag == "style":
            self.inline.append("<style>")


class Policy(unittest.TestCase):
    def test_each_page_states_the_strict_policy_and_holds_nothing_inline(self):
        for page in PAGES:
            with self.subTest(page=page):
                parsed = _Page()
                parsed.feed((pathlib.Path(SITE) / page).read_text(encoding="utf-8"))
                self.assertEqual(parsed.inline, [])
                self.assertIsNotNone(parsed.policy, "aucune Content-Security-Policy")
                self.assertEqual(parsed.policy["default-src"], ["'self'"])
                self.assertEqual(parsed.policy["script-src"], ["'self'", "'wasm-unsafe-eval'"])
                self.assertEqual(parsed.policy["style-src"], ["'self'"])
                # The pictures come in the program's script, as data: addresses.
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
