# The three browser engines the scenarios run in, each driven its own way behind the same calls:
# Chromium through Debian's chromium-driver, WebKitGTK through WebKitWebDriver and its MiniBrowser
# on an X server of the suite's own, Firefox through the WebDriver BiDi it speaks itself.
# Coordinates are CSS pixels of the page's viewport. What an engine cannot do raises Unsupported,
# and the scenario says in its output what it left out there.

import atexit
import base64
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.remote.file_detector import UselessFileDetector

from bidi import BiDi, local, remote

NAMES = ("chromium", "firefox", "webkit")
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"


class Unsupported(Exception):
    """What the engine cannot be asked; the message says what."""


class _Selenium:
    """What Chromium and WebKitGTK share: a classic WebDriver session through Selenium."""

    def __init__(self, driver):
        self.driver = driver

    def script(self, body, *args):
        return self.driver.execute_script(body, *args)

    def script_async(self, body, *args):
        return self.driver.execute_async_script(body, *args)

    def open(self, url):
        self.driver.get(url)

    def new_window(self, kind):
        self.driver.switch_to.new_window(kind)
        return self.driver.current_window_handle

    def switch_to(self, handle):
        self.driver.switch_to.window(handle)

    def current(self):
        return self.driver.current_window_handle

    def handles(self):
        return list(self.driver.window_handles)

    def close(self):
        self.driver.close()

    def resize(self, width, height):
        self.driver.set_window_size(width, height)

    def pointer(self, steps):
        """steps: ("move", x, y), ("down",), ("up",) in turn, as one gesture of the mouse."""
        builder = ActionBuilder(self.driver)
        for step in steps:
            if step[0] == "move":
                builder.pointer_action.move_to_location(int(step[1]), int(step[2]))
            elif step[0] == "down":
                builder.pointer_action.pointer_down()
            else:
                builder.pointer_action.pointer_up()
        builder.perform()

    def keys(self, text):
        ActionChains(self.driver).send_keys(text).perform()

    def element_keys(self, selector, text):
        self.driver.find_element(By.CSS_SELECTOR, selector).send_keys(text)

    def click(self, selector, index=0):
        self.driver.find_elements(By.CSS_SELECTOR, selector)[index].click()

    def choose_file(self, selector, path):
        self.driver.find_element(By.CSS_SELECTOR, selector).send_keys(str(path))

    def screenshot(self, path):
        self.driver.save_screenshot(path)

    def accessible(self, selector):
        """The role and name the engine computes for each element the selector finds that is in
        sight; (None, None) for one out of sight, which is in no tree (WebKit refuses to say)."""
        found = []
        for element in self.driver.find_elements(By.CSS_SELECTOR, selector):
            shown = self.driver.execute_script("return arguments[0].checkVisibility();", element)
            found.append((element.aria_role, element.accessible_name) if shown else (None, None))
        return found

    def quit(self):
        self.driver.quit()


