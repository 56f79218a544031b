#include <gtest/gtest.h>
#include <vector>
#include "trayapplet/LinkedClass.h"

using QuindleTools::TLinkedClass;
using QuindleTools::TLinkedClassIterator;

namespace {

// Each test uses its own instantiation, so that indices start from 0.
template <int N>
struct Node : TLinkedClass<Node<N>> {};

template <class T>
std::vector<uint32_t> Walk()
{
    std::vector<uint32_t> indices;
    for (auto it = T::Begin(); it != T::End(); ++it)
        indices.push_back(it->GetIndex());
    return indices;
}

TEST(LinkedClass, IndicesGrowAndWalkRunsNewestFirst)
{
    using N = Node<1>;
    N a, b, c;
    EXPECT_EQ(a.GetIndex(), 0u);
    EXPECT_EQ(b.GetIndex(), 1u);
    EXPECT_EQ(c.GetIndex(), 2u);
    EXPECT_EQ(Walk<N>(), (std::vector<uint32_t>{2, 1, 0}));
    EXPECT_EQ(&N::Lookup(1), &b);
}

TEST(LinkedClass, DestroyedObjectsLeaveTheListAndIndicesAreNeverReused)
{
    using N = Node<2>;
    N a;
    {
        N b;
        N c;
        EXPECT_EQ(Walk<N>(), (std::vector<uint32_t>{2, 1, 0}));
    }
    EXPECT_EQ(Walk<N>(), (std::vector<uint32_t>{0}));
    EXPECT_THROW(N::Lookup(1), N::BadIndex);
    N d;
    EXPECT_EQ(d.GetIndex(), 3u);
    EXPECT_EQ(Walk<N>(), (std::vector<uint32_t>{3, 0}));
}

TEST(LinkedClass, DestroyingTheMiddleObjectRelinksItsNeighbours)
{
    using N = Node<3>;
    N a;
    auto* b = new N;
    N c;
    delete b;
    EXPECT_EQ(Walk<N>(), (std::vector<uint32_t>{2, 0}));
    EXPECT_EQ(c.GetNext(), &a);
    EXPECT_THROW(N::Lookup(1), N::BadIndex);
}

TEST(LinkedClass, EmptyListAndEndIterator)
{
    using N = Node<4>;
    EXPECT_TRUE(N::Begin() == N::End());
    EXPECT_THROW(N::Lookup(0), N::BadIndex);
    auto end = N::End();
    EXPECT_THROW(*end, TLinkedClassIterator<N>::NullIterator);
    EXPECT_TRUE(++end == N::End());
    {
        N only;
        EXPECT_EQ(&*N::Begin(), &only);
    }
    EXPECT_TRUE(N::Begin() == N::End());
}

TEST(LinkedClass, PostfixIncrementReturnsTheOldPosition)
{
    using N = Node<5>;
    N a, b;
    auto it = N::Begin();
    auto old = it++;
    EXPECT_EQ(&*old, &b);
    EXPECT_EQ(&*it, &a);
    it++;
    EXPECT_TRUE(it == N::End());
    it++;
    EXPECT_TRUE(it == N::End());
}

}  // namespace
