/*
** list_test.cpp: paged lists: first page, page splits and moves into the
** next page, freeing emptied pages, search by identity and sorted search,
** the shell sort, copies and comparison.
*/
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ase_fixture.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_str.h"

namespace {

/* A one-text CAseStr. */
CAseStr *text(CAseErrList &errs, const std::string &s)
{
    CAseStr *p = new CAseStr(&errs);
    p->setAt(0, s.c_str());
    return p;
}

/* The texts of the list in order. */
std::vector<std::string> texts(CAseList &list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(static_cast<CAseStr *>(list.item(i))->at(0));
    return out;
}

} // namespace

TEST(AseList, FirstInsertCreatesThePage)
{
    CAseErrList errs;
    CAseList list(&errs, 4);
    EXPECT_EQ(list.pageCount(), 0);
    EXPECT_EQ(list.insertAt(list.count(), text(errs, "a")), 1);
    EXPECT_EQ(list.pageCount(), 1);
    EXPECT_EQ(list.count(), 1);
    CAseStr *refused = text(errs, "x");
    EXPECT_EQ(list.insertAt(5, refused), 0) << "an index beyond the count is refused";
    delete refused;   /* a refused object stays the caller's */
    EXPECT_EQ(list.insertAt(0, nullptr), 0);
    EXPECT_EQ(list.item(1), nullptr);
    EXPECT_EQ(list.item(-1), nullptr);
}

