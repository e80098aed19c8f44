#!/usr/bin/python3
# Debian's Python on purpose: python3-selenium and python3-websocket are Debian's, and the python3
# on the PATH may not be.
"""Timer1 of the browser edition beside a bare setInterval(..., 63) page, and beside the same
timer drawing a canvas of the game's size, measured in the same browser, in each engine: the
mean period and the 99th percentile of the deviation from 63 ms.

The game's ticks are seen from outside the product: a script the test server gives the page
before its own wraps the program's tick entry point and notes performance.now() at each call of
Timer1. Races are short when nobody plays, so the game is restarted ("R") until enough periods
are in. The periods that a stop of the whole machine by its host fell in are left out, and
counted (HostStalls); the machine's own sleep of 63 ms is measured first, for comparison.

Usage: bench/web_timer.py SITE_DIR [PERIODS] [ENGINE...]   (prints one line per measure)"""

import contextlib
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
from browser import Browser, serve  # noqa: E402
import engines  # noqa: E402

TIMER1 = 1  # the game's timers are numbered as the window lists them: Timer, Timer1, Timer2
INTERVAL = 63.0

# The program rebinds its entry points on their first call: the wrapper stays in front of
# whatever function is set. Emscripten's script keeps a Module that is there before it.
WATCH_TICKS = """
window.klbTicks = [];
window.Module = window.Module || {};
Module.onRuntimeInitialized = function() {
  if (window.klbMarks) klbMarks.main = performance.now();
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
};
""" % TIMER1

BARE_PAGE = """<!DOCTYPE html><title>bare</title><script>
window.klbTicks = [];
setInterval(function() { window.klbTicks.push(performance.now()); }, 63);
</script>"""

# The same timer drawing a canvas of the game's size at each tick: what any page that draws
# pays, the browser's frames coming between its ticks.
DRAWING_PAGE = """<!DOCTYPE html><title>drawing</title><canvas width="258" height="556"></canvas>
<script>
window.klbTicks = [];
const pen = document.querySelector('canvas').getContext('2d');
let y = 0;
setInterval(function() {
  window.klbTicks.push(performance.now());
  pen.fillStyle = '#ff8000';
  pen.fillRect(0, 0, 258, 556);
  pen.fillStyle = '#0000ff';
  pen.fillRect(100, 500 - y, 40, 40);
  y = (y + 4) % 500;
}, 63);
</script>"""


# Run beside the bench as processes of their own (a thread would wait on the bench's lock on
# Python's interpreter), one on each processor, real-time so that the browsers' own load never
# delays them: each sleeps 5 ms at a time, and a wake-up 5 ms late or more is a moment the host
# stopped that processor. Where they may not be real-time (not root) they say so and see
# nothing: no period is left out.
WATCH_HOST = """
import os, sys, time
try:
    os.sched_setaffinity(0, {int(sys.argv[1])})
    os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
except OSError:
    print("non temps réel : les arrêts de l'hôte ne sont pas vus", file=sys.stderr)
    time.sleep(1e9)
last = time.time()
while True:
    time.sleep(0.005)
    now = time.time()
    if (now - last) * 1000 > 10:
        os.write(1, f"{last * 1000} {now * 1000}\\n".encode())  # one line, in one piece
    last = now
"""


class HostStalls:
    """The moments the host stalled this machine, in ms since the epoch, while the block runs."""

    def __enter__(self):
        self._log = tempfile.TemporaryFile(mode="a+")  # appended to by the watchers, read here
        self._watchers = [subprocess.Popen([sys.executable, "-c", WATCH_HOST, str(cpu)],
                                           stdout=self._log)
                          for cpu in sorted(os.sched_getaffinity(0))]
        return self

    def __exit__(self, *exc):
        for watcher in self._watchers:
            watcher.kill()
            watcher.wait()
        self._log.close()

    def windows(self):
        self._log.seek(0)
        return [tuple(map(float, line.split())) for line in self._log.read().splitlines()
                if len(line.split()) == 2]


class Periods:
    """The periods of a page's timer, from the ticks it noted (ms after origin, its
    performance.timeOrigin): long pauses left out (the game waits between two races), and those
    the host stalled the machine during, counted apart."""

    def __init__(self, ticks, origin, stalls):
        self.ticks, self.kept, self.stalled = len(ticks), [], 0
        windows = stalls.windows()
        for a, b in zip(ticks, ticks[1:]):
            if b - a >= 2 * INTERVAL:
                continue
            if any(start < origin + b + 1 and origin + a - 1 < end for start, end in windows):
                self.stalled += 1
            else:
                self.kept.append(b - a)


