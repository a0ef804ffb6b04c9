#include "ui/about_dlg.h"

#include "core/provider.h"
#include "ui/resource.h"

namespace tw {

AboutDlg::AboutDlg() : Dialog(IDD_ABOUTBOX) {}

bool AboutDlg::onInitDialog() {
    Dialog::onInitDialog();
    // A fixed summary of the provider's servers: the incoming lines show the
    // POP host and port, the outgoing lines the plain SMTP host and port.
    window().setItemText(IDC_ABOUT_IMAP_PORT, "IMAP Port: 110");
    window().setItemText(IDC_ABOUT_SMTP_PORT, "SMTP Port: 587");
    window().setItemText(IDC_ABOUT_IMAP_SERVER, PopHost);
    window().setItemText(IDC_ABOUT_SMTP_SERVER, SmtpHost);
    setBigIcon(IDR_MAINFRAME);
    return true;
}

}  // namespace tw
