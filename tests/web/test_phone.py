#!/usr/bin/python3
"""The browser edition on a phone, in each engine that can show a page as one (390x844 CSS
pixels at 3 device pixels each, a touch screen): the game fills the visible screen at the
largest whole scale that fits and refits when the screen turns, zooms or loses height to the
browser's bars; a tap presses its buttons, one finger at a time; the page neither scrolls nor
zooms where another page would; a question's field takes the keyboard inside the tap; the
score table reads at a desktop's size, its window panning, in portrait and in landscape.

The phone's screen and touches come from the engine (Browser.phone, Browser.touch), in the
small methods of PhoneCase alone.

Run with the others: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s tests/web
-p 'test_*.py'"""

import unittest

from browser import Keys, table
from player import CONTINUER, LIGHT_GREEN, VALIDER, VITESSE, Player
from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)

WIDTH, HEIGHT, RATIO = 390, 844, 3
GAME = (129, 278)  # the game window's client area at scale 1
BAR = 24  # its caption bar, in CSS pixels
FIN = (328, 628)  # on the viewer's Fin, in its pixels at scale 1
GRID_TEXT = 11  # CSS pixels: the grid's text on a desktop at 100 %

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

    page_scripts = (_TEXT_SIZES,)

    def setUp(self):
        super().setUp()
        self.web = self.browser(width=WIDTH, height=HEIGHT, touch=True)
        if self.supported(lambda: self.screen(WIDTH, HEIGHT) or True,
                          "un écran de téléphone") is None:
            self.skipTest(f"{self.engine} : pas d'écran de téléphone")

    def script(self, body, *args):
        return self.web.script(body, *args)

    # What a phone's browser does that an engine's emulation may not: headless Firefox pans
    # nothing under a finger from BiDi, and its window, never focused, sends no focus event;
    # Chromium's emulated screen tells no media query of a new ratio.
    _GAPS = {"firefox": {"pan": "le défilement sous le doigt (aucun sous BiDi)",
                         "focus": "l'événement de focus (fenêtre sans le focus)"},
             "chromium": {"ratio": "le seul rapport de pixels changé (aucune requête média "
                                   "n'en est avertie sous l'émulation)"}}

    def engine_can(self, what):
        """Whether the engine can be checked for what; said in the output if not."""
        gap = self._GAPS.get(self.engine, {}).get(what)
        if gap is not None:
            self.left_out(gap)
        return gap is None

    # The phone's screen and fingers, as the engine lends them.

    def screen(self, width, height, ratio=RATIO):
        """The phone's screen as the page sees it: turned when width > height; shorter when the
        browser's bars take some of it."""
        self.web.phone(width, height, ratio, touch=True)

    def fingers(self, kind, *points):
        """Every finger on the screen after the event ("start", "move", "end"), (x, y) each,
        in the order they came down; the ones left out of a move are lifted."""
        self.web.touch(kind, list(points))

    def tap(self, x, y):
        self.fingers("start", (x, y))
        self.fingers("end")

    def double_tap(self, x, y):
        self.tap(x, y)
        self.tap(x, y)

    def swipe(self, x, y, dx, dy, steps=6):
        self.fingers("start", (x, y))
        for step in range(1, steps + 1):
            self.fingers("move", (x + dx * step / steps, y + dy * step / steps))
        self.fingers("end")

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

    def fitting(self, canvas, ratio=RATIO):
        """The window's scale when the whole window is in sight at the largest whole scale that
        fits (one scale more and it would not) and the page no taller than the screen; else
        None."""
        scale = canvas.device_size()[2]
        left, top, right, bottom, v_left, v_top, v_right, v_bottom, page = self.window_in_sight()
        sized = all(abs(size - side * scale / ratio) <= 1 / 64
                    for size, side in zip(canvas.css_size(), GAME))
        inside = v_left <= left and right <= v_right and v_top <= top and bottom <= v_bottom
        bigger = (GAME[0] * (scale + 1) / ratio, GAME[1] * (scale + 1) / ratio + BAR)
        largest = bigger[0] > right - left or bigger[1] > bottom - top
        return scale if sized and inside and largest and page <= v_bottom - v_top else None

    def assert_fills(self, canvas, ratio=RATIO):
        self.assertIsNotNone(self.web.wait(lambda: self.fitting(canvas, ratio), 5),
                             (ratio, canvas.device_size(), self.window_in_sight()))
        return self.fitting(canvas, ratio)


