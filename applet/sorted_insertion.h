// An order of insertion that makes a tree control's sorted insertion cheap
// without changing where its items end up. The control walks the siblings
// from the first: before the first greater one, right after the first equal
// one, else at the end. Inserted in this order, each item stops at the
// first sibling, and the result is the one insertion in key order gives.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// <0, 0 or >0 as the control compares the labels of items a and b.
typedef std::function<int(size_t a, size_t b)> LabelCompare;

// The indices 0..count-1 (items in key order) in the order to insert them:
// labels descending, equal labels in ascending key order.
std::vector<size_t> SortedInsertionOrder(size_t count, const LabelCompare& compare);
