#!/usr/bin/python3
"""The game in each browser engine, as a player meets it: the intro, the race, a round left to
the computer, the round buttons; and a whole game played with the keyboard alone, from the
first race to the score table, through the questions and the place message."""

import re
import time
import unittest

from browser import Keys, table
from player import (BLACK, BLUE, CONTINUER, DARK_RED, DARK_SHADOW, HIGHLIGHT, LIGHT_GREEN,
                    OUTCOME_LABEL, OVAL, RECOMMENCER, SHADOW, VITESSE, VITESSE_FACE, Player)
from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)

PLACE = "Bravo, vous étes classé à la {}éme place ! pour plus de détail consultez le fichier " \
        "klb best scores"
# Letters a French player types, all of them in Windows-1252.
ACCENTED = "éèêàâçùûôîïœ’ÉÀÇ€"


class Game(SiteCase, per_engine=True):
    def game_shown(self, browser):
        """The game's canvas once shown, and when it showed: after the last look that did not
        see it, since on a loaded machine a look takes long, and timing from the one that saw
        it would shorten the intro."""
        shown = time.monotonic()

        def window_seen():
            nonlocal shown
            asked = time.monotonic()
            seen = browser.script(
                "const c = document.querySelector('canvas');"
                "return c !== null && c.offsetParent !== null && c.width > 0;")
            if not seen:
                shown = asked
            return seen

        self.until(browser, window_seen, 30, "the game's window did not show")
        return browser.canvas(0, timeout=30), shown

    def test_intro_race_loss_continuer_recommencer_on_a_dense_screen(self):
        # Twice as many device pixels as CSS pixels: the game takes twice its size, in 2x2
        # squares; the viewer, which would not fit twice, stays at its own.
        browser = self.browser(width=800, height=600, device_scale=2)
        browser.open(self.address + "/index.html")
        game, shown = self.game_shown(browser)
        player = Player(browser, game)

        self.assertEqual(game.css_size(), (129, 278))
        self.assertEqual(game.device_size(), (258, 556, 2))
        # The frame the fitting counts: a caption bar of 24 pixels and a border of 1 all round.
        self.assertEqual(browser.script(
            "const r = document.querySelector('section.window').getBoundingClientRect();"
            "return [r.width, r.height];"), [129 + 2, 278 + 24 + 2])
        x, y = OVAL
        for dx, dy in ((0, 0), (1, 1)):
            self.assertEqual(game.device_pixel(2 * x + dx, 2 * y + dy), LIGHT_GREEN)
        self.assertTrue(player.intro(), "the intro is not shown")
        # The title panel's sunken frame, in the classic look's colours, and its picture inside
        # it: the oval whole, where title.png has it (3893 pixels about 64.41, 123.20), two
        # pixels right and down.
        self.assertEqual([game.pixel(0, 0), game.pixel(1, 1), game.pixel(0, 100)],
                         [SHADOW, DARK_SHADOW, SHADOW], "the title panel's frame")
        self.assertEqual(game.count(LIGHT_GREEN, 0, 0, 129, 278), 3893, "the title's oval")
        oval_x, oval_y = game.centre(LIGHT_GREEN, 0, 0, 129, 278)
        self.assertEqual((round(oval_x - 2, 2), round(oval_y - 2, 2)), (64.41, 123.20))
        self.assertEqual(game.count(BLUE, 0, 0, 129, 278), 0, "a spider during the intro")
        self.assertEqual(game.texts().count("Niveau 1"), 1, "the intro's level")

        # Watched until the race replaces it: the race is not seen before 2.5 s, and where the
        # looks came close enough together to tell (a loaded machine spaces them), one begun
        # 2.5 s after the window showed still shows the intro.
        looks = []
        start = {}

        def race_begun():
            state = player.state()
            # Timed once read: the picture is at most that old.
            looks.append((time.monotonic() - shown, state.intro()))
            if state.racing():
                # The spiders where the race starts, read at once: on a loaded machine the
                # next look may come when the player's spider has already left.
                start["rival"], start["player"] = game.look(
                    "const n = (colour, x0, y0, w, h) => { let k = 0;"
                    "  for (let y = y0; y < y0 + h; ++y) for (let x = x0; x < x0 + w; ++x)"
                    "    k += at(x, y) === colour; return k; };"
                    "return [n(0x000000, 20, 230, 30, 48), n(0x0000ff, 80, 250, 40, 28)];")
            return state.racing()

        self.until(browser, race_begun, 10, "the race did not start")
        raced = time.monotonic() - shown
        # The finish line one pixel thick across the window, the lanes' lines down its sides.
        above, finish, below = game.look(
            "return [7, 8, 9].map(y => [...Array(129).keys()].map(x => at(x, y)));")
        self.assertEqual(finish, [0] * 129, "the finish line")
        self.assertEqual(above, [0] + [0xFF8000] * 127 + [0], "above the finish line")
        self.assertEqual(below[:62], [0] + [0xFF8000] * 61, "below the finish line")
        self.assertGreaterEqual(raced, 2.5, "the race came before 2.5 s")
        last_intro = max((begun for begun, intro in looks if intro), default=0.0)
        if raced - last_intro < 0.3:
            self.assertGreaterEqual(last_intro, 2.5, "the intro gave way before 2.5 s")
        else:
            print(f"\n[{browser.name}] regards trop espacés ({raced - last_intro:.2f} s) pour "
                  "dater la fin de l'intro")
        self.assertGreater(start["rival"], 20, "the rival spider")
        self.assertGreater(start["player"], 0, "the player beside VITESSE")
        # VITESSE's caption in the middle of its face (inside its 2-pixel edges).
        x, y, width, height = VITESSE_FACE

        def vitesse():
            return (game.pixel(x, y), game.pixel(x + width - 1, y + height - 1),
                    game.centre(BLACK, x + 2, y + 2, width - 4, height - 4))

        raised, lower_right, centre = vitesse()
        self.assertAlmostEqual(centre[0], x + width / 2, delta=2, msg="VITESSE not centred")
        self.assertAlmostEqual(centre[1], y + height / 2, delta=3, msg="VITESSE not in the middle")
        self.assertEqual((raised, lower_right), (HIGHLIGHT, DARK_SHADOW), "VITESSE not raised")
        # Held, it is drawn pressed, its caption one pixel right and down; a press the browser
        # cancels (a finger taken for a pan) clicks nothing, so the computer still wins.
        browser.script("addEventListener('pointerdown', e => window.__klbPointer = e.pointerId,"
                       "                 true);")
        cancel = ("document.querySelector('canvas').dispatchEvent(new PointerEvent("
                  "'pointercancel', {pointerId: window.__klbPointer, bubbles: true}));")
        game.mouse_down(*VITESSE)
        pressed, lower_right, held = vitesse()
        browser.script(cancel)
        game.mouse_up()
        self.assertEqual((pressed, lower_right), (DARK_SHADOW, HIGHLIGHT), "VITESSE not pressed")
        self.assertEqual((round(held[0] - centre[0], 3), round(held[1] - centre[1], 3)), (1, 1),
                         "the caption of VITESSE held")

        # Nobody presses VITESSE: the computer wins.
        self.until(browser, player.result_shown, 30, "no result panel")
        texts = game.texts()
        self.assertIn("Perdu !", texts)
        self.assertIn("Score: 0", texts)
        self.assertGreater(game.count(DARK_RED, *OUTCOME_LABEL), 20, "the outcome label")
        x, _, width, _ = OUTCOME_LABEL
        centre = game.centre(DARK_RED, *OUTCOME_LABEL)
        self.assertAlmostEqual(centre[0], x + width / 2, delta=3, msg="the outcome is not centred")
        # A label's text hangs from its top: its ink well above the middle of the 25-pixel box.
        self.assertLess(centre[1], 11, "the outcome is not drawn from the label's top")

        # A press let go off the window, or one the browser cancels, clicks nothing, and the
        # next press is free to come.
        for ending, button in (("cancelled", CONTINUER), ("off the window", RECOMMENCER)):
            game.mouse_down(*button)
            if ending == "cancelled":
                browser.script(cancel)
            else:
                browser.pointer([("move", 700, 300)])
            game.mouse_up()
            browser.wait(lambda: False, 0.3)
            self.assertTrue(player.result_shown(), f"a press {ending} clicked its button")
        game.click(*CONTINUER)
        self.until(browser, player.racing, 5, "Continuer did not start a round")
        self.until(browser, player.result_shown, 30, "no result after Continuer")
        game.click(*RECOMMENCER)
        clicked = time.monotonic()
        self.until(browser, player.intro, 5, "Recommencer did not show the intro")
        self.until(browser, player.racing, 10, "no new game after the intro")
        self.assertGreater(time.monotonic() - clicked, 2.5, "the intro was cut short")

        # The game's close control, its only window's: the program ends.
        self.assertEqual(browser.window_captions(), ["Klimbor"])
        browser.close_window(0)
        self.until(browser, lambda: browser.ended_note() == (
            "Klimbor est terminé.", "Relancer Klimbor"), 5, "closed, the game did not end")
        self.assertEqual(browser.window_captions(), [])

        browser.open(self.address + "/scores.html")
        viewer = browser.canvas(0, timeout=30)
        self.assertEqual(browser.window_captions(), ["Klimbor"])
        self.assertEqual(viewer.device_size(), (660, 654, 1))
        self.assertEqual(viewer.css_size(), (330, 327))
        # Given room for it, the viewer takes twice its size at its next refresh.
        browser.resize(1000, 1000)
        self.until(browser, lambda: viewer.device_size() == (1320, 1308, 2), 5,
                   "the viewer did not take the room")
        self.assertEqual(viewer.css_size(), (660, 654))

    def test_a_game_loaded_behind_another_tab_waits_there_in_its_intro(self):
        # Reloaded while another tab is in front, as a tab opened in the background loads: its
        # clocks start only once it is seen, whatever it was given to count meanwhile.
        browser = self.browser()
        browser.open(self.address + "/index.html")
        self.game_shown(browser)
        here = browser.current_window()
        browser.script("window.klbBefore = true;"
                       "setTimeout(function() { location.reload(); }, 500);")
        if not self.supported(lambda: browser.new_window("about:blank", kind="tab"),
                              "un jeu chargé derrière un autre onglet"):
            return
        browser.wait(lambda: False, 6)  # the reload, and longer than the intro after it
        browser.close_current()
        browser.switch_to(here)
        back = time.monotonic()
        self.assertTrue(browser.script("return window.klbBefore === undefined;"),
                        "the game was not reloaded behind the other tab")
        player = Player(browser, browser.canvas(0, timeout=30))
        self.assertTrue(player.intro(), "the game went on behind the other tab")
        self.until(browser, player.racing, 10, "the game did not start once shown")
        self.assertGreater(time.monotonic() - back, 2.5, "the intro was cut short")

    def test_a_whole_game_with_the_keyboard_alone(self):
        browser = self.browser()
        browser.open(self.address + "/index.html")
        game, shown = self.game_shown(browser)
        player = Player(browser, game, press=browser.type_keys)
        # Behind another tab the game's clocks stop: gone longer than its intro, it comes back
        # to the intro, which then runs its full length.
        here = browser.current_window()
        left_after = time.monotonic() - shown
        if self.supported(lambda: browser.new_window(self.address + "/index.html", kind="tab"),
                          "le jeu caché derrière un autre onglet"):
            other = browser.canvas(0, timeout=30)
            self.until(browser, Player(browser, other).racing, 15, "no race in the other tab")
            browser.close_current()
            browser.switch_to(here)
            back = time.monotonic()
            intro_left = left_after < 2  # else its start timer may have fired before hidden
            if intro_left:
                self.assertTrue(player.intro(), "the game went on behind the other tab")
            self.until(browser, player.racing, 10, "the game did not start once shown again")
            if intro_left:
                self.assertGreater(time.monotonic() - back, 2.5, "the intro was cut short")

        # Place 1 is out of reach: a won game takes place 2.
        before = table([("Record", 32767, "imbattable")])
        browser.store_table(before)

        if not player.win_a_round():
            self.capture(browser)
            self.fail("the test player could not win a round with the keys")
        score = int(next(re.fullmatch(r"Score: (\d+)", t).group(1) for t in game.texts()
                         if t.startswith("Score: ")))
        self.assertGreater(score, 0)

        pseudo = "".join(self.random.choice(ACCENTED) for _ in range(6)) + " Zoé"
        comment = "très " + "".join(self.random.choice(ACCENTED) for _ in range(10)) + " à ç"
        print(f"pseudo {pseudo!r}, commentaire {comment!r}, score {score}")
        # With Ctrl or Alt held, v is the system's shortcut, not Valider.
        for held in ("ctrlKey", "altKey"):
            browser.script("document.querySelector('section.window').dispatchEvent("
                           "    new KeyboardEvent('keydown', {key: 'v', [arguments[0]]: true}));",
                           held)
        browser.wait(lambda: False, 0.3)
        self.assertIsNone(browser.box(), "v with Ctrl or Alt held was taken as Valider")
        browser.type_keys("v")
        for prompt, answer in (("entrez votre pseudo", pseudo), ("commentaire:", comment)):
            self.until(browser, lambda: browser.box() == ("Klimbor", prompt, True), 10,
                       f"no question {prompt!r}")
            self.assertEqual(browser.box_focus(), "input", "the answer cannot be typed at once")
            browser.type_keys(answer + Keys.ENTER)
        self.until(browser, lambda: browser.box() == ("Klimbor", PLACE.format(2), False), 10,
                   "no place message")
        self.assertEqual(browser.box_focus(), "OK")
        browser.type_keys(Keys.ENTER)

        viewer = browser.canvas(1, timeout=10)
        self.until(browser, lambda: browser.box() is None, 5, "the message stays")
        self.assertFalse(browser.shown(0), "the game is still shown")
        after = table([("Record", 32767, "imbattable"), (pseudo, score, comment)])
        self.assertEqual(browser.stored_table(), after)
        texts = viewer.texts()
        self.assertIn(pseudo.ljust(30), texts)
        self.assertIn(str(score), texts)
        self.assertIn(comment, texts)

        # Escape is Fin: the program ends, and the page offers it again; Enter takes the offer.
        browser.type_keys(Keys.ESCAPE)
        self.until(browser, lambda: browser.focus_is(".ended button"), 5,
                   "Escape did not end the program")
        browser.type_keys(Keys.ENTER)
        game = browser.canvas(0, timeout=30)
        self.assertTrue(Player(browser, game).intro(), "no new game after Relancer")
        self.assertEqual(browser.stored_table(), after, "the table did not outlive the reload")


if __name__ == "__main__":
    unittest.main()
