#pragma once

#include "data/export.h"
#include "platform/forms/form.h"

namespace forms {
class Label;
class ProgressBar;
} // namespace forms
namespace vb {
class Timer;
}

// The small topmost window long operations show while they run: once a
// second it turns the progress counters of the module state into a caption,
// a bar and a records-per-second figure.
//
// An operation drives it through the members below. It names the window
// afresh at each step (forms::Get): a "Vazgeç" may unload it during a yield,
// and the next step then loads it again, unseen.
class frmBekle : public forms::Form {
public:
    frmBekle();

    // The counters the timer shows. They belong to the operation, not to
    // one load of the window, so they go on while it is unloaded: a total
    // to work through with none done; one more record to the total, for an
    // operation that counts as it reads; one more record done.
    static void Start(qint32 total);
    static void CountOne();
    static void Advance();

    // The status line above the bar, which an operation rewrites at each of
    // its phases.
    void setStatus(const QString& text);
    // The speed line: its caption and its figure together, or either alone
    // for an operation that shows them at different times.
    void showSpeedLine();
    void showSpeedCaption();
    void showSpeedFigure();
    // The once-a-second refresh, on or off.
    void setTicking(bool on);
    // The end of an operation: the timer off, the speed line hidden and the
    // window unloaded, each step tried whatever the one before did.
    void finish();
    // The same, when the window is loaded at all: a step that failed before
    // it was shown has none to finish.
    static void FinishIfLoaded();

    // An export's progress, shown here: the caller shows the window before
    // the export and unloads it after; a successful export unloads it
    // itself once the workbook is saved.
    class ExportProgress : public mdlGenel::ExportSink {
    public:
        void copyStarts(qint32 total) override;
        void status(const QString& text) override;
        void recordCopied() override;
        void copyEnds() override;
        void saved() override;
    };

    // Timer ticks since the window was loaded.
    qint32 TickCount = 0;

    void Form_Load() override;
    void Timer1_Timer();

    forms::Label* Label1;
    forms::ProgressBar* ProgressBar1;
    forms::Label* Label2;
    forms::Label* lblIslemHiz;
    vb::Timer* Timer1;
};
