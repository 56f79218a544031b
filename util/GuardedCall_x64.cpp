// x64 exception handling is table-driven: each function's unwind data names
// the handler that guards it, and there is no handler chain to link into.
// So the guard is a small assembly function, KestravaGuardCall, whose unwind
// data names KestravaGuardHandler: the system asks that handler about every
// exception that reaches the guard's frame, and about no other.
//
// C++ exceptions are caught by catch (...) in CallCatching, inside the
// guard. GCC's catch (...) on x64 takes only exceptions thrown by C++, so a
// processor fault or RaiseException passes it by and reaches the handler.
// The handler records the code and has the system unwind every frame above
// the guard (RtlUnwindEx runs their cleanup handlers) and resume the guard
// at KestravaGuardResume with 0 in RAX, its stack as it was before the call.
//
// Why not a vectored handler: it sees every first-chance exception of the
// process, including those the called code raises and handles itself.
#include "util/GuardedCall.h"
#include <malloc.h>

#if !defined(__x86_64__)
#error "this CallGuarded is written for x64 table-based exception handling"
#endif

namespace {

struct Call {
    void (*fn)(void*);
    void* context;
};

// Kept out of line so that the C++ handler's frame lies wholly inside the guard.
__attribute__((noinline)) bool CallCatching(void* call) noexcept
{
    try {
        const Call* c = static_cast<const Call*>(call);
        c->fn(c->context);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

// body(arg)'s result, or 0 after an exception, whose code is then in *code.
extern "C" BOOL KestravaGuardCall(bool (*body)(void*), void* arg, DWORD* code);
extern "C" char KestravaGuardResume[];
extern "C" EXCEPTION_DISPOSITION KestravaGuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                      CONTEXT* context, DISPATCHER_CONTEXT* dispatch);

// The frame: 32 bytes of home space for the callee, then the code's address
// at establisher frame + 32, where the handler finds it.
asm(".text\n"
    ".globl KestravaGuardCall\n"
    ".def KestravaGuardCall; .scl 2; .type 32; .endef\n"
    ".seh_proc KestravaGuardCall\n"
    "    .seh_handler KestravaGuardHandler, @except\n"
    "KestravaGuardCall:\n"
    "    subq $40, %rsp\n"
    "    .seh_stackalloc 40\n"
    "    .seh_endprologue\n"
    "    movq %r8, 32(%rsp)\n"
    "    movq %rcx, %rax\n"
    "    movq %rdx, %rcx\n"
    "    callq *%rax\n"
    "    movzbl %al, %eax\n"
    ".globl KestravaGuardResume\n"
    "KestravaGuardResume:\n"
    "    addq $40, %rsp\n"
    "    ret\n"
    ".seh_endproc\n");

extern "C" EXCEPTION_DISPOSITION KestravaGuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                      CONTEXT* context, DISPATCHER_CONTEXT* dispatch)
{
    // Someone else's unwind passing through: nothing of ours to clean up.
    if (record->ExceptionFlags & EXCEPTION_UNWIND)
        return ExceptionContinueSearch;
    DWORD* code = *reinterpret_cast<DWORD**>(static_cast<char*>(establisherFrame) + 32);
    *code = record->ExceptionCode;
    RtlUnwindEx(establisherFrame, KestravaGuardResume, record, nullptr, context, dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached
}

bool CallGuarded(void (*fn)(void*), void* context, DWORD* exceptionCode) noexcept
{
    Call call{fn, context};
    volatile DWORD code = 0;
    const bool returned = KestravaGuardCall(CallCatching, &call, const_cast<DWORD*>(&code)) != FALSE;
    // An overflow used up the stack's guard page: without a new one the next
    // overflow ends the program before any handler is asked.
    if (code == EXCEPTION_STACK_OVERFLOW)
        _resetstkoflw();
    if (exceptionCode)
        *exceptionCode = code;
    return returned;
}
