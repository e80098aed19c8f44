#pragma once

#include <unknwn.h>

#include <utility>

namespace ui::win32 {

// One counted reference to a COM object, released with the owner.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference already counted, as a creating call hands it out.
  static ComPtr adopt(T* object) {
    ComPtr owned;
    owned.object_ = object;
    return owned;
  }
  // Counts a reference of its own.
  static ComPtr share(T* object) {
    if (object != nullptr) object->AddRef();
    return adopt(object);
  }
  ComPtr(const ComPtr& other) : object_(other.object_) {
    if (object_ != nullptr) object_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() {
    if (object_ != nullptr) object_->Release();
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Where a call that hands out a reference writes it; the one held before is released.
  T** put() {
    *this = ComPtr();
    return &object_;
  }
  // The reference, handed to a caller who releases it.
  T* release() { return std::exchange(object_, nullptr); }

 private:
  T* object_ = nullptr;
};

}  // namespace ui::win32
