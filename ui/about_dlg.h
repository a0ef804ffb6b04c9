// The About box: what the tool does, the clients it supports, the settings the
// accounts receive and where the log goes. It changes nothing.
#pragma once

#include "ui/dialog.h"

namespace tw {

class AboutDlg : public Dialog {
public:
    AboutDlg();

protected:
    bool onInitDialog() override;
};

}  // namespace tw
