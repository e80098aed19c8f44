# A small WebDriver BiDi client: Firefox speaks the protocol itself once started with
# --remote-debugging-port, and Debian has no geckodriver. Commands are sent over one websocket and
# answered by id; events are handed to whoever subscribed to them.

import itertools
import json
import math
import threading

import websocket


class BiDiError(Exception):
    pass


class BiDi:
    def __init__(self, url, timeout=120):
        # Firefox refuses a websocket that names an origin it was not told to allow.
        self._socket = websocket.create_connection(url, suppress_origin=True)
        self._timeout = timeout
        self._ids = itertools.count(1)
        self._answers = {}
        self._handlers = {}
        self._ready = threading.Condition()
        self._closed = False
        self._send_lock = threading.Lock()
        self._thread = threading.Thread(target=self._listen, daemon=True)
        self._thread.start()

    def _listen(self):
        while True:
            try:
                message = json.loads(self._socket.recv())
            except Exception:  # the browser went away: every waiting command fails
                with self._ready:
                    self._closed = True
                    self._ready.notify_all()
                return
            if "id" in message:
                with self._ready:
                    self._answers[message["id"]] = message
                    self._ready.notify_all()
            elif message.get("method") in self._handlers:
                self._handlers[message["method"]](message["params"])

    def on(self, event, handler):
        """handler(params) for every event of that name, once subscribed to."""
        self._handlers[event] = handler

    def command(self, method, **params):
        number = next(self._ids)
        with self._send_lock:
            self._socket.send(json.dumps({"id": number, "method": method, "params": params}))
        with self._ready:
            if not self._ready.wait_for(lambda: number in self._answers or self._closed,
                                        self._timeout):
                raise BiDiError(f"{method}: no answer in {self._timeout} s")
            if number not in self._answers:
                raise BiDiError(f"{method}: the browser is gone")
            answer = self._answers.pop(number)
        if answer.get("type") == "error":
            raise BiDiError(f"{method}: {answer.get('error')}: {answer.get('message')}")
        return answer["result"]

    def close(self):
        try:
            self._socket.close()
        except Exception:
            pass


def local(value):
    """A Python value as the protocol's local value, for a function's arguments."""
    if isinstance(value, dict) and "sharedId" in value:
        return value
    if value is None:
        return {"type": "null"}
    if isinstance(value, bool):
        return {"type": "boolean", "value": value}
    if isinstance(value, (int, float)):
        if isinstance(value, float) and math.isnan(value):
            return {"type": "number", "value": "NaN"}
        return {"type": "number", "value": value}
    if isinstance(value, str):
        return {"type": "string", "value": value}
    if isinstance(value, (list, tuple, bytes)):
        return {"type": "array", "value": [local(v) for v in value]}
    if isinstance(value, dict):
        return {"type": "object", "value": [[str(k), local(v)] for k, v in value.items()]}
    raise TypeError(f"no local value for {value!r}")


_NUMBERS = {"NaN": math.nan, "-0": -0.0, "Infinity": math.inf, "-Infinity": -math.inf}


def remote(value):
    """A remote value from the protocol as Python's: nodes stay references (sharedId)."""
    kind = value.get("type")
    if kind in ("undefined", "null"):
        return None
    if kind == "number":
        number = value["value"]
        return _NUMBERS.get(number, number) if isinstance(number, str) else number
    if kind in ("string", "boolean", "bigint", "date"):
        return value["value"]
    if kind in ("array", "set", "nodelist", "htmlcollection"):
        return [remote(v) for v in value.get("value", [])]
    if kind in ("object", "map"):
        return {(k if isinstance(k, str) else remote(k)): remote(v)
                for k, v in value.get("value", [])}
    if kind == "node":
        return {"sharedId": value.get("sharedId")}
    return value
