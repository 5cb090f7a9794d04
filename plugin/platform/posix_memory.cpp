/*
 * The POSIX stand-in for COM task memory.
 *
 * CoTaskMemAlloc is one allocator for the whole process, and IMalloc can
 * tell a block's size. To give hosts and tests the same view, each block
 * carries its requested size in a header just before the pointer handed
 * out; the header is padded to max_align_t so the block stays aligned.
 */
#include <cstddef>
#include <cstring>

#include "platform.h"
#include "posix_syscalls.h"

namespace platform {
namespace {

constexpr size_t kHeader = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t)
                                                                      : sizeof(size_t);

unsigned char *HeaderOf(const void *block) {
  return static_cast<unsigned char *>(const_cast<void *>(block)) - kHeader;
}

}  // namespace

void *TaskAlloc(size_t bytes) {
  if (bytes > static_cast<size_t>(-1) - kHeader) return nullptr;
  auto *raw = static_cast<unsigned char *>(posix::Sys().malloc(kHeader + bytes));
  if (raw == nullptr) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  return raw + kHeader;
}

void TaskFree(void *block) {
  if (block != nullptr) posix::Sys().free(HeaderOf(block));
}

size_t TaskSize(const void *block) {
  if (block == nullptr) return 0;
  size_t bytes;
  std::memcpy(&bytes, HeaderOf(block), sizeof bytes);
  return bytes;
}

}  // namespace platform
