// The output options page: the output folder with its recent folders and
// Browse, the options of the cells, the delimiters and the code page.

#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>
#include <shlobj.h>

#include <optional>

namespace face {

namespace {

struct OutputWindow {
    std::optional<PostedSheet> Sheet;
    std::optional<OutputPage> Page;
    bool Ready = false;
};
OutputWindow output;

std::string ShortDateOrder() {
    char text[8] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDATE, text, sizeof text);
    return text;
}

void ShowView(HWND page, const OutputPageView& view) {
    ShowChoice(GetDlgItem(page, IDC_OUTPUT_FIELDS), view.FieldDelimiters);
    SendDlgItemMessageA(page, IDC_OUTPUT_FIELDS, CB_LIMITTEXT, kTypedTextLimit, 0);
    ShowChoice(GetDlgItem(page, IDC_OUTPUT_RECORDS), view.RecordDelimiters);
    SendDlgItemMessageA(page, IDC_OUTPUT_RECORDS, CB_LIMITTEXT, kTypedTextLimit, 0);
    SetItemText(page, IDC_OUTPUT_ESCAPE, view.Escape);
    SendDlgItemMessageA(page, IDC_OUTPUT_ESCAPE, EM_LIMITTEXT, kTypedTextLimit, 0);
    SetChecked(page, IDC_OUTPUT_QUOTES, view.DoubleQuotes);
    SetChecked(page, IDC_OUTPUT_REMOVECRLF, view.RemoveCRLF);
    SetChecked(page, IDC_OUTPUT_OVERWRITE, view.OverWrite);
    SetChecked(page, IDC_OUTPUT_HEADER, view.Header);
    ShowChoice(GetDlgItem(page, IDC_OUTPUT_DATE), view.DateFormats);
    ShowChoice(GetDlgItem(page, IDC_OUTPUT_TRIM), view.Trimming);
    const int radios[] = {IDC_OUTPUT_ASIS, IDC_OUTPUT_ANSI, IDC_OUTPUT_OEM};
    for (int i = 0; i < 3; ++i)
        SetChecked(page, radios[i], view.CodePageButton == i);
    if (!view.Directory.empty())
        SetItemText(page, IDC_OUTPUT_PATH, view.Directory);
}

void Browse(HWND page) {
    BROWSEINFOA dialog = {};
    dialog.hwndOwner = page;
    dialog.lpszTitle = kFolderBrowserTitle;
    dialog.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE folder = SHBrowseForFolderA(&dialog);
    if (!folder)
        return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(folder, path))
        SetItemText(page, IDC_OUTPUT_PATH, OutputPage::ChosenFolder(path));
    CoTaskMemFree(folder);
}

LRESULT Selection(HWND page, int id) { return SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0); }

} // namespace

INT_PTR CALLBACK OutputProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ConversionSettings& settings = KeepSettings(page, lParam);
        output.Sheet.emplace(page);
        output.Page.emplace(settings, *output.Sheet);
        ComboList recent(GetDlgItem(page, IDC_OUTPUT_PATH));
        ShowView(page, output.Page->Initialise(ShortDateOrder(), recent));
        output.Ready = true;
        return TRUE;
    }
    case WM_COMMAND: {
        if (!output.Ready)
            return TRUE;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        switch (id) {
        case IDC_OUTPUT_BROWSE:
            if (code == BN_CLICKED)
                Browse(page);
            break;
        case IDC_OUTPUT_OVERWRITE: output.Page->OverWriteClicked(IsChecked(page, id)); break;
        case IDC_OUTPUT_REMOVECRLF: output.Page->RemoveCRLFClicked(IsChecked(page, id)); break;
        case IDC_OUTPUT_QUOTES: output.Page->DoubleQuotesClicked(IsChecked(page, id)); break;
        case IDC_OUTPUT_HEADER: output.Page->HeaderClicked(IsChecked(page, id)); break;
        case IDC_OUTPUT_TRIM: output.Page->TrimmingChosen(static_cast<int32_t>(Selection(page, id))); break;
        case IDC_OUTPUT_DATE: output.Page->DateFormatChosen(static_cast<int32_t>(Selection(page, id))); break;
        case IDC_OUTPUT_ASIS:
        case IDC_OUTPUT_ANSI:
        case IDC_OUTPUT_OEM:
            if (code == BN_CLICKED)
                output.Page->CodePageChosen(id - IDC_OUTPUT_ASIS);
            break;
        case IDC_HELP_BUTTON: ShowHelp(page); break;
        default: break;
        }
        output.Page->AfterCommand(ItemText(page, IDC_OUTPUT_PATH, kDirectoryReadLimit));
        return TRUE;
    }
    case WM_NOTIFY: {
        if (!output.Page)
            return FALSE;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: output.Page->SetActive(); return Answer(page, 0);
        case PSN_WIZNEXT: {
            const bool next = output.Page->WizardNext(ItemText(page, IDC_OUTPUT_FIELDS, kBoxReadLimit),
                                                      ItemText(page, IDC_OUTPUT_RECORDS, kBoxReadLimit),
                                                      ItemText(page, IDC_OUTPUT_ESCAPE, kBoxReadLimit));
            return Answer(page, next ? 0 : IDD_OUTPUT);
        }
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

} // namespace face