def p99_deviation(gaps):
    deviations = sorted(abs(gap - INTERVAL) for gap in gaps)
    return deviations[min(len(deviations) - 1, int(0.99 * len(deviations)))]


def read_periods(browser, stalls):
    return Periods(browser.script("return window.klbTicks;"),
                   browser.script("return performance.timeOrigin;"), stalls)


def game_periods(browser, address, wanted, stalls):
    """address serves WATCH_TICKS before the page's own scripts."""
    browser.open(address + "/index.html")
    canvas = browser.canvas(0, timeout=30)
    while True:
        found = read_periods(browser, stalls)
        if len(found.kept) >= wanted:
            return found
        # After a round the game waits for the player: "R" starts a new game three seconds on.
        count = found.ticks
        time.sleep(1.0)
        if len(browser.script("return window.klbTicks;")) == count:
            canvas.press_key("r")


def bare_periods(browser, address, wanted, stalls, page="bare.html"):
    browser.open(address + "/" + page)
    while True:
        time.sleep(1.0)
        found = read_periods(browser, stalls)
        if len(found.kept) >= wanted:
            return found


@contextlib.contextmanager
def watched(site, engine, scripts):
    """The site's address, and a function giving a new browser of the engine whose pages run
    scripts before their own: through the engine's own preload where it has one, so that the
    page makes no request more than it does for a player; else from the test server. Its
    connections are kept open, as a web host keeps them and as the bare pages are served."""
    own = engines.preloads(engine)
    with serve(site, spy=False, before=() if own else scripts, keep_alive=True) as address:
        def browser():
            made = Browser(engine=engine, spy=False)
            for source in scripts if own else ():
                made.engine.preload(source)
            return made
        yield address, browser


PAGES = {"bare.html": BARE_PAGE, "drawing.html": DRAWING_PAGE}


def measure(site, wanted, engine):
    """The periods of Timer1, of the bare page's timer and of the drawing page's, one after the
    other in one browser."""
    for name, text in PAGES.items():
        with open(os.path.join(site, name), "w", encoding="utf-8") as page:
            page.write(text)
    try:
        with watched(site, engine, [WATCH_TICKS]) as (address, new_browser), \
                new_browser() as browser, HostStalls() as stalls:
            return (game_periods(browser, address, wanted, stalls),
                    bare_periods(browser, address, wanted, stalls),
                    bare_periods(browser, address, wanted, stalls, "drawing.html"))
    finally:
        for name in PAGES:
            os.remove(os.path.join(site, name))


def machine_periods(wanted):
    """The machine's own: a 63 ms sleep of this process, no browser. Where its 99th percentile
    is far above a bare page's usual one, the host stalls the machine now and then (a shared
    virtual machine does), and the timers' figures tell the host rather than the page."""
    gaps, last = [], time.perf_counter()
    for _ in range(wanted):
        time.sleep(INTERVAL / 1000)
        now = time.perf_counter()
        gaps.append((now - last) * 1000)
        last = now
    return gaps


def describe(name, gaps, stalled=0):
    print(f"{name}: {len(gaps)} périodes ({stalled} sous un arrêt de l'hôte, laissées de côté), "
          f"moyenne {statistics.fmean(gaps):.3f} ms, p99 de l'écart {p99_deviation(gaps):.3f} ms, "
          f"max {max(gaps):.3f} ms")


if __name__ == "__main__":
    site = sys.argv[1]
    wanted = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    describe("[machine] sleep(63 ms)", machine_periods(wanted))
    for engine in sys.argv[3:] or engines.NAMES:
        game, bare, drawing = measure(site, wanted, engine)
        describe(f"[{engine}] Timer1", game.kept, game.stalled)
        describe(f"[{engine}] setInterval nu", bare.kept, bare.stalled)
        describe(f"[{engine}] setInterval qui dessine", drawing.kept, drawing.stalled)
        ratio = p99_deviation(game.kept) / p99_deviation(bare.kept)
        print(f"[{engine}] rapport des p99 : {ratio:.2f}")
