# A player of the browser edition, as the desktop tests play the real programs: it reads the
# game's canvas and steers with the space bar, so that a round can be won.

import time

ORANGE = (255, 128, 0)
BLUE = (0, 0, 255)
BLACK = (0, 0, 0)
LIGHT_GREEN = (128, 255, 128)
BUTTON_GREEN = (0, 192, 0)
DARK_RED = (192, 0, 0)
# The classic look's edges.
HIGHLIGHT = (255, 255, 255)
SHADOW = (160, 160, 160)
DARK_SHADOW = (105, 105, 105)
# Points of the game window, in its pixels at scale 1.
VITESSE = (83, 259)  # on the face of the button, clear of its text
VITESSE_FACE = (80, 256, 49, 21)  # the whole button
CONTINUER, VALIDER, RECOMMENCER = (104, 80), (64, 80), (24, 80)
OVAL = (40, 102)  # light green in the title's oval
FINISH = (20, 8)  # on the finish line, left of the bar
SCORE_LABEL = (18, 42, 97, 16)
OUTCOME_LABEL = (26, 2, 80, 24)

# The game's state as its window shows it, read in one call: the colours of the oval, of the
# three round buttons, of the finish line and of VITESSE, and the player's mean column (blue in
# the right lane), or -1 with no blue there.
_STATE = (
    "const lane = [];"
    "let sum = 0, n = 0;"
    "for (let y = 9; y < 269; ++y) for (let x = 64; x < 129; ++x)"
    "  if (at(x, y) === 0x0000ff) { sum += x; ++n; }"
    "return [at(40, 102), at(101, 82), at(61, 82), at(21, 82), at(20, 8), at(83, 259),"
    "        n ? sum / n : -1];")


# How far the black spider is above the blue one, in pixels of the window; NaN while either is
# out of sight (at the start, behind the button).
_LEAD = (
    "const height = (left, colour) => {"
    "  let sum = 0, count = 0;"
    "  for (let y = 9; y < 245; ++y) for (let x = left; x < left + 54; ++x)"
    "    if (at(x, y) === colour) { sum += y; ++count; }"
    "  return count ? sum / count : NaN;"
    "};"
    "return height(64, 0x0000ff) - height(2, 0x000000);")


def _rgb(v):
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


class State:
    def __init__(self, values):
        oval, cont, ok, reco, finish, vitesse, self.player_x = values
        self.oval, self.finish, self.vitesse = _rgb(oval), _rgb(finish), _rgb(vitesse)
        self.buttons = [_rgb(cont), _rgb(ok), _rgb(reco)]

    def intro(self):
        return self.oval == LIGHT_GREEN and self.buttons[0] == ORANGE

    def racing(self):
        return self.oval == ORANGE and self.finish == BLACK and self.vitesse == LIGHT_GREEN

    def result_panel(self):
        return self.oval == LIGHT_GREEN and self.buttons == [BUTTON_GREEN] * 3


class Player:
    """press(key) types a key for the game: on its canvas by default."""

    def __init__(self, browser, game, press=None):
        self.browser = browser
        self.game = game
        self.press = press or game.press_key
        self._zero = None

    def state(self):
        return State(self.game.look(_STATE))

    def intro(self):
        return self.state().intro()

    def racing(self):
        return self.state().racing()

    def blue_ahead(self):
        """The blue spider seen above the black one, which only VITESSE's boost makes it."""
        lead = self.game.look(_LEAD)
        return lead is not None and lead < -3

    def result_shown(self):
        return self.state().result_panel()

    def steer_until_round_ends(self, limit=30):
        """The player's spider kept in the middle of its lane: boosted while it is left of it
        (or hidden behind VITESSE, where it starts)."""
        boost = False
        end = time.monotonic() + limit
        while time.monotonic() < end:
            state = self.state()
            if state.result_panel():
                return True
            want = state.player_x < 95.5
            if want != boost and state.racing():
                self.press(" ")
                boost = want
            time.sleep(0.01)
        return False

    def win_a_round(self, limit=120):
        """From the start of a game, plays rounds until the score is no longer 0, which from 0
        only a win or a draw gives; False if none was won in time. c continues."""
        if self._zero is None:
            if self.browser.wait(self.result_shown, 20) is None:
                return False
            self._zero = self.game.region(*SCORE_LABEL)
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if self.result_shown():
                self.press("c")
            if self.browser.wait(self.racing, 10) is None:
                return False
            if not self.steer_until_round_ends():
                return False
            if self.game.region(*SCORE_LABEL) != self._zero:
                return True
        return False
