// The usage text in a window of its own: a fixed-size box that scrolls, so
// the window fits a small screen whatever the text's length.

#include "wizard/Wizard.h"
#include "wizard/win32/Resources.h"

#include <windows.h>

#include <string>

namespace {

struct UsageDialog {
    std::string Text;
    HFONT Font = nullptr;
};

// The option list lines up in columns: a fixed-pitch face keeps them.
HFONT CreateFixedFont() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTA font = {};
    font.lfHeight = metrics.lfMessageFont.lfHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpyA(font.lfFaceName, "Courier New");
    return CreateFontIndirectA(&font);
}

INT_PTR CALLBACK UsageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* dialog = reinterpret_cast<UsageDialog*>(lParam);
        dialog->Font = CreateFixedFont();
        if (dialog->Font)
            SendDlgItemMessageA(window, IDC_USAGE_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(dialog->Font), FALSE);
        SetDlgItemTextA(window, IDC_USAGE_TEXT, dialog->Text.c_str());
        SetFocus(GetDlgItem(window, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(window, 0);
        return TRUE;
    default: return FALSE;
    }
}

} // namespace

void ShowUsageWindow(const std::string& text) {
    UsageDialog dialog;
    // An edit box breaks lines at CR LF only.
    for (char c : text) {
        if (c == '\n')
            dialog.Text += '\r';
        dialog.Text += c;
    }
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_USAGE), nullptr, UsageProc,
                    reinterpret_cast<LPARAM>(&dialog));
    if (dialog.Font)
        DeleteObject(dialog.Font);
}
