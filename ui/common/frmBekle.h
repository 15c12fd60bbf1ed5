#pragma once

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
class frmBekle : public forms::Form {
public:
    frmBekle();

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
