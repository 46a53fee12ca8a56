// A property sheet made with the platform's calls only: one page holding a
// tree with an image list and a few items, as the applet's page has. What
// it leaves behind is the platform's own share.
#pragma once

const char kPlainSheetCaption[] = "Plain Sheet";

// Shows the sheet modally; returns when it has closed.
void OpenPlainSheet();
