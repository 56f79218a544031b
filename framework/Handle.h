// Move-only owners for Win32 handles and COM interfaces. Borrowed handles
// stay raw; only what a piece of code must release goes in an owner.
#pragma once
#include <windows.h>
#include <utility>

namespace fw {

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : m_h(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    Type release() { return std::exchange(m_h, Traits::Invalid()); }
    void reset(Type h = Traits::Invalid())
    {
        if (m_h != Traits::Invalid())
            Traits::Close(m_h);
        m_h = h;
    }
    // For APIs that write a handle through a pointer.
    Type* put()
    {
        reset();
        return &m_h;
    }

private:
    Type m_h = Traits::Invalid();
};

template <class T, BOOL(WINAPI* Free)(T)>
struct NullTraits {
    using Type = T;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type h) { Free(h); }
};

template <class T>
struct GdiTraits {
    using Type = T;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct KernelHandleTraits {
    using Type = HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

using Font = UniqueHandle<GdiTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiTraits<HBRUSH>>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using File = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<NullTraits<HMODULE, FreeLibrary>>;
using Menu = UniqueHandle<NullTraits<HMENU, DestroyMenu>>;
using MemoryDC = UniqueHandle<NullTraits<HDC, DeleteDC>>;
// Only for cursors and icons the program created (CopyIcon, CreateIcon...):
// shared system cursors must never be destroyed.
using OwnedCursor = UniqueHandle<NullTraits<HCURSOR, DestroyCursor>>;
using OwnedIcon = UniqueHandle<NullTraits<HICON, DestroyIcon>>;
using Window = UniqueHandle<NullTraits<HWND, DestroyWindow>>;

// A COM interface pointer that releases on destruction.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset()
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    // For CoCreateInstance and QueryInterface.
    void** put_void()
    {
        reset();
        return reinterpret_cast<void**>(&m_p);
    }

private:
    I* m_p = nullptr;
};

}  // namespace fw
