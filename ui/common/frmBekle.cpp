#include "ui/common/frmBekle.h"

#include "platform/forms/controls.h"
#include "platform/vb/error.h"
#include "platform/vb/timer.h"
#include "platform/vb/variant.h"
#include "state/mdlGenel.h"
#include "ui/common/formtop.h"

frmBekle::frmBekle() : forms::Form(QStringLiteral("frmBekle")) {
    setCaption(QString());
    setBorderStyle(forms::vbFixedDialog);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    Label1 = new forms::Label(this, QStringLiteral("Label1"), QStringLiteral("İşleminiz Yapılıyor. Lütfen Bekleyiniz ..."));
    forms::SetFont(Label1, QStringLiteral("Tahoma"), 8.25);
    Label1->setAutoFillBackground(true);
    // As wide as the bar below: the status line's own text runs a few pixels
    // past 2775 twips in the Tahoma drawn here, and the operations write
    // longer ones into it.
    forms::Place(Label1, 120, 120, 4935, 195);
    ProgressBar1 = new forms::ProgressBar(this, QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    forms::Place(ProgressBar1, 120, 360, 4935, 495);
    Label2 = new forms::Label(this, QStringLiteral("Label2"), QStringLiteral("İşlem Hızı : "));
    forms::SetFont(Label2, QStringLiteral("Tahoma"), 8.25);
    forms::Place(Label2, 120, 840, 855, 255);
    Label2->setVisible(false);
    lblIslemHiz = new forms::Label(this, QStringLiteral("lblIslemHiz"));
    forms::SetFont(lblIslemHiz, QStringLiteral("Tahoma"), 8.25);
    forms::Place(lblIslemHiz, 960, 840, 4095, 255);
    lblIslemHiz->setVisible(false);
    Timer1 = new vb::Timer(this, QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setEnabled(false);
    Timer1->onTimer = [this] { Timer1_Timer(); };
    // Its ticks only show progress, so they go on while a request waits.
    Timer1->setRunsWhileWaiting(true);

    setFixedSize(forms::ToPixels(5160), forms::ToPixels(1095));
    // Centred on the screen; loading moves it to the right edge.
    centreOnScreen();
}

void frmBekle::Form_Load() {
    mdlGenel::SetFormOnTop(*this);
    TickCount = 0;
}

void frmBekle::Start(qint32 total) {
    mdlGenel::ProgressTotal = total;
    mdlGenel::ProgressDone = 0;
    mdlGenel::ProgressMark = 0;
}

void frmBekle::CountOne() { mdlGenel::ProgressTotal += 1; }

void frmBekle::Advance() { mdlGenel::ProgressDone += 1; }

void frmBekle::setStatus(const QString& text) { Label1->setCaption(text); }

void frmBekle::showSpeedLine() {
    showSpeedCaption();
    showSpeedFigure();
}

void frmBekle::showSpeedCaption() { Label2->setVisible(true); }

void frmBekle::showSpeedFigure() { lblIslemHiz->setVisible(true); }

void frmBekle::setTicking(bool on) { Timer1->setEnabled(on); }

void frmBekle::finish() {
    vb::ResumeNext([&] { setTicking(false); });
    vb::ResumeNext([&] { Label2->setVisible(false); });
    vb::ResumeNext([&] { lblIslemHiz->setVisible(false); });
    vb::ResumeNext([&] { forms::Unload(*this); });
}

void frmBekle::FinishIfLoaded() {
    if (frmBekle* wait = forms::IfLoaded<frmBekle>())
        wait->finish();
}

void frmBekle::ExportProgress::copyStarts(qint32 total) {
    Start(total);
    frmBekle& wait = forms::Get<frmBekle>();
    wait.showSpeedLine();
    wait.setTicking(true);
}

void frmBekle::ExportProgress::status(const QString& text) { forms::Get<frmBekle>().setStatus(text); }

void frmBekle::ExportProgress::recordCopied() { Advance(); }

void frmBekle::ExportProgress::copyEnds() { forms::Get<frmBekle>().setTicking(false); }

void frmBekle::ExportProgress::saved() { forms::UnloadDefault<frmBekle>(); }

void frmBekle::Timer1_Timer() {
    vb::ResumeNext([&] { TickCount += 1; });
    double p = 0;
    bool computed = false;
    vb::ResumeNext([&] {
        if (mdlGenel::ProgressTotal == 0)
            vb::Raise(vb::errDivisionByZero);
        p = double(mdlGenel::ProgressDone) / double(mdlGenel::ProgressTotal) * 100.0;
        computed = true;
    });
    // A failure in the test leads into the first branch, so the bar never
    // shows 0.
    vb::ResumeNext([&] {
        const double rounded = vb::RoundHalfEven(p);
        if (!computed || rounded == 0)
            ProgressBar1->setValue(1);
        else if (rounded > 100 || rounded < 0)
            vb::Raise(vb::errInvalidProperty);  // the bar keeps its value
        else
            ProgressBar1->setValue(int(rounded));
    });
    vb::ResumeNext([&] {
        setCaption(QString::number(mdlGenel::ProgressDone) + u'/' + QString::number(mdlGenel::ProgressTotal)
                   + QStringLiteral(" (%") + QString::number(ProgressBar1->Value()) + u')');
    });
    vb::ResumeNext([&] {
        lblIslemHiz->setCaption(QString::number(qint64(vb::RoundHalfEven(double(mdlGenel::ProgressDone) / TickCount)))
                                + QStringLiteral(" kayıt/saniye"));
    });
    vb::ResumeNext([] { vb::DoEvents(); });
}
