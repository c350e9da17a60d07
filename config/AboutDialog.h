#pragma once

#include "framework/ui/CDialog.h"
#include "res/resource.h"

// The About box: no code beyond the framework's plain dialog, on its own
// template and without a parent, so it is centred on the screen and every
// other window of the program waits while it is open.
class AboutDialog : public CDialog {
public:
    AboutDialog() : CDialog(IDD_ABOUT, nullptr) {}
};
