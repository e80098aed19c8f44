#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scores {

// What the site's store holds under a key; nothing for a key that holds nothing.
struct StoredValue {
  std::string bytes;       // from the start of the value, up to the limit asked
  std::uint64_t size = 0;  // the whole value
  std::string error;       // the name of the error that refused the read; empty when none
};

// What the browser answered to a request for its lock: a lock of this program's (a number above
// 0), kLockHeld, kNoLocks, or a refusal, named by its error.
struct LockAnswer {
  int lock = 0;
  std::string error;
};
constexpr int kLockHeld = -1;  // another page of the site holds it
constexpr int kNoLocks = 0;    // the browser has no Web Locks

// The browser calls the web file system makes, one virtual each, so that a failure can be
// injected at any step. They wait on the browser's promises through Asyncify: a program that
// calls them is linked with -sASYNCIFY, which klb_scores asks for.
class WebCalls {
 public:
  virtual ~WebCalls() = default;
  // The value under key in the site's IndexedDB store.
  virtual StoredValue get(const std::string& key, std::size_t limit);
  // Stores bytes under key in one readwrite transaction and returns once it is complete: the
  // empty text, or the name of the error that aborted it, the stored value left as it was.
  virtual std::string put(const std::string& key, std::string_view bytes);
  // The exclusive Web Lock of that name, asked for without waiting.
  virtual LockAnswer try_lock(const std::string& name);
  virtual void unlock(int lock);
  // The pause between two tries of a lock another page holds.
  virtual void pause(int milliseconds);
};

}  // namespace scores
