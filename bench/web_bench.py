#!/usr/bin/python3
# Debian's Python on purpose: python3-selenium is Debian's, and the python3 on the PATH may not be.
"""The browser edition measured in each engine (Chromium, Firefox, WebKitGTK; KLB_ENGINES or
the arguments name fewer), served locally, and written as the section "Dans un navigateur" of
docs/PERFORMANCE.md (printed on stdout; bench/run-web puts it there):

- the site's transfer size, each file gzipped (gzip -9), as a server that compresses sends it;
- navigation to the game's first frame, in a new profile each time (a first visit) and in the
  same browser coming back (a repeat visit), beside a bare page's first paint, with where the
  time of a visit goes;
- Timer1 against a bare setInterval(..., 63) page in the same run (bench/web_timer.py);
- in Chromium, the page's memory: JavaScript heap, WebAssembly memory, and what its renderer
  takes beside the same browser's renderer on a bare page.

Nothing here is in the product: the frame and the ticks are seen from outside, by scripts the
test server gives the page before its own.

Usage: bench/web_bench.py SITE_DIR [RUNS] [PERIODS] [ENGINE...]"""

import gzip
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
sys.path.insert(0, os.path.dirname(__file__))
from browser import Browser, serve  # noqa: E402
import engines  # noqa: E402
import web_timer  # noqa: E402

KIB = 1024

# Where the time of a visit goes, seen from inside the page by a script the test server gives it
# before its own, all in ms from the start of the navigation: the first stroke on any canvas and
# the end of the task that made it (the whole first paint of the game), the program's script
# starting to run, the module asked for, its compilation begun (as it comes, or whole) and its
# instance received, main about to run (web_timer's onRuntimeInitialized).
WATCH_VISIT = """
(function() {
  const marks = window.klbMarks = {};
  const note = function(name) { if (marks[name] === undefined) marks[name] = performance.now(); };
  const proto = CanvasRenderingContext2D.prototype;
  for (const name of ['fillRect', 'drawImage', 'fillText']) {
    const original = proto[name];
    proto[name] = function() {
      if (marks.stroke === undefined) {
        note('stroke');
        queueMicrotask(function() { note('frame'); });
      }
      return original.apply(this, arguments);
    };
  }
  // The program's script starts by making room for its pictures, and asks for its module at its
  // end.
  window.Module = window.Module || {};
  let pictures;
  Object.defineProperty(Module, 'pictures', {
    get: function() { return pictures; },
    set: function(value) { note('runs'); pictures = value; },
  });
  const fetch = window.fetch;
  window.fetch = function(address) {
    if (/[.]wasm$/.test(String(address))) note('asked');
    return fetch.apply(this, arguments);
  };
  for (const name of ['compileStreaming', 'instantiateStreaming', 'instantiate']) {
    const original = WebAssembly[name];
    if (original === undefined) continue;
    WebAssembly[name] = function() {
      note('compile');
      const made = original.apply(this, arguments);
      if (name === 'compileStreaming') return made;
      return made.then(function(result) {
        note('instantiated');
        return result;
      });
    };
  }
})();
"""

# The files of the site as the page received them, in ms from the start of the navigation.
RECEIVED = """
const done = {};
const page = performance.getEntriesByType('navigation')[0];
done.page = page ? page.responseEnd : performance.timing.responseEnd - performance.timeOrigin;
for (const e of performance.getEntriesByType('resource')) {
  const path = new URL(e.name).pathname;
  const key = /[.]wasm$/.test(path) ? 'module' : /[/]klimbor[.]js$/.test(path) ? 'script'
            : /[/]fonts[/]/.test(path) ? 'look' : null;
  if (key !== null) done[key] = Math.max(done[key] || 0, e.responseEnd);
}
done.first_request = Math.min.apply(null,
    performance.getEntriesByType('resource').map(function(e) { return e.startTime; }));
return Object.assign(done, window.klbMarks);
"""

# The floor: the same engine's first paint of a page that draws one line of text.
FLOOR_PAGE = "<!DOCTYPE html><title>floor</title><p>Klimbor</p>"
FIRST_PAINT = ("var p = performance.getEntriesByName('first-contentful-paint')[0];"
               "return p === undefined ? null : p.startTime;")

