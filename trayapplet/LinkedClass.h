// Intrusive list of every live object of a class, newest first, each with a
// sequence index that is never reused within a run.
#pragma once
#include <cstdint>

namespace QuindleTools {

template <class T> class TLinkedClassIterator;

template <class T>
class TLinkedClass {
public:
    class BadIndex {};

    TLinkedClass() : m_index(s_nextIndex++), m_next(s_head) { s_head = static_cast<T*>(this); }
    TLinkedClass(const TLinkedClass&) = delete;
    TLinkedClass& operator=(const TLinkedClass&) = delete;

    virtual ~TLinkedClass()
    {
        for (T** link = &s_head; *link != nullptr; link = &static_cast<TLinkedClass*>(*link)->m_next) {
            if (static_cast<TLinkedClass*>(*link) == this) {
                *link = m_next;
                return;
            }
        }
    }

    uint32_t GetIndex() const { return m_index; }
    T* GetNext() const { return m_next; }

    static TLinkedClassIterator<T> Begin() { return TLinkedClassIterator<T>(s_head); }
    static TLinkedClassIterator<T> End() { return TLinkedClassIterator<T>(nullptr); }

    static T& Lookup(uint32_t index)
    {
        for (auto it = Begin(); it != End(); ++it)
            if (it->GetIndex() == index)
                return *it;
        throw BadIndex();
    }

private:
    uint32_t m_index;
    T* m_next;

    static inline T* s_head = nullptr;
    static inline uint32_t s_nextIndex = 0;
};

template <class T>
class TLinkedClassIterator {
public:
    class NullIterator {};

    explicit TLinkedClassIterator(T* current) : m_current(current) {}

    T& operator*() const
    {
        if (m_current == nullptr)
            throw NullIterator();
        return *m_current;
    }
    T* operator->() const { return &**this; }

    TLinkedClassIterator& operator++()
    {
        if (m_current != nullptr)
            m_current = static_cast<TLinkedClass<T>*>(m_current)->GetNext();
        return *this;
    }
    TLinkedClassIterator operator++(int)
    {
        TLinkedClassIterator old = *this;
        ++*this;
        return old;
    }

    bool operator==(const TLinkedClassIterator& other) const { return m_current == other.m_current; }
    bool operator!=(const TLinkedClassIterator& other) const { return m_current != other.m_current; }

private:
    T* m_current;
};

}  // namespace QuindleTools
