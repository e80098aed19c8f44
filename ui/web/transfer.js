// The table in and out of the browser, by the buttons of scores.html: "Télécharger le tableau"
// hands the stored table's bytes to the browser as a download, "Importer un tableau…" hands the
// file the player chooses to the program, which shows it and asks before it replaces the table.
// Every rule is the program's; this file only reads the file, asks and saves.
mergeInto(LibraryManager.library, {
  $klbTransfer__deps: ['$klb', 'malloc', 'free'],
  $klbTransfer: {
    // One byte past the largest table: a larger file is refused on its size, never read whole.
    held: 64 * 1024 + 1,

    // An action of the page's for the program, once no handler runs (one may be waiting on the
    // site's storage or on a box): run then, in the order asked.
    act: function(name, bytes, size) {
      if (klb.ended) return;
      var later = function() {
        setTimeout(function() { klbTransfer.act(name, bytes, size); }, 100);
      };
      if (Asyncify.currData) return later();
      var at = _malloc(Math.max(bytes.length, 1));
      HEAPU8.set(bytes, at);
      Promise.resolve(ccall('klb_web_page_action', 'number',
                            ['string', 'number', 'number', 'number'],
                            [name, at, bytes.length, size], {async: true}))
          .then(function(ran) {
            _free(at);
            if (!ran) later();
          });
    },
  },

  klb_transfer_attach__deps: ['$klbTransfer'],
  klb_transfer_attach: function() {
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
      file.slice(0, klbTransfer.held).arrayBuffer().then(function(buffer) {
        klbTransfer.act('import', new Uint8Array(buffer), file.size);
      }, function(error) {
        klb.box('error', document.title, 'Le fichier « ' + file.name +
                ' » n\u2019a pu être lu (' + error.name + ') : le tableau n\u2019a pas été ' +
                'modifié.', null);
      });
    });
    saving.disabled = false;
    choosing.disabled = false;
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

  // yes and no: the captions of the two buttons; no has the focus, Échap answers it too.
  klb_web_confirm_box__deps: ['$klb'],
  klb_web_confirm_box__sig: 'iiiii',
  klb_web_confirm_box: function(title, question, yes, no) {
    return Asyncify.handleAsync(function() {
      return new Promise(function(resolve) {
        var dialog = document.createElement('dialog');
        dialog.className = 'box question';
        dialog.setAttribute('aria-label', UTF8ToString(title));
        var form = document.createElement('form');
        form.method = 'dialog';
        var heading = document.createElement('h2');
        heading.textContent = UTF8ToString(title);
        var message = document.createElement('p');
        message.textContent = UTF8ToString(question);
        var buttons = document.createElement('div');
        buttons.className = 'buttons';
        var answers = [[yes, 'yes'], [no, 'no']].map(function(answer) {
          var button = document.createElement('button');
          button.textContent = UTF8ToString(answer[0]);
          button.value = answer[1];
          return button;
        });
        buttons.append(answers[0], answers[1]);
        form.append(heading, message, buttons);
        dialog.append(form);
        dialog.addEventListener('close', function() {
          dialog.remove();
          if (klb.focused) klb.focused.canvas.focus({preventScroll: true});
          resolve(dialog.returnValue === 'yes' ? 1 : 0);
        });
        klb.desktop().append(dialog);
        dialog.showModal();
        answers[1].focus();
      });
    });
  },
});
