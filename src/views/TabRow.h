#pragma once
// The widths of a row of tabs and where each one begins. A web list opens hundreds of
// windows at once, each adding a tab and retitling it twice: the left edges are prefix
// sums held in a Fenwick tree, so that one width changed, a tab appended, the left edge
// of a tab and the tab under a point each cost O(log n). Only a tab inserted or removed
// before the end rebuilds the tree, in O(n).

#include <cstddef>
#include <vector>

class TabRow {
public:
    int count() const { return static_cast<int>(widths_.size()); }
    int width(int index) const { return widths_[static_cast<std::size_t>(index)]; }
    // The sum of the widths of the tabs before `index` (0 <= index <= count()).
    int left(int index) const;
    int total() const { return total_; }
    // The tab that covers x, or -1 when x lies before the first tab or past the last.
    int indexAt(int x) const;

    void append(int width);
    void insert(int index, int width);
    void remove(int index);
    void setWidth(int index, int width);
    void assign(std::vector<int> widths);
    void clear() { assign({}); }

private:
    void rebuild();
    std::vector<int> widths_;
    // 1-based: tree_[k] holds the sum of the widths of tabs k - lowbit(k) .. k - 1.
    std::vector<int> tree_{0};
    int total_ = 0;
};
