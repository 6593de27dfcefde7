#include "library/merge_list.h"

#include <utility>

namespace library {

int MergeList::move(int row, int step)
{
    if (row < 0 || row >= size())
        return -1;
    const int to = row + step;
    if (to < 0 || to >= size())
        return row;
    std::swap(paths_[static_cast<std::size_t>(row)], paths_[static_cast<std::size_t>(to)]);
    return to;
}

bool MergeList::remove(int row)
{
    if (row < 0 || row >= size())
        return false;
    paths_.erase(paths_.begin() + row);
    return true;
}

} // namespace library
