// The page's WebAssembly module asked for as soon as the page is read, and once in every
// engine: WebKit does not hand fetch() what a <link rel="preload" as="fetch"> has loaded, and
// would load the module twice. The program's script takes the answer (Module.instantiateWasm);
// where it runs first (WebKit runs an async script after the deferred ones), it asks itself and
// this script asks nothing.
(function() {
  if (window.klbModule) return;
  var file = document.currentScript.dataset.module;
  var response = fetch(file, {credentials: 'same-origin'});
  // A failure is told by the program's script once it runs, not as a stray rejection.
  response.catch(function() {});
  window.klbModule = {file: file, response: response};
})();
