#!/usr/bin/python3
"""The score table in each browser engine: Annuler at both questions, two windows of one browser
recording at once, and scores.html showing what another window recorded at its next refresh;
the site's store read back byte for byte."""

import unittest

from browser import slot, table
from player import VALIDER, Player
from reader import Names, Reader
from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)
from test_game import PLACE

FIRST = "Félicitation, vous étes classé à la 1er place !!! pour plus de détail consultez le " \
        "fichier klb best scores"
HEADINGS = "Pseudos, Scores, Commentaires"



def both_recorded(case, browser, players, old, timeout):
    """The two players' messages, once each tab recorded at the same time: one first, one
    second, both in the stored table above the old one's places. Their names, first then second."""
    messages = {}
    for handle, (name, _) in players.items():
        browser.switch_to(handle)
        case.until(browser, lambda: browser.box() is not None and not browser.box()[2], timeout,
                   f"no message for {name}")
        messages[browser.box()[1]] = name
        browser.box_button("OK")
    case.assertEqual(set(messages), {FIRST, PLACE.format(2)})
    # Equal scores: the second to record goes below the first.
    first, second = messages[FIRST], messages[PLACE.format(2)]
    case.assertEqual(browser.stored_table(),
                     slot(first, 0, "vu") + slot(second, 0, "vu") + table(old)[:28 * 128])
    return first, second


