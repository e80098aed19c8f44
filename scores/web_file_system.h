#pragma once

#include <memory>
#include <string>

#include "scores/file_system.h"
#include "scores/web_calls.h"

namespace scores {

// The score file in a browser: the same bytes, kept as one value per path in the site's
// IndexedDB store. A rewrite is one transaction, over only once the browser has stored it, so a
// reader sees the old table or the new. The lock is the browser's own (Web Locks), which every
// tab and window of the site shares; without it the recording goes on unlocked.
class WebFileSystem final : public FileSystem {
 public:
  explicit WebFileSystem(std::unique_ptr<WebCalls> calls = std::make_unique<WebCalls>());

  FileBytes read(const Path& path, std::size_t limit) override;
  void replace(const Path& path, std::string_view bytes) override;
  std::unique_ptr<FileLock> lock(const Path& path) override;

 private:
  std::unique_ptr<WebCalls> calls_;
};

// Why the browser refused, in French, from the name of its error ("QuotaExceededError").
std::string french_reason(const std::string& error);

}  // namespace scores
