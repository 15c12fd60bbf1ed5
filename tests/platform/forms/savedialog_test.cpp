// The Save As dialog a person answers: the default extension is added to
// the name typed before the questions, and the questions are about the file
// that is then written.
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

namespace {

using forms::WithDefaultExtension;

TEST(SaveDialog, TheDefaultExtensionGoesOnlyToAFileNameWithoutOne) {
    const struct {
        const char* chosen;
        const char* ext;
        const char* written;
    } cases[] = {
        {"/ev/dlg.v2/rapor", "xls", "/ev/dlg.v2/rapor.xls"},
        {"/ev/dlg.v2/rapor.xls", "xls", "/ev/dlg.v2/rapor.xls"},
        {"/ev/dlg.v2/notlar.txt", "xls", "/ev/dlg.v2/notlar.txt"},
        {"/ev/.gizli/rapor", "xls", "/ev/.gizli/rapor.xls"},
        {"/ev/rapor", "", "/ev/rapor"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithDefaultExtension(QString::fromUtf8(c.chosen), QString::fromUtf8(c.ext)),
                  QString::fromUtf8(c.written))
            << c.chosen;
}

TEST(SaveDialog, FiltersAsQtTakesThemWithTheirPatternsOnceAndTheExtensionOfATypeOfOne) {
    EXPECT_EQ(forms::QtNameFilters(QStringLiteral("Microsoft Excel Dosyaları (*.xls)|*.xls")),
              QStringList{QStringLiteral("Microsoft Excel Dosyaları (*.xls)")});
    EXPECT_EQ(forms::QtNameFilters(QStringLiteral("Excel 97-2003 çalışma kitabı|*.xls|Excel çalışma kitabı|*.xlsx|İkisi|*.xls;*.xlsx")),
              (QStringList{QStringLiteral("Excel 97-2003 çalışma kitabı (*.xls)"), QStringLiteral("Excel çalışma kitabı (*.xlsx)"),
                           QStringLiteral("İkisi (*.xls *.xlsx)")}));
    const struct {
        const char* filter;
        const char* extension;
    } cases[] = {
        {"Excel çalışma kitabı (*.xlsx)", "xlsx"}, {"CSV (virgülle ayrılmış) (*.csv)", "csv"},
        {"İkisi (*.xls *.xlsx)", ""},              {"Tüm dosyalar (*)", ""},
        {"Tüm dosyalar (*.*)", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(forms::FilterExtension(QString::fromUtf8(c.filter)), QString::fromUtf8(c.extension)) << c.filter;
}

// Types each queued name into the next file dialog and accepts it; with no
// name left the dialog is cancelled.
class Typist {
public:
    explicit Typist(QStringList names) : names_(names.begin(), names.end()) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            if (names_.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(names_.front());
            names_.pop_front();
            QMetaObject::invokeMethod(dialog, "accept");
        });
        poll_.start(5);
    }
    size_t left() const { return names_.size(); }

private:
    std::deque<QString> names_;
    QTimer poll_;
};

class InteractiveSaveAs : public ::testing::Test {
protected:
    QTemporaryDir home;
    // A folder whose own name holds a dot.
    QString folder = home.filePath(QStringLiteral("dlg.v2"));
    std::shared_ptr<vb::ScriptedMsgBoxService> boxes = std::make_shared<vb::ScriptedMsgBoxService>();

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile old(folder + QStringLiteral("/rapor.xls"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("eski rapor");
        vb::SetMsgBoxService(boxes);
    }
    void TearDown() override { vb::SetMsgBoxService(nullptr); }

    std::optional<QString> ask(const QStringList& typed, bool overwritePrompt = true, bool createPrompt = true) {
        forms::SaveDialogRequest request;
        request.title = QStringLiteral("Save As");
        request.filter = QStringLiteral("Microsoft Excel Dosyaları (*.xls)|*.xls");
        request.defaultExt = QStringLiteral("xls");
        request.initDir = folder;
        request.overwritePrompt = overwritePrompt;
        request.createPrompt = createPrompt;
        Typist typist(typed);
        auto answer = forms::InteractiveSaveDialogService().askSave(nullptr, request);
        EXPECT_EQ(typist.left(), 0u);
        return answer;
    }
    QStringList asked() const {
        QStringList out;
        for (const vb::MessageRecord& r : boxes->records()) {
            EXPECT_EQ(r.title, QStringLiteral("Save As"));
            out << r.prompt;
        }
        return out;
    }
};

const QString kReplace = QStringLiteral("rapor.xls zaten var.\r\nDeğiştirmek istiyor musunuz?");

TEST_F(InteractiveSaveAs, QuestionsNameTheFileThatIsWritten) {
    struct Case {
        QStringList typed;
        std::vector<int> answers;
        const char* written;  // nullptr: cancelled
        QStringList asked;
    };
    const Case cases[] = {
        {{"rapor"}, {vb::vbYes}, "rapor.xls", {kReplace}},
        {{"rapor.xls"}, {vb::vbYes}, "rapor.xls", {kReplace}},
        // Declining goes back to the dialog.
        {{"rapor", "yeni"}, {vb::vbNo, vb::vbYes}, "yeni.xls", {kReplace, "yeni.xls dosyası yok.\r\nOluşturulsun mu?"}},
        {{"notlar.txt"}, {vb::vbYes}, "notlar.txt", {"notlar.txt dosyası yok.\r\nOluşturulsun mu?"}},
        {{"rapor"}, {vb::vbNo}, nullptr, {kReplace}},
    };
    for (const Case& c : cases) {
        boxes->clearRecords();
        for (int a : c.answers) boxes->queueAnswer(a);
        const auto answer = ask(c.typed);
        if (c.written)
            EXPECT_EQ(answer, std::optional<QString>(folder + u'/' + QLatin1String(c.written))) << c.typed.join(u' ').toStdString();
        else
            EXPECT_EQ(answer, std::nullopt) << c.typed.join(u' ').toStdString();
        EXPECT_EQ(asked(), c.asked) << c.typed.join(u' ').toStdString();
        EXPECT_EQ(boxes->pendingAnswers(), 0u);
    }
    // Nothing here writes: the file that was there is as it was.
    QFile old(folder + QStringLiteral("/rapor.xls"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("eski rapor"));
}

TEST_F(InteractiveSaveAs, ANameWithoutAnExtensionTakesThatOfTheTypeChosen) {
    forms::SaveDialogRequest request;
    request.title = QStringLiteral("Farklı Kaydet");
    request.filter = QStringLiteral("Excel 97-2003 çalışma kitabı|*.xls|Excel çalışma kitabı|*.xlsx|CSV|*.csv");
    request.defaultExt = QStringLiteral("xls");
    request.initDir = folder;
    for (int index : {1, 2, 3}) {
        SCOPED_TRACE(index);
        request.filterIndex = index;
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                shown = dialog->selectedNameFilter();
        });
        poll.start(2);
        Typist typist({QStringLiteral("deneme")});
        const auto answer = forms::InteractiveSaveDialogService().askSave(nullptr, request);
        EXPECT_EQ(shown, forms::QtNameFilters(request.filter)[index - 1]) << "the type asked for is shown first";
        EXPECT_EQ(answer, std::optional<QString>(folder + QStringLiteral("/deneme.") +
                                                 QStringList{"xls", "xlsx", "csv"}[index - 1]));
    }
}

TEST_F(InteractiveSaveAs, WithoutItsFlagsTheDialogAsksNothing) {
    EXPECT_EQ(ask({QStringLiteral("rapor")}, false, false), std::optional<QString>(folder + QStringLiteral("/rapor.xls")));
    EXPECT_EQ(ask({QStringLiteral("yeni")}, false, false), std::optional<QString>(folder + QStringLiteral("/yeni.xls")));
    EXPECT_TRUE(boxes->records().empty());
}

} // namespace
