#ifndef VARNIC_MODEL_HUGE_SLAB_H_
#define VARNIC_MODEL_HUGE_SLAB_H_

#include <cassert>
#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>

namespace varnic {

// One block for the arrays of a stage that live and die together. A stage over a list of a
// hundred thousand lines keeps a dozen arrays of a few hundred kilobytes: each faults in page by
// page, and read in a permuted order each page is a miss in the address translation cache too.
// Where the platform has huge pages, a block of 2 MB or more starts on a 2 MB boundary and is
// advised for them, so that it faults in a few whole pages; a smaller one is a plain allocation,
// one instead of a dozen.
class CHugeSlab {
 public:
  // Room for arrays of `bytes` in all, each rounded up to a cache line (see Room).
  explicit CHugeSlab(std::size_t bytes);

  // The bytes an array of `count` values of T takes in a slab.
  template <typename T>
  static constexpr std::size_t Room(std::size_t count) {
    return (count * sizeof(T) + kAlign - 1) / kAlign * kAlign;
  }

  // `count` values of T, default-initialised: a number is left as the room held it, for the
  // caller to write before it reads (clearing a large array that is written whole anyway was a
  // pass over memory for nothing). The slab must have room left for them (Room).
  template <typename T>
  std::span<T> Take(std::size_t count) {
    static_assert(std::is_trivially_destructible_v<T> &&
                  alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    assert(used_ + Room<T>(count) <= block_.get_deleter().size);
    T* const values = reinterpret_cast<T*>(block_.get() + used_);
    std::uninitialized_default_construct_n(values, count);
    used_ += Room<T>(count);
    return {values, count};
  }

  // Where the next array starts. Rewind(mark) takes back the room of every array taken since,
  // for arrays that follow ones no longer read: memory already faulted in serves again.
  std::size_t Mark() const { return used_; }
  void Rewind(std::size_t mark) {
    assert(mark <= used_);
    used_ = mark;
  }

 private:
  static constexpr std::size_t kAlign = 64;  // an array's room is whole cache lines
  struct CFree {
    std::size_t size;
    void operator()(std::byte* block) const;
  };

  std::unique_ptr<std::byte[], CFree> block_;
  std::size_t used_ = 0;
};

}  // namespace varnic

#endif  // VARNIC_MODEL_HUGE_SLAB_H_