# The steps of a visit, in the order they end, as the tables name them.
STEPS = (("page", "page"), ("script", "`klimbor.js`"), ("runs", "`klimbor.js` runs"),
         ("module", "`klimbor.wasm`"), ("look", "fonts"), ("asked", "module asked for"),
         ("compile", "compiling"), ("instantiated", "module instantiated"),
         ("main", "`main` runs"), ("frame", "first frame"))


def site_files(site):
    for folder, _, names in os.walk(site):
        for name in sorted(names):
            path = os.path.join(folder, name)
            yield os.path.relpath(path, site), path


def sizes(site):
    rows = []
    for name, path in site_files(site):
        with open(path, "rb") as f:
            data = f.read()
        rows.append((name, len(data), len(gzip.compress(data, 9))))
    return sorted(rows, key=lambda row: -row[2])


def visit(browser, url):
    """The marks of one visit of the game's page, once its first frame is painted."""
    browser.open(url)
    read = "return window.klbMarks && window.klbMarks.frame !== undefined;"
    if browser.wait(lambda: browser.script(read), 30, every=0.01) is None:
        raise RuntimeError(f"[{browser.name}] aucune image du jeu en 30 s")
    return browser.script(RECEIVED)


def first_visits(address, new_browser, runs):
    """A new profile each time: nothing cached, no service worker."""
    found = []
    for _ in range(runs):
        with new_browser() as browser:
            found.append(visit(browser, address + "/index.html"))
    return found


def repeat_visits(address, new_browser, runs):
    """The same browser coming back: the service worker's caches, or the browser's."""
    with new_browser() as browser:
        visit(browser, address + "/index.html")
        return [visit(browser, address + "/index.html") for _ in range(runs)]


def floor_visits(address, site, engine, runs):
    with open(os.path.join(site, "floor.html"), "w", encoding="utf-8") as page:
        page.write(FLOOR_PAGE)
    try:
        times = []
        for _ in range(runs):
            with Browser(engine=engine, spy=False) as browser:
                browser.open(address + "/floor.html")
                if browser.wait(lambda: browser.script(FIRST_PAINT) is not None, 10) is None:
                    return None  # the engine gives no paint timing
                times.append(browser.script(FIRST_PAINT))
        return times
    finally:
        os.remove(os.path.join(site, "floor.html"))


def process_tree(root):
    """root and every process under it."""
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        children.setdefault(parent, []).append(int(pid))
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo += children.get(pid, [])
    return found


