// Opening and closing the applet's windows again and again leaves nothing
// behind: the GDI objects (image lists, icons, fonts) and the kernel handles
// (registry keys) that the sheet and the Properties dialogs make are freed.
#include "applet_steps.h"
#include "object_counts.h"

#include "../unit/system_fixture.h"
#include "resources/resource.h"

namespace {

void OpenSheetAndProperties(const CplModule& cpl)
{
    OpenApplet(cpl, {
        SelectPath("Computer/IEEE0"),
        Press(IDC_PROPERTIES),
        PressIn("IEEE0 Properties", IDCANCEL),
        Gone("IEEE0 Properties"),
        SelectPath("Computer/IEEE0/Wave"),
        Press(IDC_PROPERTIES),
        PressIn("Wave Properties", IDCANCEL),
        Gone("Wave Properties"),
        Press(IDCANCEL),
    });
}

} // namespace

TEST_F(Nt5System, RepeatedOpeningsLeaveNoObjectsBehind)
{
    CplModule cpl;
    ASSERT_TRUE(cpl.Loaded());
    // The first openings fill the system's caches (shared icons, classes).
    for (int i = 0; i < 3; ++i)
        OpenSheetAndProperties(cpl);
    long long gdiObjects = LiveGdiObjectCount();
    long long handles = LiveHandleCount();
    for (int i = 0; i < 10; ++i)
        OpenSheetAndProperties(cpl);
    EXPECT_EQ(LiveGdiObjectCount(), gdiObjects) << "GDI objects (image lists, icons, fonts) left behind";
    EXPECT_EQ(LiveHandleCount(), handles) << "handles (registry keys) left behind";
}
