#!/usr/bin/python3
"""The browser edition on a phone, in headless Chromium emulating one (390x844 CSS pixels at 3
device pixels each, a touch screen): the game fills the visible screen at the largest whole scale
that fits and refits when the screen turns, zooms or loses height to the browser's bars; a tap
presses its buttons, one finger at a time; the page neither scrolls nor zooms where another page
would; a question's field takes the keyboard inside the tap; the score table reads at a
desktop's size, its window panning, in portrait and in landscape.

The phone's screen and touches come from Chromium's DevTools protocol, in the small methods of
PhoneCase alone.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import unittest

from browser import table
from player import CONTINUER, LIGHT_GREEN, VALIDER, VITESSE, Player
from site_case import SiteCase

WIDTH, HEIGHT, RATIO = 390, 844, 3
GAME = (129, 278)  # the game window's client area at scale 1
BAR = 24  # its caption bar, in CSS pixels
FIN = (328, 628)  # on the viewer's Fin, in its pixels at scale 1
SMALLEST_TEXT = 11  # CSS pixels: the grid's text on a desktop at 100 %

# Runs in every page before its own scripts: the size in CSS pixels each text is drawn at, by
# canvas, from the font and the canvas's transform; the drawing itself is untouched.
_TEXT_SIZES = """
(() => {
  const proto = CanvasRenderingContext2D.prototype, fillText = proto.fillText;
  window.__klbSizes = new Map();
  proto.fillText = function(text) {
    const c = this.canvas, px = parseFloat(/(\\d+(\\.\\d+)?)px/.exec(this.font)[1]);
    const css = px * this.getTransform().a * c.getBoundingClientRect().width / c.width;
    if (!__klbSizes.has(c)) __klbSizes.set(c, new Map());
    __klbSizes.get(c).set(String(text), css);
    return fillText.apply(this, arguments);
  };
})();
"""


class TouchGame:
    """A window's canvas, steered with a finger: a press of the space bar is a tap on VITESSE."""

    def __init__(self, phone, canvas, index=0):
        self._phone = phone
        self._canvas = canvas
        self._index = index

    def __getattr__(self, name):
        return getattr(self._canvas, name)

    def at(self, x, y):
        """The point of the screen, in CSS pixels, over a point of the window."""
        box = self._phone.script(
            "const c = document.querySelectorAll('canvas')[arguments[0]];"
            "const r = c.getBoundingClientRect(), k = +c.dataset.scale;"
            "return [r.left, r.top, r.width * k / c.width, r.height * k / c.height];", self._index)
        return (box[0] + (x + 0.5) * box[2], box[1] + (y + 0.5) * box[3])

    def tap(self, x, y):
        self._phone.tap(*self.at(x, y))

    def press_key(self, key):
        points = {" ": VITESSE, "c": CONTINUER, "v": VALIDER}
        self.tap(*points[key])


