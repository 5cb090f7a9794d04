#include "stack_check.h"

#include <cstdio>

namespace stack_check {
namespace {

struct Slot {
  SdllService real = nullptr;
  uint32_t argument_bytes = 0;
};
Slot g_slots[kSlotCount];
// The plug-in makes one service call at a time, never nested.
uint32_t g_slot = 0, g_entry_esp = 0, g_return_to = 0;
int g_calls = 0;
std::vector<std::string> g_faults;

}  // namespace

extern "C" void LandingPad() __asm__("wolfet_landing_pad");
extern "C" const uint32_t kThunks[kSlotCount] __asm__("wolfet_thunks");

// ESP points at the plug-in's return address; it is kept, and the service
// returns to the landing pad instead. Answers the service to jump to.
extern "C" uint32_t ServiceEntered(uint32_t slot, uint32_t *esp) __asm__("wolfet_entered");
extern "C" uint32_t ServiceEntered(uint32_t slot, uint32_t *esp) {
  g_slot = slot;
  g_entry_esp = reinterpret_cast<uint32_t>(esp);
  g_return_to = *esp;
  *esp = reinterpret_cast<uint32_t>(&LandingPad);
  return reinterpret_cast<uint32_t>(g_slots[slot].real);
}

// ESP after the service's return; answers where the plug-in resumes.
extern "C" uint32_t ServiceReturned(uint32_t esp) __asm__("wolfet_returned");
extern "C" uint32_t ServiceReturned(uint32_t esp) {
  ++g_calls;
  const uint32_t expected = g_entry_esp + 4 + g_slots[g_slot].argument_bytes;
  if (esp != expected) {
    char text[96];
    snprintf(text, sizeof text, "slot %u: ESP %+d after the service returned", g_slot,
             static_cast<int>(esp - expected));
    g_faults.push_back(text);
  }
  return g_return_to;
}

asm(R"(
  .text
wolfet_enter:
  pushal
  leal 36(%esp), %eax
  pushl %eax
  pushl 36(%esp)
  call wolfet_entered
  addl $8, %esp
  movl %eax, 32(%esp)
  popal
  ret
  .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
wolfet_thunk_\n:
  pushl $\n
  jmp wolfet_enter
  .endr
wolfet_landing_pad:
  subl $4, %esp
  pushal
  leal 36(%esp), %eax
  pushl %eax
  call wolfet_returned
  addl $4, %esp
  movl %eax, 32(%esp)
  popal
  ret
wolfet_call_cdecl:
  pushl %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl %esp, %ebp
  movl 20(%esp), %eax
  movl 24(%esp), %esi
  movl 28(%esp), %ecx
1:
  testl %ecx, %ecx
  jz 2f
  decl %ecx
  pushl (%esi,%ecx,4)
  jmp 1b
2:
  movl %esp, %ebx
  call *%eax
  movl %esp, %ecx
  subl %ebx, %ecx
  movl %ebp, %esp
  movl 32(%esp), %edx
  movl %ecx, (%edx)
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
  .section .rdata
  .p2align 2
wolfet_thunks:
  .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
  .long wolfet_thunk_\n
  .endr
  .text
)");

extern "C" uint32_t CallWithCount(uint32_t function, const uint32_t *args, uint32_t count,
                                  int32_t *moved) __asm__("wolfet_call_cdecl");

uint32_t CallCdecl(uint32_t function, std::vector<uint32_t> args, int32_t *moved) {
  return CallWithCount(function, args.data(), static_cast<uint32_t>(args.size()), moved);
}

SdllService Watch(uint32_t slot, SdllService real, uint32_t argument_bytes) {
  g_slots[slot] = Slot{real, argument_bytes};
  return reinterpret_cast<SdllService>(kThunks[slot]);
}

int Calls() { return g_calls; }
std::vector<std::string> Faults() { return g_faults; }
void Reset() {
  g_calls = 0;
  g_faults.clear();
}

}  // namespace stack_check
