#!/usr/bin/python3
# Debian's Python on purpose: python3-selenium is Debian's, and the python3 on the PATH may not be.
"""The browser edition measured in headless Chromium, served locally, and written as the section
"Dans un navigateur" of docs/PERFORMANCE.md (printed on stdout; bench/run-web puts it there):

- the site's transfer size, each file gzipped (gzip -9), as a server that compresses sends it;
- navigation to the game's first frame, in a new profile each time (a first visit), and again
  on a reload (a repeat visit, from the browser's caches);
- Timer1 against a bare setInterval(..., 63) page in the same run (bench/web_timer.py);
- the page's memory: JavaScript heap, WebAssembly memory, and what its renderer takes beside
  the same browser's renderer on a bare page.

Nothing here is in the product: the frame and the ticks are seen from outside, by scripts given
to the page before it loads.

Usage: bench/web_bench.py SITE_DIR [RUNS] [PERIODS]"""

import gzip
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
sys.path.insert(0, os.path.dirname(__file__))
from browser import Browser, serve  # noqa: E402
import web_timer  # noqa: E402

KIB = 1024

# The first stroke on any canvas, and the end of the task that made it: the whole first paint.
WATCH_FIRST_FRAME = """
(function() {
  const proto = CanvasRenderingContext2D.prototype;
  for (const name of ['fillRect', 'drawImage', 'fillText']) {
    const original = proto[name];
    proto[name] = function() {
      if (window.klbFirstStroke === undefined) {
        window.klbFirstStroke = performance.now();
        queueMicrotask(function() { window.klbFirstFrame = performance.now(); });
      }
      return original.apply(this, arguments);
    };
  }
})();
"""

BARE_PAGE = "<!DOCTYPE html><title>bare</title><p>bare</p>"


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


def first_frame(browser, url):
    browser.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                   {"source": WATCH_FIRST_FRAME})
    browser.open(url)
    return frame_time(browser)


def frame_time(browser):
    read = "return window.klbFirstFrame === undefined ? null : window.klbFirstFrame;"
    if browser.wait(lambda: browser.driver.execute_script(read) is not None, 30, every=0.01) is None:
        raise RuntimeError("aucune image du jeu en 30 s")
    return browser.driver.execute_script(read)


def first_visits(address, runs):
    return [first_frame_in_new_profile(address) for _ in range(runs)]


# When the page's first file was asked for: a new profile's renderer takes its time before it
# reads the page it has received, and the site can do nothing about that.
FIRST_REQUEST = ("return Math.min.apply(null, performance.getEntriesByType('resource')"
                 ".map(function(e) { return e.startTime; }));")


def first_frame_in_new_profile(address):
    """The first frame, and the part of it from the page's first request."""
    with Browser() as browser:
        frame = first_frame(browser, address + "/index.html")
        return frame, frame - browser.driver.execute_script(FIRST_REQUEST)


# The floor: the same new profile's first paint of a page that draws one line of text.
FLOOR_PAGE = "<!DOCTYPE html><title>floor</title><p>Klimbor</p>"
FIRST_PAINT = ("var p = performance.getEntriesByName('first-contentful-paint')[0];"
               "return p === undefined ? null : p.startTime;")


def floor_visits(address, site, runs):
    with open(os.path.join(site, "floor.html"), "w", encoding="utf-8") as page:
        page.write(FLOOR_PAGE)
    try:
        times = []
        for _ in range(runs):
            with Browser() as browser:
                browser.open(address + "/floor.html")
                browser.wait(lambda: browser.driver.execute_script(FIRST_PAINT) is not None, 30)
                times.append(browser.driver.execute_script(FIRST_PAINT))
        return times
    finally:
        os.remove(os.path.join(site, "floor.html"))


def repeat_visits(address, runs):
    with Browser() as browser:
        first_frame(browser, address + "/index.html")
        times = []
        for _ in range(runs):
            browser.driver.refresh()
            times.append(frame_time(browser))
        return times


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
    """The game ten seconds into its first race, and a bare page, each in its own browser."""
    with Browser() as browser:
        browser.driver.execute_cdp_cmd("Performance.enable", {})
        browser.open(address + "/index.html")
        browser.canvas(0, timeout=30)
        time.sleep(10)  # the intro, then the race under way
        game = {
            "heap": js_heap(browser),
            "wasm": browser.driver.execute_script("return Module.HEAP8.length;") / KIB,
            "pss": renderer_pss(browser),
        }
    with open(os.path.join(site, "bare.html"), "w", encoding="utf-8") as page:
        page.write(BARE_PAGE)
    try:
        with Browser() as browser:
            browser.driver.execute_cdp_cmd("Performance.enable", {})
            browser.open(address + "/bare.html")
            time.sleep(10)
            bare = {"heap": js_heap(browser), "pss": renderer_pss(browser)}
    finally:
        os.remove(os.path.join(site, "bare.html"))
    return game, bare