class PhoneCase(SiteCase):
    """A phone's browser: its screen and fingers."""

    def setUp(self):
        super().setUp()
        self.web = self.browser(width=WIDTH, height=HEIGHT)
        self.driver = self.web.driver
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                    {"source": _TEXT_SIZES})
        self.screen(WIDTH, HEIGHT)
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                    {"enabled": True, "maxTouchPoints": 5})

    def script(self, body, *args):
        return self.driver.execute_script(body, *args)

    # The emulated screen and touches: Chromium's own calls.

    def screen(self, width, height, ratio=RATIO):
        """The phone's screen as the page sees it: turned when width > height; shorter when the
        browser's bars take some of it."""
        turned = width > height
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True,
            "screenOrientation": {"type": "landscapePrimary" if turned else "portraitPrimary",
                                  "angle": 90 if turned else 0}})

    def fingers(self, kind, *points):
        """Every finger on the screen after the event, (id, x, y) each; the ones left out of a
        touchMove are lifted."""
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
            "type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, x, y in points]})

    def tap(self, x, y):
        self.fingers("touchStart", (0, x, y))
        self.fingers("touchEnd")

    def swipe(self, x, y, dx, dy, steps=6):
        self.fingers("touchStart", (0, x, y))
        for step in range(1, steps + 1):
            self.fingers("touchMove", (0, x + dx * step / steps, y + dy * step / steps))
        self.fingers("touchEnd")

    # What the page shows.

    def still(self):
        """The page as it was laid out: not scrolled, not zoomed, nothing selected."""
        return self.script(
            "return [scrollX, scrollY, visualViewport.scale, getSelection().toString()];")

    def window_in_sight(self, index=0):
        """The window's frame and the visible screen, in CSS pixels: left, top, right, bottom
        of each, and the page's height."""
        return self.script(
            "const f = document.querySelectorAll('.window')[arguments[0]]"
            "    .getBoundingClientRect(), v = visualViewport;"
            "return [f.left, f.top, f.right, f.bottom, v.offsetLeft, v.offsetTop,"
            "        v.offsetLeft + v.width, v.offsetTop + v.height,"
            "        document.documentElement.scrollHeight];", index)

    def assert_fills(self, canvas, ratio=RATIO):
        """The whole window in sight at the largest whole scale that fits: one scale more and
        it would not."""
        scale = canvas.device_size()[2]
        left, top, right, bottom, v_left, v_top, v_right, v_bottom, page = self.window_in_sight()
        for size, side in zip(canvas.css_size(), GAME):
            self.assertAlmostEqual(size, side * scale / ratio, delta=1 / 64)
        self.assertTrue(v_left <= left and right <= v_right and v_top <= top
                        and bottom <= v_bottom, (scale, left, top, right, bottom))
        self.assertLessEqual(page, v_bottom - v_top)
        bigger = (GAME[0] * (scale + 1) / ratio, GAME[1] * (scale + 1) / ratio + BAR)
        self.assertTrue(bigger[0] > right - left or bigger[1] > bottom - top, scale)
        return scale


