#include "records/ChooserList.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* n : list)
        out << s(n);
    return out;
}

// Watches a chooser's selection: every currentIndexChanged it sends, and what
// the list itself says at that moment.
class SelectionWatch {
public:
    explicit SelectionWatch(ChooserList& list) : m_list(list)
    {
        QObject::connect(&list, &ChooserList::currentIndexChanged, &list, [this](int index) {
            sent << index;
            seen << (m_list.currentIndex() == index ? m_list.currentText() : s("<out of step>"));
        });
    }
    QList<int> sent;   // the indexes sent, in order
    QStringList seen;  // the list's own selected name when each was sent

private:
    ChooserList& m_list;
};

// A sorted list of b, d, f with d selected.
struct Selected {
    ChooserList list{ChooserList::Order::Sorted};
    Selected()
    {
        list.setNames(names({"f", "b", "d"}));
        list.setCurrentIndex(1);
    }
};

} // namespace

TEST(ChooserList, AddingBeforeOrAtTheSelectedRowMovesTheSelectionWithItsName)
{
    {
        Selected c;
        SelectionWatch watch(c.list);
        EXPECT_EQ(c.list.add(s("a")), 0); // before
        EXPECT_EQ(c.list.currentIndex(), 2);
        EXPECT_EQ(c.list.currentText(), s("d"));
        EXPECT_EQ(watch.sent, QList<int>{2});
        EXPECT_EQ(watch.seen, QStringList{s("d")});
    }
    {
        Selected c;
        SelectionWatch watch(c.list);
        EXPECT_EQ(c.list.add(s("C")), 1); // at the selected row: case is ignored in the order
        EXPECT_EQ(c.list.names(), names({"b", "C", "d", "f"}));
        EXPECT_EQ(c.list.currentIndex(), 2);
        EXPECT_EQ(c.list.currentText(), s("d"));
        EXPECT_EQ(watch.sent, QList<int>{2});
        EXPECT_EQ(watch.seen, QStringList{s("d")});
    }
}

TEST(ChooserList, AddingAfterTheSelectedRowOrWithoutSelectionSendsNothing)
{
    {
        Selected c;
        SelectionWatch watch(c.list);
        EXPECT_EQ(c.list.add(s("e")), 2);
        EXPECT_EQ(c.list.add(s("z")), 4);
        EXPECT_EQ(c.list.currentIndex(), 1);
        EXPECT_EQ(c.list.currentText(), s("d"));
        EXPECT_TRUE(watch.sent.isEmpty());
    }
    {
        // In the order names were added a new one goes last, behind any selection.
        ChooserList list(ChooserList::Order::Added);
        list.setNames(names({"x", "a"}));
        list.setCurrentIndex(1);
        SelectionWatch watch(list);
        EXPECT_EQ(list.add(s("0")), 2);
        EXPECT_EQ(list.currentText(), s("a"));
        EXPECT_TRUE(watch.sent.isEmpty());
    }
    {
        ChooserList list(ChooserList::Order::Sorted);
        list.setNames(names({"m"}));
        SelectionWatch watch(list);
        list.add(s("a"));
        EXPECT_EQ(list.currentIndex(), -1);
        EXPECT_TRUE(watch.sent.isEmpty());
    }
}

TEST(ChooserList, RemovingBeforeAtOrAfterTheSelectedRow)
{
    {
        Selected c;
        SelectionWatch watch(c.list);
        c.list.removeAt(0); // before
        EXPECT_EQ(c.list.currentIndex(), 0);
        EXPECT_EQ(c.list.currentText(), s("d"));
        EXPECT_EQ(watch.sent, QList<int>{0});
        EXPECT_EQ(watch.seen, QStringList{s("d")});
    }
    {
        Selected c;
        SelectionWatch watch(c.list);
        c.list.removeAt(1); // the selected name itself: nothing is selected now
        EXPECT_EQ(c.list.names(), names({"b", "f"}));
        EXPECT_EQ(c.list.currentIndex(), -1);
        EXPECT_EQ(c.list.currentText(), QString());
        EXPECT_EQ(watch.sent, QList<int>{-1});
    }
    {
        Selected c;
        SelectionWatch watch(c.list);
        c.list.removeAt(2); // after
        EXPECT_EQ(c.list.currentIndex(), 1);
        EXPECT_EQ(c.list.currentText(), s("d"));
        EXPECT_TRUE(watch.sent.isEmpty());
    }
    {
        Selected c;
        SelectionWatch watch(c.list);
        c.list.removeAt(3);
        c.list.removeAt(-1);
        EXPECT_EQ(c.list.count(), 3);
        EXPECT_EQ(c.list.currentIndex(), 1);
        EXPECT_TRUE(watch.sent.isEmpty());
    }
}

TEST(ChooserList, ViewsOfTheListSeeEachRowInsertedAndRemoved)
{
    Selected c;
    QSignalSpy inserted(&c.list, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&c.list, &QAbstractItemModel::rowsRemoved);
    c.list.add(s("c"));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 1);
    c.list.removeAt(3);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 3);
    EXPECT_EQ(c.list.rowCount(), 3);
    EXPECT_EQ(c.list.data(c.list.index(2)).toString(), s("d"));
}

TEST(ChooserList, SelectingSendsOnlyRealChangesAndNewNamesClearTheSelection)
{
    Selected c;
    SelectionWatch watch(c.list);
    c.list.setCurrentIndex(1); // already selected
    c.list.setCurrentIndex(7); // no such row: nothing selected
    c.list.setCurrentIndex(-5);
    c.list.setCurrentIndex(2);
    EXPECT_EQ(watch.sent, (QList<int>{-1, 2}));
    c.list.setNames(names({"q", "p"}));
    EXPECT_EQ(c.list.names(), names({"p", "q"}));
    EXPECT_EQ(c.list.currentIndex(), -1);
    EXPECT_EQ(watch.sent, (QList<int>{-1, 2, -1}));
    c.list.setNames(names({"r"})); // nothing was selected: nothing to send
    EXPECT_EQ(watch.sent, (QList<int>{-1, 2, -1}));
}
