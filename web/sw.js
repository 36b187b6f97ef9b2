// Keeps the site's files, so that the viewer opens again without a network. The build writes
// the hash of the files below into this one, so a changed site is a changed worker: the browser
// installs it, it fetches the new files, and the old ones go. Sites often share an origin (every
// user.github.io/NAME does): the caches named for this site's scope are its own, and no others.
const OURS = `ostrevane ${self.registration.scope} `;
const CACHE = `${OURS}@SITE_HASH@`;
// Named so before the scope was in the name, by this site alone.
const FORMER = /^ostrevane-[0-9a-f]{16}$/;
const FILES = [@SITE_FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names
      .filter((n) => n !== CACHE && (n.startsWith(OURS) || FORMER.test(n)))
      .map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// A worker being replaced still answers the page's requests for a moment: it looks into its cache
// without opening it, which would make it again once the new worker has deleted it.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.match(event.request, { cacheName: CACHE, ignoreSearch: true })
    .then((kept) => kept || fetch(event.request)));
});
