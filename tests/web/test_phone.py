#!/usr/bin/python3
"""The browser edition on a phone, in headless Chromium emulating one (390x844 CSS pixels at 3
device pixels each, a touch screen): the game fills the screen at the largest whole scale that
fits, a tap presses its buttons, the page neither scrolls nor zooms, and a question's field
takes the keyboard.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import os
import unittest

from player import CONTINUER, LIGHT_GREEN, VALIDER, VITESSE, Player
from site_case import SITE, SiteCase

WIDTH, HEIGHT, RATIO = 390, 844, 3
GAME = (129, 278)  # the game window's client area at scale 1
BAR = 24  # its caption bar, in CSS pixels


class TouchGame:
    """The game's canvas, steered with a finger: a press of the space bar is a tap on VITESSE."""

    def __init__(self, driver, canvas):
        self._driver = driver
        self._canvas = canvas

    def __getattr__(self, name):
        return getattr(self._canvas, name)

    def at(self, x, y):
        """The point of the screen, in CSS pixels, over a point of the window."""
        box = self._driver.execute_script(
            "const r = document.querySelectorAll('canvas')[0].getBoundingClientRect();"
            "return [r.left, r.top, r.width, r.height];")
        return (box[0] + (x + 0.5) * box[2] / GAME[0], box[1] + (y + 0.5) * box[3] / GAME[1])

    def touch(self, kind, x=None, y=None):
        points = [] if x is None else [{"x": x, "y": y}]
        self._driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                     {"type": kind, "touchPoints": points})

    def tap(self, x, y):
        self.touch("touchStart", *self.at(x, y))
        self.touch("touchEnd")

    def press_key(self, key):
        points = {" ": VITESSE, "c": CONTINUER, "v": VALIDER}
        self.tap(*points[key])


class Phone(SiteCase):
    def setUp(self):
        super().setUp()
        if not os.path.isdir(SITE):
            self.skipTest(f"pas de site construit dans {SITE} (tools/build-web.sh)")
        self.web = self.browser(width=WIDTH, height=HEIGHT)
        self.driver = self.web.driver
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": WIDTH, "height": HEIGHT, "deviceScaleFactor": RATIO, "mobile": True})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                    {"enabled": True, "maxTouchPoints": 5})
        self.web.open(self.address + "/index.html")
        self.game = TouchGame(self.driver, self.web.canvas(0, timeout=20))

    def script(self, body):
        return self.driver.execute_script(body)

    def assert_still(self):
        """The page as it was laid out: not scrolled, not zoomed, nothing selected."""
        self.assertEqual(self.script(
            "return [scrollX, scrollY, visualViewport.scale, getSelection().toString()];"),
            [0, 0, 1, ""])

    def test_the_game_fills_the_screen_at_the_largest_whole_scale_that_fits(self):
        scale = int(self.script("return document.querySelector('canvas').dataset.scale;"))
        room = self.script(
            "const f = document.querySelector('.window').getBoundingClientRect();"
            "const d = document.documentElement;"
            "return [f.left, f.top, f.right, f.bottom, d.clientWidth, innerHeight,"
            "        d.scrollHeight];")
        left, top, right, bottom, width, height, page = room
        for size, side in zip(self.game.css_size(), GAME):
            self.assertAlmostEqual(size, side * scale / RATIO, delta=1 / 64)
        # The whole window in sight and the page no taller than the screen; one scale more and
        # the window would not fit.
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height, room)
        self.assertLessEqual(page, height)
        bigger = (GAME[0] * (scale + 1) / RATIO, GAME[1] * (scale + 1) / RATIO + BAR)
        self.assertTrue(bigger[0] > right - left or bigger[1] > bottom - top, (scale, room))
        self.assertEqual(scale, 8)

    def test_a_tap_presses_vitesse_and_the_page_stays_still(self):
        def gap():
            """How far the black spider is above the blue one, in pixels of the window; None
            while either is out of sight (at the start, behind the button)."""
            return self.script("""
                const c = document.querySelector('canvas'), k = +c.dataset.scale;
                const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
                const height = (left, colour) => {
                  let sum = 0, count = 0;
                  for (let y = 9; y < 245; ++y) for (let x = left; x < left + 54; ++x) {
                    const at = 4 * (y * k * c.width + x * k);
                    if ((d[at] << 16 | d[at + 1] << 8 | d[at + 2]) === colour) sum += y, ++count;
                  }
                  return count ? sum / count : NaN;
                };
                return height(64, 0x0000ff) - height(2, 0x000000);""")

        def racing():
            return self.game.pixel(*VITESSE) == LIGHT_GREEN

        # Held, the button is drawn pressed; let go, it is a click: the boost takes the blue
        # spider past the black one, which climbs faster than it alone. A round that its drift
        # ends first (the spider out of its lane) is continued for another.
        for _ in range(5):
            self.assertIsNotNone(self.web.wait(racing, 10), "la course n'a pas commencé")
            face = self.game.region(100, 257, 27, 12)
            self.game.touch("touchStart", *self.game.at(*VITESSE))
            pressed = self.game.region(100, 257, 27, 12)
            self.game.touch("touchEnd")
            released = self.game.region(100, 257, 27, 12)
            ahead = self.web.wait(lambda: (gap() or 0) < -3 or not racing(), 5)
            if racing():
                break
            self.game.tap(*CONTINUER)
        self.assertNotEqual(pressed, face)
        self.assertEqual(released, face)
        self.assertIsNotNone(ahead, "le toucher de VITESSE n'a pas lancé l'araignée bleue")
        self.assertTrue(racing(), "aucune manche n'a duré assez")

        # A swipe over the game and a double tap beside it move nothing.
        x, y = self.game.at(60, 150)
        self.game.touch("touchStart", x, y)
        for step in range(1, 6):
            self.game.touch("touchMove", x, y - 60 * step)
        self.game.touch("touchEnd")
        for _ in range(2):
            self.game.touch("touchStart", 5, HEIGHT - 5)
            self.game.touch("touchEnd")
        self.assert_still()

    def test_a_question_takes_the_keyboard(self):
        player = Player(self.web, self.game)
        self.assertTrue(player.win_a_round(), "aucune manche gagnée au toucher")
        self.game.press_key("v")
        asked = self.web.wait(lambda: self.script(
            "return document.querySelector('dialog[open] input') !== null;"), 10)
        self.assertIsNotNone(asked, "aucune question après « Valider »")
        field = self.script(
            "const i = document.activeElement;"
            "return [i.tagName, i.inputMode, i.enterKeyHint, i.autocomplete];")
        self.assertEqual(field, ["INPUT", "text", "done", "off"])
        self.assert_still()


if __name__ == "__main__":
    unittest.main()
