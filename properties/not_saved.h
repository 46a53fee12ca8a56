// What the user is told when the registry refused to save a node.
#pragma once

#include <string>
#include <vector>

// A node that was not saved: its label and its node path.
struct UnsavedNode {
    std::string label;
    std::string path;
};

// The message: the explanation, then one line per node, "label (path)".
std::string NotSavedText(const std::string& explanation, const std::vector<UnsavedNode>& nodes);
