#include "applet_steps.h"

#include <gtest/gtest.h>

HWND Sheet()
{
    return FindThreadWindow(kSheetCaption);
}

HWND Tree()
{
    return FindControl(Sheet(), 1000);
}

std::vector<std::string> Labels(const std::vector<TreeItem>& items)
{
    std::vector<std::string> labels;
    for (const TreeItem& item : items)
        labels.push_back(item.label);
    return labels;
}

std::string Screenshot(const char* name)
{
    return std::string(QUENBUS_SCREENSHOT_DIR) + "/" + name + ".bmp";
}

void OpenApplet(const CplModule& cpl, std::vector<Step> steps)
{
    steps.insert(steps.begin(), [] { return Sheet() != nullptr; });
    EXPECT_TRUE(RunWithSteps([&] { cpl.Open(); }, std::move(steps), Sheet)) << "the sheet did not finish its steps";
}

Step Press(int id)
{
    return [id] {
        Click(Sheet(), id);
        return true;
    };
}

Step PressIn(const std::string& caption, int id)
{
    return [caption, id] {
        HWND window = FindThreadWindow(caption);
        if (!window)
            return false;
        Click(window, id);
        return true;
    };
}

Step WaitFor(const std::string& caption)
{
    return [caption] { return FindThreadWindow(caption) != nullptr; };
}

Step Gone(const std::string& caption)
{
    return [caption] { return FindThreadWindow(caption) == nullptr; };
}

HTREEITEM ItemAt(const std::string& path)
{
    std::vector<TreeItem> level = ReadTree(Tree());
    HTREEITEM found = nullptr;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        std::string label = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const TreeItem* match = nullptr;
        for (const TreeItem& item : level) {
            if (item.label == label)
                match = &item;
        }
        if (!match)
            return nullptr;
        found = match->handle;
        std::vector<TreeItem> children = match->children;
        level = children;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return found;
}

Step SelectPath(const std::string& path)
{
    return [path] {
        HTREEITEM item = ItemAt(path);
        EXPECT_TRUE(item) << "no tree item " << path;
        if (item)
            SelectItem(Tree(), item);
        return true;
    };
}

Step AnswerBox(const std::string& caption, const std::string& text, int button)
{
    return [caption, text, button] {
        std::string shown;
        HWND box = FindMessageBox(caption, &shown);
        if (!box)
            return false;
        EXPECT_EQ(shown, text) << "message box " << caption;
        Answer(box, button);
        return true;
    };
}