class OnThePhone(PhoneCase, per_engine=True):
    def setUp(self):
        super().setUp()
        self.web.open(self.address + "/index.html")
        self.game = TouchGame(self, self.web.canvas(0, timeout=20))

    def test_the_game_fills_the_visible_screen_and_the_browsers_bars_take_none_of_it(self):
        self.assertEqual(self.assert_fills(self.game), 8)
        # The browser's bars shown take 100 pixels of the screen's height: the page fits what is
        # left, VITESSE in sight, and nothing to scroll.
        self.screen(WIDTH, HEIGHT - 100)
        self.assertEqual(self.assert_fills(self.game), 7)
        x, y = self.game.at(*VITESSE)
        self.assertLess(y, self.script("return visualViewport.offsetTop + visualViewport.height;"))
        self.assertEqual(self.still(), [0, 0, 1, ""])
        # A pinch zoom shows less of the page, not a smaller screen: the window keeps its scale.
        if self.supported(lambda: self.web.pinch(2) or True, "un zoom au pincement"):
            self.web.wait(lambda: False, 0.5)
            self.assertEqual(self.game.device_size()[2], 7, "la fenêtre suit le zoom au pincement")
            self.web.pinch(1)

    def test_a_rotation_and_a_zoom_on_the_result_panel_refit_the_window(self):
        player = Player(self.web, self.game)
        self.until(self.web, player.result_shown, 40, "pas de tableau de résultat")
        # No timer runs there: the new room alone makes the window fit it, painted again. Turned,
        # turned back, then the page zoomed to 200 % (half the CSS pixels, twice the ratio).
        for width, height, ratio, scale in ((HEIGHT, WIDTH, RATIO, 3), (WIDTH, HEIGHT, RATIO, 8),
                                            (WIDTH // 2, HEIGHT // 2, 2 * RATIO, 7)):
            self.screen(width, height, ratio)
            self.assertEqual(self.assert_fills(self.game, ratio), scale)
            self.assertTrue(player.result_shown(), "le tableau n'est pas redessiné")
        # The ratio alone changed (a zoom that keeps the page's size, a screen of another
        # density): the window refits all the same.
        if self.engine_can("ratio"):
            self.screen(WIDTH // 2, HEIGHT // 2, 4)
            self.assertEqual(self.assert_fills(self.game, 4), 4)
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
            self.fingers("start", self.game.at(*VITESSE))
            pressed = self.game.region(100, 257, 27, 12)
            self.fingers("end")
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
        # the same swipe scrolls a page that lets it.
        self.script("window.__klbTouches = 0;"
                    "addEventListener('touchend', () => ++__klbTouches, true);")
        self.gestures()
        self.assertEqual(self.script("return __klbTouches;"), 3, "les gestes n'ont pas eu lieu")
        self.assertEqual(self.still(), [0, 0, 1, ""])
        if not self.engine_can("pan"):
            return
        self.script("""
            for (const e of [document.documentElement, document.body, ...document.querySelectorAll(
                     'body *')]) {
              e.style.touchAction = 'auto';
              e.style.overscrollBehavior = 'auto';
            }
            document.body.style.height = '400vh';
            document.querySelector('meta[name=viewport]').content = 'width=800';""")
        self.gestures()
        # Headless Chromium zooms no page on a double tap, even this one: that the double tap
        # reached the page is what shows it above.
        self.assertGreater(self.still()[1], 0, "le glissé ne fait défiler aucune page")

    def gestures(self):
        x, y = self.game.at(60, 150)
        self.swipe(x, y, 0, -300)
        self.web.wait(lambda: False, 0.5)
        self.double_tap(5, HEIGHT - 5)
        self.web.wait(lambda: False, 1)

    def test_a_second_finger_neither_takes_nor_doubles_a_tap(self):
        player = Player(self.web, self.game)
        self.until(self.web, player.result_shown, 40, "pas de tableau de résultat")

        def clicked():
            self.web.wait(lambda: False, 0.3)
            return not player.result_shown()

        first = self.game.at(*CONTINUER)
        self.fingers("start", first)
        # Another finger down and up beside it takes nothing from the first one's press; one
        # down and up on Continuer itself makes no click of its own.
        for n, other in enumerate((self.game.at(60, 200), self.game.at(*CONTINUER)), 1):
            if self.supported(lambda: self.fingers("start", first, other) or True,
                              "un second doigt") is None:
                break
            self.fingers("move", first)
            self.assertFalse(clicked(), f"le doigt {n} a cliqué")
        self.fingers("end")
        self.until(self.web, player.racing, 10, "le toucher du premier doigt est perdu")
        self.assertEqual(self.still(), [0, 0, 1, ""])

    def test_a_question_takes_the_keyboard_while_the_tap_on_valider_holds(self):
        # A loss scores 0, which passes these negative scores: the question comes.
        self.web.store_table(table([(f"Ancien {n}", -600 - n, "") for n in range(1, 31)]))
        player = Player(self.web, self.game)
        self.until(self.web, player.result_shown, 40, "pas de tableau de résultat")
        # Chromium brings up a phone's keyboard for a field focused while the player's tap
        # still counts as his (its user activation): every focus is traced with it.
        self.script("""
            window.__klbFocus = [];
            addEventListener('focusin', e => __klbFocus.push([e.target.tagName,
                !!e.target.closest('dialog'), navigator.userActivation.isActive]), true);""")
        self.game.tap(*VALIDER)
        self.until(self.web, lambda: self.web.box() == ("Klimbor", "entrez votre pseudo", True),
                   10, "aucune question après « Valider »")
        if self.engine_can("focus"):
            self.assertEqual(self.script("return __klbFocus;"), [["INPUT", True, True]])
        # In sight above the page, large enough that Safari does not zoom into it, and what the
        # keyboard types lands there: Entrée answers.
        field = self.script(
            "const i = document.activeElement, r = i.getBoundingClientRect();"
            "return [r.top >= 0 && r.bottom <= visualViewport.height,"
            "        document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2) === i,"
            "        parseFloat(getComputedStyle(i).fontSize)];")
        self.assertEqual(field[:2], [True, True])
        self.assertGreaterEqual(field[2], 16)
        self.web.type_keys("Zoé" + Keys.ENTER)
        self.until(self.web, lambda: self.web.box() == ("Klimbor", "commentaire:", True), 10,
                   "Entrée n'a pas répondu")
        self.assertEqual(self.still(), [0, 0, 1, ""])


class TheTableOnThePhone(PhoneCase, per_engine=True):
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
                # The size a desktop draws them at 100 %, no smaller and no larger.
                for pseudo, score, comment in records:
                    for text in (pseudo.ljust(30), str(score), comment):
                        self.assertAlmostEqual(sizes.get(text, 0), GRID_TEXT, delta=0.01,
                                               msg=text)
                self.assert_pans_to_every_place(viewer)
                self.assert_transfer_buttons_in_sight()
        # Fin, panned into sight with a finger, ends the program.
        if not self.engine_can("pan"):
            return
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
        """The window inside the visible screen, the page no taller and still, and its view
        panning over the whole canvas: a finger drags it."""
        left, top, right, bottom, v_left, v_top, v_right, v_bottom, page = self.window_in_sight()
        self.assertTrue(v_left <= left and right <= v_right and v_top <= top
                        and bottom <= v_bottom, (left, top, right, bottom))
        self.assertLessEqual(page, v_bottom - v_top, "la page défile")
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
        if not self.engine_can("pan"):
            return
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
