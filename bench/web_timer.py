#!/usr/bin/python3
# Debian's Python on purpose: python3-selenium is Debian's, and the python3 on the PATH may not be.
"""Timer1 of the browser edition in headless Chromium, beside a bare setInterval(..., 63) page
measured in the same run: the mean period and the 99th percentile of the deviation from 63 ms.

The game's ticks are seen from outside the product: a script given to the browser before the
page wraps the program's tick entry point and notes performance.now() at each call of Timer1.
Races are short when nobody plays, so the game is restarted ("R") until enough periods are in.

Usage: bench/web_timer.py SITE_DIR [PERIODS]   (prints one line per measure)"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
from browser import Browser, serve  # noqa: E402

TIMER1 = 1  # the game's timers are numbered as the window lists them: Timer, Timer1, Timer2
INTERVAL = 63.0

# The program rebinds its entry points on their first call: the wrapper stays in front of
# whatever function is set.
WATCH_TICKS = """
window.klbTicks = [];
window.Module = {
  onRuntimeInitialized: function() {
    let tick = Module['_klb_web_tick'];
    Object.defineProperty(Module, '_klb_web_tick', {
      get: function() {
        return function(id) {
          if (id === %d) window.klbTicks.push(performance.now());
          return tick(id);
        };
      },
      set: function(f) { tick = f; },
    });
  }
};
""" % TIMER1

BARE_PAGE = """<!DOCTYPE html><title>bare</title><script>
window.klbTicks = [];
setInterval(function() { window.klbTicks.push(performance.now()); }, 63);
</script>"""


def periods(ticks):
    """The periods of the runs of Timer1, leaving out the pause between two races."""
    gaps = [b - a for a, b in zip(ticks, ticks[1:])]
    return [gap for gap in gaps if gap < 2 * INTERVAL]


def describe(name, gaps):
    deviations = sorted(abs(gap - INTERVAL) for gap in gaps)
    p99 = deviations[min(len(deviations) - 1, int(0.99 * len(deviations)))]
    print(f"{name}: {len(gaps)} périodes, moyenne {statistics.fmean(gaps):.3f} ms, "
          f"p99 de l'écart {p99:.3f} ms, max {max(gaps):.3f} ms")
    return p99


def game_periods(browser, address, wanted):
    browser.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH_TICKS})
    browser.open(address + "/index.html")
    browser.canvas(0, timeout=20)
    canvas = browser.driver.find_element("css selector", "canvas")
    while True:
        ticks = browser.driver.execute_script("return window.klbTicks;")
        if len(periods(ticks)) >= wanted:
            return periods(ticks)
        # After a round the game waits for the player: "R" starts a new game three seconds on.
        count = len(ticks)
        time.sleep(1.0)
        if len(browser.driver.execute_script("return window.klbTicks;")) == count:
            canvas.send_keys("r")


def bare_periods(browser, address, wanted):
    browser.open(address + "/bare.html")
    ticks = []
    while len(ticks) < wanted + 1:
        time.sleep(1.0)
        ticks = browser.driver.execute_script("return window.klbTicks;")
    return periods(ticks)


def main(site, wanted):
    with open(os.path.join(site, "bare.html"), "w", encoding="utf-8") as page:
        page.write(BARE_PAGE)
    try:
        with serve(site) as address, Browser() as browser:
            game = describe("Timer1", game_periods(browser, address, wanted))
            bare = describe("setInterval nu", bare_periods(browser, address, wanted))
            print(f"rapport des p99 : {game / bare:.2f}")
    finally:
        os.remove(os.path.join(site, "bare.html"))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 500)
