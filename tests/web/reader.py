# What a screen reader is told of the page, and how it presses: Reader, Chromium's whole
# accessibility tree, read and acted on through the DevTools protocol; Names, what each engine's
# own tree names (the buttons, a table's rows, the live region), asked through WebDriver's
# computed role and label or, in Firefox, WebDriver BiDi's accessibility locator.

from browser import Keys

# The roles of the table's cells in Chromium's tree.
_CELLS = ("cell", "columnheader", "rowheader", "gridcell")


class Node:
    def __init__(self, raw, tree):
        self._tree = tree
        self.id = raw["nodeId"]
        self.role = raw.get("role", {}).get("value", "")
        self.name = raw.get("name", {}).get("value", "")
        self.description = raw.get("description", {}).get("value", "")
        self.dom = raw.get("backendDOMNodeId")
        self.properties = {p["name"]: p["value"].get("value")
                           for p in raw.get("properties", [])}
        self._children = raw.get("childIds", [])

    def children(self):
        """The nodes a reader meets inside, in order: the ignored ones stand aside for theirs."""
        found = []
        for child in self._children:
            node = self._tree.get(child)
            if node is None:
                continue
            found += node.children() if node.ignored else [node]
        return found

    @property
    def ignored(self):
        return self._tree.is_ignored(self.id)

    def descendants(self):
        for child in self.children():
            yield child
            yield from child.descendants()

    def text(self):
        """The texts read inside the node, one per line of static text."""
        return [n.name for n in self.descendants() if n.role == "StaticText" and n.name.strip()]


class _Tree:
    def __init__(self, nodes):
        self._raw = {n["nodeId"]: n for n in nodes}
        self._nodes = {}
        self.root = self.get(nodes[0]["nodeId"]) if nodes else None

    def get(self, node_id):
        if node_id not in self._raw:
            return None
        if node_id not in self._nodes:
            self._nodes[node_id] = Node(self._raw[node_id], self)
        return self._nodes[node_id]

    def is_ignored(self, node_id):
        return self._raw[node_id].get("ignored", False)


class Reader:
    """The page of the current window as a screen reader has it."""

    def __init__(self, browser):
        self._browser = browser

    def _cdp(self, command, **params):
        return self._browser.engine.cdp(command, params)

    def tree(self):
        """The whole tree, as the browser has it now; its root."""
        return _Tree(self._cdp("Accessibility.getFullAXTree")["nodes"]).root

    def all(self, role=None, name=None):
        """The nodes a reader meets, in reading order, of that role and name if given."""
        root = self.tree()
        return [n for n in root.descendants()
                if (role is None or n.role == role) and (name is None or n.name == name)]

    def find(self, role, name):
        """The one node of that role and name, or None."""
        found = self.all(role, name)
        return found[0] if found else None

    def names(self, role):
        return [n.name for n in self.all(role)]

    def focused(self):
        """The node that has the keyboard: (role, name), or None."""
        found = [n for n in self.all() if n.properties.get("focused")]
        return (found[-1].role, found[-1].name) if found else None

    def said(self):
        """What the polite live regions hold now, line by line, and the ids of those lines: new
        ids are a new announcement, even of the same words."""
        lines, ids = [], []
        for region in self.all():
            if region.properties.get("live") != "polite":
                continue
            for line in region.children():
                lines += line.text() if line.role != "StaticText" else [line.name]
                ids.append(line.dom)
        return lines, ids

    def rows(self, table):
        """A table's rows, each as the texts of its cells (an empty cell as ""); none without
        a table."""
        if table is None:
            return []
        return [[cell.name for cell in row.children() if cell.role in _CELLS]
                for row in table.descendants() if row.role == "row"]

    def press(self, role, name, how="Enter"):
        """Presses the node as a reader's user does: the keyboard put on it, then Entrée or
        Espace ("Enter", " "); or how="action", the reader's own press (a click, no pointer)."""
        node = self.find(role, name)
        if node is None:
            raise AssertionError(f"no {role} {name!r} in the tree")
        if how == "action":
            target = self._cdp("DOM.resolveNode", backendNodeId=node.dom)["object"]["objectId"]
            self._cdp("Runtime.callFunctionOn", objectId=target,
                      functionDeclaration="function() { this.click(); }")
            return
        self.focus(node)
        self._browser.type_keys(Keys.ENTER if how == "Enter" else how)

    def focus(self, node):
        """The keyboard put on a node, as a reader moves it there."""
        self._cdp("DOM.focus", backendNodeId=node.dom)


class Names:
    """The names the engine's own accessibility tree gives, in the page's order."""

    def __init__(self, browser):
        self._browser = browser
        self._locate = getattr(browser.engine, "locate", None)

    def _confirmed(self, role, node):
        """Firefox's name for a node of that role: the one its tree finds the node by, of
        the words the page gives it; else "?"."""
        words = self._browser.script(
            "const e = arguments[0];"
            "return [e.getAttribute('aria-label'), e.textContent.trim(), e.title]"
            "  .filter(w => w);", node)
        return next((w for w in words if node in self._locate(role, w)), "?")

    def _computed(self, selector):
        """(role, name) of each element the selector finds that is in sight (the hidden ones are
        out of every tree)."""
        return [found for found in self._browser.accessible(selector) if found[0] is not None]

    def buttons(self):
        if self._locate is not None:
            return [self._confirmed("button", n) for n in self._locate("button")]
        return [name for role, name in self._computed("button") if role == "button"]

    def status(self):
        """The text of the page's live region, if its tree has one."""
        if self._locate is not None:
            found = self._locate("status")
        else:
            found = [r for r, _ in self._computed("[role=status]") if r == "status"]
            found = ["[role=status]"] if found else []
        if not found:
            return None
        return self._browser.script(
            "const e = arguments[0];"
            "return (typeof e === 'string' ? document.querySelector(e) : e).textContent;",
            found[0])

    def rows(self, name):
        """The rows of the table of that name, each as its cells' texts; None without one."""
        texts = self._browser.script(
            "const t = document.querySelector('table');"
            "return t && [...t.querySelectorAll('tr')].map(r =>"
            "  [...r.children].map(c => c.textContent.trim()));")
        if self._locate is not None:
            tables = self._locate("table", name)
            if not tables:
                return None
            rows = self._locate("row", inside=tables[0])
            cells = [sum(len(self._locate(role, inside=row)) for role in _CELLS) for row in rows]
        else:
            if ("table", name) not in self._computed("table"):
                return None
            rows = [r for r, _ in self._computed("table tr") if r == "row"]
            roles = [r for r, _ in self._computed("table tr > *")]
            if any(r not in _CELLS for r in roles):
                return None
            cells = [len(t) for t in texts] if len(roles) == sum(map(len, texts)) else []
        # Each row of the tree holds as many cells as the page's row has.
        if cells != [len(t) for t in texts][:len(cells)] or len(rows) != len(texts):
            return None
        return texts
