#pragma once
// The merge list: the recordings to join, in their order, each with its full
// path, so that rows added from different folders join what was chosen.
// The merge page's table shows it. Qt-free.
#include <string>
#include <vector>

namespace library {

class MergeList {
public:
    // The same recording may be added again: it is then joined twice.
    void add(const std::string& path) { paths_.push_back(path); }
    // Swaps `row` with its neighbour `step` (-1 or 1) away. Returns the row
    // the entry moved to; an edge row, or one out of range, stays (-1 for
    // no row).
    int move(int row, int step);
    // False for a row out of range.
    bool remove(int row);

    const std::vector<std::string>& paths() const { return paths_; }
    int size() const { return static_cast<int>(paths_.size()); }
    // Joining needs two recordings at least.
    bool canMerge() const { return paths_.size() > 1; }
    // What the up and down buttons may do with `row` selected.
    bool canMoveUp(int row) const { return row > 0 && row < size(); }
    bool canMoveDown(int row) const { return row >= 0 && row < size() - 1; }

private:
    std::vector<std::string> paths_;
};

} // namespace library