def pss_kib(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                total += sum(int(line.split()[1]) for line in f if line.startswith("Pss:"))
        except OSError:
            pass
    return total


def is_renderer(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return b"--type=renderer" in f.read()
    except OSError:
        return False


def renderer_pss(browser):
    """The page's own processes: Chromium's renderers, without the browser and GPU processes
    that every page shares."""
    return pss_kib([pid for pid in process_tree(browser.driver.service.process.pid)
                    if is_renderer(pid)])


def js_heap(browser):
    metrics = browser.driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    browser.driver.execute_cdp_cmd("HeapProfiler.collectGarbage", {})
    metrics = browser.driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "JSHeapUsedSize") / KIB


def memory(address, site):
    """The game ten seconds into its first race, and a bare page, each in its own Chromium (the
    only engine that tells its heap)."""
    with Browser(engine="chromium", spy=False) as browser:
        browser.driver.execute_cdp_cmd("Performance.enable", {})
        browser.open(address + "/index.html")
        browser.canvas(0, timeout=30)
        time.sleep(10)  # the intro, then the race under way
        game = {
            "heap": js_heap(browser),
            "wasm": browser.script("return Module.HEAP8.length;") / KIB,
            "pss": renderer_pss(browser),
        }
    with open(os.path.join(site, "bare.html"), "w", encoding="utf-8") as page:
        page.write(FLOOR_PAGE)
    try:
        with Browser(engine="chromium", spy=False) as browser:
            browser.driver.execute_cdp_cmd("Performance.enable", {})
            browser.open(address + "/bare.html")
            time.sleep(10)
            bare = {"heap": js_heap(browser), "pss": renderer_pss(browser)}
    finally:
        os.remove(os.path.join(site, "bare.html"))
    return game, bare


def version(engine):
    command = {"chromium": ["chromium", "--version"], "firefox": ["firefox-esr", "--version"],
               "webkit": ["dpkg-query", "-W", "-f", "WebKitGTK ${Version}",
                          "libwebkit2gtk-4.1-0"]}[engine]
    try:
        return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout.strip()
    except OSError:
        return engine


class Engine:
    """What one engine measured: visits (marks per visit), the floor, the two timers."""

    def __init__(self, name, address, site, runs, periods):
        """address: the site served as built, for the bare page."""
        self.name, self.version = name, version(name)
        with web_timer.watched(site, name, [WATCH_VISIT, web_timer.WATCH_TICKS]) as (
                game, new_browser):
            self.first = first_visits(game, new_browser, runs)
            self.repeat = repeat_visits(game, new_browser, runs)
        self.floor = floor_visits(address, site, name, runs)
        self.game, self.bare, self.drawing = web_timer.measure(site, periods, name)

    @staticmethod
    def median(visits, step):
        return statistics.median(v[step] for v in visits if v.get(step) is not None)


def ms(times):
    return f"{statistics.median(times):.0f} ms ({min(times):.0f}–{max(times):.0f})"


def sizes_section(site, say):
    rows = sizes(site)
    total = sum(gz for _, _, gz in rows)
    # The pages count with their programs: each carries its first script, and the game's its
    # pictures.
    programs = sum(gz for name, _, gz in rows
                   if name.endswith((".wasm", ".js", ".html")) and "/" not in name)
    say("### Transfer size")
    say("")
    say("Each file of `build-web/site` compressed with gzip -9, as a server that compresses "
        "sends it.")
    say("")
    say("| File | Size | Gzipped |")
    say("|---|---|---|")
    for name, raw, gz in rows:
        say(f"| `{name}` | {raw / KIB:.1f} KiB | {gz / KIB:.1f} KiB |")
    say(f"| **the whole site** | {sum(raw for _, raw, _ in rows) / KIB:.1f} KiB | "
        f"**{total / KIB:.1f} KiB** (goal ≤ 400 KiB: {'met' if total <= 400 * KIB else 'NOT met'}) |")
    say(f"| **the programs' pages, `.wasm` and `.js`** | | **{programs / KIB:.1f} KiB** (goal ≤ 250 KiB: "
        f"{'met' if programs <= 250 * KIB else 'NOT met'}) |")
    say("")


def visits_section(measured, say):
    say("### Navigation to the game's first frame")
    say("")
    say("From the start of the navigation to `index.html` to the end of the task that painted "
        "the game's canvas first (the fonts loaded, the pictures decoded, `main` run, the "
        "window painted), beside the same engine's first paint of a page holding one line of text "
        "(`first-contentful-paint`). A first visit is a new profile each time: nothing cached, "
        "no service worker; a repeat visit is the same browser coming back to the page. "
        "Medians, with the least and the most in brackets.")
    say("")
    say("| Engine | First visit | Repeat visit | Bare page's first paint | First visit ÷ bare "
        "(goal ≤ 1.5) |")
    say("|---|---|---|---|---|")
    for e in measured:
        first = [v["frame"] for v in e.first]
        repeat = [v["frame"] for v in e.repeat]
        if e.floor:
            ratio = statistics.median(first) / statistics.median(e.floor)
            floor, verdict = ms(e.floor), f"{ratio:.2f} ({'met' if ratio <= 1.5 else 'NOT met'})"
        else:
            floor, verdict = "no paint timing", "—"
        say(f"| {e.version} | {ms(first)} | {ms(repeat)} | {floor} | {verdict} |")
    say("")
    say("Where a first visit's time goes: when each step ended, medians in ms from the start of "
        "the navigation (a file: when its last byte came; the fonts: the last of the two; the "
        "pictures come in the page). The engine's own start of a new profile lies between "
        "the page and its first request.")
    say("")
    say("| Engine | Visit | " + " | ".join(title for _, title in STEPS) + " | first request |")
    say("|---|---|" + "---|" * (len(STEPS) + 1))
    for e in measured:
        for kind, visits in (("first", e.first), ("repeat", e.repeat)):
            cells = []
            for step, _ in STEPS + (("first_request", ""),):
                try:
                    cells.append(f"{Engine.median(visits, step):.0f}")
                except statistics.StatisticsError:
                    cells.append("—")
            say(f"| {e.name} | {kind} | " + " | ".join(cells) + " |")
    say("")


def timers_section(measured, machine, say):
    say("### Timer1")
    say("")
    say("Timer1's calls seen from outside the program, beside a bare `setInterval(…, 63)` page "
        "and the same timer drawing a canvas of the game's size at each tick, in the same "
        "browser, one after the other: the mean period, and the 99th percentile of the "
        "deviation from 63 ms (WebKit gives `performance.now()` to the millisecond only; the "
        "Firefox profile of the tests asks for it unrounded). The first row is the machine's "
        "own, a 63 ms `sleep` of the bench's process with no browser: where its 99th percentile "
        "is far above the pages' usual 1–2 ms, the host stops the whole machine now and then. "
        "The periods such a stop fell in are left out of the pages' figures, and counted: a "
        "real-time process of the bench sleeps 5 ms at a time beside the browser, and notes "
        "each wake-up 5 ms late or more.")
    say("")
    say("| Engine | Timer1 | bare `setInterval` | drawing `setInterval` | Timer1 ÷ bare, 99th "
        "percentiles (goal ≤ 1.2) |")
    say("|---|---|---|---|---|")

    def cell(gaps, left_out=""):
        return (f"{statistics.fmean(gaps):.3f} ms, {web_timer.p99_deviation(gaps):.3f} ms "
                f"({len(gaps)} periods{left_out})")

    def page_cell(periods):
        return cell(periods.kept, f", {periods.stalled} under a stall left out")

    say(f"| this machine, a `sleep` of 63 ms with no browser | {cell(machine)} | | | |")
    for e in measured:
        game_p99 = web_timer.p99_deviation(e.game.kept)
        bare_p99 = web_timer.p99_deviation(e.bare.kept)
        ratio = game_p99 / bare_p99 if bare_p99 else float("inf")
        say(f"| {e.name} | {page_cell(e.game)} | {page_cell(e.bare)} | {page_cell(e.drawing)} | "
            f"{ratio:.2f} ({'met' if ratio <= 1.2 else 'NOT met'}) |")
    say("")


def memory_section(game, bare, say):
    say("### Memory")
    say("")
    say("Ten seconds after the page opened (the game: its race under way), after a garbage "
        "collection; the renderer is the proportional set size (PSS) of Chromium's renderer "
        "processes, beside the same browser showing a bare page. Chromium alone tells its heap.")
    say("")
    say("| Page | JavaScript heap | WebAssembly memory | Renderer (PSS) |")
    say("|---|---|---|---|")
    say(f"| the game | {game['heap']:.0f} KiB | {game['wasm']:.0f} KiB | "
        f"{game['pss'] / KIB:.1f} MiB |")
    say(f"| a bare page | {bare['heap']:.0f} KiB | — | {bare['pss'] / KIB:.1f} MiB |")
    say("")


def section(site, runs, periods, names):
    with serve(site, spy=False, keep_alive=True) as address:
        measured = []
        for name in names:
            print(f"[{name}] mesure…", file=sys.stderr, flush=True)
            measured.append(Engine(name, address, site, runs, periods))
        game_memory, bare_memory = memory(address, site) if "chromium" in names else (None, None)
    machine = web_timer.machine_periods(periods)
    out = []
    say = out.append
    say("## Dans un navigateur")
    say("")
    say(f"Measured by `bench/run-web` in {', '.join(e.version for e in measured)}, headless "
        "(WebKitGTK's MiniBrowser under Xvfb), on this machine, the site served by Python's "
        "`http.server` on 127.0.0.1, its connections kept open between requests (HTTP/1.1), as "
        "a web host keeps them.")
    say("")
    sizes_section(site, say)
    visits_section(measured, say)
    timers_section(measured, machine, say)
    if game_memory is not None:
        memory_section(game_memory, bare_memory, say)
    return "\n".join(out)


if __name__ == "__main__":
    site = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 11
    periods = int(sys.argv[3]) if len(sys.argv) > 3 else 400
    names = sys.argv[4:] or [e for e in os.environ.get("KLB_ENGINES", "").split(",") if e] \
        or list(engines.NAMES)
    print(section(site, runs, periods, names))
