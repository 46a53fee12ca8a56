// A user's day on the page: adding, renaming and removing devices, with
// Apply, Cancel and OK, every effect checked in the registry itself.
#include "applet_steps.h"

#include "../unit/system_fixture.h"
#include "resources/resource.h"

#include <string>

namespace {

const char kRename[] = "Rename Interface";
const char kOneBoard[] = "REGEDIT4\n"
                         "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbVexA\\Enum]\n"
                         "\"Count\"=dword:00000001\n\"0\"=\"ROOT\\\\KVX488\\\\0000\"\n";
const char kPage[] = "Bus Configuration";

// Answers the rename dialog with a new name (typed as given) and OK or Cancel.
Step RenameTo(const std::string& from, const std::string& to, int button)
{
    return [from, to, button] {
        HWND dialog = FindThreadWindow(kRename);
        if (!dialog)
            return false;
        EXPECT_EQ(TextOf(FindControl(dialog, IDC_RENAME_FROM)), from);
        TypeText(dialog, IDC_RENAME_TO, to);
        Click(dialog, button);
        return true;
    };
}

// Checks what the rename dialog shows again after a refused name.
Step RenameShows(const std::string& to)
{
    return [to] {
        HWND dialog = FindThreadWindow(kRename);
        if (!dialog)
            return false;
        EXPECT_EQ(TextOf(FindControl(dialog, IDC_RENAME_TO)), to) << "the dialog shows what the user typed";
        return true;
    };
}

Step CancelProperties(const std::string& name)
{
    return PressIn(name + " Properties", IDCANCEL);
}

Step Expect(std::function<void()> check)
{
    return [check] {
        check();
        return true;
    };
}

std::vector<std::string> Devices(const std::string& interfacePath)
{
    for (const TreeItem& root : ReadTree(Tree())) {
        for (const TreeItem& item : root.children) {
            if ("Computer/" + item.label == interfacePath)
                return Labels(item.children);
        }
    }
    return {};
}

// Runs the quenbus program with these arguments; its exit status, or -1.
int RunQuenbus(const std::string& arguments)
{
    std::string command = std::string("\"") + QUENBUS_TOOL_PATH + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD status = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

class DeviceCommands : public Nt5System {
protected:
    std::string UserName(const char* path)
    {
        RegKey key = Open(HKEY_CURRENT_USER, (std::string("Software\\Korvex\\IEEE\\") + path).c_str());
        return key.Get() ? ReadString(key.Get(), "UserName") : "<no key>";
    }
    bool Exists(const char* path)
    {
        return Open(HKEY_CURRENT_USER, (std::string("Software\\Korvex\\IEEE\\") + path).c_str()).Get() != nullptr;
    }
};

} // namespace

TEST_F(DeviceCommands, AUsersDayOfAddingRenamingAndRemoving)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    std::string warning = "\n\n\nWarning: You are about to remove this device from your bus configuration.";
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_ADD_DEVICE),
        RenameTo("New Device", "New Device", IDCANCEL),
        CancelProperties("New Device"),
        Gone("New Device Properties"),
        Expect([this] {
            EXPECT_EQ(Devices("Computer/IEEE0"), (std::vector<std::string>{"New Device", "Wave"}));
            EXPECT_TRUE(Exists("0000\\0001")) << "the key is created at once";
            EXPECT_EQ(UserName("0000\\0001"), "<missing>");
            EXPECT_TRUE(IsEnabled(Sheet(), 0x3021)) << "the page is modified";
        }),
        Press(0x3021), // Apply
        Expect([this] { EXPECT_EQ(UserName("0000\\0001"), "New Device") << "stored under its default name"; }),
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_ADD_DEVICE),
        RenameTo("New Device (2)", "  Scope  ", IDOK),
        CancelProperties("Scope"),
        Gone("Scope Properties"),
        Expect([this] {
            EXPECT_EQ(Devices("Computer/IEEE0"), (std::vector<std::string>{"New Device", "Scope", "Wave"}));
            EXPECT_TRUE(Exists("0000\\0002")) << "numbers follow the largest";
        }),
        // Only the letter case changes: nothing happens.
        SelectPath("Computer/IEEE0/Scope"),
        Press(IDC_RENAME),
        RenameTo("Scope", "SCOPE", IDOK),
        Gone(kRename),
        Expect([] { EXPECT_EQ(Devices("Computer/IEEE0"), (std::vector<std::string>{"New Device", "Scope", "Wave"})); }),
        // An empty name, a sibling's name, then another interface's device name.
        Press(IDC_RENAME),
        RenameTo("Scope", "   ", IDOK),
        AnswerBox(kPage, "You must type a name.", IDOK),
        RenameShows("   "),
        RenameTo("Scope", "wave", IDOK),
        AnswerBox(kPage, "An interface or device with the name you specified already exists.  Specify a different name.",
                  IDOK),
        RenameTo("Scope", "Wave1", IDOK),
        Gone(kRename),
        // More than 19 characters are refused by the dialog itself.
        SelectPath("Computer/IEEE0/New Device"),
        Press(IDC_RENAME),
        RenameTo("New Device", "ABCDEFGHIJKLMNOPQRST", IDOK),
        AnswerBox(kRename, "Please enter no more than 19 characters.", IDOK),
        PressIn(kRename, IDCANCEL),
        Gone(kRename),
        // Remove, answered Cancel and then OK.
        Press(IDC_REMOVE),
        AnswerBox("Confirm Device Removal", "New Device" + warning, IDCANCEL),
        Expect([] { EXPECT_TRUE(ItemAt("Computer/IEEE0/New Device")); }),
        Press(IDC_REMOVE),
        AnswerBox("Confirm Device Removal", "New Device" + warning, IDOK),
        Expect([this] {
            EXPECT_FALSE(ItemAt("Computer/IEEE0/New Device"));
            EXPECT_TRUE(Exists("0000\\0001")) << "removed at the commit";
        }),
        Press(0x3021), // Apply
        Expect([this] {
            EXPECT_FALSE(Exists("0000\\0001"));
            EXPECT_EQ(UserName("0000\\0002"), "Wave1");
            EXPECT_EQ(UserName("0000\\0000"), "Wave");
        }),
        // After the Apply: add, rename and remove, then Cancel.
        SelectPath("Computer/IEEE1"),
        Press(IDC_ADD_DEVICE),
        RenameTo("New Device", "Extra", IDOK),
        CancelProperties("Extra"),
        Gone("Extra Properties"),
        Expect([this] { EXPECT_TRUE(Exists("0001\\0001")); }),
        SelectPath("Computer/IEEE1/Wave1"),
        Press(IDC_RENAME),
        RenameTo("Wave1", "Meter", IDOK),
        Gone(kRename),
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_REMOVE),
        AnswerBox("Confirm Device Removal", "Wave" + warning, IDOK),
        Press(IDCANCEL),
    });
    EXPECT_FALSE(Exists("0001\\0001")) << "Cancel deletes what was added since the Apply";
    EXPECT_EQ(UserName("0001\\0000"), "Wave1") << "a rename after the Apply is not written";
    EXPECT_TRUE(Exists("0000\\0000")) << "a removal after the Apply is not carried out";

    // The next opening shows exactly what was committed; interfaces take names too.
    OpenApplet(cpl, {
        Expect([] {
            EXPECT_EQ(Devices("Computer/IEEE0"), (std::vector<std::string>{"Wave", "Wave1"}));
            EXPECT_EQ(Devices("Computer/IEEE1"), (std::vector<std::string>{"Wave1"}));
        }),
        SelectPath("Computer/IEEE2"),
        Press(IDC_RENAME),
        RenameTo("IEEE2", "Wave3", IDOK),
        AnswerBox(kPage, "An interface or device with the name you specified already exists.  Specify a different name.",
                  IDOK),
        RenameTo("IEEE2", "Bench", IDOK),
        Gone(kRename),
        [] {
            EXPECT_TRUE(SaveScreenshot(Sheet(), Screenshot("bus_configuration_after_walk")));
            return true;
        },
        Press(IDOK),
    });
    EXPECT_EQ(UserName("0002"), "Bench") << "OK writes everything";
}

TEST_F(DeviceCommands, DevicesAQuenbusScanAddedShowInTheApplet)
{
    ScopedService board("QbVexA", "Vexmoor", kStubDriverPath);
    ASSERT_TRUE(board.Created());
    LoadReg(kOneBoard);
    ASSERT_EQ(RunQuenbus(std::string("setup --dll ") + QUENBUS_CPL_PATH + " install"), 0);
    ASSERT_EQ(RunQuenbus("scan IEEE0 --add"), 0);
    EXPECT_EQ(UserName("0000\\0009"), "Multimeter") << "Wave has the default address 16: the block there adds no node";

    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    OpenApplet(cpl, {
        Expect([] {
            EXPECT_EQ(Devices("Computer/IEEE0"),
                      (std::vector<std::string>{"Block", "Indefinite", "Multimeter", "New Device", "New Device (2)",
                                                "New Device (3)", "New Device (4)", "Readings", "Store", "Wave"}));
        }),
        SelectPath("Computer/IEEE0/Multimeter"),
        [] {
            SaveScreenshot(Sheet(), Screenshot("scan_added_devices"));
            return true;
        },
        Press(IDCANCEL),
    });
}
