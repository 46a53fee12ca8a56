// Steps shared by the applet's UI tests.
#pragma once

#include "cpl_module.h"
#include "ui_driver.h"

#include <functional>
#include <string>
#include <vector>

typedef std::function<bool()> Step;

HWND Sheet();
HWND Tree();
std::vector<std::string> Labels(const std::vector<TreeItem>& items);
// The path of a screenshot of that name in the build's screenshot folder.
std::string Screenshot(const char* name);
// Opens the applet and runs the steps (after the sheet has appeared); the
// last step must close the sheet.
void OpenApplet(const CplModule& cpl, std::vector<Step> steps);
// A step that clicks a button of the sheet or its page.
Step Press(int id);
// A step that clicks a button of the window with that caption.
Step PressIn(const std::string& caption, int id);
// A step that waits for a window with that caption.
Step WaitFor(const std::string& caption);
// A step that waits until no window has that caption.
Step Gone(const std::string& caption);
// A step that selects the tree item with that path of labels ("Computer/IEEE0/Wave").
Step SelectPath(const std::string& path);
// The tree item at a path of labels, or null.
HTREEITEM ItemAt(const std::string& path);
// A step that answers the message box of that caption, checking its text.
Step AnswerBox(const std::string& caption, const std::string& text, int button);
