# A player of the browser edition, as the desktop tests play the real programs: it reads the
# game's canvas and steers with the space bar, so that a round can be won.

import time

BLUE = (0, 0, 255)
LIGHT_GREEN = (128, 255, 128)
DARK_RED = (192, 0, 0)
# Points of the game window, in its pixels at scale 1.
VITESSE = (83, 259)  # on the face of the button, clear of its text
CONTINUER, VALIDER, RECOMMENCER = (104, 80), (64, 80), (24, 80)
SCORE_LABEL = (18, 42, 97, 16)


class Player:
    def __init__(self, browser, game):
        self.browser = browser
        self.game = game
        self._zero = None

    def racing(self):
        return self.game.pixel(*VITESSE) == LIGHT_GREEN

    def result_shown(self):
        if self.racing():
            return False
        return any(DARK_RED in self.game.row(y) for y in range(2, 22))

    def steer_until_round_ends(self, limit=20):
        """The player's spider kept in the middle of its lane: boosted while it is left of it."""
        boost = False
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if self.result_shown():
                return
            x = self.game.mean_x(BLUE, 64, 9, 65, 260)
            want = x is None or x < 95.5
            if want != boost:
                self.game.press_key(" ")
                boost = want
            time.sleep(0.01)

    def win_a_round(self, limit=90):
        """Plays rounds until the score is no longer 0; False if none was won in time."""
        if self._zero is None:
            if self.browser.wait(self.result_shown, 15) is None:
                return False
            self._zero = self.game.region(*SCORE_LABEL)
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if self.result_shown():
                self.game.press_key("c")
            if self.browser.wait(self.racing, 5) is None:
                return False
            self.steer_until_round_ends()
            if self.game.region(*SCORE_LABEL) != self._zero:
                return True
        return False