class Chromium(_Selenium):
    name = "chromium"

    def __init__(self, width, height, device_scale, downloads):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--disable-dev-shm-usage", f"--window-size={width},{height}",
                         # Each window keeps its clocks running, as on a desktop of windows.
                         "--disable-background-timer-throttling",
                         "--disable-backgrounding-occluded-windows",
                         "--disable-renderer-backgrounding"):
            options.add_argument(argument)
        if device_scale is not None:
            options.add_argument(f"--force-device-scale-factor={device_scale}")
        options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
        super().__init__(webdriver.Chrome(
            service=webdriver.chrome.service.Service("/usr/bin/chromedriver"), options=options))
        self._requests, self._console = [], []
        if downloads is not None:
            self.cdp("Browser.setDownloadBehavior",
                     {"behavior": "allow", "downloadPath": str(downloads)})

    def cdp(self, command, params):
        return self.driver.execute_cdp_cmd(command, params)

    def preload(self, source):
        """source run in the current window's every page before the page's own scripts."""
        self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": source})

    def phone(self, width, height, ratio, touch):
        turned = width > height
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True,
            "screenOrientation": {"type": "landscapePrimary" if turned else "portraitPrimary",
                                  "angle": 90 if turned else 0}})
        if touch:
            self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def pinch(self, scale):
        self.cdp("Emulation.setPageScaleFactor", {"pageScaleFactor": scale})

    # The mouse through CDP: chromedriver moves a held button as a free mouse, and Chromium
    # then drops the pointer's capture, which no real mouse makes it do.
    _mouse = (0, 0, False)

    def pointer(self, steps):
        x, y, held = self._mouse
        for step in steps:
            event = {"button": "left", "clickCount": 1}
            if step[0] == "move":
                x, y = step[1], step[2]
                event = {"type": "mouseMoved", "button": "left" if held else "none"}
            else:
                held = step[0] == "down"
                event["type"] = "mousePressed" if held else "mouseReleased"
            self.cdp("Input.dispatchMouseEvent", dict(event, x=x, y=y, buttons=1 if held else 0))
        self._mouse = (x, y, held)

    def touch(self, kind, points):
        self.cdp("Input.dispatchTouchEvent", {
            "type": {"start": "touchStart", "move": "touchMove", "end": "touchEnd"}[kind],
            "touchPoints": [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]})

    def requests(self):
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"]).get("message", {})
            if message.get("method") == "Network.requestWillBeSent":
                self._requests.append(message["params"]["request"]["url"])
        return list(self._requests)

    def console_errors(self):
        self._console += [e["message"] for e in self.driver.get_log("browser")
                          if e["level"] == "SEVERE"]
        return list(self._console)

    def installability_errors(self):
        return self.cdp("Page.getInstallabilityErrors", {})["installabilityErrors"]


class _Display:
    """One X server for every WebKit of this process, started at the first."""

    _server = None
    _lock = threading.Lock()

    @classmethod
    def name(cls):
        with cls._lock:
            if cls._server is None:
                read, write = os.pipe()
                cls._server = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1200x24",
                     "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
                os.close(write)
                with os.fdopen(read) as pipe:
                    cls._display = ":" + pipe.readline().strip()
                atexit.register(cls._stop)
            return cls._display

    @classmethod
    def _stop(cls):
        cls._server.terminate()
        cls._server.wait()


class WebKit(_Selenium):
    name = "webkit"
    saves_downloads = False  # MiniBrowser under WebDriver saves no download

    def __init__(self, width, height, device_scale, downloads):
        from selenium.webdriver.webkitgtk.options import Options
        from selenium.webdriver.webkitgtk.service import Service
        options = Options()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        # GTK scales the whole browser: its device pixels per CSS pixel.
        env = dict(os.environ, DISPLAY=_Display.name(), GDK_SCALE=str(device_scale or 1))
        self._service = Service("/usr/bin/WebKitWebDriver", env=env)
        self._service.start()
        try:
            super().__init__(webdriver.Remote(command_executor=self._service.service_url,
                                              options=options))
            self.driver.set_window_size(width, height)
            # The files a page is given are on this machine: their paths as they are.
            self.driver.file_detector = UselessFileDetector()
        except Exception:
            self._service.stop()
            raise
        self.downloads = downloads

    def new_window(self, kind):
        # MiniBrowser opens a tab but never closes one it is asked to, and WebKitWebDriver
        # then waits on it for ever.
        if kind == "tab":
            raise Unsupported("MiniBrowser ne ferme pas un onglet sous WebDriver")
        return super().new_window(kind)

    def quit(self):
        try:
            super().quit()
        finally:
            self._service.stop()


