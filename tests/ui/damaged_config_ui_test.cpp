// The applet over damaged configurations, as a user meets them: the sheet
// opens, Properties opens and takes OK on every node of the tree, then
// Apply and OK on the sheet. Nothing crashes or hangs, every undamaged node
// is in the tree, and what the damage did not touch stays as it was.
#include "applet_steps.h"

#include "../unit/damaged_configuration.h"
#include "applet/tree_items.h"
#include "config/node_index.h"
#include "framework/property_sheet.h"
#include "resources/resource.h"

#include <memory>

namespace {

struct WalkedNode {
    HTREEITEM item;
    std::string label;
    NodePath node;
};

std::vector<WalkedNode> NodesOfTree(const std::vector<TreeItem>& roots)
{
    std::vector<WalkedNode> nodes;
    for (const TreeItem& root : roots) {
        for (const TreeItem& interfaceItem : root.children) {
            char name[5];
            std::string interfacePath = FormatNodeIndex(interfaceItem.data & NODE_NUMBER_MASK, name, sizeof name);
            nodes.push_back({interfaceItem.handle, interfaceItem.label, {interfacePath, true}});
            for (const TreeItem& device : interfaceItem.children) {
                std::string path = interfacePath + "\\" + FormatNodeIndex(device.data & NODE_NUMBER_MASK, name, sizeof name);
                nodes.push_back({device.handle, device.label, {path, false}});
            }
        }
    }
    return nodes;
}

// One step that runs Properties and OK on every node, a node every two ticks
// when the dialogs answer at once.
Step PropertiesOkOnEveryNode(std::vector<WalkedNode>& nodes)
{
    auto next = std::make_shared<size_t>(0);
    auto open = std::make_shared<bool>(false);
    return [&nodes, next, open] {
        if (*open) {
            HWND dialog = FindThreadWindow(nodes[*next].label + " Properties");
            if (!dialog)
                return false;
            Click(dialog, IDOK);
            *open = false;
            ++*next;
            return false;
        }
        // The last dialog has gone once the sheet is the only window again.
        if (*next > 0 && FindThreadWindow(nodes[*next - 1].label + " Properties"))
            return false;
        if (*next == nodes.size())
            return true;
        SelectItem(Tree(), nodes[*next].item);
        Click(Sheet(), IDC_PROPERTIES);
        *open = true;
        return false;
    };
}

// The clean nodes whose name the damage left alone: the tree must show them.
std::vector<std::pair<std::string, std::string>> UndamagedLabels(const Snapshot& clean, const Snapshot& touched)
{
    const std::string prefix = "HKCU\\Software\\Korvex\\IEEE\\";
    std::vector<std::pair<std::string, std::string>> labels;
    for (const auto& [entry, value] : clean) {
        size_t name = entry.find('\n');
        if (entry.compare(0, prefix.size(), prefix) != 0 || entry.substr(name + 1) != "UserName" ||
            touched.count(entry) || value.data.empty())
            continue;
        labels.push_back({entry.substr(prefix.size(), name - prefix.size()),
                          std::string(reinterpret_cast<const char*>(value.data.data()))});
    }
    return labels;
}

class DamagedApplet : public DamagedTest {
protected:
    explicit DamagedApplet(Family family) : DamagedTest(family) {}

    void WalkEveryNode()
    {
        Seed();
        if (HasFatalFailure())
            return;
        CplModule cpl;
        ASSERT_TRUE(cpl.Loaded());
        std::vector<WalkedNode> nodes;
        std::vector<Step> steps = {
            [] { return Sheet() != nullptr && Tree() != nullptr; },
            [&nodes] {
                nodes = NodesOfTree(ReadTree(Tree()));
                return true;
            },
            PropertiesOkOnEveryNode(nodes),
            Press(kApplyButtonId),
            Press(IDOK),
        };
        // Two ticks a node at most, and time for a slow machine.
        const int ticks = 1000 + 8 * 1200;
        ASSERT_TRUE(RunWithSteps([&] { cpl.Open(); }, steps, Sheet, ticks, 10)) << "the walk did not finish";

        for (const auto& [path, label] : UndamagedLabels(clean_, touched_)) {
            bool shown = false;
            for (const WalkedNode& node : nodes)
                shown = shown || (node.node.path == path && node.label == label);
            EXPECT_TRUE(shown) << path << " \"" << label << "\" is not in the tree";
        }
        std::vector<NodePath> stored;
        for (const WalkedNode& node : nodes)
            stored.push_back(node.node);
        for (const std::string& failure : ContainmentFailures(clean_, touched_, before_, TakeSnapshot(), stored))
            ADD_FAILURE() << failure;
    }
};

class Win9xDamagedApplet : public DamagedApplet {
protected:
    Win9xDamagedApplet() : DamagedApplet(Family::Win9x) {}
};

class LegacyNtDamagedApplet : public DamagedApplet {
protected:
    LegacyNtDamagedApplet() : DamagedApplet(Family::LegacyNt) {}
};

class Nt5DamagedApplet : public DamagedApplet {
protected:
    Nt5DamagedApplet() : DamagedApplet(Family::Nt5) {}
};

} // namespace

TEST_P(Win9xDamagedApplet, PropertiesOkOnEveryNodeKeepsWhatWasValid)
{
    WalkEveryNode();
}

TEST_P(LegacyNtDamagedApplet, PropertiesOkOnEveryNodeKeepsWhatWasValid)
{
    WalkEveryNode();
}

TEST_P(Nt5DamagedApplet, PropertiesOkOnEveryNodeKeepsWhatWasValid)
{
    WalkEveryNode();
}

INSTANTIATE_TEST_SUITE_P(Win9x, Win9xDamagedApplet, ::testing::ValuesIn(FixturesOf(Family::Win9x)), FixtureName);
INSTANTIATE_TEST_SUITE_P(LegacyNt, LegacyNtDamagedApplet, ::testing::ValuesIn(FixturesOf(Family::LegacyNt)),
                         FixtureName);
INSTANTIATE_TEST_SUITE_P(Nt5, Nt5DamagedApplet, ::testing::ValuesIn(FixturesOf(Family::Nt5)), FixtureName);