TEST(AseList, PagesOfOneSlotTakeInsertionsAheadAndBehind)
{
    CAseErrList errs;
    CAseList list(&errs, 1);
    ASSERT_EQ(list.insertAt(0, text(errs, "c")), 1);
    ASSERT_EQ(list.insertAt(0, text(errs, "a")), 1) << "ahead of the one element of a full page";
    ASSERT_EQ(list.insertAt(2, text(errs, "d")), 1);
    ASSERT_EQ(list.insertAt(1, text(errs, "b")), 1);
    EXPECT_EQ(static_cast<CAseStr *>(list.item(ASE_LIST_CURRENT))->at(0), std::string("b")) << "the new element is current";
    ASSERT_EQ(list.insertAt(0, text(errs, "0")), 1);
    EXPECT_EQ(static_cast<CAseStr *>(list.item(ASE_LIST_CURRENT))->at(0), std::string("0"));
    delete list.removeAt(0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.pageCount(), 4) << "one element per page";
    delete list.removeAt(0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(list.pageCount(), 3);
}

TEST(AseList, FullPageSplitsAndKeepsOrder)
{
    CAseErrList errs;
    CAseList list(&errs, 4);
    for (const char *s : {"a", "b", "c", "d"})
        list.append(text(errs, s));
    ASSERT_EQ(list.pageCount(), 1);
    EXPECT_EQ(list.insertAt(2, text(errs, "x")), 1);
    EXPECT_EQ(list.pageCount(), 2);
    EXPECT_EQ(list.currentIndex(), 2) << "the new element is the current one";
    EXPECT_STREQ(static_cast<CAseStr *>(list.item(ASE_LIST_CURRENT))->at(0), "x");
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a", "b", "x", "c", "d"}));
    /* The first page is not full now; fill it and overflow into the next. */
    list.insertAt(0, text(errs, "0"));
    list.insertAt(1, text(errs, "1"));
    EXPECT_EQ(list.pageCount(), 2) << "the last element moved into the next page's room";
    EXPECT_EQ(texts(list), (std::vector<std::string>{"0", "1", "a", "b", "x", "c", "d"}));
    EXPECT_EQ(list.insertAt(list.count(), text(errs, "e")), 1);
    EXPECT_EQ(texts(list).back(), "e");
}

TEST(AseList, ManyInsertionsMatchAVector)
{
    CAseErrList errs;
    CAseList list(&errs, 3);
    std::vector<std::string> model;
    std::mt19937 rng(7);
    for (int k = 0; k < 300; ++k) {
        int at = (int)(rng() % (model.size() + 1));
        std::string s = std::to_string(k);
        ASSERT_EQ(list.insertAt(at, text(errs, s)), 1);
        model.insert(model.begin() + at, s);
        if (k % 7 == 3) {
            int gone = (int)(rng() % model.size());
            ASSERT_EQ(list.deleteAt(gone), 1);
            model.erase(model.begin() + gone);
        }
    }
    EXPECT_EQ(texts(list), model);
}

TEST(AseList, RemovingTheOnlyElementOfAPageFreesIt)
{
    CAseErrList errs;
    CAseList list(&errs, 2);
    for (const char *s : {"a", "b", "c"})
        list.append(text(errs, s));
    ASSERT_EQ(list.pageCount(), 2);   /* [a] [b c] */
    CAseObj *a = list.removeAt(0);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(static_cast<CAseStr *>(a)->at(0), "a");
    EXPECT_EQ(list.pageCount(), 1);
    delete a;
    CAseObj *c = list.removeAt(1);
    EXPECT_EQ(list.currentIndex(), 0) << "the current position moves to the element before";
    delete c;
    EXPECT_EQ(list.removeAt(5), nullptr);
    EXPECT_EQ(list.deleteAt(0), 1);
    EXPECT_EQ(list.pageCount(), 0);
    EXPECT_EQ(list.count(), 0);
}

TEST(AseList, IndexOfTriesCurrentThenIdentity)
{
    CAseErrList errs;
    CAseList list(&errs, 4);
    CAseStr *b = text(errs, "b");
    list.append(text(errs, "a"));
    list.append(b);
    list.append(text(errs, "c"));
    EXPECT_EQ(list.indexOf(b), 1);
    CAseStr equal(&errs);
    equal.setAt(0, "c");
    list.item(2);
    EXPECT_EQ(list.indexOf(&equal), 2) << "the current element matches by compare";
    list.item(0);
    EXPECT_EQ(list.indexOf(&equal), -1) << "others only by identity";
    EXPECT_EQ(list.setAt(1, text(errs, "B")), 1);
    EXPECT_EQ(texts(list)[1], "B");
}

TEST(AseList, SortAndSortedSearch)
{
    CAseErrList errs;
    CAseList list(&errs, 3);
    std::vector<std::string> words = {"m", "c", "x", "a", "q", "b", "z", "k", "e", "d", "y"};
    for (auto &w : words)
        list.append(text(errs, w));
    EXPECT_EQ(list.sort(), 1);
    std::vector<std::string> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(texts(list), sorted);
    for (int i = 0; i < (int)sorted.size(); ++i) {
        CAseStr key(&errs);
        key.setAt(0, sorted[i].c_str());
        int at = -1;
        EXPECT_NE(list.findSorted(&key, &at), nullptr) << sorted[i];
        EXPECT_EQ(at, i);
    }
    CAseStr missing(&errs);
    missing.setAt(0, "f");
    int at = -1;
    EXPECT_EQ(list.findSorted(&missing, &at), nullptr);
    EXPECT_EQ(at, 5) << "where the key belongs";
    CAseStr beyond(&errs);
    beyond.setAt(0, "zz");
    EXPECT_EQ(list.findSorted(&beyond, &at), nullptr);
    EXPECT_EQ(at, list.count());
}

TEST(AseList, CopiesAndComparison)
{
    CAseErrList errs;
    CAseList list(&errs, 2);
    for (const char *s : {"a", "b", "c"})
        list.append(text(errs, s));
    CAseList *copy = static_cast<CAseList *>(list.clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->blockSize(), 2);
    EXPECT_EQ(list.compare(copy), 0);
    static_cast<CAseStr *>(copy->item(1))->setAt(0, "x");
    EXPECT_EQ(list.compare(copy), -1);
    copy->deleteAt(0);
    EXPECT_EQ(list.compare(copy), ASE_CMP_NONE) << "lists of different length";
    CAseStr notAList(&errs);
    EXPECT_EQ(list.compare(&notAList), ASE_CMP_NONE);
    EXPECT_EQ(list.copyFrom(&list), 1);
    delete copy;
}
