#include "views/TabRow.h"

#include <utility>

namespace {

int lowbit(int k) { return k & -k; }

}  // namespace

int TabRow::left(int index) const {
    int sum = 0;
    for (int k = index; k > 0; k -= lowbit(k)) sum += tree_[static_cast<std::size_t>(k)];
    return sum;
}

int TabRow::indexAt(int x) const {
    if (x < 0 || x >= total_) return -1;
    // The most tabs whose widths add up to no more than x: the next one covers x.
    const int n = count();
    int step = 1;
    while (step * 2 <= n) step *= 2;
    int tabs = 0, rest = x;
    for (; step > 0; step /= 2) {
        const int next = tabs + step;
        if (next <= n && tree_[static_cast<std::size_t>(next)] <= rest) {
            tabs = next;
            rest -= tree_[static_cast<std::size_t>(next)];
        }
    }
    return tabs;
}

void TabRow::append(int width) {
    widths_.push_back(width);
    const int k = count();
    // A new last node sums its own width and the nodes below it, which are all complete.
    int sum = width;
    for (int j = 1; j < lowbit(k); j *= 2) sum += tree_[static_cast<std::size_t>(k - j)];
    tree_.push_back(sum);
    total_ += width;
}

void TabRow::insert(int index, int width) {
    if (index >= count()) {
        append(width);
        return;
    }
    widths_.insert(widths_.begin() + index, width);
    rebuild();
}

void TabRow::remove(int index) {
    if (index == count() - 1) {
        // No other node holds the last tab.
        total_ -= widths_.back();
        widths_.pop_back();
        tree_.pop_back();
        return;
    }
    widths_.erase(widths_.begin() + index);
    rebuild();
}

void TabRow::setWidth(int index, int width) {
    const int delta = width - widths_[static_cast<std::size_t>(index)];
    if (delta == 0) return;
    widths_[static_cast<std::size_t>(index)] = width;
    total_ += delta;
    for (int k = index + 1; k <= count(); k += lowbit(k)) tree_[static_cast<std::size_t>(k)] += delta;
}

void TabRow::assign(std::vector<int> widths) {
    widths_ = std::move(widths);
    rebuild();
}

void TabRow::rebuild() {
    const int n = count();
    tree_.assign(static_cast<std::size_t>(n) + 1, 0);
    total_ = 0;
    for (int k = 1; k <= n; ++k) {
        const int width = widths_[static_cast<std::size_t>(k - 1)];
        total_ += width;
        tree_[static_cast<std::size_t>(k)] += width;
        if (const int parent = k + lowbit(k); parent <= n) tree_[static_cast<std::size_t>(parent)] += tree_[static_cast<std::size_t>(k)];
    }
}
