// The page's WebAssembly module asked for as soon as the page is read, and once in every
// engine: WebKit does not hand fetch() what a <link rel="preload" as="fetch"> has loaded, and
// would load the module twice. It is compiled as it comes, while the program's script still
// loads; the script then only instantiates it (Module.instantiateWasm), or asks itself where
// this script did not come.
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
  // A failure is told by the program's script once it runs, not as a stray rejection.
  compiled.catch(function() {});
  window.klbModule = {file: file, response: response, compiled: compiled};
})();
