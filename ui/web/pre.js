// Before main runs: the pictures and the fonts, so that the first frame is drawn whole. The page
// started decoding the pictures as soon as it was read (early.js); the fonts are asked for by
// the page and waited for here, while the WebAssembly module loads.
Module['pictures'] = {};
var klbLookLoaded = (function() {
  var pictures = window.klbModule ? window.klbModule.pictures : Promise.resolve({});
  var loads = [pictures.then(function(found) { Object.assign(Module['pictures'], found); })];
  if (document.fonts) {
    loads.push(document.fonts.load('16px "Comic Neue"'), document.fonts.load('bold 16px "Comic Neue"'));
  }
  return Promise.all(loads);
})();
// Told as soon as it fails, whether the module has come or not.
klbLookLoaded.catch(function(failure) {
  var what = failure && failure.picture ?
      'une image du jeu, ' + failure.picture + ', n\u2019a pu être lue (' +
          klbErrorText(failure.error) + ')' :
      klbErrorText(failure);
  klbFail(document.title + ' n\u2019a pu être chargé : ' + what + '.');
});
Module['preRun'] = [function() {
  addRunDependency('klimbor-look');
  klbLookLoaded.then(function() {
    var loading = document.querySelector('.loading');
    if (loading) loading.remove();
    removeRunDependency('klimbor-look');
  }, function() {});
}];

// Once the first frame main drew is on the screen, the site goes to its service worker (sw.js),
// which keeps every file for playing offline: its install loads the whole site again, and would
// slow the start down. Browsers give service workers to secure pages only (HTTPS, or this
// computer).
Module['postRun'] = [function() {
  if (!('serviceWorker' in navigator)) return;
  requestAnimationFrame(function() {
    setTimeout(function() {
      navigator.serviceWorker.register('sw.js').catch(function(error) {
        console.warn(document.title + ' ne pourra pas se jouer hors ligne :', error);
      });
    });
  });
}];

// A program that cannot go on says so in place of its windows, with a way to start again:
// never a page that loads for ever or stops answering without a word. Only the first failure
// is told; what follows from it adds nothing.
var klbFailed = false;
function klbFail(text) {
  if (klbFailed) return;
  klbFailed = true;
  if (typeof klb !== 'undefined') klb.stop();
  var desk = document.getElementById('desktop') || document.body;
  desk.querySelectorAll('.loading, dialog').forEach(function(node) { node.remove(); });
  desk.querySelectorAll('section.window').forEach(function(node) { node.hidden = true; });
  var note = document.createElement('section');
  note.className = 'failed';
  note.setAttribute('role', 'alert');
  var told = document.createElement('p');
  told.textContent = text;
  var again = document.createElement('button');
  again.type = 'button';
  again.textContent = 'Recharger';
  again.addEventListener('click', function() { location.reload(); });
  note.append(told, again);
  desk.append(note);
  again.focus();
}

function klbErrorText(error) {
  if (error && error.name && error.message) return error.name + ' : ' + error.message;
  return String(error && error.message || error);
}

// The module fetched once (by early.js, as soon as the page was read, and compiled as it came)
// and checked: a server's refusal is told as such, not as a module that does not compile.
// Served with another type than application/wasm, it cannot be compiled while it comes, but
// still can once whole.
Module['instantiateWasm'] = function(imports, receive) {
  var address = wasmBinaryFile, file = address.split('/').pop();
  if (typeof WebAssembly !== 'object') {
    klbFail('Ce navigateur ne sait pas faire tourner ' + document.title + ' : il ne connaît ' +
            'pas WebAssembly. Essayez avec une version récente de Firefox, Chrome, Edge ' +
            'ou Safari.');
    return {};
  }
  var early = window.klbModule;
  if (!early || early.file !== file) {
    early = window.klbModule = {file: file, response: fetch(address, {credentials: 'same-origin'})};
  }
  early.response.then(function(response) {
    if (!response.ok) {
      throw new Error('le serveur a répondu « ' + response.status + ' ' + response.statusText +
                      ' » pour ' + file);
    }
    var type = (response.headers.get('Content-Type') || '').split(';')[0].trim();
    return Promise.resolve(early.compiled).then(function(module) {
      if (module) {
        return WebAssembly.instantiate(module, imports).then(function(instance) {
          return {instance: instance, module: module};
        });
      }
      if (type === 'application/wasm' && WebAssembly.instantiateStreaming) {
        return WebAssembly.instantiateStreaming(response, imports);
      }
      return response.arrayBuffer().then(function(bytes) {
        console.warn(file + ' est servi comme « ' + (type || 'sans type') + ' » au lieu de ' +
                     '« application/wasm » : il n\u2019est compilé qu\u2019une fois reçu en ' +
                     'entier.');
        return WebAssembly.instantiate(bytes, imports);
      });
    }).then(null, function(error) {
      throw new Error(file + ' n\u2019est pas un module WebAssembly valable (reçu comme « ' +
                      (type || 'sans type') + ' ») : ' + klbErrorText(error));
    });
  }, function(error) {
    throw new Error(file + ' n\u2019est pas arrivé (' + klbErrorText(error) +
                    ') : la connexion est peut-être coupée');
  }).then(function(result) {
    receive(result.instance, result.module);
  }, function(error) {
    klbFail(document.title + ' n\u2019a pu être chargé : ' + error.message + '.');
  });
  return {};
};

Module['onAbort'] = function(what) {
  klbFail(document.title + ' s\u2019est arrêté sur une erreur (' + klbErrorText(what) + ').');
};
// What no handler of the page caught stops the program too: its state is no longer known.
window.addEventListener('error', function(event) {
  klbFail(document.title + ' s\u2019est arrêté sur une erreur (' +
          klbErrorText(event.error || event.message) + ').');
});
window.addEventListener('unhandledrejection', function(event) {
  klbFail(document.title + ' s\u2019est arrêté sur une erreur (' + klbErrorText(event.reason) +
          ').');
});
