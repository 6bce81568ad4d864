#pragma once
// A list of pointers in attachment order, with membership and removal in constant time: the
// users a vector tells about its changes, the series an axis or a graph keeps. A graph of a file
// with 100,000 steps carries half a million series, and many series may read one vector;
// searching a plain list on every attach and every teardown made adding and freeing them
// quadratic.
//
// Removing leaves a hole that is squeezed out the next time the list is read as a whole (or as
// soon as holes make up half of it), so readers always see a plain QList without holes, in
// order, and n removals between two reads cost O(n) together.

#include <QHash>
#include <QList>

#include <algorithm>

template <class T>
class TQvIndexedList
{
public:
    // The members in order (no holes).
    const QList<T*>& List() const
    {
        Squeeze();
        return FList;
    }
    operator const QList<T*>&() const { return List(); }
    typename QList<T*>::const_iterator begin() const { return List().cbegin(); }
    typename QList<T*>::const_iterator end() const { return List().cend(); }
    T* operator[](qsizetype i) const { return List()[i]; }

    qsizetype size() const { return FIndex.size(); }
    bool isEmpty() const { return FIndex.isEmpty(); }
    bool contains(const T* S) const { return FIndex.contains(S); }

    // Appends S unless it is null or a member already; true when appended.
    bool append(T* S)
    {
        if (!S || FIndex.contains(S))
            return false;
        FIndex.insert(S, FList.size());
        FList.append(S);
        return true;
    }
    // Removes S; the number removed (0 or 1), as QList::removeAll counts.
    qsizetype removeAll(const T* S)
    {
        const auto it = FIndex.constFind(S);
        if (it == FIndex.cend())
            return 0;
        FList[*it] = nullptr;
        FIndex.erase(it);
        ++FHoles;
        if (FHoles > 64 && FHoles * 2 > FList.size())
            Squeeze();
        return 1;
    }
    void clear()
    {
        FList.clear();
        FIndex.clear();
        FHoles = 0;
    }
    // Sorts the members stably by Less.
    template <class F>
    void StableSort(F Less)
    {
        Squeeze();
        std::stable_sort(FList.begin(), FList.end(), Less);
        Reindex();
    }

private:
    void Squeeze() const
    {
        if (FHoles == 0)
            return;
        FList.removeAll(nullptr);
        FHoles = 0;
        Reindex();
    }
    void Reindex() const
    {
        for (qsizetype i = 0; i < FList.size(); ++i)
            FIndex[FList[i]] = i;
    }

    mutable QList<T*> FList;
    mutable QHash<const T*, qsizetype> FIndex;
    mutable qsizetype FHoles = 0;
};
