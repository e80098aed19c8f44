#pragma once

#include <memory>
#include <optional>
#include <string>

#include "scores/file_system.h"
#include "scores/web_calls.h"

namespace scores {

// The score file in a browser: the same bytes, kept as one value per path in the site's
// IndexedDB store. A rewrite is one transaction, over only once the browser has stored it, so a
// reader sees the old table or the new. The lock is the browser's own (Web Locks), which every
// tab and window of the site shares. Without it (a page served over plain HTTP from another
// machine, an older browser) the recording goes on unlocked, and a rewrite stores its table only
// if the value is still the one it read, checked in the transaction that writes it.
class WebFileSystem final : public FileSystem {
 public:
  explicit WebFileSystem(std::unique_ptr<WebCalls> calls = std::make_unique<WebCalls>());

  FileBytes read(const Path& path, std::size_t limit) override;
  void replace(const Path& path, std::string_view bytes) override;
  bool replace_if_unchanged(const Path& path, std::string_view read,
                            std::string_view bytes) override;
  std::unique_ptr<FileLock> lock(const Path& path) override;

 private:
  bool write(const Path& path, std::string_view bytes, std::optional<std::string_view> read);

  std::unique_ptr<WebCalls> calls_;
  bool asked_to_keep_ = false;
};

// Why the browser refused, in French, from the name of its error ("QuotaExceededError").
std::string french_reason(const std::string& error);

}  // namespace scores
