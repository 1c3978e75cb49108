#ifndef VARNIC_MODEL_TEXT_ARENA_H_
#define VARNIC_MODEL_TEXT_ARENA_H_

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

namespace varnic {

// Storage for the few lines a comparison writes itself (renumbered MAC entries), so that they can
// stand in the same view lists as the lines of the input buffers. A view it returns stays valid
// for the life of the arena, also when the arena is moved: chunks never move or shrink.
class CTextArena {
 public:
  CTextArena() = default;
  CTextArena(CTextArena&& other) noexcept;
  CTextArena& operator=(CTextArena&& other) noexcept;
  ~CTextArena() = default;

  // Copies the concatenation of `parts` into the arena.
  std::string_view Store(std::initializer_list<std::string_view> parts);
  // Room for `size` (> 0) bytes, for a caller that writes a line in place: a line made of a few
  // short pieces costs more in Store's loop than in its bytes.
  char* Allocate(std::size_t size) {
    if (static_cast<std::size_t>(end_ - next_) < size) Grow(size);
    char* const start = next_;
    next_ += size;
    return start;
  }

 private:
  // Starts a chunk with room for at least `size` bytes.
  void Grow(std::size_t size);

  // Chunks grow as the arena does, so a list of 200,000 renumbered entries takes a few large
  // chunks; bytes past `next_` are left unwritten, and their pages untouched.
  struct CFree {
    std::size_t bytes;
    void operator()(char* chunk) const;
  };
  std::vector<std::unique_ptr<char, CFree>> chunks_;
  char* next_ = nullptr;  // where the next line goes in the last chunk
  char* end_ = nullptr;   // the end of the last chunk
};

}  // namespace varnic

#endif  // VARNIC_MODEL_TEXT_ARENA_H_
