#include "scores/web_calls.h"

#include <emscripten.h>

#include <algorithm>

// The JavaScript lives here, in EM_ASYNC_JS bodies, rather than in a --js-library: Emscripten
// marks these functions as asynchronous by itself (no ASYNCIFY_IMPORTS list to keep in step with
// the window binding's), and they come with klb_scores, so that linking the library is all a
// program does to have them.

// JavaScript, which clang-format would break:
// clang-format off

// One transaction on the site's store: the database "klimbor", its object store "scores", the
// bytes of a table under its path. A read copies at most limit bytes into got and answers the
// value's whole size, or -1 for a key that holds nothing; a write answers once its transaction is
// complete (flushed to disk where the browser can: strict durability). -2 is a refusal, the name
// of its error in error. A value that is not bytes (put there by something else than this layer)
// is refused as "NotBytes". The store is made with the database; a database found without it
// gets it in a new version, by a write only: a read leaves everything as it finds it.
EM_ASYNC_JS(double, klb_store, (bool writing, const char* key, const char* put, double put_size,
                                char* got, double limit, char* error, int error_size), {
  const name = UTF8ToString(key);
  // Copied before the first wait: memory may grow meanwhile, detaching HEAPU8.
  const value = writing ? HEAPU8.slice(put, put + put_size) : null;
  const answer = request => new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
  const open = version => {
    const opening = indexedDB.open("klimbor", version);
    opening.onupgradeneeded = () => {
      if (!opening.result.objectStoreNames.contains("scores"))
        opening.result.createObjectStore("scores");
    };
    return answer(opening);
  };
  let db = null;
  try {
    if (!globalThis.indexedDB) throw new DOMException("IndexedDB", "NotSupportedError");
    db = await open(undefined);
    if (!db.objectStoreNames.contains("scores")) {
      if (!writing) return -1;
      db.close();
      db = await open(db.version + 1);
    }
    const transaction = db.transaction("scores", writing ? "readwrite" : "readonly",
                                       {durability: "strict"});
    const complete = new Promise((resolve, reject) => {
      transaction.oncomplete = resolve;
      transaction.onabort = () => reject(transaction.error || new DOMException("", "AbortError"));
    });
    complete.catch(() => {});  // awaited by a write only
    const store = transaction.objectStore("scores");
    if (writing) {
      store.put(value, name);
      await complete;
      return put_size;
    }
    const found = await answer(store.get(name));
    if (found === undefined) return -1;
    const bytes = found instanceof ArrayBuffer ? new Uint8Array(found)
                : ArrayBuffer.isView(found) ? new Uint8Array(found.buffer, found.byteOffset,
                                                             found.byteLength)
                : null;
    if (!bytes) throw new DOMException("", "NotBytes");
    HEAPU8.set(bytes.subarray(0, Math.min(bytes.length, limit)), got);
    return bytes.length;
  } catch (e) {
    stringToUTF8(String(e && e.name ? e.name : e), error, error_size);
    return -2;
  } finally {
    if (db) db.close();
  }
});

// The lock is held until the promise handed back to the browser settles: its resolve function
// is kept on the program's Module, under the number C++ holds, until unlock. A request the
// browser refuses (an opaque origin, a page no longer shown) answers -2 and its error's name.
EM_ASYNC_JS(int, klb_try_lock, (const char* name, char* error, int error_size), {
  const locks = typeof navigator != "undefined" && navigator.locks;
  if (!locks) return 0;
  const held = Module.klbHeldLocks || (Module.klbHeldLocks = {next: 1, release: new Map()});
  return new Promise(answer => {
    locks.request(UTF8ToString(name), {mode: "exclusive", ifAvailable: true}, lock => {
      if (!lock) return answer(-1);
      const id = held.next++;
      return new Promise(release => {
        held.release.set(id, release);
        answer(id);
      });
    }).catch(e => {
      stringToUTF8(String(e && e.name ? e.name : e), error, error_size);
      answer(-2);
    });
  });
});

EM_JS(void, klb_unlock, (int lock), {
  const release = Module.klbHeldLocks.release.get(lock);
  Module.klbHeldLocks.release.delete(lock);
  release();
});

// clang-format on

namespace scores {

namespace {

constexpr int kRefused = -2;

}  // namespace

StoredValue WebCalls::get(const std::string& key, std::size_t limit) {
  StoredValue value;
  value.bytes.resize(limit);
  char error[64] = {};
  const double size = klb_store(false, key.c_str(), nullptr, 0, value.bytes.data(),
                                static_cast<double>(limit), error, sizeof error);
  if (size == kRefused) value.error = error;
  value.size = static_cast<std::uint64_t>(std::max(size, 0.0));  // nothing stored, or refused
  value.bytes.resize(std::min<std::uint64_t>(value.size, limit));
  return value;
}

std::string WebCalls::put(const std::string& key, std::string_view bytes) {
  char error[64] = {};
  if (klb_store(true, key.c_str(), bytes.data(), static_cast<double>(bytes.size()), nullptr, 0,
                error, sizeof error) == kRefused)
    return error;
  return {};
}

LockAnswer WebCalls::try_lock(const std::string& name) {
  char error[64] = {};
  const int lock = klb_try_lock(name.c_str(), error, sizeof error);
  if (lock == kRefused) return {kNoLocks, error};
  return {lock, {}};
}

void WebCalls::unlock(int lock) {
  klb_unlock(lock);
}

void WebCalls::pause(int milliseconds) {
  emscripten_sleep(static_cast<unsigned>(milliseconds));
}

}  // namespace scores
