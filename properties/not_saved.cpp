#include "properties/not_saved.h"

std::string NotSavedText(const std::string& explanation, const std::vector<UnsavedNode>& nodes)
{
    std::string text = explanation + "\n";
    for (const UnsavedNode& node : nodes)
        text += "\n" + node.label + " (" + node.path + ")";
    return text;
}
