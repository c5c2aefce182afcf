// The completion page: the counts, the parameter text, and on Finish the
// saved settings and the new files opened.

#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>

namespace face {

namespace {

class ShellOpener : public FileOpener {
public:
    explicit ShellOpener(HWND page) : page_(page) {}
    bool Open(const std::string& file) override {
        const auto result =
            reinterpret_cast<INT_PTR>(ShellExecuteA(page_, "open", file.c_str(), nullptr, nullptr, SW_SHOWDEFAULT));
        return result > 32;
    }
    void OpenWith(const std::string& parameters) override {
        ShellExecuteA(page_, "open", "rundll32", parameters.c_str(), nullptr, SW_SHOWDEFAULT);
    }

private:
    HWND page_;
};

struct CompletionWindow {
    std::optional<PostedSheet> Sheet;
    std::optional<CompletionPage> Page;
};
CompletionWindow completion;

ConversionOutcome NothingRan() { return ConversionOutcome(); }

// Line breaks as the edit box shows them.
std::string ShownLines(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (c == '\n' && (shown.empty() || shown.back() != '\r'))
            shown += '\r';
        shown += c;
    }
    return shown;
}

INT_PTR CALLBACK ParametersProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* text = reinterpret_cast<const std::string*>(lParam);
        SetDlgItemTextA(window, IDC_PARAMETERS_TEXT, ShownLines(*text).c_str());
        const HWND box = GetDlgItem(window, IDC_PARAMETERS_TEXT);
        SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(window, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK CompletionProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ConversionSettings& settings = KeepSettings(page, lParam);
        completion.Sheet.emplace(page);
        completion.Page.emplace(settings, *completion.Sheet, SettingsFilePath());
        SetTitleFont(page, settings);
        SetChecked(page, IDC_COMPLETION_OPEN, completion.Page->Initialise());
        return TRUE;
    }
    case WM_COMMAND:
        if (!completion.Page || HIWORD(wParam) != BN_CLICKED)
            return TRUE;
        if (LOWORD(wParam) == IDC_COMPLETION_PARAMETERS) {
            const std::string text = completion.Page->Parameters();
            DialogBoxParamA(CurrentRun().Instance, MAKEINTRESOURCEA(IDD_PARAMETERS), page, ParametersProc,
                            reinterpret_cast<LPARAM>(&text));
        } else if (LOWORD(wParam) == IDC_HELP_BUTTON) {
            ShowHelp(page);
        }
        return TRUE;
    case WM_NOTIFY: {
        if (!completion.Page)
            return FALSE;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: {
            WizardRun& run = CurrentRun();
            run.CompletionShown = true;
            const ConversionOutcome outcome = run.Progress ? run.Progress->Outcome() : NothingRan();
            SetItemText(page, IDC_COMPLETION_RESULT, completion.Page->SetActive(outcome));
            const std::string failures = CompletionFailureText(outcome);
            SetItemText(page, IDC_COMPLETION_FAILURES, ShownLines(failures));
            ShowWindow(GetDlgItem(page, IDC_COMPLETION_FAILURES), failures.empty() ? SW_HIDE : SW_SHOW);
            return Answer(page, 0);
        }
        case PSN_WIZFINISH: {
            ShellOpener opener(page);
            completion.Page->WizardFinish(IsChecked(page, IDC_COMPLETION_SAVE), IsChecked(page, IDC_COMPLETION_OPEN),
                                          opener);
            return Answer(page, FALSE);
        }
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

} // namespace face
