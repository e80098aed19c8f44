// libFuzzer target: any bytes as the score file. The viewer loads and refreshes its grid from
// them, every place is read and written back, and a recording rewrites them; none may crash,
// read outside the file, or break the slot layout.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "game/klimbor.h"
#include "game/module1.h"
#include "scores/frm_visualiser.h"
#include "scores/score_recording.h"
#include "scores/score_slot.h"
#include "scores/score_store.h"
#include "ui/headless_system.h"
#include "ui/runtime_error.h"

namespace {

// The file in memory; a rewrite replaces it whole.
class MemoryFiles final : public scores::FileSystem {
 public:
  explicit MemoryFiles(std::string bytes) : bytes_(std::move(bytes)) {}
  scores::FileBytes read(const std::filesystem::path&, std::size_t limit) override {
    return {bytes_.substr(0, limit), bytes_.size()};
  }
  void replace(const std::filesystem::path&, std::string_view bytes) override { bytes_ = bytes; }
  std::unique_ptr<scores::FileLock> lock(const std::filesystem::path&) override {
    return std::make_unique<scores::FileLock>();
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// A slot written back from what was read keeps its bytes up to the end of the comment.
void check_round_trip(const std::string& file) {
  for (std::size_t at = 0; at + scores::kSlotSize <= file.size() && at < 30 * 128; at += 128) {
    scores::Slot slot{};
    std::memcpy(slot.data(), file.data() + at, scores::kSlotSize);
    const std::size_t length =
        static_cast<std::uint8_t>(slot[32]) | static_cast<std::uint8_t>(slot[33]) << 8;
    if (length > scores::kCommentMax) continue;
    const scores::Slot again = scores::encode_slot(scores::decode_slot(slot));
    check(std::memcmp(again.data(), slot.data(), 34 + length) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Module1::reset();
  const auto offered = static_cast<Module1::Integer>(data[0] | data[1] << 8);
  const std::string file(reinterpret_cast<const char*>(data) + 2, size - 2);

  check_round_trip(file);

  MemoryFiles files(file);
  scores::ScoreStore store(files, "scores klimbor");
  ui::HeadlessSystem sys;
  scores::frm_visualiser viewer(sys, store);
  sys.show(viewer);
  sys.advance(2000);
  check(sys.errors.empty());
  check(Module1::grid_row <= 31);

  // A recording of the offered score on this table, answering both questions.
  scores::ScoreRecording recording(sys, store);
  game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
  sys.answers = {"Fuzz", std::string(200, 'c')};
  Module1::score = offered < 0 ? 0 : offered;  // the game never offers a negative score
  try {
    recording.record(game, game.Timer1);
  } catch (const ui::RuntimeError&) {
    // only a table far larger than any the game writes is refused, untouched
    check(file.size() > 64 * 1024 && files.bytes() == file);
  }
  check(files.bytes().size() >= file.size());  // never shortened
  return 0;
}
