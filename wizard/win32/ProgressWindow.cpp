// The progress page: starts the worker thread that converts, and lets Cancel
// ask the run to stop.

#include "wizard/win32/Face.h"
#include "wizard/win32/Resources.h"

#include <commctrl.h>

namespace face {

namespace {

DWORD WINAPI ConversionWorker(LPVOID) {
    CurrentRun().Progress->RunWorker();
    return 0;
}

void StartWorker(HWND page) {
    WizardRun& run = CurrentRun();
    // One run per wizard: the page cannot be shown again while, or after, it converts.
    if (run.Worker)
        return;
    run.Controls = std::make_unique<ProgressWindowControls>(page);
    run.Progress->SetActive(*run.Controls, PageClock(), page);
    run.Worker = CreateThread(nullptr, 0, ConversionWorker, nullptr, 0, nullptr);
    if (!run.Worker) {
        // No thread, no run: the completion page shows the failure and the
        // status file says "Failed", never a success of nothing.
        run.Progress->WorkerNotStarted();
    }
}

} // namespace

INT_PTR CALLBACK ProgressProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ConversionSettings& settings = KeepSettings(page, lParam);
        WizardRun& run = CurrentRun();
        run.ProgressSheet = std::make_unique<PostedSheet>(page);
        run.Progress = std::make_unique<ProgressPage>(settings, *run.ProgressSheet);
        return TRUE;
    }
    case WM_NOTIFY: {
        WizardRun& run = CurrentRun();
        if (!run.Progress)
            return FALSE;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: StartWorker(page); return Answer(page, 0);
        case PSN_QUERYCANCEL: return Answer(page, run.Progress->QueryCancel() ? FALSE : TRUE);
        case PSN_WIZNEXT: return Answer(page, 0);
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

} // namespace face
