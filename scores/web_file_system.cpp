#include "scores/web_file_system.h"

#include <utility>

#include "scores/file_layer.h"

namespace scores {

namespace {

class WebLock final : public FileLock {
 public:
  WebLock(WebCalls& calls, int lock) : calls_(calls), lock_(lock) {}
  ~WebLock() override { calls_.unlock(lock_); }
  WebLock(const WebLock&) = delete;
  WebLock& operator=(const WebLock&) = delete;

 private:
  WebCalls& calls_;
  int lock_;
};

}  // namespace

// The browser names its errors (DOMException names); a store that holds something else than
// bytes under the table's path is no table.
std::string french_reason(const std::string& error) {
  struct Known {
    const char* name;
    Reason reason;
  };
  for (const Known& known :
       {Known{"QuotaExceededError", Reason::storage_full},
        Known{"SecurityError", Reason::storage_refused},
        Known{"NotSupportedError", Reason::no_storage},
        Known{"InvalidStateError", Reason::no_storage}, Known{"UnknownError", Reason::io_error},
        Known{"NotBytes", Reason::not_a_file}}) {
    if (error == known.name) return french(known.reason);
  }
  if (error == kStorageStuck) {
    return "le stockage du site ne répond pas (un autre onglet ou une autre fenêtre du site le "
           "garde peut-être ouvert dans une version plus ancienne : fermez-les) ; réessayez dans "
           "un moment";
  }
  return "erreur du navigateur « " + error + " »";
}

WebFileSystem::WebFileSystem(std::unique_ptr<WebCalls> calls) : calls_(std::move(calls)) {}

FileBytes WebFileSystem::read(const Path& path, std::size_t limit) {
  StoredValue value = calls_->get(utf8_of(path), limit);
  if (!value.error.empty()) read_failed(path, french_reason(value.error));
  return {std::move(value.bytes), value.size};  // nothing stored: an empty table, still missing
}

void WebFileSystem::replace(const Path& path, std::string_view bytes) {
  write(path, bytes, std::nullopt);
}

bool WebFileSystem::replace_if_unchanged(const Path& path, std::string_view read,
                                         std::string_view bytes) {
  return write(path, bytes, read);
}

// A database found without the store gets it, then the write is made again, once: a store
// removed again meanwhile is no longer ours to fight for.
bool WebFileSystem::write(const Path& path, std::string_view bytes,
                          std::optional<std::string_view> read) {
  const std::string key = utf8_of(path);
  WriteAnswer answer = calls_->put(key, bytes, read);
  if (answer.outcome == Written::no_store) {
    if (const std::string error = calls_->add_store(); !error.empty())
      save_failed(path, french_reason(error));
    answer = calls_->put(key, bytes, read);
  }
  if (answer.outcome == Written::no_store) save_failed(path, french_reason("NotFoundError"));
  if (answer.outcome == Written::refused) save_failed(path, french_reason(answer.error));
  if (answer.outcome == Written::changed) return false;
  // Once there is a table worth keeping, the browser is asked not to clear it.
  if (!asked_to_keep_) calls_->keep_storage();
  asked_to_keep_ = true;
  return true;
}

// Never waited on: a lock another page still holds after a few seconds of tries refuses the
// recording, as a lock file held by another program does.
std::unique_ptr<FileLock> WebFileSystem::lock(const Path& path) {
  const std::string name = utf8_of(path);
  for (int waited = 0;; waited += kLockPauseMs) {
    const LockAnswer answer = calls_->try_lock(name);
    if (!answer.error.empty()) save_failed(path, french_reason(answer.error));
    // One game at a time is the common case: a record saved unlocked beats a record lost.
    if (answer.lock == kNoLocks) return nullptr;
    if (answer.lock != kLockHeld) return std::make_unique<WebLock>(*calls_, answer.lock);
    if (waited >= kLockWaitMs) lock_held_in_browser(path);
    calls_->pause(kLockPauseMs);
  }
}

}  // namespace scores
