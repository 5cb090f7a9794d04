#include "path.h"

#include <cstring>

namespace sdll {

bool JoinPath(PathBuffer &path, const char *head, const char *tail) {
  if (head == nullptr) head = "";
  if (tail == nullptr) tail = "";
  const size_t head_length = std::strlen(head);
  const size_t tail_length = std::strlen(tail);
  /* Compared one part at a time, so no sum of two lengths can wrap. */
  if (head_length >= kPathSize || tail_length >= kPathSize - head_length) {
    path[0] = '\0';
    return false;
  }
  std::memcpy(path, head, head_length);
  std::memcpy(path + head_length, tail, tail_length + 1);
  return true;
}

}  // namespace sdll
