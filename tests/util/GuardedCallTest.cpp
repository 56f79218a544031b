#include "util/GuardedCall.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// The head of the x86 handler chain, which the guard must leave as it found
// it. x64 keeps handlers in unwind tables and has no chain, so these checks
// are the x86 build's alone (run where 32-bit programs run); on x64 the stack
// depth after each fault (ManyFaultsLeakNothing) shows the guard left nothing.
#ifdef __i386__
void* ChainHead()
{
    void* head = nullptr;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}
#define KESTRAVA_CHAIN_HEAD(line) line
#else
#define KESTRAVA_CHAIN_HEAD(line)
#endif

void WriteThroughNull(void*)
{
    volatile int* volatile pointer = nullptr;
    *pointer = 1;
}

void DivideByZero(void* result)
{
    volatile int zero = 0;
    *static_cast<int*>(result) = 10 / zero;
}

void Throw(void*) { throw std::runtime_error("thrown"); }

void Raise(void*) { RaiseException(0xE0004B56, 0, 0, nullptr); }

void Return(void* flag) { *static_cast<bool*>(flag) = true; }

TEST(GuardedCall, NormalReturnIsSuccess)
{
    bool ran = false;
    DWORD code = 1;
    EXPECT_TRUE(CallGuarded(Return, &ran, &code));
    EXPECT_TRUE(ran);
    EXPECT_EQ(code, 0u);
}

TEST(GuardedCall, FaultsAndExceptionsAreFailures)
{
    KESTRAVA_CHAIN_HEAD(void* const head = ChainHead());
    DWORD code = 0;
    EXPECT_FALSE(CallGuarded(WriteThroughNull, nullptr, &code));
    EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    int result = 0;
    EXPECT_FALSE(CallGuarded(DivideByZero, &result, &code));
    EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_INT_DIVIDE_BY_ZERO));
    EXPECT_FALSE(CallGuarded(Raise, nullptr, &code));
    EXPECT_EQ(code, 0xE0004B56u);
    EXPECT_FALSE(CallGuarded(Throw, nullptr, &code));
    EXPECT_EQ(code, 0u);
    KESTRAVA_CHAIN_HEAD(EXPECT_EQ(ChainHead(), head));  // our record is unlinked on every path
}

struct Counter {
    explicit Counter(int& count) : m_count(count) {}
    ~Counter() { ++m_count; }
    int& m_count;
};

TEST(GuardedCall, CppExceptionsStillRunDestructors)
{
    int destroyed = 0;
    EXPECT_FALSE(InvokeGuarded([&] {
        Counter counter(destroyed);
        throw 42;
    }));
    EXPECT_EQ(destroyed, 1);
}

TEST(GuardedCall, NestedCalls)
{
    bool innerResult = true;
    bool afterInner = false;
    EXPECT_TRUE(InvokeGuarded([&] {
        innerResult = CallGuarded(WriteThroughNull, nullptr);
        afterInner = true;
    }));
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(afterInner);

    // A fault in the outer call after a successful inner one.
    bool innerOk = false;
    EXPECT_FALSE(InvokeGuarded([&] {
        bool ran = false;
        innerOk = CallGuarded(Return, &ran);
        WriteThroughNull(nullptr);
    }));
    EXPECT_TRUE(innerOk);

    // A C++ exception inside an inner guard does not reach the outer one.
    EXPECT_TRUE(InvokeGuarded([&] { innerResult = CallGuarded(Throw, nullptr); }));
    EXPECT_FALSE(innerResult);
}

// Stands for a frame of the system's own code between the guard and a fault:
// it must see the search pass and then be unwound before recovery.
int g_searches = 0;
int g_unwinds = 0;

extern "C" EXCEPTION_DISPOSITION __cdecl InnerHandler(EXCEPTION_RECORD* record, void*, CONTEXT*, void*)
{
    if (record->ExceptionFlags & EXCEPTION_UNWIND)
        ++g_unwinds;
    else
        ++g_searches;
    return ExceptionContinueSearch;
}

#ifdef __i386__
struct Registration {
    void* next;
    void* handler;
};

void FaultBelowInnerFrame(void*)
{
    Registration inner = {ChainHead(), reinterpret_cast<void*>(&InnerHandler)};
    asm volatile("movl %0, %%fs:0" : : "r"(&inner) : "memory");
    WriteThroughNull(nullptr);
    asm volatile("movl %0, %%fs:0" : : "r"(inner.next) : "memory");  // not reached
}
#else
// A frame whose unwind data names InnerHandler for both passes.
extern "C" void FaultBelowInnerFrame(void*);
asm(".text\n"
    ".globl FaultBelowInnerFrame\n"
    ".def FaultBelowInnerFrame; .scl 2; .type 32; .endef\n"
    ".seh_proc FaultBelowInnerFrame\n"
    "    .seh_handler InnerHandler, @except, @unwind\n"
    "FaultBelowInnerFrame:\n"
    "    subq $40, %rsp\n"
    "    .seh_stackalloc 40\n"
    "    .seh_endprologue\n"
    "    xorl %ecx, %ecx\n"
    "    movl $1, (%rcx)\n"
    "    addq $40, %rsp\n"
    "    ret\n"
    ".seh_endproc\n");
#endif

TEST(GuardedCall, InnerFramesAreUnwound)
{
    KESTRAVA_CHAIN_HEAD(void* const head = ChainHead());
    g_searches = g_unwinds = 0;
    EXPECT_FALSE(CallGuarded(FaultBelowInnerFrame, nullptr));
    EXPECT_EQ(g_searches, 1);
    EXPECT_EQ(g_unwinds, 1);
    KESTRAVA_CHAIN_HEAD(EXPECT_EQ(ChainHead(), head));
}

__attribute__((noinline)) void* StackDepth() { return __builtin_frame_address(0); }

// Each call takes a page of stack until none is left.
__attribute__((noinline)) int Recurse(volatile int* depth)
{
    volatile char page[4096];
    page[0] = static_cast<char>(++*depth);
    return (*depth > 0 ? Recurse(depth) : 0) + page[0];
}

void OverflowStack(void*)
{
    volatile int depth = 0;
    Recurse(&depth);
}

TEST(GuardedCall, EveryStackOverflowIsCaught)
{
    // The first overflow uses up the stack's guard page; without a new one
    // the second would end the program.
    for (int i = 0; i < 3; ++i) {
        DWORD code = 0;
        EXPECT_FALSE(CallGuarded(OverflowStack, nullptr, &code));
        EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW));
    }
}

TEST(GuardedCall, ManyFaultsLeakNothing)
{
    KESTRAVA_CHAIN_HEAD(void* const head = ChainHead());
    void* const depth = StackDepth();
    int failures = 0;
    for (int i = 0; i < 10000; ++i) {
        int result = 0;
        failures += !CallGuarded(i % 2 ? WriteThroughNull : DivideByZero, &result);
        ASSERT_EQ(StackDepth(), depth) << "after " << i << " faults";
    }
    EXPECT_EQ(failures, 10000);
    KESTRAVA_CHAIN_HEAD(EXPECT_EQ(ChainHead(), head));

    // Ordinary C++ exception handling still works afterwards.
    bool caught = false;
    try {
        throw std::logic_error("after faults");
    } catch (const std::logic_error&) {
        caught = true;
    }
    EXPECT_TRUE(caught);
    bool ran = false;
    EXPECT_TRUE(CallGuarded(Return, &ran));
}

}  // namespace
