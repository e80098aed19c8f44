#!/usr/bin/python3
"""The browser edition as a screen reader has it: in headless Chromium, a whole game found and
played through the page's accessibility tree alone (each control by its role and name, pressed
there with Entrée, Espace or the reader's own action; the outcome heard from the live region;
the questions' fields by their names; the score table's rows), from the intro to Fin; and in
every engine, the same buttons, outcome and table in that engine's own tree."""

import unittest

from browser import Keys, table
from player import VALIDER, Player
from reader import Names, Reader
from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)
from test_scores import FIRST, HEADINGS

OUTCOMES = ("Gagné !", "Egalité !!", "Perdu !")
GAME_KEYS = "Clavier : Espace = VITESSE, C ou Entrée = Continuer, V = Valider, R = Recommencer"


class ScreenReader(SiteCase):
    def setUp(self):
        super().setUp()
        self.web = self.browser()
        self.reader = Reader(self.web)

    def heard_after(self, before, what, timeout=40):
        """The next announcement of the live region, made after the lines of ids before."""
        heard = []

        def new():
            lines, ids = self.reader.said()
            heard[:] = lines
            return ids and ids != before

        self.until(self.web, new, timeout, what)
        return heard

    def round_heard(self, before):
        """A round's end, heard: the outcome, the level and the score, as the panel draws them."""
        outcome, level, score = self.heard_after(before, "no outcome was announced")
        self.assertIn(outcome, OUTCOMES)
        self.assertRegex(level, r"^Niveau \d+$")
        self.assertRegex(score, r"^Score: \d+$")
        self.assertLessEqual({outcome, level, score}, set(self.game.texts()))
        return outcome, level, score

    def controls(self):
        return self.reader.names("button")

    def read(self):
        """The texts read in the game's window."""
        return self.reader.find("region", "Klimbor").text()

    def test_a_whole_game_through_the_accessibility_tree(self):
        reader, web = self.reader, self.web
        web.open(self.address + "/index.html")
        # Every place is below 0: the game's score takes place 1.
        old = [(f"Ancien {n}", -600 - n, "") for n in range(1, 31)]
        web.store_table(table(old))
        self.game = web.canvas(0, timeout=30)
        player = Player(web, self.game)

        # The intro: the window as a region named by its caption, told which keys play, its
        # heading, its close control and the level; the canvas is nowhere in the tree, and the
        # keyboard is on the window, where the keys reach the game.
        self.until(web, lambda: reader.find("region", "Klimbor"), 10, "no window named Klimbor")
        self.until(web, lambda: self.read() == ["Klimbor", "Niveau 1"], 10, "no level read")
        window = reader.find("region", "Klimbor")
        self.assertTrue(window.description.startswith(GAME_KEYS), window.description)
        self.assertEqual(reader.names("heading"), ["Klimbor"])
        self.assertEqual(self.controls(), ["Fermer"])
        self.assertEqual(reader.all("Canvas") + reader.all("image"), [])
        self.assertEqual(reader.focused(), ("region", "Klimbor"))
        said = reader.said()
        self.assertEqual(said[0], ["Niveau 1"])

        # The race: VITESSE alone, pressed with Espace where the tree has it, boosts the blue
        # spider past the black one, which it never passes unboosted. A round its drift ends
        # first is continued for another, with Entrée on Continuer.
        for _ in range(5):
            self.until(web, lambda: reader.find("button", "VITESSE"), 10, "VITESSE never offered")
            self.assertEqual(self.controls(), ["VITESSE", "Fermer"])
            self.assertNotIn("Niveau 1", self.read(), "the intro's level stays")
            # The keyboard stays where the reader put it while the race's clock ticks.
            reader.focus(reader.find("button", "VITESSE"))
            web.wait(lambda: False, 0.3)
            self.assertEqual(reader.focused(), ("button", "VITESSE"), "a tick took the keyboard")
            reader.press("button", "VITESSE", " ")
            ahead = web.wait(lambda: player.blue_ahead() or player.result_shown(), 5)
            if ahead is not None and not player.result_shown():
                break
            self.heard_after(said[1], "a round's end was not heard")
            said = reader.said()
            reader.press("button", "Continuer")
        else:
            self.fail("VITESSE pressed in the tree never took the blue spider ahead")

        # The round's end is heard, and read on the panel; its buttons come in the order they are
        # drawn, VITESSE under the panel is gone, and so is the keyboard with it, to the window.
        outcome, level, score = self.round_heard(said[1])
        self.assertEqual(self.read()[:4], ["Klimbor", outcome, level, score])
        self.assertEqual(self.controls(), ["Recommencer", "Valider", "Continuer", "Fermer"])
        self.assertEqual(reader.focused(), ("region", "Klimbor"))
        # Tab goes through them in that order; the one that has the keyboard is ringed.
        for name in ("Recommencer", "Valider", "Continuer", "Fermer"):
            web.type_keys(Keys.TAB)
            self.assertEqual(reader.focused(), ("button", name))
            ring = web.script(
                "const s = getComputedStyle(document.activeElement);"
                "return [s.outlineStyle, s.outlineWidth];")
            self.assertEqual(ring, ["solid", "2px"], name)

        # Recommencer, with Espace: the intro again, its level heard anew.
        said = reader.said()
        reader.press("button", "Recommencer", " ")
        self.assertEqual(self.heard_after(said[1], "the intro's level was not heard"),
                         ["Niveau 1"])
        self.assertNotIn("Recommencer", self.controls())

        # A round left to the computer, Continuer with Entrée, and another: the same words are
        # heard again, as a new announcement.
        said = reader.said()
        self.round_heard(said[1])
        said = reader.said()
        reader.press("button", "Continuer")
        self.until(web, lambda: "VITESSE" in self.controls(), 10, "Continuer did not race")
        # A reader's press that comes after its button went with the panel does nothing: the
        # round goes on to its end, no question asked.
        web.script(
            "[...document.querySelectorAll('.reading button')]"
            ".find(b => b.hidden && b.textContent === 'Valider').click();")
        outcome, level, score = self.round_heard(said[1])

        # Valider, by the reader's own press; each question names its field, typed there.
        reader.press("button", "Valider", "action")
        for question, answer in (("entrez votre pseudo", "Aveugle à l’oreille"),
                                 ("commentaire:", "joué sans voir")):
            self.until(web, lambda: reader.find("textbox", question), 10, f"no field {question!r}")
            reader.focus(reader.find("textbox", question))
            web.type_keys(answer + Keys.ENTER)
        self.until(web, lambda: reader.find("dialog", "Klimbor") is not None and
                   reader.find("dialog", "Klimbor").description == FIRST, 10, "no place message")
        reader.press("button", "OK")

        # The viewer: the table, its headings, then place 1 with what was typed, and 30 places.
        self.until(web, lambda: reader.find("button", "Fin"), 10, "no viewer")
        grid = reader.find("table", "Pseudos, Scores, Commentaires")
        self.assertIsNotNone(grid, "no table named by its headings")
        rows = reader.rows(grid)
        self.assertEqual(len(rows), 31)
        self.assertEqual(rows[0], ["", "Pseudos", "Scores", "Commentaires"])
        self.assertEqual(rows[1],
                         ["1:", "Aveugle à l’oreille", score.split()[1], "joué sans voir"])
        self.assertEqual(rows[2], ["2:", "Ancien 1", "-601", ""])
        self.assertEqual(rows[30][0], "30:")
        self.assertNotIn("VITESSE", self.controls(), "the hidden game still offers VITESSE")

        # Another page's table shows in the tree at the viewer's next refresh.
        web.store_table(table([("Relu", 4321, "depuis ailleurs")]))
        self.until(web, lambda: reader.rows(reader.find("table", grid.name))[1] ==
                   ["1:", "Relu", "4321", "depuis ailleurs"], 5, "the table's rows stayed old")
        self.assertEqual(reader.rows(reader.find("table", grid.name))[2], ["2:", "", "0", ""])

        # Fin with Espace ends the program; the page offers it again.
        reader.press("button", "Fin", " ")
        self.until(web, lambda: reader.find("button", "Relancer Klimbor"), 5, "Fin did not end")
        self.assertEqual(reader.all("region"), [])