class OnThePhone(PhoneCase):
    def setUp(self):
        super().setUp()
        self.web.open(self.address + "/index.html")
        self.game = TouchGame(self, self.web.canvas(0, timeout=20))

    def test_the_game_fills_the_visible_screen_and_the_browsers_bars_take_none_of_it(self):
        self.assertEqual(self.assert_fills(self.game), 8)
        # The browser's bars shown take 100 pixels of the screen's height: the page fits what is
        # left, VITESSE in sight, and nothing to scroll.
        self.screen(WIDTH, HEIGHT - 100)
        self.assertIsNotNone(self.web.wait(lambda: self.game.device_size()[2] < 8, 5),
                             "la fenêtre n'a pas suivi la hauteur visible")
        self.assertEqual(self.assert_fills(self.game), 7)
        x, y = self.game.at(*VITESSE)
        self.assertLess(y, self.script("return visualViewport.offsetTop + visualViewport.height;"))
        self.assertEqual(self.still(), [0, 0, 1, ""])

    def test_a_rotation_and_a_zoom_on_the_result_panel_refit_the_window(self):
        player = Player(self.web, self.game)
        self.until(self.web, player.result_shown, 40, "pas de tableau de résultat")
        # No timer runs there: the new room alone makes the window fit it, painted again.
        for width, height, ratio, scale in ((HEIGHT, WIDTH, RATIO, 3), (WIDTH, HEIGHT, RATIO, 8),
                                            (WIDTH, HEIGHT, 2, 5)):
            self.screen(width, height, ratio)
            self.assertIsNotNone(
                self.web.wait(lambda: self.game.device_size()[2] == scale, 5),
                (width, height, ratio, self.game.device_size()))
            self.assertEqual(self.assert_fills(self.game, ratio), scale)
            self.assertTrue(player.result_shown(), "le tableau n'est pas redessiné")
        self.game.tap(*CONTINUER)
        self.until(self.web, player.racing, 10, "le toucher de Continuer n'a rien fait")

    def test_a_tap_presses_vitesse_and_the_page_stays_still(self):
        def racing():
            return self.game.pixel(*VITESSE) == LIGHT_GREEN

        # Held, the button is drawn pressed; let go, it is a click: the boost takes the blue
        # spider past the black one, which climbs faster than it alone. A round that its drift
        # ends first (the spider out of its lane) is continued for another.
        player = Player(self.web, self.game)
        for _ in range(5):
            self.assertIsNotNone(self.web.wait(racing, 10), "la course n'a pas commencé")
            face = self.game.region(100, 257, 27, 12)
            self.fingers("touchStart", (0, *self.game.at(*VITESSE)))
            pressed = self.game.region(100, 257, 27, 12)
            self.fingers("touchEnd")
            released = self.game.region(100, 257, 27, 12)
            ahead = self.web.wait(lambda: player.blue_ahead() or not racing(), 5)
            if racing():
                break
            self.game.tap(*CONTINUER)
        self.assertNotEqual(pressed, face)
        self.assertEqual(released, face)
        self.assertIsNotNone(ahead, "le toucher de VITESSE n'a pas lancé l'araignée bleue")
        self.assertTrue(racing(), "aucune manche n'a duré assez")

        # A swipe over the game and a double tap beside it reach the page and move nothing;
        # the same gestures on a page that lets them scroll and zoom it.
        self.script("window.__klbTouches = 0;"
                    "addEventListener('touchend', () => ++__klbTouches, true);")
        self.gestures()
        self.assertEqual(self.script("return __klbTouches;"), 3, "les gestes n'ont pas eu lieu")
        self.assertEqual(self.still(), [0, 0, 1, ""])
        self.script("""
            const free = document.createElement('style');
            free.textContent = '* { touch-action: auto !important; }' +
                               'body { height: 400vh; overscroll-behavior: auto !important; }';
            document.head.append(free);
            document.querySelector('meta[name=viewport]').content = 'width=800';""")
        self.gestures()
        moved = self.still()
        self.assertGreater(moved[1], 0, "le glissé ne fait défiler aucune page")
        self.assertGreater(moved[2], 1, "le double toucher n'agrandit aucune page")

    def gestures(self):
        x, y = self.game.at(60, 150)
        self.swipe(x, y, 0, -300)
        self.web.wait(lambda: False, 0.5)
        for _ in range(2):
            self.tap(5, HEIGHT - 5)
        self.web.wait(lambda: False, 1)

    def test_a_second_finger_neither_takes_nor_doubles_a_tap(self):
        player = Player(self.web, self.game)
        self.until(self.web, player.result_shown, 40, "pas de tableau de résultat")
        face = self.game.region(84, 72, 40, 18)
        first = (0, *self.game.at(*CONTINUER))
        self.fingers("touchStart", first)
        pressed = self.game.region(84, 72, 40, 18)
        self.assertNotEqual(pressed, face, "Continuer n'est pas dessiné enfoncé")
        # Another finger comes down on the game and lifts: the press stays the first one's.
        self.fingers("touchStart", first, (1, *self.game.at(60, 200)))
        self.fingers("touchMove", first)
        self.assertEqual(self.game.region(84, 72, 40, 18), pressed, "la pression est perdue")
        self.assertTrue(player.result_shown(), "le second doigt a cliqué")
        # Then one on Continuer itself, lifted after the first: one click, the first finger's.
        self.fingers("touchStart", first, (2, *self.game.at(*CONTINUER)))
        self.fingers("touchMove", (2, *self.game.at(*CONTINUER)))
        self.until(self.web, player.racing, 10, "le toucher de Continuer est perdu")
        self.fingers("touchEnd")
        self.assertEqual(self.still(), [0, 0, 1, ""])

    def test_a_question_takes_the_keyboard_inside_the_tap_on_valider(self):
        player = Player(self.web, self.game)
        self.assertTrue(player.win_a_round(), "aucune manche gagnée au toucher")
        # A phone brings up its keyboard for a field focused inside the player's tap: every
        # focus is traced with the event being handled and whether the tap's activation holds.
        self.script("""
            window.__klbFocus = [];
            let tap = null;
            for (const type of ['pointerup', 'touchend'])
              addEventListener(type, () => { tap = type; setTimeout(() => tap = null); }, true);
            addEventListener('focusin', e => __klbFocus.push([e.target.tagName,
                !!e.target.closest('dialog'), tap, navigator.userActivation.isActive]), true);
            addEventListener('focusout', e => e.relatedTarget ||
                __klbFocus.push(['-', false, tap, false]), true);""")
        self.game.press_key("v")
        asked = self.web.wait(lambda: self.web.box() == ("Klimbor", "entrez votre pseudo", True),
                              10)
        self.assertIsNotNone(asked, "aucune question après « Valider »")
        focus = self.script("return __klbFocus;")
        # A field took the focus inside the tap, and fields alone held it until the question's.
        self.assertTrue(focus, "aucun champ n'a pris le clavier")
        self.assertEqual(focus[0][0], "INPUT", focus)
        self.assertIn(focus[0][2], ("pointerup", "touchend"), focus)
        self.assertTrue(focus[0][3], focus)
        self.assertEqual([f[0] for f in focus], ["INPUT"] * len(focus), focus)
        self.assertTrue(focus[-1][1], focus)
        self.assertEqual(self.web.box_focus(), "input")
        self.assertEqual(self.still(), [0, 0, 1, ""])


