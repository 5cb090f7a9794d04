/*
 * Host strings live in COM task memory, so any module of the process (the
 * host included) may release them with CoTaskMemFree.
 */
#include <windows.h>
/* after windows.h, which it needs */
#include <objbase.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {

/* TaskAlloc: CoTaskMemAlloc; null when the allocator refuses. */
void *TaskAlloc(size_t bytes) { return win32::Sys().CoTaskMemAlloc(bytes); }

/* TaskFree: CoTaskMemFree, which takes null as well. */
void TaskFree(void *block) { win32::Sys().CoTaskMemFree(block); }

/*
 * TaskSize: the task allocator's own record of the block's size
 * (IMalloc::GetSize); 0 for null or when the allocator cannot be had.
 */
size_t TaskSize(const void *block) {
  if (block == nullptr) return 0;
  IMalloc *allocator = nullptr;
  if (FAILED(win32::Sys().CoGetMalloc(1, &allocator)) || allocator == nullptr) return 0;
  const SIZE_T size = allocator->GetSize(const_cast<void *>(block));
  allocator->Release();
  return size == static_cast<SIZE_T>(-1) ? 0 : static_cast<size_t>(size);
}

}  // namespace platform