class EachEnginesTree(SiteCase, per_engine=True):
    """What the Chromium scenario reads, found in each engine's own tree: the result panel's
    buttons and outcome, and the score table's header and 30 rows."""

    def test_the_panel_s_buttons_its_outcome_and_the_table_are_named(self):
        web = self.browser()
        names = Names(web)
        web.open(self.address + "/index.html")
        web.store_table(table([(f"Ancien {n}", -600 - n, "") for n in range(1, 31)]))
        game = web.canvas(0, timeout=30)
        player = Player(web, game)
        self.until(web, player.result_shown, 60, "no result panel")
        self.until(web, lambda: names.buttons() == ["Recommencer", "Valider", "Continuer",
                                                    "Fermer"], 5, "the panel's buttons")
        self.until(web, lambda: any(o in (names.status() or "") for o in OUTCOMES), 5,
                   "no outcome in the live region")
        outcome = next(o for o in OUTCOMES if o in names.status())
        self.assertIn(outcome, game.texts())

        # Valider: the score takes place 1; the viewer's table in the tree, Fin beside it.
        game.click(*VALIDER)
        for answer in ("Lu ailleurs", "par son arbre"):
            self.until(web, lambda: web.box() is not None and web.box()[2], 10, "no question")
            web.box_input().send_keys(answer + Keys.ENTER)
        self.until(web, lambda: web.box() == ("Klimbor", FIRST, False), 10, "no place message")
        web.box_button("OK")
        web.canvas(1, timeout=10)
        self.until(web, lambda: "Fin" in names.buttons(), 10, "no Fin in the tree")
        rows = []
        self.until(web, lambda: rows.append(names.rows(HEADINGS)) or rows[-1], 5,
                   "no table named by its headings")
        rows = rows[-1]
        self.assertEqual(len(rows), 31)
        self.assertEqual(rows[0], ["", "Pseudos", "Scores", "Commentaires"])
        self.assertEqual(rows[1][:2] + rows[1][3:], ["1:", "Lu ailleurs", "par son arbre"])
        self.assertEqual(rows[2], ["2:", "Ancien 1", "-601", ""])
        self.assertEqual(rows[30][0], "30:")


if __name__ == "__main__":
    unittest.main()
