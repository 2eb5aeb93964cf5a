// Owns one reference to a COM interface and releases it when it goes.
#pragma once

#include <utility>

#include "platform/com/objbase.h"

namespace com {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(Interface* owned) : pointer_(owned) {}
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  void Reset(Interface* owned = nullptr) {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = owned;
  }
  Interface* Detach() { return std::exchange(pointer_, nullptr); }
  // For calls that return a new reference through an out parameter.
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace com
