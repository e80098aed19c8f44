#!/usr/bin/python3
# Debian's Python on purpose: python3-selenium is Debian's, and the python3 on the PATH may not be.
"""The browser edition as a player first meets it, in each engine of KLB_ENGINES (Chromium,
Firefox, WebKitGTK by default): the page loads with no error and each of its files once, the
game's canvas is 129x278 CSS pixels, the race starts about three seconds later, and a round left
to the computer ends on the result panel.

Usage: smoke_test.py SITE_DIR (the folder tools/build-web.sh leaves, build-web/site)."""

import sys
import time

from browser import ENGINES, Browser, serve

from player import LIGHT_GREEN, VITESSE, Player


def smoke(site, engine):
    """What went wrong in that engine, in French, one line each."""
    failures = []
    with serve(site) as address, Browser(engine=engine) as browser:
        browser.open(address + "/index.html")
        game = browser.canvas(0, timeout=20)
        shown = time.monotonic()

        width, height = game.css_size()
        if (width, height) != (129, 278):
            failures.append(f"le canevas du jeu fait {width}x{height} pixels CSS au lieu de 129x278")
        if game.pixel(*VITESSE) == LIGHT_GREEN:
            failures.append("VITESSE est déjà là avant la course")

        started = browser.wait(lambda: game.pixel(*VITESSE) == LIGHT_GREEN, timeout=10)
        if started is None:
            failures.append("la course n'a pas commencé dans les 10 s")
        else:
            delay = started - shown
            print(f"la course commence {delay:.2f} s après l'affichage")
            if not 2.5 <= delay <= 4.5:
                failures.append(f"la course commence {delay:.2f} s après l'affichage, pas 3 s")

        # Nobody presses VITESSE: the round ends, the button goes and the result is written.
        if browser.wait(Player(browser, game).result_shown, timeout=90) is None:
            failures.append("aucun panneau de résultat dans les 90 s")
            browser.screenshot(f"smoke-failure-{engine}.png")

        # Each file the page loads comes once: WebKit loads a module twice if the page only
        # preloads it.
        failures += [f"{url} chargé deux fois" for url in browser.script(
            "const seen = new Set(), twice = [];"
            "for (const e of performance.getEntriesByType('resource'))"
            "  if (seen.has(e.name)) twice.push(e.name); else seen.add(e.name);"
            "return twice;")]
        failures += [f"console : {line}" for line in browser.console_errors()]
        failures += [f"hors du site : {url}" for url in browser.foreign_requests()]
    return failures


def main(site):
    failed = False
    for engine in ENGINES:
        print(f"smoke dans {engine}", flush=True)
        failures = smoke(site, engine)
        for failure in failures:
            print(f"ÉCHEC ({engine}) :", failure, file=sys.stderr)
        print(f"smoke ({engine}) : " + ("échec" if failures else "réussi"), flush=True)
        failed = failed or bool(failures)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