class TheTableOnThePhone(PhoneCase):
    def test_every_place_reads_at_a_desktops_size_in_portrait_and_landscape(self):
        records = [(f"Joueur {n} à l'affût", 1000 - 7 * n, f"commentaire n° {n}, très lisible")
                   for n in range(1, 31)]
        self.web.open(self.address + "/scores.html")
        self.web.canvas(0, timeout=30)
        self.web.store_table(table(records))
        viewer = TouchGame(self, self.web.canvas(0, timeout=5))
        self.until(self.web, lambda: records[-1][2] in viewer.texts(), 10, "le tableau n'est pas lu")
        for width, height in ((WIDTH, HEIGHT), (HEIGHT, WIDTH)):
            with self.subTest(width=width, height=height):
                self.screen(width, height)
                self.until(self.web, lambda: self.script(
                    "return document.documentElement.clientWidth;") == width, 5, "pas tourné")
                self.assertEqual(viewer.device_size(), (660 * 3, 654 * 3, 3))
                self.shoot(f"table-{width}x{height}")
                sizes = self.script(
                    "return Object.fromEntries(__klbSizes.get(document.querySelector('canvas')));")
                for pseudo, score, comment in records:
                    for text in (pseudo.ljust(30), str(score), comment):
                        self.assertGreaterEqual(sizes.get(text, 0), SMALLEST_TEXT - 0.01, text)
                self.assert_pans_to_every_place(viewer)
                self.assert_transfer_buttons_in_sight()
        # Fin, panned into sight with a finger, ends the program.
        for _ in range(4):
            x, y = viewer.at(*FIN)
            if y < self.script("return visualViewport.height;"):
                break
            self.swipe(WIDTH, 300, -300, -200)
            self.web.wait(lambda: False, 0.5)
        self.assertLess(y, self.script("return visualViewport.height;"), "Fin hors de vue")
        self.tap(x, y)
        self.until(self.web, lambda: self.web.ended_note() is not None, 5, "Fin n'a rien fait")

    def assert_pans_to_every_place(self, viewer):
        """The window inside the visible screen, the page still, and its view panning over the
        whole canvas: a finger drags it."""
        left, top, right, bottom, v_left, v_top, v_right, v_bottom, page = self.window_in_sight()
        self.assertTrue(v_left <= left and right <= v_right and v_top <= top
                        and bottom <= v_bottom, (left, top, right, bottom))
        # Panned to its end, the window shows the canvas's far corner: every place comes in sight.
        corner = self.script(
            "const v = document.querySelector('.window .view'), c = v.querySelector('canvas');"
            "v.scrollTo(1e5, 1e5);"
            "const seen = v.getBoundingClientRect(), r = c.getBoundingClientRect();"
            "const inside = r.right <= seen.left + v.clientWidth + 0.5 &&"
            "               r.bottom <= seen.top + v.clientHeight + 0.5;"
            "v.scrollTo(0, 0);"
            "return inside;")
        self.assertTrue(corner, "un coin du tableau reste hors d'atteinte")
        x, y = viewer.at(200, 200)
        self.swipe(x, y, -150, -150)
        self.assertNotEqual(self.script(
            "const v = document.querySelector('.window .view');"
            "return [v.scrollLeft, v.scrollTop];"), [0, 0], "le doigt ne fait pas défiler")
        self.assertEqual(self.still(), [0, 0, 1, ""])

    def assert_transfer_buttons_in_sight(self):
        for name in ("table-export", "table-import"):
            under = self.script(
                "const b = document.getElementById(arguments[0]), r = b.getBoundingClientRect();"
                "return document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2)"
                "    === b && r.bottom <= visualViewport.height;", name)
            self.assertTrue(under, name)

    def shoot(self, name):
        import os
        import tempfile
        folder = os.environ.get("KLB_SHOTS", tempfile.gettempdir())
        self.web.screenshot(os.path.join(folder, f"klimbor-phone-{name}.png"))


if __name__ == "__main__":
    unittest.main()
