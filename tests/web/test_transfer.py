# The table in and out of the browser, as a player moves it between installations: each table of
# tests/tables imported on scores.html, confirmed, then downloaded again byte for byte; the
# largest table taken whole, a file one byte larger refused in French; "Annuler" keeping the table
# the browser had, the same file then chosen again.
#
# Run by tools/web-tests.sh: KLB_SITE=build-web/site /usr/bin/python3 -m unittest discover -s
# tests/web -p 'test_*.py'.

import pathlib
import tempfile
import unittest

from site_case import SiteCase, load_tests  # noqa: F401 (one class per engine)

TABLES = pathlib.Path(__file__).resolve().parent.parent / "tables"
NAME = "scores klimbor"  # the table's file name on every installation


class TableTransfer(SiteCase, per_engine=True):
    def setUp(self):
        super().setUp()
        self.folder = tempfile.TemporaryDirectory(prefix="klimbor-transfer-")
        self.downloads = pathlib.Path(self.folder.name) / "downloads"
        self.downloads.mkdir()
        self.addCleanup(self.folder.cleanup)
        self.web = self.browser(downloads=self.downloads)
        self.web.open(self.address + "/scores.html")
        self.viewer = self.web.canvas(0, timeout=20)
        self.wait_for(lambda: self.web.find("#table-import").is_enabled(),
                      "les boutons du tableau restent désactivés")

    def wait_for(self, condition, failure, timeout=10):
        self.until(self.web, condition, timeout, failure)

    def grid(self):
        """The viewer's canvas as an image, to compare what it shows."""
        return self.web.script("return document.querySelector('canvas').toDataURL();")

    def box(self):
        """The box open on the page: its class and its text; or None."""
        return self.web.script("const d = document.querySelector('dialog.box[open]');"
                               "return d && [d.className, d.querySelector('p').textContent];")

    def answer(self, caption):
        self.web.box_button(caption)
        self.wait_for(lambda: self.box() is None, f"la boîte reste ouverte après « {caption} »")

    def choose(self, path):
        """The file chosen in the page's file picker, as "Importer un tableau…" opens it."""
        self.web.choose_file("#table-file", path)
        self.wait_for(lambda: self.box() is not None,
                      f"aucune boîte après l'import de {path.name}")
        return self.box()

    def import_table(self, path, caption="Remplacer"):
        kind, text = self.choose(path)
        self.assertIn("question", kind.split())
        self.assertEqual(text, "Remplacer le tableau de ce navigateur par celui-ci ?")
        shown = self.grid()
        self.answer(caption)
        return shown

    def export_table(self):
        """The bytes of the file the browser saves for "Télécharger le tableau"."""
        (self.downloads / NAME).unlink(missing_ok=True)
        self.web.click("#table-export")
        saved = self.web.downloaded(NAME)
        self.assertIsNotNone(saved, f"« {NAME} » n'a pas été téléchargé")
        return saved

    def test_each_shared_table_comes_back_byte_for_byte(self):
        tables = sorted(TABLES.glob("*.table")) + sorted(TABLES.glob("*.recorded"))
        self.assertGreaterEqual(len(tables), 6)
        before = self.grid()
        for path in tables:
            with self.subTest(table=path.name):
                shown = self.import_table(path)
                self.assertNotEqual(shown, before, "le tableau importé est montré pendant la question")
                self.wait_for(lambda: self.grid() == shown,
                              "la grille ne montre pas le tableau importé")
                self.assertEqual(self.export_table(), path.read_bytes())
                before = shown

    def test_annuler_keeps_the_browser_s_table(self):
        kept = TABLES / "worked_example.table"
        self.import_table(kept)
        self.assertEqual(self.export_table(), kept.read_bytes())
        before = self.grid()
        foreign = TABLES / "foreign.table"
        shown = self.import_table(foreign, "Annuler")
        self.assertNotEqual(shown, before, "le tableau importé est montré pendant la question")
        self.wait_for(lambda: self.grid() == before,
                      "la grille ne revient pas au tableau du navigateur")
        self.assertEqual(self.export_table(), kept.read_bytes())
        # The picker closed with nothing chosen, as some browsers tell it (a change, no file):
        # nothing happens. Then the same file chosen again is asked about again.
        self.web.script("document.getElementById('table-file').dispatchEvent("
                        "new Event('change'));")
        self.web.wait(lambda: False, 0.3)
        self.assertIsNone(self.box())
        self.assertIsNone(self.web.script("return document.querySelector('section.failed');"))
        self.import_table(foreign)
        self.assertEqual(self.export_table(), foreign.read_bytes())

        # A question that cannot open is told as an error, never taken for Annuler.
        self.web.script("""
            const show = HTMLDialogElement.prototype.showModal;
            HTMLDialogElement.prototype.showModal = function() {
              HTMLDialogElement.prototype.showModal = show;
              throw new DOMException('essai', 'InvalidStateError');
            };""")
        kind, text = self.choose(TABLES / "short_last_slot.table")
        self.assertIn("error", kind.split())
        self.assertIn("La boîte de dialogue n'a pu s'afficher (InvalidStateError : essai)", text)
        self.answer("OK")
        self.assertEqual(self.export_table(), foreign.read_bytes())

    def test_a_file_over_64_kib_is_refused_in_french(self):
        # The largest table there is, 64 KiB (a foreign program's bytes after the places), comes
        # in whole; one byte more is refused.
        kept = pathlib.Path(self.folder.name) / "largest.table"
        kept.write_bytes((TABLES / "foreign.table").read_bytes().ljust(64 * 1024, b"\0"))
        self.import_table(kept)
        self.assertEqual(self.export_table(), kept.read_bytes())
        large = pathlib.Path(self.folder.name) / NAME
        large.write_bytes(kept.read_bytes() + b"\0")
        kind, text = self.choose(large)
        self.assertIn("error", kind.split())
        self.assertIn("65537 octets", text)
        self.assertIn("Le tableau actuel n'a pas été modifié.", text)
        self.answer("OK")
        self.assertEqual(self.export_table(), kept.read_bytes())

    def test_an_empty_table_has_nothing_to_download(self):
        self.web.click("#table-export")
        self.wait_for(lambda: self.box() is not None, "aucune boîte pour un tableau vide")
        self.assertEqual(self.box()[1],
                         "Le tableau des scores est encore vide : il n'y a rien à télécharger.")
        self.answer("OK")
        self.assertEqual(list(self.downloads.iterdir()), [])


if __name__ == "__main__":
    unittest.main()
