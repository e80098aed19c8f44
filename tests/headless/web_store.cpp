#include <emscripten.h>

#include "score_support.h"

// The site's store as another page of the site would reach it, by the suite's own JavaScript:
// the database "klimbor", its object store "scores", the table's bytes under its path. The file
// layer's code is not used here, so what it stores is checked against this reading. JavaScript,
// which clang-format would break:
// clang-format off
EM_ASYNC_JS(double, klb_test_store, (int writing, const char* key, char* bytes, double size), {
  const name = UTF8ToString(key);
  const value = writing ? HEAPU8.slice(bytes, bytes + size) : null;
  const answer = request => new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
  const opening = indexedDB.open("klimbor");
  opening.onupgradeneeded = () => opening.result.createObjectStore("scores");
  const db = await answer(opening);
  try {
    const transaction = db.transaction("scores", writing ? "readwrite" : "readonly");
    const store = transaction.objectStore("scores");
    if (writing) {
      store.put(value, name);
      await new Promise((resolve, reject) => {
        transaction.oncomplete = resolve;
        transaction.onabort = () => reject(transaction.error);
      });
      return size;
    }
    const found = await answer(store.get(name));
    if (found === undefined) return -1;
    HEAPU8.set(found.subarray(0, Math.min(found.length, size)), bytes);
    return found.length;
  } finally {
    db.close();
  }
});
// clang-format on

namespace test {

std::string read_bytes(const fs::path& path) {
  std::string bytes(4096, '\0');
  double size = klb_test_store(0, path.c_str(), bytes.data(), static_cast<double>(bytes.size()));
  if (size > static_cast<double>(bytes.size())) {
    bytes.resize(static_cast<std::size_t>(size));
    size = klb_test_store(0, path.c_str(), bytes.data(), size);
  }
  bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return bytes;
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::string copy = bytes;
  klb_test_store(1, path.c_str(), copy.data(), static_cast<double>(copy.size()));
}

bool is_stored(const fs::path& path) {
  char none = 0;
  return klb_test_store(0, path.c_str(), &none, 0) >= 0;
}

}  // namespace test
