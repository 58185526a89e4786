#pragma once
// A fixed-size array whose entries start as zero bytes. It comes from calloc:
// memory fresh from the system is zero already, so the pages that no entry is
// ever written to are never touched, and a large table costs only what is
// filled.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace tallix {

template <typename T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "entries are made by calloc and never destroyed");

 public:
  // Throws std::bad_alloc.
  explicit ZeroedArray(size_t size) : entries_(static_cast<T*>(std::calloc(size, sizeof(T)))) {
    if (entries_ == nullptr) throw std::bad_alloc();
  }

  // REQUIRES: i < the size.
  T& operator[](size_t i) { return entries_.get()[i]; }
  const T& operator[](size_t i) const { return entries_.get()[i]; }
  T* data() { return entries_.get(); }

 private:
  struct Free {
    void operator()(T* entries) const { std::free(entries); }
  };
  std::unique_ptr<T, Free> entries_;
};

}  // namespace tallix
