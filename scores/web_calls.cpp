#include "scores/web_calls.h"

#include <emscripten.h>

#include <algorithm>

// The JavaScript lives here, in EM_JS and EM_ASYNC_JS bodies, rather than in a --js-library:
// Emscripten marks these functions as asynchronous by itself (no ASYNCIFY_IMPORTS list to keep in
// step with the window binding's), and they come with klb_scores, so that linking the library is
// all a program does to have them.

// JavaScript, which clang-format would break:
// clang-format off

// What every call shares, kept on the program's Module by each WebCalls made (the same
// helpers each time). The site's store is the database "klimbor", its object store "scores",
// the bytes of a table under its path.
//
// Emscripten's Asyncify.handleAsync waits on a promise with then() alone: one that rejects
// never wakes the program, and the page stays frozen. So every call runs through settle, which
// always resolves: a failure of any kind answers -2, with the name of its error.
EM_JS(void, klb_define_store, (), {
  const nameOf = e => {
    try {
      return typeof e == "string" ? e : String(e.name || "Error");
    } catch (_) {
      return "Error";
    }
  };
  const answer = request => new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
  Module.klbStore = {
    answer,
    settle: (error, size, work) => (async () => {
      try {
        return await work();
      } catch (e) {
        stringToUTF8(nameOf(e), error, size);
        return -2;
      }
    })(),
    // A database made here gets the store at once. One that has not opened after waitMs (an
    // upgrade held up by a page that keeps an older version open) is given up, and closed should
    // it open later.
    open: (waitMs, version) => new Promise((resolve, reject) => {
      if (!globalThis.indexedDB) throw new DOMException("IndexedDB", "NotSupportedError");
      const opening = indexedDB.open("klimbor", version);
      let late = false;
      const timer = setTimeout(() => {
        late = true;
        reject(new DOMException("", "StorageStuck"));
      }, waitMs);
      opening.onupgradeneeded = () => {
        if (!opening.result.objectStoreNames.contains("scores"))
          opening.result.createObjectStore("scores");
      };
      opening.onsuccess = () => {
        clearTimeout(timer);
        const db = opening.result;
        if (late) return db.close();
        resolve(db);
      };
      opening.onerror = () => {
        clearTimeout(timer);
        reject(opening.error);
      };
    }),
    close: db => {
      try {
        db.close();
      } catch (_) {
      }
    },
    // A value that is not bytes (put there by something else than this layer) is no table.
    bytesOf: found => {
      if (found instanceof ArrayBuffer) return new Uint8Array(found);
      if (ArrayBuffer.isView(found))
        return new Uint8Array(found.buffer, found.byteOffset, found.byteLength);
      throw new DOMException("", "NotBytes");
    },
  };
});

// Copies at most limit bytes of the value into got and answers the value's whole size, or -1
// for a key that holds nothing. A database without the store holds nothing: a read leaves it
// as it finds it.
EM_ASYNC_JS(double, klb_read, (const char* key, char* got, double limit, int wait_ms,
                               char* error, int error_size), {
  const store = Module.klbStore;
  return store.settle(error, error_size, async () => {
    const name = UTF8ToString(key);
    const db = await store.open(wait_ms);
    try {
      if (!db.objectStoreNames.contains("scores")) return -1;
      const found = await store.answer(
          db.transaction("scores", "readonly").objectStore("scores").get(name));
      if (found === undefined) return -1;
      const bytes = store.bytesOf(found);
      HEAPU8.set(bytes.subarray(0, Math.min(bytes.length, limit)), got);
      return bytes.length;
    } finally {
      store.close(db);
    }
  });
});

// Answers 0 once the transaction is complete (flushed to disk where the browser can: strict
// durability); -3 when the value no longer holds the expected bytes, nothing written; -4 when
// the database has no store.
EM_ASYNC_JS(double, klb_write, (const char* key, const char* put, double put_size,
                                bool checking, const char* expected, double expected_size,
                                int wait_ms, char* error, int error_size), {
  const store = Module.klbStore;
  return store.settle(error, error_size, async () => {
    const name = UTF8ToString(key);
    // Copied before the first wait: memory may grow meanwhile, detaching HEAPU8.
    const value = HEAPU8.slice(put, put + put_size);
    const before = checking ? HEAPU8.slice(expected, expected + expected_size) : null;
    const db = await store.open(wait_ms);
    try {
      if (!db.objectStoreNames.contains("scores")) return -4;
      const transaction = db.transaction("scores", "readwrite", {durability: "strict"});
      const table = transaction.objectStore("scores");
      if (before) {
        // Nothing is put on a change: the transaction ends having written nothing.
        const found = await store.answer(table.get(name));
        const now = found === undefined ? new Uint8Array(0) : store.bytesOf(found);
        if (now.length != before.length || now.some((byte, i) => byte != before[i])) return -3;
      }
      table.put(value, name);
      await new Promise((resolve, reject) => {
        transaction.oncomplete = resolve;
        transaction.onabort = () => reject(transaction.error || new DOMException("", "AbortError"));
      });
      return 0;
    } finally {
      store.close(db);
    }
  });
});

