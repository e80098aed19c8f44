// What a page starts as soon as it is read, written inside the page by the build (an external
// script would hold the page back for one more request) and allowed by its hash in the page's
// policy. Once in every engine: WebKit does not hand fetch() what a <link rel="preload"
// as="fetch"> has loaded, and would load the module twice.
// - The page's WebAssembly module, compiled as it comes while the program's script still loads;
//   the script then only instantiates it (Module.instantiateWasm), or asks itself where this
//   script did not come.
// - The pictures of the page's program, from the data block before this script, decoded where
//   the page runs (a Blob would go through the browser's own process, 50 ms more on a first
//   visit in Chromium).
(function() {
  var file = document.currentScript.dataset.module;
  var response = fetch(file, {credentials: 'same-origin'});
  // Null when it cannot be compiled as it comes: the script tells why, or compiles it whole.
  var compiled = response.then(function(answer) {
    var type = (answer.headers.get('Content-Type') || '').split(';')[0].trim();
    if (!answer.ok || type !== 'application/wasm' || !window.WebAssembly ||
        !WebAssembly.compileStreaming) {
      return null;
    }
    return WebAssembly.compileStreaming(answer);
  });
  var block = document.getElementById('klb-pictures');
  var found = block ? JSON.parse(block.textContent) : {}, decoded = {};
  var pictures = Promise.all(Object.keys(found).map(function(name) {
    var image = new Image();
    image.src = 'data:image/png;base64,' + found[name];
    return image.decode().then(function() { decoded[name] = image; }, function(error) {
      throw {picture: name, error: error};  // told by the program's script, with its name
    });
  })).then(function() { return decoded; });
  // A failure is told by the program's script once it runs, not as a stray rejection.
  compiled.catch(function() {});
  pictures.catch(function() {});
  window.klbModule = {file: file, response: response, compiled: compiled, pictures: pictures};
})();
