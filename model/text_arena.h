#ifndef VARNIC_MODEL_TEXT_ARENA_H_
#define VARNIC_MODEL_TEXT_ARENA_H_

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>

namespace varnic {

// Storage for the few lines a comparison writes itself (renumbered MAC entries), so that they can
// stand in the same view lists as the lines of the input buffers. A view it returns stays valid
// for the life of the arena, also when the arena is moved: chunks never move or shrink.
class CTextArena {
 public:
  // Copies the concatenation of `parts` into the arena.
  std::string_view Store(std::initializer_list<std::string_view> parts);

 private:
  // A deque keeps its elements in place as it grows and when it is moved, and each string is
  // only appended to within the capacity it was given.
  std::deque<std::string> chunks_;
};

}  // namespace varnic

#endif  // VARNIC_MODEL_TEXT_ARENA_H_
