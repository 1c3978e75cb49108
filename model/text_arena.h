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
  // Copies the concatenation of `parts` into the arena.
  std::string_view Store(std::initializer_list<std::string_view> parts);

 private:
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t used_ = 0;      // bytes used in the last chunk
  std::size_t capacity_ = 0;  // size of the last chunk
};

}  // namespace varnic

#endif  // VARNIC_MODEL_TEXT_ARENA_H_
