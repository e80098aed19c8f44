#include <emscripten.h>

#include <optional>
#include <utility>

#include "failing_files.h"
#include "score_support.h"
#include "scores/web_calls.h"

EM_JS(int, klb_open_connections, (), { return globalThis.klbOpenConnections(); });

namespace test {

namespace {

// As the browser names them: a full disk or the site's share of it used up, storage turned off
// for the site, a failure of the browser's own files.
const char* error_of(Failure failure) {
  switch (failure) {
    case Failure::disk_full:
      return "QuotaExceededError";
    case Failure::access_denied:
      return "SecurityError";
    case Failure::io_error:
      return "UnknownError";
  }
  return "UnknownError";
}

// Fails one step with the given error. The store is rewritten in one transaction: every step
// of a rewrite past the lock fails there.
class FailingCalls : public scores::WebCalls {
 public:
  FailingCalls(Step step, const char* error) : step_(step), error_(error) {}

  scores::StoredValue get(const std::string& key, std::size_t limit) override {
    if (step_ == Step::read) return {{}, 0, error_};
    return WebCalls::get(key, limit);
  }
  scores::LockAnswer try_lock(const std::string& name) override {
    if (step_ == Step::lock) return {scores::kNoLocks, error_};
    return WebCalls::try_lock(name);
  }
  scores::WriteAnswer put(const std::string& key, std::string_view bytes,
                          std::optional<std::string_view> expected) override {
    if (step_ == Step::read || step_ == Step::lock) return WebCalls::put(key, bytes, expected);
    return {scores::Written::refused, error_};
  }

 private:
  Step step_;
  std::string error_;
};

class PeekingCalls : public scores::WebCalls {
 public:
  explicit PeekingCalls(std::function<void(bool)> peek) : peek_(std::move(peek)) {}
  scores::WriteAnswer put(const std::string& key, std::string_view bytes,
                          std::optional<std::string_view> expected) override {
    peek_(false);
    scores::WriteAnswer answer = WebCalls::put(key, bytes, expected);
    peek_(true);
    return answer;
  }

 private:
  std::function<void(bool)> peek_;
};

}  // namespace

// The connections to the site's database left open, as the suite's IndexedDB counts them.
int open_descriptors() {
  return klb_open_connections();
}

scores::NativeFileSystem failing_files(Step step, Failure failure) {
  return scores::WebFileSystem(std::make_unique<FailingCalls>(step, error_of(failure)));
}

scores::NativeFileSystem peeking_files(std::function<void(bool)> peek) {
  return scores::WebFileSystem(std::make_unique<PeekingCalls>(std::move(peek)));
}

}  // namespace test
