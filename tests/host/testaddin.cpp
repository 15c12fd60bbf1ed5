// A small add-in of the host tests' own, built twice (tags A and B) from
// this one source, so that two libraries with the same classes run in one
// host. With the custom array's element 1 equal to 1 it builds a toolbar
// "Deneme<tag>" and a popup "&Deneme<tag>" in the worksheet menu bar; any
// other value only logs the connection, as the first edition does.
//
// Every event is appended to the file named by $QM_TEST_ADDIN_LOG, one line
// each: "<tag> connect mode=<m> custom=<c> count=<n>" (n counts the
// connections this copy of the library has seen) and "<tag> disconnect
// mode=<m>".
#include "platform/ado/ado.h"
#include "platform/excel/addin.h"
#include "platform/excel/application.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/form.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"
#include "platform/vb/timer.h"
#include "platform/win32/app.h"
#include "platform/win32/shell.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#ifndef QM_TEST_TAG
#error "QM_TEST_TAG names the build of the test add-in"
#endif

namespace {

const QString kTag = QStringLiteral(QM_TEST_TAG);

// Module state: one per loaded copy of the library.
std::shared_ptr<excel::Application> gApp;
int gConnections = 0;

void log(const QString& line) {
    const QString path = qEnvironmentVariable("QM_TEST_ADDIN_LOG");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (f.open(QIODevice::Append | QIODevice::Text))
        f.write((kTag + u' ' + line + u'\n').toUtf8());
}

class frmDeneme : public forms::Form {
public:
    forms::TextBox* txtAd = new forms::TextBox(this, QStringLiteral("txtAd"));
    forms::Label* lblCevap = new forms::Label(this, QStringLiteral("lblCevap"));
    forms::Label* lblSayac = new forms::Label(this, QStringLiteral("lblSayac"), QStringLiteral("0"));
    forms::CommandButton* cmdSor = new forms::CommandButton(this, QStringLiteral("cmdSor"), QStringLiteral("&Sor"));
    forms::CommandButton* cmdTamam = new forms::CommandButton(this, QStringLiteral("cmdTamam"), QStringLiteral("Tamam"));
    forms::CommandButton* cmdIptal = new forms::CommandButton(this, QStringLiteral("cmdIptal"), QStringLiteral("İptal"));
    forms::CommandButton* cmdSecim = new forms::CommandButton(this, QStringLiteral("cmdSecim"), QStringLiteral("Seçim"));
    forms::CommandButton* cmdMenu = new forms::CommandButton(this, QStringLiteral("cmdMenu"), QStringLiteral("Menü"));
    forms::CommandButton* cmdKapali = new forms::CommandButton(this, QStringLiteral("cmdKapali"), QStringLiteral("Kapalı"));
    forms::CheckBox* chkSayac = new forms::CheckBox(this, QStringLiteral("chkSayac"), QStringLiteral("Say"));
    forms::DataGrid* grdListe = new forms::DataGrid(this, QStringLiteral("grdListe"));
    vb::Timer* tmrSayac = new vb::Timer(this, QStringLiteral("tmrSayac"));

    frmDeneme() : Form(QStringLiteral("frmDeneme") + kTag) {
        setCaption(QStringLiteral("Deneme ") + kTag);
        Place(txtAd, 120, 120, 2400, 315);
        Place(lblCevap, 120, 540, 2400, 255);
        Place(lblSayac, 2640, 540, 600, 255);
        Place(cmdSor, 2640, 120, 1100, 375);
        Place(cmdTamam, 120, 900, 1100, 375);
        Place(cmdIptal, 1320, 900, 1100, 375);
        Place(cmdSecim, 2640, 900, 1100, 375);
        Place(cmdMenu, 3840, 900, 1100, 375);
        Place(cmdKapali, 3840, 120, 1100, 375);
        Place(chkSayac, 3840, 540, 1100, 255);
        Place(grdListe, 120, 1400, 4800, 1800);
        resize(forms::ToPixels(5200), forms::ToPixels(3500));
        cmdTamam->setDefaultButton(true);
        cmdIptal->setCancelButton(true);
        cmdKapali->setEnabled(false);
        tmrSayac->setInterval(50);
        tmrSayac->setEnabled(false);

        // Digits are refused, as the windows' number filters refuse letters.
        txtAd->KeyPress = [](int& key) {
            if (key >= '0' && key <= '9')
                key = 0;
        };
        cmdSor->Click = [this] {
            const int answer = vb::MsgBox(QStringLiteral("Kaydedilsin mi?"), vb::vbYesNo + vb::vbQuestion,
                                          QStringLiteral("Deneme"));
            lblCevap->setCaption(answer == vb::vbYes ? QStringLiteral("Evet") : QStringLiteral("Hayır"));
            if (answer == vb::vbYes && gApp && gApp->ActiveSheet())
                gApp->Range(QStringLiteral("A1")).setValue(txtAd->Text());
        };
        cmdTamam->Click = [this] { lblCevap->setCaption(QStringLiteral("Tamam")); };
        cmdIptal->Click = [this] { forms::Unload(*this); };
        cmdSecim->Click = [this] {
            const excel::Range selection = gApp->Selection();
            lblCevap->setCaption(QStringLiteral("%1 %2").arg(selection.Address()).arg(selection.Areas().Count()));
        };
        cmdMenu->Click = [this] {
            const int chosen = forms::PopupMenu(this, {QStringLiteral("Birinci"), QStringLiteral("İkinci")});
            lblCevap->setCaption(QStringLiteral("menü=%1").arg(chosen));
        };
        chkSayac->Click = [this] {
            tmrSayac->setEnabled(chkSayac->Value() == 1);
            lblCevap->setCaption(QStringLiteral("say=%1").arg(chkSayac->Value()));
        };
        tmrSayac->onTimer = [this] { lblSayac->setCaption(QString::number(lblSayac->Caption().toInt() + 1)); };
        grdListe->HeadClick = [this](int column) { lblCevap->setCaption(QStringLiteral("başlık=%1").arg(column)); };

        auto rs = std::make_shared<ado::Recordset>();
        rs->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 20);
        rs->Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 20);
        rs->Open();
        const QStringList numbers = {QStringLiteral("5321112233"), QStringLiteral("5442223344"), QStringLiteral("5553334455")};
        for (const QString& n : numbers) {
            rs->AddNew();
            rs->Fields(0).setValue(n);
            rs->Fields(1).setValue(QStringLiteral("Beklemede"));
            rs->UpdateBatch(ado::adAffectAll);
        }
        grdListe->setDataSource(rs);
    }
};

