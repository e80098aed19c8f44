#!/usr/bin/python3
"""The score table in the site's storage without Web Locks (a page served over plain HTTP from
another machine, an older browser): two tabs recording at once both keep their records."""

import time
import unittest

from browser import Unsupported, table
from player import VALIDER, Player
from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)
from test_scores import both_recorded

# Every opening of the site's database answers this late, so that two recordings started within
# it overlap: both read the table before either writes it.
LATE = 1.5

# Runs before the page's own scripts: no Web Locks, and the database slow to open. The page's
# code sees the request it asked for, answered LATE seconds after the browser answered.
_NO_LOCKS_SLOW_STORE = """
(() => {
  delete Navigator.prototype.locks;
  const open = IDBFactory.prototype.open;
  IDBFactory.prototype.open = function(...args) {
    const real = open.apply(this, args);
    const seen = {
      get result() { return real.result; },
      get error() { return real.error; },
      get transaction() { return real.transaction; },
      get readyState() { return real.readyState; },
    };
    const later = name => event => setTimeout(() => seen[name] && seen[name](event), %d);
    real.onupgradeneeded = event => seen.onupgradeneeded && seen.onupgradeneeded(event);
    real.onblocked = event => seen.onblocked && seen.onblocked(event);
    real.onsuccess = later("onsuccess");
    real.onerror = later("onerror");
    return seen;
  };
})();
""" % (LATE * 1000)


class WithoutWebLocks(SiteCase, per_engine=True):
    # Served by the test's server ahead of the page's scripts: the same in every engine.
    page_scripts = (_NO_LOCKS_SLOW_STORE,)

    def game_tab(self, browser, first):
        """A tab of the game with the slow store and no Web Locks, from its first script on."""
        address = self.address + "/index.html"
        if first:
            browser.open(address)
        else:
            try:
                browser.new_window(address, "tab")
            except Unsupported as gap:
                # Two windows share the store just as two tabs do.
                self.left_out(f"deux onglets, deux fenêtres à la place ({gap})")
                browser.new_window(address, "window")
        self.assertFalse(browser.script("return 'locks' in navigator"), "Web Locks still there")
        return browser.current_window(), browser.canvas(0, timeout=30)

    def test_two_tabs_recording_at_once_both_keep_their_records(self):
        browser = self.browser()
        old = [(f"Ancien {n}", -600 - n, "") for n in range(1, 31)]
        players = {}
        for name in ("Alice", "Bébert"):
            handle, game = self.game_tab(browser, first=not players)
            if not players:
                browser.store_table(table(old))
            players[handle] = (name, game)

        # A loss scores 0, which passes the negative scores.
        for handle, (name, game) in players.items():
            browser.switch_to(handle)
            player = Player(browser, game)
            self.until(browser, player.result_shown, 40, f"no result panel for {name}")
            game.click(*VALIDER)
        for prompt in ("entrez votre pseudo", "commentaire:"):
            for handle, (name, game) in players.items():
                browser.switch_to(handle)
                self.until(browser, lambda: browser.box() == ("Klimbor", prompt, True), 15,
                           f"no question {prompt!r} for {name}")
                browser.box_input().send_keys(name if prompt.startswith("entrez") else "vu")
                if prompt.startswith("entrez"):
                    browser.box_button("OK")
        # Both comments typed; OK in one tab, then at once in the other.
        started = time.monotonic()
        for handle in players:
            browser.switch_to(handle)
            browser.box_button("OK")
        self.assertLess(time.monotonic() - started, LATE, "the two recordings did not overlap")

        both_recorded(self, browser, players, old, 30)

if __name__ == "__main__":
    unittest.main()