def p99_deviation(gaps):
    deviations = sorted(abs(gap - web_timer.INTERVAL) for gap in gaps)
    return deviations[min(len(deviations) - 1, int(0.99 * len(deviations)))]


def timers(address, site, periods):
    with open(os.path.join(site, "bare.html"), "w", encoding="utf-8") as page:
        page.write(web_timer.BARE_PAGE)
    try:
        with Browser() as browser:
            game = web_timer.game_periods(browser, address, periods)
            bare = web_timer.bare_periods(browser, address, periods)
    finally:
        os.remove(os.path.join(site, "bare.html"))
    return game, bare


def chromium_version():
    with Browser() as browser:
        return browser.driver.capabilities.get("browserVersion", "?")


def section(site, runs, periods):
    rows = sizes(site)
    with serve(site) as address:
        version = chromium_version()
        first_runs = first_visits(address, runs)
        first = [frame for frame, _ in first_runs]
        own = [part for _, part in first_runs]
        floor = floor_visits(address, site, runs)
        repeat = repeat_visits(address, runs)
        game_gaps, bare_gaps = timers(address, site, periods)
        game_memory, bare_memory = memory(address, site)

    total = sum(gz for _, _, gz in rows)
    programs = sum(gz for name, _, gz in rows if name.endswith((".wasm", ".js")) and "/" not in name)
    out = []
    say = out.append
    say("## Dans un navigateur")
    say("")
    say(f"Measured by `bench/run-web` in headless Chromium {version} on this machine, the site "
        "served by Python's `http.server` on 127.0.0.1.")
    say("")
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
    say(f"| **the programs' `.wasm` and `.js`** | | **{programs / KIB:.1f} KiB** (goal ≤ 250 KiB: "
        f"{'met' if programs <= 250 * KIB else 'NOT met'}) |")
    say("")
    say("### Navigation to the game's first frame")
    say("")
    say("From the start of the navigation to `index.html` to the end of the first paint of the "
        "game's canvas (the pictures and the font loaded, `main` run, the window painted), seen "
        "by a script given to the page before it loads.")
    say("")
    say("| Visit | Median | min–max | Runs | Goal ≤ 300 ms |")
    say("|---|---|---|---|---|")
    for name, times in (("first (a new profile each time)", first),
                        ("first, from the page's first request to the frame", own),
                        ("repeat (a reload, from the caches)", repeat)):
        median = statistics.median(times)
        say(f"| {name} | {median:.0f} ms | {min(times):.0f}–{max(times):.0f} ms | {len(times)} | "
            f"{'met' if median <= 300 else 'NOT met'} |")
    say(f"| the floor: a bare page's first paint, in a new profile | {statistics.median(floor):.0f} ms | "
        f"{min(floor):.0f}–{max(floor):.0f} ms | {len(floor)} | |")
    say("")
    say("### Timer1")
    say("")
    say("Timer1's calls seen from outside the program, beside a bare `setInterval(…, 63)` page "
        "in the same browser, one after the other.")
    say("")
    say("| Timer | Periods | Mean period | 99th percentile deviation |")
    say("|---|---|---|---|")
    game_p99, bare_p99 = p99_deviation(game_gaps), p99_deviation(bare_gaps)
    say(f"| Timer1, the game's tick (63 ms) | {len(game_gaps)} | {statistics.fmean(game_gaps):.3f} ms "
        f"| {game_p99:.3f} ms |")
    say(f"| a bare `setInterval(…, 63)` | {len(bare_gaps)} | {statistics.fmean(bare_gaps):.3f} ms | "
        f"{bare_p99:.3f} ms |")
    ratio = game_p99 / bare_p99 if bare_p99 else float("inf")
    say("")
    say(f"Ratio of the 99th percentiles: {ratio:.2f} (goal ≤ 1.2: {'met' if ratio <= 1.2 else 'NOT met'}).")
    say("")
    say("### Memory")
    say("")
    say("Ten seconds after the page opened (the game: its race under way), after a garbage "
        "collection; the renderer is the proportional set size (PSS) of Chromium's renderer "
        "processes, beside the same browser showing a bare page.")
    say("")
    say("| Page | JavaScript heap | WebAssembly memory | Renderer (PSS) |")
    say("|---|---|---|---|")
    say(f"| the game | {game_memory['heap']:.0f} KiB | {game_memory['wasm']:.0f} KiB | "
        f"{game_memory['pss'] / KIB:.1f} MiB |")
    say(f"| a bare page | {bare_memory['heap']:.0f} KiB | — | {bare_memory['pss'] / KIB:.1f} MiB |")
    say("")
    return "\n".join(out)


if __name__ == "__main__":
    site = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 11
    periods = int(sys.argv[3]) if len(sys.argv) > 3 else 400
    print(section(site, runs, periods))