// The export a report window does: a workbook in an instance of its own,
// saved where the Save As dialog says, then shown to the user.
void exportWorkbook() {
    forms::CommonDialog dialog;
    dialog.DialogTitle = QStringLiteral("Kaydet");
    dialog.Filter = QStringLiteral("Excel|*.xls");
    dialog.ShowSave();
    if (dialog.FileName.isEmpty())
        return;
    auto excelApp = excel::CreateObject(QStringLiteral("Excel.Application"));
    excelApp->Workbooks().Add();
    excelApp->Range(QStringLiteral("A1")).setValue(QStringLiteral("ihracat ") + kTag);
    excelApp->ActiveWorkbook()->SaveAs(dialog.FileName);
    excelApp->setVisible(true);
}

class Connect : public excel::AddinConnection {
public:
    void OnConnection(const std::shared_ptr<excel::Application>& application, int connectMode, void*,
                      excel::CustomArray& custom) override {
        ++gConnections;
        const int started = vb::CLng(custom(1));
        log(QStringLiteral("connect mode=%1 custom=%2 count=%3").arg(connectMode).arg(started).arg(gConnections));
        if (started != 1)
            return;
        app_ = application;
        gApp = application;
        toolbar_ = application->CommandBars().Add(QStringLiteral("Deneme") + kTag);
        button(QStringLiteral("Pencere"), 24, QStringLiteral("Pencereyi aç"), [] {
            auto& f = forms::Get<frmDeneme>();
            f.Show();
        });
        button(QStringLiteral("Dışa Aktar"), 17, {}, [] { exportWorkbook(); });
        button(QStringLiteral("Yardım"), 984, {}, [] {
            win32::ShellExecute(nullptr, QStringLiteral("open"), win32::AppPath() + QStringLiteral("/yardim.chm"), {},
                                {}, 5);
        });
        button(QStringLiteral("Hata"), 548, {}, [] { vb::Raise(5, QStringLiteral("deneme hatası")); });
        button(QStringLiteral("Kapat"), 1445, {}, [] { gApp->Quit(); });
        // As a window that waits for the gateway: DoEvents until the time is
        // up, then a mark in A1.
        button(QStringLiteral("Bekle"), 2146, {}, [] {
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 500) {
                vb::DoEvents();
                QThread::msleep(5);
            }
            if (gApp && gApp->ActiveSheet())
                gApp->Range(QStringLiteral("A1")).setValue(QStringLiteral("bekledi"));
        });
        toolbar_->setVisible(true);
        toolbar_->setPosition(excel::msoBarTop);

        popup_ = application->CommandBars().Item(excel::kWorksheetMenuBar)->Controls().Add(excel::msoControlPopup, 8);
        popup_->setCaption(QStringLiteral("&Deneme") + kTag);
        auto item = popup_->Controls().Add(excel::msoControlButton);
        item->setCaption(QStringLiteral("Pencere"));
        item->setFaceId(24);
        item->Click = [](auto, bool&) { forms::Get<frmDeneme>().Show(); };
    }

    void OnDisconnection(int removeMode, excel::CustomArray&) override {
        log(QStringLiteral("disconnect mode=%1").arg(removeMode));
        if (toolbar_ && !toolbar_->isDeleted())
            toolbar_->Delete();
        if (popup_ && !popup_->isDeleted())
            popup_->Delete();
        forms::UnloadDefault<frmDeneme>();
        // As the first edition does: the host is asked to quit, also while it
        // is shutting down.
        if (app_)
            app_->Quit();
        app_.reset();
        gApp.reset();
    }

private:
    void button(const QString& caption, int faceId, const QString& tooltip, std::function<void()> click) {
        auto b = toolbar_->Controls().Add(excel::msoControlButton);
        b->setCaption(caption);
        b->setFaceId(faceId);
        if (!tooltip.isEmpty())
            b->setTooltipText(tooltip);
        b->setStyle(excel::msoButtonIconAndCaption);
        b->Click = [click](auto, bool&) { click(); };
    }

    std::shared_ptr<excel::Application> app_;
    std::shared_ptr<excel::CommandBar> toolbar_;
    std::shared_ptr<excel::CommandBarControl> popup_;
};

} // namespace

QUILLMERE_ADDIN_EXPORT excel::AddinConnection* quillmere_addin_create() { return new Connect(); }

QUILLMERE_ADDIN_EXPORT const excel::AddinRegistration* quillmere_addin_registration() {
    static const QByteArray progId = QStringLiteral("HostTest%1.Connect").arg(kTag).toUtf8();
    static const excel::AddinRegistration registration{progId.constData(), "Deneme", "Deneme eklentisi", 3};
    return &registration;
}
