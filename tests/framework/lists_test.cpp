#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "framework/exceptions.h"
#include "framework/lists.h"

namespace {

// Distinct addresses to store; the list never looks behind them.
int gValues[8];
void* P(int i) { return &gValues[i]; }

std::vector<void*> ItemsOf(const TList& list)
{
    std::vector<void*> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Items(i));
    return items;
}

// Fills a list with P(0) ... P(n-1).
void Fill(TList& list, int n)
{
    for (int i = 0; i < n; ++i) list.Add(P(i));
}

TEST(TList, AddInsertAndDeleteKeepTheOrder)
{
    TList list;
    EXPECT_EQ(list.Add(P(1)), 0);
    EXPECT_EQ(list.Add(P(3)), 1);
    list.Insert(0, P(0));
    list.Insert(2, P(2));
    list.Insert(4, P(4));
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(1), P(2), P(3), P(4)}));
    EXPECT_EQ(list.First(), P(0));
    EXPECT_EQ(list.Last(), P(4));

    list.Delete(2);
    list.Delete(0);
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(1), P(3), P(4)}));
    list.SetItems(1, nullptr);
    EXPECT_EQ(list.Items(1), nullptr);
}

TEST(TList, RemoveAndIndexOfFindTheFirstOccurrence)
{
    TList list;
    for (void* p : {P(0), P(1), P(2), P(1)}) list.Add(p);
    EXPECT_EQ(list.IndexOf(P(1)), 1);
    EXPECT_EQ(list.IndexOf(P(5)), -1);
    EXPECT_EQ(list.Remove(P(1)), 1);
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(2), P(1)}));
    EXPECT_EQ(list.Remove(P(5)), -1);
    EXPECT_EQ(list.Count(), 3);
}

TEST(TList, ExtractReturnsTheItemOrNull)
{
    TList list;
    Fill(list, 3);
    EXPECT_EQ(list.Extract(P(1)), P(1));
    EXPECT_EQ(list.Extract(P(1)), nullptr);
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(2)}));
}

