// Resource and control ids, shared by the resource script (ui/dialogs.rc) and
// the dialogs' code. Plain #defines because the resource compiler reads them too.
#pragma once

#define IDR_MAINFRAME 129          // the application icon
#define IDD_TIDEWELL_DIALOG 102    // the main dialog
#define IDD_ABOUTBOX 131           // the About box

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Main dialog.
#define IDC_INTRO 1009             // intro text, later the result message
#define IDC_SELECT_ONE 1013
#define IDC_OUTLOOK_EXPRESS 1000   // the client radio group, in client order ...
#define IDC_OUTLOOK 1014
#define IDC_WINDOWS_MAIL 1026
#define IDC_EUDORA 1015
#define IDC_THUNDERBIRD 1016       // ... to here
#define IDC_ADDRESS_LABEL 1012
#define IDC_MAKE_DEFAULT 1003
#define IDC_OVERWRITE 1025
#define IDC_CONFIGURE 1002
#define IDC_NAME_LABEL 1011
#define IDC_DISPLAY_NAME 1005
#define IDC_ADDRESS 1004
#define IDC_DETAILS_LABEL 1010
#define IDC_ABOUT 1018
#define IDC_LAUNCH 1024
#define IDC_USE_SSL 1027

// About box: the lines filled in when it opens.
#define IDC_ABOUT_IMAP_USERNAME 1019
#define IDC_ABOUT_SMTP_SERVER 1020
#define IDC_ABOUT_SMTP_PORT 1021
#define IDC_ABOUT_IMAP_PORT 1022
#define IDC_ABOUT_IMAP_SERVER 1023
