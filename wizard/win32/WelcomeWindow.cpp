// The first page: the title in the wizard's bold font and what the program does.

#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>

#include <optional>

namespace face {

namespace {

struct WelcomeWindow {
    std::optional<PostedSheet> Sheet;
    std::optional<WelcomePage> Page;
};
WelcomeWindow welcome;

} // namespace

INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ConversionSettings& settings = KeepSettings(page, lParam);
        welcome.Sheet.emplace(page);
        welcome.Page.emplace(settings, *welcome.Sheet);
        SetTitleFont(page, settings);
        if (kAceFiles)
            SetItemText(page, IDC_DESCRIPTION, WelcomeDescription(true));
        welcome.Page->Initialise();
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_HELP_BUTTON)
            ShowHelp(page);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_SETACTIVE) && welcome.Page) {
            welcome.Page->SetActive();
            return Answer(page, 0);
        }
        return FALSE;
    default: return FALSE;
    }
}

} // namespace face