class Firefox:
    name = "firefox"

    def __init__(self, width, height, device_scale, downloads, touch=False):
        self._profile = tempfile.mkdtemp(prefix="klb-firefox-")
        prefs = {
            "browser.shell.checkDefaultBrowser": False,
            "browser.startup.homepage_override.mstone": "ignore",
            "datareporting.policy.dataSubmissionEnabled": False,
            "toolkit.telemetry.reportingpolicy.firstRun": False,
            "app.update.disabledForTesting": True,
            "network.captive-portal-service.enabled": False,
            "network.connectivity-service.enabled": False,
            "browser.safebrowsing.update.enabled": False,
            "services.settings.server": "http://127.0.0.1:1/",
            # performance.now() to the microsecond, as Chromium gives it, not rounded to the
            # millisecond: the benchmarks measure the timers' deviations with it.
            "privacy.reduceTimerPrecision": False,
            # Downloads straight into the test's folder, unasked.
            "browser.download.folderList": 2,
            "browser.download.useDownloadDir": True,
            "browser.download.always_ask_before_handling_new_types": False,
            "browser.download.start_downloads_in_tmp_dir": False,
            "browser.download.dir": str(downloads or self._profile),
        }
        if touch:
            # A phone's: a coarse pointer alone, and the page's touch events, from the start.
            prefs.update({"ui.primaryPointerCapabilities": 1, "ui.allPointerCapabilities": 1,
                          "dom.w3c_touch_events.enabled": 1})
        with open(os.path.join(self._profile, "user.js"), "w") as out:
            for key, value in prefs.items():
                out.write(f"user_pref({json.dumps(key)}, {json.dumps(value)});\n")
        self._process = subprocess.Popen(
            ["firefox-esr", "--headless", "--remote-debugging-port=0", "--no-remote",
             "--profile", self._profile, f"--window-size={width},{height}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        address = None
        for line in self._process.stderr:
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
            if found:
                address = found.group(1)
                break
        if address is None:
            self._process.kill()
            raise RuntimeError("Firefox did not open its WebDriver BiDi port")
        # The rest of its chatter is read and dropped, so that it never blocks on a full pipe.
        self._drain = threading.Thread(target=self._process.stderr.read, daemon=True)
        self._drain.start()
        self._bidi = BiDi(address + "/session")
        self._bidi.command("session.new", capabilities={})
        self._errors, self._requests, self._preloaded = [], [], set()
        self._bidi.on("log.entryAdded", self._logged)
        self._bidi.on("network.beforeRequestSent",
                      lambda p: self._requests.append(p["request"]["url"]))
        self._bidi.command("session.subscribe",
                           events=["log.entryAdded", "network.beforeRequestSent"])
        self._viewport = {"width": width, "height": height}
        self._ratio = device_scale
        self._context = self.handles()[0]
        self._fit(self._context)

    def preload(self, source):
        """source run in every page before the page's own scripts (once for every window)."""
        if source not in self._preloaded:
            self._preloaded.add(source)
            self._bidi.command("script.addPreloadScript",
                               functionDeclaration=f"() => {{ {source} }}")

    def _logged(self, entry):
        if entry.get("level") == "error":
            self._errors.append(entry.get("text") or str(entry))

    def _fit(self, context):
        params = {"context": context, "viewport": self._viewport}
        if self._ratio is not None:
            params["devicePixelRatio"] = self._ratio
        self._bidi.command("browsingContext.setViewport", **params)

    def _call(self, declaration, args):
        answer = self._bidi.command(
            "script.callFunction", functionDeclaration=declaration,
            arguments=[local(a) for a in args], target={"context": self._context},
            awaitPromise=True, userActivation=True)
        if answer["type"] == "exception":
            details = answer["exceptionDetails"]
            raise RuntimeError(f"JavaScript: {details.get('text')}")
        return remote(answer["result"])

    def script(self, body, *args):
        return self._call(f"function() {{ {body}\n}}", args)

    def script_async(self, body, *args):
        return self._call(
            "function() { const args = [...arguments]; return new Promise(done => {"
            f" (function() {{ {body}\n}}).apply(this, args.concat([done])); }}); }}", args)

    def open(self, url):
        self._bidi.command("browsingContext.navigate", context=self._context, url=url,
                           wait="complete")

    def new_window(self, kind):
        created = self._bidi.command("browsingContext.create",
                                     type="tab" if kind == "tab" else "window")
        self._context = created["context"]
        self._fit(self._context)
        self._bidi.command("browsingContext.activate", context=self._context)
        return self._context

    def switch_to(self, handle):
        self._context = handle
        self._bidi.command("browsingContext.activate", context=handle)

    def current(self):
        return self._context

    def handles(self):
        return [c["context"] for c in self._bidi.command("browsingContext.getTree",
                                                         maxDepth=0)["contexts"]]

    def close(self):
        self._bidi.command("browsingContext.close", context=self._context)

    def resize(self, width, height):
        self._viewport = {"width": width, "height": height}
        self._fit(self._context)

    def phone(self, width, height, ratio, touch):
        self._viewport, self._ratio = {"width": width, "height": height}, ratio
        self._fit(self._context)

    def _perform(self, source):
        self._bidi.command("input.performActions", context=self._context, actions=[source])

    def pointer(self, steps, kind="mouse"):
        actions = []
        for step in steps:
            if step[0] == "move":
                actions.append({"type": "pointerMove", "x": int(step[1]), "y": int(step[2]),
                                "origin": "viewport"})
            else:
                actions.append({"type": "pointerDown" if step[0] == "down" else "pointerUp",
                                "button": 0})
        self._perform({"type": "pointer", "id": kind, "parameters": {"pointerType": kind},
                       "actions": actions})

    def touch(self, kind, points):
        if len(points) > 1:
            raise Unsupported("un seul doigt par le pointeur tactile de BiDi ici")
        x, y = points[0] if points else (0, 0)
        steps = {"start": [("move", x, y), ("down",)], "move": [("move", x, y)],
                 "end": [("up",)]}[kind]
        self.pointer(steps, kind="touch")

    def keys(self, text):
        typed = ""
        for key in text + "\0":
            if key in ("\ue007", " ", "\0"):
                actions = []
                for k in typed:
                    actions += [{"type": "keyDown", "value": k}, {"type": "keyUp", "value": k}]
                if actions:
                    self._perform({"type": "key", "id": "keyboard", "actions": actions})
                typed = ""
                if key != "\0":
                    self._activating(key)
            else:
                typed += key

    def _activating(self, key):
        """Entrée or Espace: Firefox's keys from BiDi never press the button that has the
        keyboard, as a player's do; pressed here unless the page took the key for itself."""
        self.script("addEventListener('keydown', e => { window.__klbKey = e; },"
                    "                 {once: true, capture: true});")
        self._perform({"type": "key", "id": "keyboard", "actions": [
            {"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}]})
        self.script("const e = window.__klbKey; delete window.__klbKey;"
                    "const b = e && !e.defaultPrevented && e.target.closest &&"
                    "          e.target.closest('button');"
                    "if (b && !b.disabled && b.isConnected) b.click();")

    def element_keys(self, selector, text):
        self.script("document.querySelector(arguments[0]).focus();", selector)
        self.keys(text)

    def click(self, selector, index=0):
        x, y = self.script(
            "const e = document.querySelectorAll(arguments[0])[arguments[1]];"
            "e.scrollIntoView({block: 'nearest'});"
            "const r = e.getBoundingClientRect();"
            "return [r.left + r.width / 2, r.top + r.height / 2];", selector, index)
        self.pointer([("move", x, y), ("down",), ("up",)])

    def choose_file(self, selector, path):
        element = self.script("return document.querySelector(arguments[0]);", selector)
        self._bidi.command("input.setFiles", context=self._context, element=element,
                           files=[str(path)])

    def screenshot(self, path):
        shot = self._bidi.command("browsingContext.captureScreenshot", context=self._context)
        with open(path, "wb") as out:
            out.write(base64.b64decode(shot["data"]))

    def locate(self, role, name=None, inside=None):
        """The nodes of the accessibility tree of that role (and name), in the page's order."""
        value = {"role": role} if name is None else {"role": role, "name": name}
        params = {"context": self._context,
                  "locator": {"type": "accessibility", "value": value}}
        if inside is not None:
            params["startNodes"] = [inside]
        return [{"sharedId": n["sharedId"]}
                for n in self._bidi.command("browsingContext.locateNodes", **params)["nodes"]]

    def requests(self):
        return list(self._requests)

    def console_errors(self):
        return list(self._errors)

    def quit(self):
        try:
            self._bidi.command("session.end")
        except Exception:
            pass
        self._bidi.close()
        self._process.terminate()
        try:
            self._process.wait(20)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._drain.join(5)
        if not self._drain.is_alive():
            self._process.stderr.close()
        shutil.rmtree(self._profile, ignore_errors=True)


def _kind(name):
    return {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}[name]


def preloads(name):
    """Whether the engine runs a script in every page before the page's own by itself, with no
    request of the page's for it."""
    return hasattr(_kind(name), "preload")


def start(name, width, height, device_scale=None, downloads=None, touch=False):
    """touch: a phone's touch screen from the start, for an engine that cannot lend it later."""
    engine = _kind(name)
    if touch and engine is Firefox:
        return engine(width, height, device_scale, downloads, touch=True)
    return engine(width, height, device_scale, downloads)
