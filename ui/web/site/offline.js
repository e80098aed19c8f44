// Both pages hand the site to its service worker (sw.js), which keeps every file for playing
// offline. Browsers give service workers to secure pages only (HTTPS, or this computer).
if ('serviceWorker' in navigator) {
  window.addEventListener('load', function() {
    navigator.serviceWorker.register('sw.js').catch(function(error) {
      console.warn('Klimbor ne pourra pas se jouer hors ligne :', error);
    });
  });
}
