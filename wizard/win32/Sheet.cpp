// The wizard road on Windows: the five pages in one property sheet, the
// bold title font, and at the end a wait for a conversion still running.

#include "engine/Report.h"
#include "wizard/ProgramName.h"
#include "wizard/Wizard.h"
#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>

#include <cstring>

namespace face {

namespace {

// 12 points in the screen's resolution, bold, from the system's message font.
HFONT CreateTitleFont() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTA font = metrics.lfMessageFont;
    font.lfWeight = FW_BOLD;
    std::strcpy(font.lfFaceName, "Verdana Bold");
    const HDC screen = GetDC(nullptr);
    font.lfHeight = -(12 * GetDeviceCaps(screen, LOGPIXELSY)) / 72;
    ReleaseDC(nullptr, screen);
    return CreateFontIndirectA(&font);
}

HPROPSHEETPAGE CreatePage(ConversionSettings& settings, int templateId, DLGPROC proc, int title, int subtitle) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.hInstance = CurrentRun().Instance;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = proc;
    page.lParam = reinterpret_cast<LPARAM>(&settings);
    if (title == 0) {
        page.dwFlags = PSP_HIDEHEADER;
    } else {
        page.dwFlags = PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
        page.pszHeaderTitle = MAKEINTRESOURCEA(title);
        page.pszHeaderSubTitle = MAKEINTRESOURCEA(subtitle);
    }
    return CreatePropertySheetPageA(&page);
}

// The worker sends to the progress page's controls; while it may still be
// inside such a call, this thread keeps handling messages.
void WaitForWorker(HANDLE worker) {
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

} // namespace

} // namespace face

bool HasWizardWindow() { return true; }

int RunWizard(ConversionSettings& settings, int argc, const char* const* argv) {
    using namespace face;
    WizardRun& run = CurrentRun();
    run.Instance = GetModuleHandleA(nullptr);
    run.ProgramPath = ProgramPath(argc, argv);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0x7FF;
    InitCommonControlsEx(&controls);

    HPROPSHEETPAGE pages[5] = {
        CreatePage(settings, IDD_WELCOME, WelcomeProc, 0, 0),
        CreatePage(settings, IDD_SOURCE, SourceProc, IDS_SOURCE_TITLE, IDS_SOURCE_SUBTITLE),
        CreatePage(settings, IDD_OUTPUT, OutputProc, IDS_OUTPUT_TITLE, IDS_OUTPUT_SUBTITLE),
        CreatePage(settings, IDD_PROGRESS, ProgressProc, IDS_PROGRESS_TITLE, IDS_PROGRESS_SUBTITLE),
        CreatePage(settings, IDD_COMPLETION, CompletionProc, 0, 0),
    };
    const HFONT titleFont = CreateTitleFont();
    settings.TitleFont = titleFont;

    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_USEICONID;
    sheet.hInstance = run.Instance;
    sheet.pszIcon = MAKEINTRESOURCEA(IDI_PROGRAM);
    sheet.nPages = 5;
    sheet.nStartPage = 0;
    sheet.phpage = pages;
    sheet.pszbmWatermark = MAKEINTRESOURCEA(IDB_WATERMARK);
    sheet.pszbmHeader = MAKEINTRESOURCEA(IDB_HEADER);
    PropertySheetA(&sheet);

    if (run.Worker) {
        // Cancelled while converting: the run stops within one record, and
        // the record, the table list and the database stay until it has.
        WaitForWorker(run.Worker);
        CloseHandle(run.Worker);
        run.Worker = nullptr;
        if (!run.CompletionShown)
            WriteStatus(kStatusFailed, settings);
    }
    settings.TitleFont = nullptr;
    if (titleFont)
        DeleteObject(titleFont);
    return run.Failed ? 1 : 0;
}
