// A static whose destructor never runs. For locks and lists that threads may
// still touch while exit() destroys the statics: a destroyed mutex there is
// undefined behaviour, and a heap object that is never freed reads as a leak.
// Use as a function-local static:
//   static NoDestructor<std::mutex> m;  std::lock_guard<std::mutex> l(*m);
#pragma once

#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class NoDestructor {
 public:
  template <typename... Args>
  explicit NoDestructor(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;
  ~NoDestructor() = default;

  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
  const T& get() const { return *std::launder(reinterpret_cast<const T*>(storage_)); }
  T& operator*() { return get(); }
  const T& operator*() const { return get(); }
  T* operator->() { return &get(); }
  const T* operator->() const { return &get(); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};
