// GCC on 32-bit Windows has no __try. C++ exceptions (DWARF unwinding) are
// caught with catch (...); processor faults with a frame-based structured
// exception handler of our own, registered on the thread's FS:[0] chain
// around the call, exactly where a compiler's __try/__except would put one.
//
// Why not a vectored handler: it sees every first-chance exception of the
// process before any frame-based handler, including those that the called
// code raises and handles itself (probing with __try, internal C++ throws,
// debug output), and recovering from there would skip the callee's own
// unwinding and leave stale records on the FS:[0] chain.
//
// Recovery: the handler first has the system unwind every frame above ours
// (RtlUnwind, which runs their cleanup handlers and leaves our record at the
// head of the chain), then jumps back into CallGuarded with
// __builtin_longjmp. That restores the stack and frame pointers saved by
// __builtin_setjmp in CallGuarded's own frame, so stack depth and alignment
// are as before the call; CallGuarded then unlinks the record on both paths.
#include "util/GuardedCall.h"
#include <malloc.h>

#if !defined(__i386__)
#error "CallGuarded is written for 32-bit x86 frame-based exception handling"
#endif

namespace {

// The system sees only the first two fields (the registration record); the
// handler reaches the rest through the address it is given.
struct GuardFrame {
    GuardFrame* next;
    void* handler;
    void* recovery[5];  // __builtin_setjmp buffer
    DWORD code;
};

}  // namespace

// RtlUnwind does not preserve EBX, ESI and EDI on every system, so it is
// called through this wrapper, which saves them (cdecl, two arguments).
extern "C" void KestravaGuardUnwind(void* targetFrame, EXCEPTION_RECORD* record);
asm(".text\n"
    ".globl _KestravaGuardUnwind\n"
    ".def _KestravaGuardUnwind; .scl 2; .type 32; .endef\n"
    "_KestravaGuardUnwind:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    pushl $0\n"         // return value
    "    pushl 12(%ebp)\n"   // exception record
    "    pushl $0\n"         // target address: return here
    "    pushl 8(%ebp)\n"    // target frame
    "    call _RtlUnwind@16\n"
    "    leal -12(%ebp), %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

namespace {

// Frame handlers are called with the C calling convention.
EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT*, void*)
{
    // Someone else's unwind passing through: nothing of ours to clean up.
    if (record->ExceptionFlags & EXCEPTION_UNWIND)
        return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisherFrame);
    frame->code = record->ExceptionCode;
    KestravaGuardUnwind(frame, record);
    __builtin_longjmp(frame->recovery, 1);
}

// Kept out of line so that the C++ handler's frame lies wholly inside the
// guarded region.
__attribute__((noinline)) bool CallCatching(void (*fn)(void*), void* context) noexcept
{
    try {
        fn(context);
        return true;
    } catch (...) {
        return false;
    }
}

GuardFrame* ChainHead()
{
    GuardFrame* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(GuardFrame* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

}  // namespace

bool CallGuarded(void (*fn)(void*), void* context, DWORD* exceptionCode) noexcept
{
    GuardFrame frame;
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    frame.code = 0;
    frame.next = ChainHead();

    bool returned;
    if (__builtin_setjmp(frame.recovery) == 0) {
        SetChainHead(&frame);
        returned = CallCatching(fn, context);
    } else {
        // Back from GuardHandler: RtlUnwind left our record at the head.
        returned = false;
    }
    SetChainHead(frame.next);

    const DWORD code = static_cast<volatile DWORD&>(frame.code);
    // An overflow used up the stack's guard page: without a new one the next
    // overflow ends the program before any handler is asked.
    if (code == EXCEPTION_STACK_OVERFLOW)
        _resetstkoflw();
    if (exceptionCode)
        *exceptionCode = code;
    return returned;
}
