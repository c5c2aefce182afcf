#include "wizard/win32/Face.h"

#include "platform/Platform.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace face {

namespace {

// With every wizard button disabled, the focus would stay on a disabled
// button that takes no keys: Esc, Enter, Space and Alt+F4 must still reach
// Cancel. Posted after the buttons' change, so it follows it.
void SetWizardButtonsOf(HWND sheet, unsigned mask) {
    PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(mask));
    if ((mask & (kWizardBack | kWizardNext | kWizardFinish)) == 0)
        PostMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(sheet, IDCANCEL)), TRUE);
}

} // namespace

void PostedSheet::SetWizardButtons(unsigned mask) { SetWizardButtonsOf(GetParent(page_), mask); }

void PostedSheet::PressButton(WizardPress button) {
    PostMessageA(GetParent(page_), PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

void ProgressWindowControls::ShowFileText(std::string_view text) { SetItemText(page_, IDC_PROGRESS_FILE, text); }

void ProgressWindowControls::ShowBar(int32_t range, int32_t position) {
    const HWND bar = GetDlgItem(page_, IDC_PROGRESS_BAR);
    if (range != range_) {
        SendMessageA(bar, PBM_SETRANGE32, 0, range);
        range_ = range;
    }
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressWindowControls::ShowTimes(std::string_view text) { SetItemText(page_, IDC_PROGRESS_TIMES, text); }

ProgressClock PageClock() {
    ProgressClock clock;
    clock.Milliseconds = [] { return static_cast<int64_t>(GetTickCount64()); };
    clock.Seconds = [] { return platform::SecondsNow(); };
    return clock;
}

WizardRun& CurrentRun() {
    static WizardRun run;
    return run;
}

ConversionSettings& KeepSettings(HWND page, LPARAM initParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(initParam);
    auto* settings = reinterpret_cast<ConversionSettings*>(sheetPage->lParam);
    SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(settings));
    return *settings;
}

ConversionSettings* SettingsOf(HWND page) {
    return reinterpret_cast<ConversionSettings*>(GetWindowLongPtrA(page, GWLP_USERDATA));
}

INT_PTR Answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

std::string ItemText(HWND page, int id, std::size_t limit) {
    std::vector<char> buffer(limit + 1, '\0');
    const UINT length = GetDlgItemTextA(page, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length);
}

void SetItemText(HWND page, int id, std::string_view text) { SetDlgItemTextA(page, id, std::string(text).c_str()); }

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void SetChecked(HWND page, int id, bool checked) { CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void SetTitleFont(HWND page, const ConversionSettings& settings) {
    if (settings.TitleFont)
        SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(settings.TitleFont), TRUE);
}

void ShowHelp(HWND page) {
    const std::string file = HelpFilePath(CurrentRun().ProgramPath);
    ShellExecuteA(page, "open", file.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}

void ComboList::AddString(std::string_view text) {
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void ShowChoice(HWND combo, const ListChoice& choice) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : choice.Entries)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(choice.Selected), 0);
}

} // namespace face