class Recording(SiteCase, per_engine=True):
    def lose_then_validate(self, browser, game):
        """The first round left to the computer, then Valider clicked: score 0."""
        player = Player(browser, game)
        self.until(browser, player.result_shown, 40, "no result panel")
        self.assertIn("Score: 0", game.texts())
        game.click(*VALIDER)

    def test_annuler_at_both_questions_stores_blanks_and_no_comment(self):
        browser = self.browser()
        browser.open(self.address + "/index.html")
        game = browser.canvas(0, timeout=30)
        # A loss scores 0, which passes the negative scores: place 3.
        old = [("Premier", 900, "loin devant"), ("Second", 500, "")]
        old += [(f"Ancien {n}", -600 - n, f"n° {n}") for n in range(3, 31)]
        browser.store_table(table(old))
        # A question the page cannot show stops the recording as a run-time error does; the
        # next Valider asks again.
        browser.refuse_next_box()
        self.lose_then_validate(browser, game)
        failed = ("Klimbor", "Erreur d'exécution :\n\nLa boîte de dialogue n'a pu s'afficher "
                  "(InvalidStateError : essai)", False)
        self.until(browser, lambda: browser.box() == failed, 10, "no error box")
        browser.box_button("OK")
        self.assertEqual(browser.stored_table(), table(old))
        game.click(*VALIDER)
        player = Player(browser, game)

        for prompt in ("entrez votre pseudo", "commentaire:"):
            self.until(browser, lambda: browser.box() == ("Klimbor", prompt, True), 10,
                       f"no question {prompt!r}")
            # While a question waits, the game takes no key: "c" (Continuer) is dropped, the
            # panel stays and the question with it.
            browser.script(
                "document.querySelectorAll('canvas')[0].closest('section')"
                ".dispatchEvent(new KeyboardEvent('keydown', {key: 'c'}));")
            self.assertIsNone(browser.wait(lambda: not player.result_shown(), 1),
                              "a key reached the game during a question")
            self.assertEqual(browser.box(), ("Klimbor", prompt, True))
            # What was typed goes with Annuler.
            browser.box_input().send_keys("ne compte pas")
            browser.box_button("Annuler")
        self.until(browser, lambda: browser.box() == ("Klimbor", PLACE.format(3), False), 10,
                   "no place message for place 3")
        browser.box_button("OK")
        viewer = browser.canvas(1, timeout=10)
        self.assertEqual(browser.stored_table(), table(old[:2] + [("", 0, "")] + old[2:29]))
        # The grid's cells light yellow and ruled in salmon, its headings salmon: place 3's
        # nickname and comment, the line right of the one and under it, the heading above.
        light_yellow, salmon = 0xFFFF80, 0xFF8080
        self.assertEqual(
            viewer.look("return [at(100, 55), at(300, 55), at(129, 55), at(100, 63), at(100, 8)];"),
            [light_yellow, light_yellow, salmon, salmon, salmon], "the grid's colours")

        # Fin is drawn pressed while the mouse holds it. Let go elsewhere, or the press taken
        # back by the browser (as a touch that turns into a scroll), it is drawn up again and
        # does nothing; let go on it, it ends the program. Each event is handled by the time
        # the browser has taken it: the looks are checked at once, before any refresh repaints.
        fin = (272, 608, 113, 41)
        up = viewer.region(*fin)
        for take_back in (lambda: viewer.mouse_move(100, 628),
                          lambda: browser.script(
                              "const c = document.querySelectorAll('canvas')[1];"
                              "c.dispatchEvent(new PointerEvent('pointercancel',"
                              "                                 {pointerId: c.__klbPointer}));")):
            # The browser takes back the pointer that pressed, by its id.
            browser.script(
                "const c = document.querySelectorAll('canvas')[1];"
                "c.addEventListener('pointerdown', e => c.__klbPointer = e.pointerId);")
            viewer.mouse_down(328, 628)
            self.assertNotEqual(viewer.region(*fin), up, "Fin is not drawn pressed")
            take_back()
            viewer.mouse_up()
            self.assertEqual(viewer.region(*fin), up, "Fin stays pressed")
            self.assertIsNone(browser.ended_note(), "a press taken back ended the program")
        viewer.mouse_down(328, 628)
        self.assertIsNone(browser.ended_note(), "the program ended on the press")
        viewer.mouse_up()
        self.until(browser, lambda: browser.ended_note() is not None, 5, "Fin did not end it")

    def test_two_windows_record_at_once_and_the_viewer_shows_both_at_its_refresh(self):
        browser = self.browser()
        browser.open(self.address + "/scores.html")
        viewer_window = browser.current_window()
        viewer = browser.canvas(0, timeout=30)
        self.assertNotIn("Ancien 1".ljust(30), viewer.texts())
        old = [(f"Ancien {n}", -600 - n, "") for n in range(1, 31)]
        browser.store_table(table(old))
        # Another window's writing shows at the next refresh, two seconds on at most.
        self.until(browser, lambda: "Ancien 1".ljust(30) in viewer.texts(), 5,
                   "the viewer did not show the new table")

        players = {}
        for name in ("Alice à l’est", "Bébert"):
            handle = browser.new_window(self.address + "/index.html")
            players[handle] = (name, browser.canvas(0, timeout=30))
        for handle, (name, game) in players.items():
            browser.switch_to(handle)
            self.lose_then_validate(browser, game)
        # Both asked at once; answered in turns.
        for prompt in ("entrez votre pseudo", "commentaire:"):
            for handle, (name, game) in players.items():
                browser.switch_to(handle)
                self.until(browser, lambda: browser.box() == ("Klimbor", prompt, True), 10,
                           f"no question {prompt!r} for {name}")
                browser.box_input().send_keys(name if prompt.startswith("entrez") else "vu")
                browser.box_button("OK")
        first, second = both_recorded(self, browser, players, old, 15)

        browser.switch_to(viewer_window)
        self.until(browser, lambda: {first.ljust(30), second.ljust(30)} <= set(viewer.texts()),
                   5, "the viewer did not show both records")
        # A screen reader has them too, in the table's rows, and is told Fin's keys.
        names = Names(browser)
        self.until(browser, lambda: (names.rows(HEADINGS) or [])[1:3] == [
            ["1:", first, "0", "vu"], ["2:", second, "0", "vu"]], 5, "the rows were not read")
        if browser.name == "chromium":
            self.assertEqual(Reader(browser).find("region", "Klimbor").description,
                             "Clavier : Entrée ou Échap = Fin")
        else:
            self.left_out("la description de la fenêtre (WebDriver ne la donne pas)")


if __name__ == "__main__":
    unittest.main()