TEST(TList, BadIndicesRaiseListErrorNamingTheIndex)
{
    struct Case {
        const char* label;
        std::function<void(TList&)> call;
        const char* message;
    };
    const Case cases[] = {
        {"Items(-1)", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
        {"Items(Count)", [](TList& l) { l.Items(3); }, "List index out of bounds (3)"},
        {"SetItems(Count)", [](TList& l) { l.SetItems(3, nullptr); }, "List index out of bounds (3)"},
        {"Delete(Count)", [](TList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        {"Insert(Count+1)", [](TList& l) { l.Insert(4, nullptr); }, "List index out of bounds (4)"},
        {"Insert(-1)", [](TList& l) { l.Insert(-1, nullptr); }, "List index out of bounds (-1)"},
        {"Exchange second", [](TList& l) { l.Exchange(0, 7); }, "List index out of bounds (7)"},
        {"Move to Count", [](TList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        {"Move from -2", [](TList& l) { l.Move(-2, 1); }, "List index out of bounds (-2)"},
        {"SetCount(-1)", [](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
        {"SetCapacity below Count", [](TList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TList list;
        Fill(list, 3);
        try {
            c.call(list);
            ADD_FAILURE() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(1), P(2)})) << "a refused call changes nothing";
    }
}

TEST(TList, FirstAndLastOfAnEmptyListRaise)
{
    TList list;
    EXPECT_THROW(list.First(), EListError);
    EXPECT_THROW(list.Last(), EListError);
}

TEST(TList, ExchangeAndMoveRearrange)
{
    struct Case {
        const char* label;
        std::function<void(TList&)> call;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"Exchange(0, 4)", [](TList& l) { l.Exchange(0, 4); }, {4, 1, 2, 3, 0}},
        {"Move(0, 4) forward", [](TList& l) { l.Move(0, 4); }, {1, 2, 3, 4, 0}},
        {"Move(4, 1) back", [](TList& l) { l.Move(4, 1); }, {0, 4, 1, 2, 3}},
        {"Move(2, 2) stays", [](TList& l) { l.Move(2, 2); }, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TList list;
        Fill(list, 5);
        c.call(list);
        std::vector<void*> expected;
        for (int i : c.expected) expected.push_back(P(i));
        EXPECT_EQ(ItemsOf(list), expected);
    }
}

TEST(TList, PackDropsNullsAndKeepsTheOrder)
{
    TList list;
    for (void* p : std::initializer_list<void*>{nullptr, P(0), nullptr, nullptr, P(1), P(2), nullptr}) list.Add(p);
    list.Pack();
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(1), P(2)}));
}

struct TKeyed {
    int key;
    int serial;
};

int CompareKeys(void* a, void* b)
{
    return static_cast<TKeyed*>(a)->key - static_cast<TKeyed*>(b)->key;
}

TEST(TList, SortOrdersByTheCompareFunctionAndKeepsEqualItemsInOrder)
{
    TKeyed items[] = {{3, 0}, {1, 1}, {2, 2}, {1, 3}, {3, 4}, {0, 5}, {1, 6}};
    TList list;
    for (TKeyed& item : items) list.Add(&item);
    list.Sort(&CompareKeys);
    std::vector<std::pair<int, int>> sorted;
    for (int i = 0; i < list.Count(); ++i) {
        auto* item = static_cast<TKeyed*>(list.Items(i));
        sorted.emplace_back(item->key, item->serial);
    }
    EXPECT_EQ(sorted, (std::vector<std::pair<int, int>>{{0, 5}, {1, 1}, {1, 3}, {1, 6}, {2, 2}, {3, 0}, {3, 4}}));
}

TEST(TList, CapacityGrowsAheadOfTheCountAndClearReleasesIt)
{
    TList list;
    int growths = 0;
    for (int i = 0; i < 10000; ++i) {
        int before = list.Capacity();
        list.Add(P(i % 8));
        if (list.Capacity() != before) ++growths;
        ASSERT_GE(list.Capacity(), list.Count());
    }
    // Geometric growth: a few dozen reallocations for ten thousand appends.
    EXPECT_LT(growths, 60);

    list.SetCapacity(20000);
    EXPECT_EQ(list.Capacity(), 20000);
    EXPECT_EQ(list.Count(), 10000);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(TList, SetCountPadsWithNullsOrCutsTheTail)
{
    TList list;
    Fill(list, 2);
    list.SetCount(4);
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0), P(1), nullptr, nullptr}));
    list.SetCount(1);
    EXPECT_EQ(ItemsOf(list), (std::vector<void*>{P(0)}));
}

// Records what the list reports about its items.
class TRecordingList : public TList {
    RUNTIME_CLASS(TRecordingList, TList)
public:
    std::vector<std::pair<void*, TListNotification>> Log;

protected:
    void Notify(void* item, TListNotification action) override { Log.emplace_back(item, action); }
};

TEST(TList, NotifiesAboutNonNullItemsOnly)
{
    using Entry = std::pair<void*, TListNotification>;
    TRecordingList list;
    list.Add(P(0));
    list.Add(nullptr);
    list.Insert(0, P(1));        // P1 P0 null
    list.SetItems(2, P(2));      // P1 P0 P2
    list.SetItems(2, P(2));      // the same item again: no change
    list.Delete(1);              // P1 P2
    list.Extract(P(2));          // P1
    list.Remove(P(1));           // empty
    list.Add(P(3));
    list.Clear();
    EXPECT_EQ(list.Log, (std::vector<Entry>{{P(0), lnAdded},
                                            {P(1), lnAdded},
                                            {P(2), lnAdded},
                                            {P(0), lnDeleted},
                                            {P(2), lnExtracted},
                                            {P(1), lnDeleted},
                                            {P(3), lnAdded},
                                            {P(3), lnDeleted}}));
}

TEST(TList, ReplacingAnItemReportsTheOldOneDeletedThenTheNewOneAdded)
{
    using Entry = std::pair<void*, TListNotification>;
    TRecordingList list;
    list.Add(P(0));
    list.Log.clear();
    list.SetItems(0, P(1));
    EXPECT_EQ(list.Log, (std::vector<Entry>{{P(0), lnDeleted}, {P(1), lnAdded}}));
}

} // namespace
