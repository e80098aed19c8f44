#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scores {

// What the site's store holds under a key; nothing for a key that holds nothing.
struct StoredValue {
  std::string bytes;       // from the start of the value, up to the limit asked
  std::uint64_t size = 0;  // the whole value
  std::string error;       // the name of the error that refused the read; empty when none
};

// What came of a write: stored; not made, because the value was no longer the one expected, or
// because the database has no store yet; or refused, the name of its error in error.
enum class Written { stored, changed, no_store, refused };
struct WriteAnswer {
  Written outcome = Written::stored;
  std::string error;
};

// What the browser answered to a request for its lock: a lock of this program's (a number above
// 0), kLockHeld, kNoLocks, or a refusal, named by its error.
struct LockAnswer {
  int lock = 0;
  std::string error;
};
constexpr int kLockHeld = -1;  // another page of the site holds it
constexpr int kNoLocks = 0;    // the browser has no Web Locks

// The name of the refusal of a database that did not open in time: another page keeps an
// older version of it open and holds up an upgrade, or the browser's storage is stuck.
inline constexpr const char* kStorageStuck = "StorageStuck";
// A database opens in milliseconds; one still waited on after this is not coming.
constexpr int kOpenWaitMs = 5000;

// The browser calls the web file system makes, one virtual each, so that a failure can be
// injected at any step. They wait on the browser's promises through Asyncify: a program that
// calls them is linked with -sASYNCIFY, which klb_scores asks for. Whatever the browser does
// (a promise rejected, an exception of any kind), a call ends: refused, with a name.
class WebCalls {
 public:
  explicit WebCalls(int open_wait_ms = kOpenWaitMs);
  virtual ~WebCalls() = default;
  // The value under key in the site's IndexedDB store.
  virtual StoredValue get(const std::string& key, std::size_t limit);
  // Stores bytes under key in one readwrite transaction and returns once it is complete. Given
  // expected, only if the value still holds those bytes (nothing stored counts as no bytes),
  // checked inside the same transaction, so that no other page can write in between.
  virtual WriteAnswer put(const std::string& key, std::string_view bytes,
                          std::optional<std::string_view> expected);
  // Adds the store to a database found without it, in a new version of the database.
  // The empty text, or the name of the error that refused it.
  virtual std::string add_store();
  // The exclusive Web Lock of that name, asked for without waiting.
  virtual LockAnswer try_lock(const std::string& name);
  virtual void unlock(int lock);
  // The pause between two tries of a lock another page holds.
  virtual void pause(int milliseconds);
  // Asks the browser to keep the site's data (navigator.storage.persist()) where it can be
  // asked; never waited on, and nothing it answers changes anything here.
  virtual void keep_storage();

 private:
  int open_wait_ms_;
};

}  // namespace scores
