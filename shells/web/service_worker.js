// The site's service worker: it keeps the page's files so that the page
// loads and runs offline after one visit. The server is asked first, so a
// changed site is seen at the next load; the kept copy serves when it does
// not answer. The cache is named after the build, and an older build's
// is dropped when this one takes over.
'use strict';
const CACHE = 'quorvex-@VERSION@';
const FILES = @FILES@;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
                      .then((names) => Promise.all(names.filter((name) => name.startsWith('quorvex-') && name !== CACHE)
                                                       .map((name) => caches.delete(name))))
                      .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  // Asked again of the server (a conditional request), not taken from the
  // browser's own cache, which may hold an older file.
  event.respondWith(fetch(request.url, {cache: 'no-cache'})
                        .then((response) => {
                          if (response.ok) {
                            const copy = response.clone();
                            event.waitUntil(caches.open(CACHE).then((cache) => cache.put(request, copy)));
                          }
                          return response;
                        })
                        .catch(() => caches.match(request, {ignoreSearch: true}).then((kept) => {
                          if (kept) return kept;
                          if (request.mode === 'navigate') return caches.match('index.html');
                          return Response.error();
                        })));
});
