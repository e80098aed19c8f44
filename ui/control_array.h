#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "ui/runtime_error.h"

namespace ui {

// A control array: N elements of one kind that share a name and are told apart by their index,
// written ar1(0), ar1(1), ... Item i is named "name(i)" and built from the same arguments.
template <class T, std::size_t N>
class ControlArray {
 public:
  template <class... Args>
  explicit ControlArray(const std::string& name, const Args&... args)
      : ControlArray(name, std::make_index_sequence<N>{}, args...) {}

  T& operator()(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) throw RuntimeError(kSubscriptOutOfRange);
    return items_[static_cast<std::size_t>(index)];
  }
  const T& operator()(int index) const { return const_cast<ControlArray&>(*this)(index); }

  static constexpr int size() { return static_cast<int>(N); }

 private:
  template <std::size_t... I, class... Args>
  ControlArray(const std::string& name, std::index_sequence<I...>, const Args&... args)
      : items_{T(name + "(" + std::to_string(I) + ")", args...)...} {}

  std::array<T, N> items_;
};

}  // namespace ui
