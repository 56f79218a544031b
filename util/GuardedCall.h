// Runs a piece of code so that anything it raises counts as a failure instead
// of ending the program: C++ exceptions as well as processor faults and other
// structured exceptions (access violations, division by zero...).
//
// After a fault the system's own frames inside the call are unwound (their
// cleanup handlers run), but destructors of our C++ objects between the
// fault and the guard do not: keep the guarded code to calls into the system.
#pragma once
#include <windows.h>
#include <memory>
#include <type_traits>

// True when fn(context) returned normally. exceptionCode, when given, receives
// the structured exception's code after a fault, else 0.
bool CallGuarded(void (*fn)(void*), void* context, DWORD* exceptionCode = nullptr) noexcept;

// The same for any callable without arguments.
template <class F>
bool InvokeGuarded(F&& f, DWORD* exceptionCode = nullptr) noexcept
{
    using Callable = std::remove_reference_t<F>;
    return CallGuarded([](void* p) { (*static_cast<Callable*>(p))(); },
                       const_cast<void*>(static_cast<const void*>(std::addressof(f))), exceptionCode);
}
