// Message dialogs and the default beep.
//
// GUI thread only; the dialogs are modal and handle messages (and Synchronize requests)
// until answered.
#pragma once

#include <string>

#include "framework/forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;

// A modal dialog with the type's icon and caption ("Warning", "Error", "Information",
// "Confirm"), the message, and the buttons in the order Yes, No, OK, Cancel with the
// captions "&Yes", "&No", "OK", "Cancel". The first button is the default (Enter); Escape
// answers Cancel when present, else No, else OK; the close box answers mrCancel. Returns
// the answer (mrYes, mrNo, mrOk, mrCancel).
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons);

// The system's message box with the text, an OK button, and the application's title.
void ShowMessage(const std::string& message);

// The default beep.
void Beep();
