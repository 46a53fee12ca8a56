// The insertion order for a sorted tree against a model of the control's
// sorted insertion: same tree as insertion in key order, one comparison each.
#include "applet/sorted_insertion.h"

#include <gtest/gtest.h>

#include <cctype>
#include <list>
#include <string>
#include <vector>

namespace {

typedef std::function<int(const std::string&, const std::string&)> TextCompare;

// The control's rule: walk the siblings from the first; before the first
// greater one, right after the first equal one, else at the end.
struct ModelTree {
    std::list<size_t> items;
    size_t comparisons = 0;

    void InsertSorted(size_t item, const std::vector<std::string>& labels, const TextCompare& compare)
    {
        for (auto it = items.begin(); it != items.end(); ++it) {
            ++comparisons;
            int c = compare(labels[item], labels[*it]);
            if (c < 0) {
                items.insert(it, item);
                return;
            }
            if (c == 0) {
                items.insert(std::next(it), item);
                return;
            }
        }
        items.push_back(item);
    }
};

int Sign(int n)
{
    return (n > 0) - (n < 0);
}

int ByteCompare(const std::string& a, const std::string& b)
{
    return Sign(a.compare(b));
}

std::string Folded(const std::string& text, bool dropPunctuation)
{
    std::string folded;
    for (unsigned char c : text) {
        if (dropPunctuation && (c == '-' || c == '\''))
            continue;
        folded += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    }
    return folded;
}

// Labels that differ in case only compare equal.
int CaseBlindCompare(const std::string& a, const std::string& b)
{
    return Sign(Folded(a, false).compare(Folded(b, false)));
}

// As a word sort: hyphens and apostrophes ignored, so different texts tie.
int WordCompare(const std::string& a, const std::string& b)
{
    return Sign(Folded(a, true).compare(Folded(b, true)));
}

struct Filled {
    std::list<size_t> items;
    size_t comparisons;
};

Filled FillInKeyOrder(const std::vector<std::string>& labels, const TextCompare& compare)
{
    ModelTree tree;
    for (size_t i = 0; i < labels.size(); ++i)
        tree.InsertSorted(i, labels, compare);
    return {tree.items, tree.comparisons};
}

Filled FillInComputedOrder(const std::vector<std::string>& labels, const TextCompare& compare)
{
    ModelTree tree;
    std::vector<size_t> order =
        SortedInsertionOrder(labels.size(), [&](size_t a, size_t b) { return compare(labels[a], labels[b]); });
    for (size_t item : order)
        tree.InsertSorted(item, labels, compare);
    return {tree.items, tree.comparisons};
}

void ExpectSameTreeWithOneComparisonEach(const std::vector<std::string>& labels)
{
    const TextCompare comparators[] = {ByteCompare, CaseBlindCompare, WordCompare};
    for (const TextCompare& compare : comparators) {
        Filled expected = FillInKeyOrder(labels, compare);
        Filled computed = FillInComputedOrder(labels, compare);
        std::vector<size_t> want(expected.items.begin(), expected.items.end());
        std::vector<size_t> got(computed.items.begin(), computed.items.end());
        EXPECT_EQ(got, want) << "for " << labels.size() << " labels, first " << labels.front();
        EXPECT_EQ(computed.comparisons, labels.empty() ? 0 : labels.size() - 1);
    }
}

} // namespace

TEST(SortedInsertion, ModelPlacesEqualLabelsAfterTheFirstAndDigitsByCharacter)
{
    std::vector<std::string> labels = {"Wave", "New Device (2)", "Wave", "New Device (10)", "Wave"};
    std::vector<size_t> want = {3, 1, 0, 4, 2};
    Filled filled = FillInKeyOrder(labels, ByteCompare);
    EXPECT_EQ(std::vector<size_t>(filled.items.begin(), filled.items.end()), want);
    filled = FillInComputedOrder(labels, ByteCompare);
    EXPECT_EQ(std::vector<size_t>(filled.items.begin(), filled.items.end()), want);
}

TEST(SortedInsertion, KindsOfLabelsGiveTheKeyOrderTree)
{
    ExpectSameTreeWithOneComparisonEach({"New Device (2)", "New Device (10)", "New Device (1)", "New Device"});
    ExpectSameTreeWithOneComparisonEach({"wave", "Wave", "WAVE", "wAve", "Wave", "wave"});
    ExpectSameTreeWithOneComparisonEach({"Scope-1", "Scope1", "Scope 1", "Scope_1", "Scope'1", "scope-1", "Scope.1"});
    ExpectSameTreeWithOneComparisonEach({"\xC4nderung", "Anderung", "\xE9t\xE9", "ete", "\xC9T\xC9", "\xE4nderung",
                                         "Zeta", "\xC4nderung"});
    ExpectSameTreeWithOneComparisonEach({"Device", "Device", "Device"});
    ExpectSameTreeWithOneComparisonEach({"Only"});
    ExpectSameTreeWithOneComparisonEach({});
}

TEST(SortedInsertion, ManyLabelsWithRepeatsGiveTheKeyOrderTree)
{
    const char* const parts[] = {"Dev", "dev", "DEV-", "Dev ", "(1", "(10", "(2", ")", "\xE9", "\xC4", "a", "B"};
    unsigned seed = 12345;
    std::vector<std::string> labels;
    for (int i = 0; i < 400; ++i) {
        std::string label;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            label += parts[(seed >> 16) % (sizeof parts / sizeof parts[0])];
        }
        labels.push_back(label);
    }
    ExpectSameTreeWithOneComparisonEach(labels);
}
