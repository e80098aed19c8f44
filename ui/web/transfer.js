// The table in and out of the browser, by the buttons of scores.html: "Télécharger le tableau"
// hands the stored table's bytes to the browser as a download, "Importer un tableau…" hands the
// file the player chooses to the program, which shows it and asks before it replaces the table.
// Every rule is the program's; this file only reads the file, asks and saves.
mergeInto(LibraryManager.library, {
  $klbTransfer__deps: ['$klb', 'malloc', 'free'],
  $klbTransfer: {
    // An action of the page's for the program, taken as the player's other events are.
    act: function(name, bytes, size) {
      klb.enter(function() {
        var at = _malloc(Math.max(bytes.length, 1));
        HEAPU8.set(bytes, at);
        var done = ccall('klb_web_page_action', 'number', ['string', 'number', 'number', 'number'],
                         [name, at, bytes.length, size], {async: true});
        Promise.resolve(done).then(function() { _free(at); });
        return done;
      }, true);
    },
  },

  // held: how many bytes of a file the program is handed, one past the largest table: a larger
  // file is refused on its size, never read whole.
  klb_transfer_attach__deps: ['$klbTransfer'],
  klb_transfer_attach: function(held) {
    var saving = document.getElementById('table-export');
    var choosing = document.getElementById('table-import');
    var chooser = document.getElementById('table-file');
    if (!saving || !choosing || !chooser) return;
    saving.addEventListener('click', function() {
      klbTransfer.act('export', new Uint8Array(0), 0);
    });
    choosing.addEventListener('click', function() { chooser.click(); });
    chooser.addEventListener('change', function() {
      var file = chooser.files[0];
      chooser.value = '';  // the same file may be chosen again
      if (!file) return;
      file.slice(0, held).arrayBuffer().then(function(buffer) {
        klbTransfer.act('import', new Uint8Array(buffer), file.size);
      }, function(error) {
        klb.box('error', document.title, 'Le fichier « ' + file.name +
                ' » n\u2019a pu être lu (' + error.name + ') : le tableau n\u2019a pas été ' +
                'modifié.', [['OK', 'ok']]);
      });
    });
    saving.disabled = false;
    choosing.disabled = false;
    // Once the viewer has ended, nothing would take the table any more.
    klb.on_stop.push(function() {
      saving.disabled = true;
      choosing.disabled = true;
    });
  },

  // The bytes saved by the browser as a file of that name.
  klb_transfer_download: function(bytes, size, name) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([HEAPU8.slice(bytes, bytes + size)],
                                             {type: 'application/octet-stream'}));
    link.download = UTF8ToString(name);
    link.hidden = true;
    document.body.append(link);
    link.click();
    link.remove();
    // Let go once the browser has surely read it: at once, some browsers lose the download.
    setTimeout(function() { URL.revokeObjectURL(link.href); }, 60000);
  },

  // yes and no: the captions of the two answers; no has the focus, Échap answers it too.
  // 1 for yes, 0 for no, -1 when the box could not be shown (see klb_web_failure).
  klb_web_confirm_box__deps: ['$klb'],
  klb_web_confirm_box__sig: 'iiiii',
  klb_web_confirm_box: function(title, question, yes, no) {
    return klb.settle(function() {
      return klb.box('question', UTF8ToString(title), UTF8ToString(question),
                     [[UTF8ToString(yes), 'yes'], [UTF8ToString(no), 'no']], null, 1)
          .then(function(answer) { return answer === 'yes' ? 1 : 0; });
    }, -1);
  },
});
