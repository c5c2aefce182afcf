// The database and tables page: the path box with its recent databases, the
// Browse button, the password and the sorted table list.

#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"
#include "wizard/pages/SourcePage.h"

#include <commctrl.h>
#include <commdlg.h>

#include <optional>
#include <vector>

namespace face {

namespace {

constexpr std::size_t kPathBoxLimit = 260;

class SourceWindowControls : public SourceControls {
public:
    explicit SourceWindowControls(HWND page) : page_(page), recent_(GetDlgItem(page, IDC_SOURCE_PATH)) {}

    void* Handle() const override { return page_; }
    std::string PasswordText() const override { return ItemText(page_, IDC_SOURCE_PASSWORD, kPathCapacity); }
    void ResetContent() override { SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_RESETCONTENT, 0, 0); }
    void AddString(std::string_view name) override {
        SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(std::string(name).c_str()));
    }
    void SelectAll() override { SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_SETSEL, TRUE, -1); }
    void SetPathText(std::string_view path) override { SetItemText(page_, IDC_SOURCE_PATH, path); }
    void SetPasswordText(std::string_view password) override { SetItemText(page_, IDC_SOURCE_PASSWORD, password); }
    RecentListBox& RecentDatabases() override { return recent_; }
    int32_t TableCount() const override {
        const LRESULT count = SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_GETCOUNT, 0, 0);
        return count < 0 ? 0 : static_cast<int32_t>(count);
    }
    std::string TableName(int32_t index) const override {
        const LRESULT length = SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_GETTEXTLEN, index, 0);
        if (length <= 0)
            return std::string();
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
        const LRESULT got =
            SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
        return got <= 0 ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(got));
    }
    bool IsTableSelected(int32_t index) const override {
        return SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_GETSEL, index, 0) > 0;
    }
    void SelectNone() override { SendDlgItemMessageA(page_, IDC_SOURCE_TABLES, LB_SETSEL, FALSE, -1); }
    void ShowReason(std::string_view reason) override { SetItemText(page_, IDC_SOURCE_REASON, reason); }

private:
    HWND page_;
    ComboList recent_;
};

struct SourceWindow {
    std::optional<PostedSheet> Sheet;
    std::optional<SourceWindowControls> Controls;
    std::optional<SourcePage> Page;
    // Setting the boxes during initialisation notifies like typing would;
    // the page reacts only once it stands.
    bool Ready = false;
};
SourceWindow source;

// The path as the notification means it: a choice from the drop-down is not
// in the box's text yet when it is announced.
std::string NotifiedPath(HWND page, int id, int code) {
    if (id == IDC_SOURCE_PATH && code == CBN_SELCHANGE) {
        const LRESULT index = SendDlgItemMessageA(page, IDC_SOURCE_PATH, CB_GETCURSEL, 0, 0);
        const LRESULT length = SendDlgItemMessageA(page, IDC_SOURCE_PATH, CB_GETLBTEXTLEN, index, 0);
        if (index >= 0 && length > 0) {
            std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
            SendDlgItemMessageA(page, IDC_SOURCE_PATH, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
            std::string path(buffer.data());
            if (path.size() > kPathBoxLimit)
                path.resize(kPathBoxLimit);
            return path;
        }
    }
    return ItemText(page, IDC_SOURCE_PATH, kPathBoxLimit);
}

void Browse(HWND page) {
    char file[260] = {};
    const std::string filter = DatabaseFileFilter(kAceFiles);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = page;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog))
        return;
    if (!source.Page->OpenChosenFile(file))
        MessageBoxA(page, kUnableToOpenDatabase, "Error", MB_ICONERROR);
}

} // namespace

INT_PTR CALLBACK SourceProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ConversionSettings& settings = KeepSettings(page, lParam);
        source.Sheet.emplace(page);
        source.Controls.emplace(page);
        source.Page.emplace(settings, *source.Sheet, *source.Controls);
        source.Page->Initialise();
        if (source.Page->BatchFailed())
            CurrentRun().Failed = true;
        source.Ready = true;
        return TRUE;
    }
    case WM_COMMAND: {
        if (!source.Ready)
            return TRUE;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        switch (id) {
        case IDC_SOURCE_BROWSE:
            if (code == BN_CLICKED)
                Browse(page);
            break;
        case IDC_SOURCE_PATH:
        case IDC_SOURCE_PASSWORD: source.Page->PathOrPasswordChanged(NotifiedPath(page, id, code)); break;
        case IDC_SOURCE_ALL: source.Page->SelectAllTables(); break;
        case IDC_SOURCE_NONE: source.Page->SelectNoTables(); break;
        case IDC_HELP_BUTTON: ShowHelp(page); break;
        default: break;
        }
        source.Page->AfterCommand();
        return TRUE;
    }
    case WM_NOTIFY: {
        if (!source.Page)
            return FALSE;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: source.Page->SetActive(); return Answer(page, 0);
        case PSN_WIZNEXT: return Answer(page, source.Page->WizardNext() ? 0 : IDD_SOURCE);
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

} // namespace face