// A database found without the store (a later version of it, made by something else) gets it
// in a new version; answers 0.
EM_ASYNC_JS(int, klb_add_store, (int wait_ms, char* error, int error_size), {
  const store = Module.klbStore;
  return store.settle(error, error_size, async () => {
    const db = await store.open(wait_ms);
    const version = db.version;
    const lacking = !db.objectStoreNames.contains("scores");
    store.close(db);
    if (lacking) store.close(await store.open(wait_ms, version + 1));
    return 0;
  });
});

// The lock is held until the promise handed back to the browser settles: its resolve function
// is kept on the program's Module, under the number C++ holds, until unlock. A request the
// browser refuses (an opaque origin, a page no longer shown) answers -2 and its error's name.
EM_ASYNC_JS(int, klb_try_lock, (const char* name, char* error, int error_size), {
  return Module.klbStore.settle(error, error_size, async () => {
    const locks = typeof navigator != "undefined" && navigator.locks;
    if (!locks) return 0;
    const held = Module.klbHeldLocks || (Module.klbHeldLocks = {next: 1, release: new Map()});
    return new Promise((answer, refuse) => {
      locks.request(UTF8ToString(name), {mode: "exclusive", ifAvailable: true}, lock => {
        if (!lock) return answer(-1);
        const id = held.next++;
        return new Promise(release => {
          held.release.set(id, release);
          answer(id);
        });
      }).catch(refuse);
    });
  });
});

EM_JS(void, klb_unlock, (int lock), {
  const release = Module.klbHeldLocks.release.get(lock);
  Module.klbHeldLocks.release.delete(lock);
  release();
});

// Chromium grants it or not by itself, Firefox asks the player, Safari keeps the data of a site
// added to the home screen: whatever the answer, the table is stored already.
// A browser without the Storage API throws here, which is as good as no.
EM_JS(void, klb_keep_storage, (), {
  try {
    Promise.resolve(navigator.storage.persist()).catch(() => {});
  } catch (_) {
  }
});

// clang-format on

namespace scores {

WebCalls::WebCalls(int open_wait_ms) : open_wait_ms_(open_wait_ms) {
  klb_define_store();
}

namespace {

constexpr int kRefused = -2;
constexpr int kChanged = -3;
constexpr int kNoStore = -4;
constexpr int kErrorSize = 64;

}  // namespace

StoredValue WebCalls::get(const std::string& key, std::size_t limit) {
  StoredValue value;
  value.bytes.resize(limit);
  char error[kErrorSize] = {};
  const double size = klb_read(key.c_str(), value.bytes.data(), static_cast<double>(limit),
                               open_wait_ms_, error, sizeof error);
  if (size == kRefused) value.error = error;
  value.size = static_cast<std::uint64_t>(std::max(size, 0.0));  // nothing stored, or refused
  value.bytes.resize(std::min<std::uint64_t>(value.size, limit));
  return value;
}

WriteAnswer WebCalls::put(const std::string& key, std::string_view bytes,
                          std::optional<std::string_view> expected) {
  char error[kErrorSize] = {};
  const std::string_view before = expected.value_or(std::string_view());
  const double answer = klb_write(
      key.c_str(), bytes.data(), static_cast<double>(bytes.size()), expected.has_value(),
      before.data(), static_cast<double>(before.size()), open_wait_ms_, error, sizeof error);
  if (answer == kRefused) return {Written::refused, error};
  if (answer == kChanged) return {Written::changed, {}};
  if (answer == kNoStore) return {Written::no_store, {}};
  return {};
}

std::string WebCalls::add_store() {
  char error[kErrorSize] = {};
  if (klb_add_store(open_wait_ms_, error, sizeof error) == kRefused) return error;
  return {};
}

LockAnswer WebCalls::try_lock(const std::string& name) {
  char error[kErrorSize] = {};
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

void WebCalls::keep_storage() {
  klb_keep_storage();
}

}  // namespace scores
