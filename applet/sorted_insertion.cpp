#include "applet/sorted_insertion.h"

#include <algorithm>
#include <numeric>

std::vector<size_t> SortedInsertionOrder(size_t count, const LabelCompare& compare)
{
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&compare](size_t a, size_t b) { return compare(a, b) > 0; });
    return order;
}
