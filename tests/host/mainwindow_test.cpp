// The host's window in this process: what it draws of the command bars and
// the workbook, and what a person's clicks in it do to the object model.
#include "host/host.h"
#include "host/mainwindow.h"
#include "host/sheetgrid.h"
#include "host/sheetmodel.h"
#include "platform/excel/application.h"
#include "platform/forms/desktop.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QDir>
#include <QTreeView>
#include <QLabel>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class HostWindow : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<host::Host>(host::Host::Options{true, {}, {}});
        host->start();
        window = host->mainWindow();
        app = host->application();
        settle();
    }
    void TearDown() override { host.reset(); }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    QToolButton* toolButton(const QString& bar, const QString& text) const {
        auto* toolbar = window->findChild<QToolBar*>(bar);
        if (!toolbar)
            return nullptr;
        for (auto* b : toolbar->findChildren<QToolButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    QMenu* menu(const QString& title) const {
        for (QAction* a : window->menuBar()->actions())
            if (a->text() == title)
                return a->menu();
        return nullptr;
    }
    static QAction* item(QMenu* m, const QString& text) {
        for (QAction* a : m ? m->actions() : QList<QAction*>())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    // Each key to the widget that has the keys, as the keyboard sends them:
    // the first one typed into a cell opens its editor.
    static void type(const QString& text) {
        for (QChar ch : text)
            QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = {}) const {
        QTableView* grid = window->grid();
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, r.center());
    }

    std::unique_ptr<host::Host> host;
    host::MainWindow* window = nullptr;
    std::shared_ptr<excel::Application> app;
};

TEST_F(HostWindow, DrawsToolbarsAndMenusAndAClickRunsTheControlsHandler) {
    int toolbarClicks = 0, menuClicks = 0;
    auto bar = app->CommandBars().Add(QStringLiteral("Deneme"));
    auto button = bar->Controls().Add(excel::msoControlButton);
    button->setCaption(QStringLiteral("&Git"));
    button->setFaceId(24);
    button->setStyle(excel::msoButtonIconAndCaption);
    button->Click = [&](auto, bool&) { ++toolbarClicks; };
    auto unknownFace = bar->Controls().Add(excel::msoControlButton);
    unknownFace->setCaption(QStringLiteral("Yüzsüz"));
    unknownFace->setFaceId(9999);
    unknownFace->setStyle(excel::msoButtonIconAndCaption);
    bar->setVisible(true);
    bar->setPosition(excel::msoBarTop);
    auto popup = app->CommandBars().Item(excel::kWorksheetMenuBar)->Controls().Add(excel::msoControlPopup, 8);
    popup->setCaption(QStringLiteral("&Deneme"));
    auto entry = popup->Controls().Add(excel::msoControlButton);
    entry->setCaption(QStringLiteral("Aç"));
    entry->setTooltipText(QStringLiteral("açar"));
    // A handler that deletes its own control, as a disconnection does.
    entry->Click = [&](std::shared_ptr<excel::CommandBarControl> self, bool&) {
        ++menuClicks;
        self->Delete();
    };
    settle();

    QToolButton* git = toolButton(QStringLiteral("Deneme"), QStringLiteral("&Git"));
    ASSERT_NE(git, nullptr);
    EXPECT_EQ(git->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_FALSE(git->icon().isNull());
    EXPECT_EQ(git->toolTip(), QStringLiteral("Git"));
    QToolButton* faceless = toolButton(QStringLiteral("Deneme"), QStringLiteral("Yüzsüz"));
    ASSERT_NE(faceless, nullptr);
    EXPECT_EQ(faceless->toolButtonStyle(), Qt::ToolButtonTextOnly);

    QTest::mouseClick(git, Qt::LeftButton);
    settle();
    EXPECT_EQ(toolbarClicks, 1);

    EXPECT_EQ(window->menuBar()->actions().at(7)->text(), QStringLiteral("&Deneme"));
    QAction* open = item(menu(QStringLiteral("&Deneme")), QStringLiteral("Aç"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->toolTip(), QStringLiteral("açar"));
    open->trigger();
    settle();
    EXPECT_EQ(menuClicks, 1);
    EXPECT_EQ(item(menu(QStringLiteral("&Deneme")), QStringLiteral("Aç")), nullptr) << "drawn again without it";

    bar->Delete();
    settle();
    EXPECT_EQ(window->findChild<QToolBar*>(QStringLiteral("Deneme")), nullptr);
}

TEST_F(HostWindow, FileMenuHoldsTheHostsItemsAndSavesThroughTheSaveAsDialog) {
    auto services = forms::InstallScriptedServices();
    app->Workbooks().Add();
    app->Range(QStringLiteral("A1")).setValue(QStringLiteral("kayıt"));
    settle();
    QMenu* file = menu(QStringLiteral("&Dosya"));
    ASSERT_NE(file, nullptr);
    for (const char* text : {"&Yeni", "&Aç...", "&Kaydet", "&Farklı Kaydet...", "Ç&ıkış"})
        EXPECT_NE(item(file, QString::fromUtf8(text)), nullptr) << text;

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("kitap.xlsx"));
    services.saveDialogs->queueAnswer(target);
    item(file, QStringLiteral("&Farklı Kaydet..."))->trigger();
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(app->ActiveWorkbook()->Name(), QStringLiteral("kitap.xlsx"));
    settle();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Sheet Host - kitap.xlsx"));
    forms::InstallScriptedServices();
}

TEST_F(HostWindow, SheetTabsFollowTheWorkbookAndActivateSheets) {
    auto book = app->Workbooks().Add();
    settle();
    QTabBar* tabs = window->sheetTabs();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Sayfa1"));

    tabs->setCurrentIndex(2);
    EXPECT_EQ(app->ActiveSheet()->Name(), QStringLiteral("Sayfa3"));

    book->Sheets().Item(1)->setName(QStringLiteral("Liste"));
    book->Sheets().Item(2)->Activate();
    settle();
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Liste"));
    EXPECT_EQ(tabs->currentIndex(), 1);
}

TEST_F(HostWindow, ClicksSelectCellsCtrlAddsAreasAndTheModelsSelectionIsShown) {
    app->Workbooks().Add();
    settle();
    clickCell(1, 1);
    clickCell(3, 3, Qt::ControlModifier);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$B$2,$D$4"));

    app->ActiveSheet()->Range(QStringLiteral("A1:A3,C5")).Select();
    settle();
    const QModelIndexList shown = window->grid()->selectionModel()->selectedIndexes();
    EXPECT_EQ(shown.size(), 4);
    EXPECT_EQ(window->grid()->currentIndex(), window->grid()->model()->index(0, 0));
}

TEST_F(HostWindow, TheGridOfAWorkbookJustOpenedTakesTheArrowKeys) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.csv"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GsmNo,Ad\n5321234567,Ayşe\n5327654321,Mehmet\n");
    }
    auto* formula = window->findChild<QLineEdit*>(QStringLiteral("formulaBar"));
    ASSERT_NE(formula, nullptr);
    formula->setFocus();
    app->Workbooks().Open(path);
    settle();
    QWidget* focused = window->focusWidget();
    ASSERT_EQ(focused, window->grid());
    QTest::keyClick(focused, Qt::Key_Down);
    QTest::keyClick(focused, Qt::Key_Right);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$B$2"));

    // Later changes to the workbook leave the keys where the person put them.
    formula->setFocus();
    app->ActiveSheet()->setName(QStringLiteral("Numaralar"));
    app->Range(QStringLiteral("A4")).setValue(QStringLiteral("5330000000"));
    settle();
    EXPECT_EQ(window->focusWidget(), formula);
}

TEST_F(HostWindow, CellsChangedByAnAddinAreRedrawnAndColumnsResized) {
    app->Workbooks().Add();
    settle();
    int changed = 0;
    QObject::connect(window->grid()->model(), &QAbstractItemModel::dataChanged, [&] { ++changed; });
    app->Range(QStringLiteral("B3")).setValue(QStringLiteral("yeni"));
    app->Range(QStringLiteral("B3")).Font().setBold(true);
    app->Range(QStringLiteral("B:B")).setColumnWidth(20);
    EXPECT_GE(changed, 2);
    EXPECT_EQ(window->grid()->model()->data(window->grid()->model()->index(2, 1)).toString(), QStringLiteral("yeni"));
    EXPECT_EQ(window->grid()->columnWidth(1), 145);
    app->Range(QStringLiteral("3:3")).setRowHeight(30);
    EXPECT_EQ(window->grid()->rowHeight(2), 40);

    // Another sheet brings its own sizes.
    app->ActiveWorkbook()->Sheets().Item(2)->Activate();
    settle();
    EXPECT_EQ(window->grid()->columnWidth(1), 64);
    EXPECT_EQ(window->grid()->rowHeight(2), 17);
}

TEST_F(HostWindow, EnterAndTabMoveOutOfAnEditAndTheFormulaBarsEnterMovesDown) {
    app->Workbooks().Add();
    settle();
    clickCell(0, 0);
    QTableView* grid = window->grid();
    struct Step {
        const char* typed;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* then;   // the current cell afterwards
    };
    const Step steps[] = {
        {"abc", Qt::Key_Return, Qt::NoModifier, "$A$2"},   {"def", Qt::Key_Tab, Qt::NoModifier, "$B$2"},
        {"ghi", Qt::Key_Backtab, Qt::ShiftModifier, "$A$2"}, {"", Qt::Key_Return, Qt::ShiftModifier, "$A$1"},
        {"", Qt::Key_Tab, Qt::NoModifier, "$B$1"},         {"yok", Qt::Key_Escape, Qt::NoModifier, "$B$1"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed);
        type(QString::fromUtf8(step.typed));
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        settle();
        EXPECT_EQ(app->Selection().Address(), QString::fromLatin1(step.then));
    }
    EXPECT_EQ(app->Range(QStringLiteral("A1")).Value().stringValue(), QStringLiteral("abc"));
    EXPECT_EQ(app->Range(QStringLiteral("A2")).Value().stringValue(), QStringLiteral("def"));
    EXPECT_EQ(app->Range(QStringLiteral("B2")).Value().stringValue(), QStringLiteral("ghi"));
    EXPECT_TRUE(app->Range(QStringLiteral("B1")).Value().isEmpty()) << "Esc wrote nothing";

    // F2 goes on with the text.
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_F2);
    type(QStringLiteral("d"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(app->Range(QStringLiteral("A1")).Value().stringValue(), QStringLiteral("abcd"));

    auto* formula = window->findChild<QLineEdit*>(QStringLiteral("formulaBar"));
    formula->setFocus();
    formula->selectAll();
    QTest::keyClicks(formula, QStringLiteral("5321234567"));
    QTest::keyClick(formula, Qt::Key_Return);
    EXPECT_EQ(app->Range(QStringLiteral("A2")).Value().doubleValue(), 5321234567.0);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$A$3"));
}

TEST_F(HostWindow, ArrowsMoveOutOfAnEditBegunByTypingBackspaceEmptiesACellAndTheNameBoxGoesToACell) {
    app->Workbooks().Add();
    settle();
    clickCell(0, 0);
    QTableView* grid = window->grid();
    type(QStringLiteral("bir"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$B$1"));
    EXPECT_EQ(app->Range(QStringLiteral("A1")).Value().stringValue(), QStringLiteral("bir"));
    // In an edit begun with F2 the arrows move the cursor.
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    type(QStringLiteral("x"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(app->Range(QStringLiteral("A1")).Value().stringValue(), QStringLiteral("bixr"));
    // Backspace empties a filled cell into an edit.
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Backspace);
    type(QStringLiteral("yeni"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(app->Range(QStringLiteral("A1")).Value().stringValue(), QStringLiteral("yeni"));

    auto* name = window->findChild<QLineEdit*>(QStringLiteral("nameBox"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("A2"));
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("C5"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$C$5"));
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_TRUE(app->Range(QStringLiteral("A2")).Value().isEmpty()) << "nothing typed into a cell";
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("yok yer"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$C$5"));
    EXPECT_EQ(name->text(), QStringLiteral("C5"));
}

TEST_F(HostWindow, AnEditInProgressIsInItsCellBeforeACommandOrASaveReadsIt) {
    app->Workbooks().Add();
    settle();
    int runs = 0;
    QString seen;
    auto bar = app->CommandBars().Add(QStringLiteral("Deneme"));
    auto button = bar->Controls().Add(excel::msoControlButton);
    button->setCaption(QStringLiteral("Oku"));
    button->Click = [&](auto, bool&) {
        ++runs;
        seen = app->Range(QStringLiteral("B2")).Value().stringValue();
    };
    bar->setVisible(true);
    clickCell(1, 1);
    type(QStringLiteral("yarim"));
    ASSERT_TRUE(app->Range(QStringLiteral("B2")).Value().isEmpty()) << "still in the editor";
    ASSERT_TRUE(host->execute(button));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seen, QStringLiteral("yarim"));

    // The formula bar's text too.
    auto* formula = window->findChild<QLineEdit*>(QStringLiteral("formulaBar"));
    formula->setFocus();
    formula->selectAll();
    QTest::keyClicks(formula, QStringLiteral("bitti"));
    window->commitEdit();
    EXPECT_EQ(app->Range(QStringLiteral("B2")).Value().stringValue(), QStringLiteral("bitti"));
    bar->Delete();
}

TEST_F(HostWindow, QuittingAsksOnceForEachChangedWorkbookAndAnswersDecide) {
    auto services = forms::InstallScriptedServices();
    auto first = app->Workbooks().Add();
    auto untouched = app->Workbooks().Add();
    auto second = app->Workbooks().Add();
    first->Sheets().Item(1)->Range(QStringLiteral("A1")).setValue(QStringLiteral("bir"));
    second->Sheets().Item(1)->Range(QStringLiteral("A1")).setValue(QStringLiteral("iki"));
    untouched->setSaved(true);
    settle();

    services.msgBoxes->queueAnswer(vb::vbNo);
    services.msgBoxes->queueAnswer(vb::vbCancel);
    EXPECT_FALSE(host->confirmQuit());
    ASSERT_EQ(services.msgBoxes->records().size(), 2u) << "the cancel ends the questions";
    EXPECT_EQ(services.msgBoxes->records()[0].prompt,
              QStringLiteral("'%1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?").arg(first->Name()));
    EXPECT_EQ(services.msgBoxes->records()[1].buttons & 7, vb::vbYesNoCancel);
    EXPECT_FALSE(first->Saved()) << "nothing happened to it";

    services.msgBoxes->clearRecords();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("iki.xlsx"));
    services.msgBoxes->queueAnswer(vb::vbNo);
    services.msgBoxes->queueAnswer(vb::vbYes);
    services.saveDialogs->queueAnswer(target);
    EXPECT_TRUE(host->confirmQuit());
    EXPECT_EQ(services.msgBoxes->records().size(), 2u);
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(second->Saved());
    forms::InstallScriptedServices();
}

// Pixels of text in a cell as the grid draws it: dark ones, away from the
// light grid lines.
int inkIn(QTableView* grid, const QImage& image, int row, int column) {
    const QRect r = grid->visualRect(grid->model()->index(row, column)).adjusted(2, 2, -2, -2);
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++ink;
    return ink;
}

TEST_F(HostWindow, ATextWiderThanItsCellRunsOnOverEmptyNeighboursAndANumberShowsHashes) {
    app->Workbooks().Add();
    auto sheet = app->ActiveSheet();
    sheet->Range(QStringLiteral("A1")).setValue(QStringLiteral("Ayşe Yılmaz Çiçekçioğlu"));
    sheet->Range(QStringLiteral("A2")).setValue(QStringLiteral("Mehmet Öztürk Karadeniz"));
    sheet->Range(QStringLiteral("B2")).setValue(QStringLiteral("x"));
    sheet->Range(QStringLiteral("A3")).setValue(5321234567.0);
    // Away from the cells looked at, which would be drawn selected.
    sheet->Range(QStringLiteral("F9")).Select();
    settle();
    QTableView* grid = window->grid();
    const QImage image = grid->viewport()->grab().toImage();
    EXPECT_GT(inkIn(grid, image, 0, 0), 0) << "the text in its own cell";
    EXPECT_GT(inkIn(grid, image, 0, 1), 0) << "and on over the empty one beside it";
    EXPECT_GT(inkIn(grid, image, 1, 0), 0) << "cut at a cell that holds something";
    EXPECT_EQ(inkIn(grid, image, 2, 1), 0);
    EXPECT_GT(inkIn(grid, image, 2, 0), 0) << "hashes";
}

TEST_F(HostWindow, AColumnThePersonWidensStaysWideAndIsTheSheetsWidth) {
    auto book = app->Workbooks().Add();
    book->setSaved(true);
    settle();
    QTableView* grid = window->grid();
    // What dragging the header's edge does.
    grid->horizontalHeader()->resizeSection(1, 150);
    grid->verticalHeader()->resizeSection(2, 40);
    EXPECT_EQ(host::ColumnPixels(app->ActiveSheet()->columnWidth(2)), 150);
    EXPECT_EQ(app->ActiveSheet()->rowHeight(3), 30);
    EXPECT_FALSE(book->Saved()) << "a change to save";
    app->Range(QStringLiteral("B3")).setValue(QStringLiteral("yazıldı"));
    settle();
    EXPECT_EQ(grid->columnWidth(1), 150);
    EXPECT_EQ(grid->rowHeight(2), 40);
}

TEST_F(HostWindow, TheEndOfTheDesktopSessionAsksLikeAQuitAndTheQuitThatFollowsDoesNotAskAgain) {
    auto services = forms::InstallScriptedServices();
    app->Workbooks().Add()->Sheets().Item(1)->Range(QStringLiteral("A1")).setValue(QStringLiteral("oturum"));
    settle();
    bool cancelled = false;
    services.msgBoxes->queueAnswer(vb::vbCancel);
    host->endOfSession(true, cancelled);
    EXPECT_TRUE(cancelled) << "the session manager is told to stay";

    services.msgBoxes->queueAnswer(vb::vbNo);
    host->endOfSession(true, cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(services.msgBoxes->records().size(), 2u);
    int quits = 0;
    host->setQuitAction([&] { ++quits; });
    host->requestQuit();
    settle();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(services.msgBoxes->records().size(), 2u) << "not asked a third time";
    host->setQuitAction(nullptr);
    forms::InstallScriptedServices();
}

TEST_F(HostWindow, AChangeAfterTheSessionsEndWasAnsweredIsAskedAboutAtTheNextQuit) {
    // The session manager may call the logout off after the question; what
    // the person types afterwards has not been offered for saving.
    auto services = forms::InstallScriptedServices();
    auto sheet = app->Workbooks().Add()->Sheets().Item(1);
    sheet->Range(QStringLiteral("A1")).setValue(QStringLiteral("oturum"));
    settle();
    bool cancelled = true;
    services.msgBoxes->queueAnswer(vb::vbNo);
    host->endOfSession(true, cancelled);
    ASSERT_FALSE(cancelled);
    sheet->Range(QStringLiteral("A2")).setValue(QStringLiteral("sonra"));
    settle();
    int quits = 0;
    host->setQuitAction([&] { ++quits; });
    services.msgBoxes->queueAnswer(vb::vbCancel);
    host->requestQuit();
    settle();
    EXPECT_EQ(quits, 0) << "the quit was cancelled at its own question";
    EXPECT_EQ(services.msgBoxes->records().size(), 2u) << "asked again";
    host->setQuitAction(nullptr);
    forms::InstallScriptedServices();
}

TEST_F(HostWindow, AFittedColumnShowsItsWidestValueWholeAndANumberThatDoesNotFitShowsHashes) {
    app->Workbooks().Add();
    auto sheet = app->ActiveSheet();
    sheet->Range(QStringLiteral("A1")).setValue(5321234567.0);
    sheet->Range(QStringLiteral("A2")).setValue(5449876543.0);
    sheet->Range(QStringLiteral("B1")).setValue(QStringLiteral("WWWWWWWWWWWW"));
    sheet->Range(QStringLiteral("B2")).setValue(QStringLiteral("iiii"));
    sheet->Range(QStringLiteral("C1")).setValue(QStringLiteral("ŞİŞLİ ÇAĞDAŞ"));
    sheet->Range(QStringLiteral("C1")).Font().setBold(true);
    sheet->Range(QStringLiteral("D1")).setValue(QStringLiteral("kısa\r\nçok daha uzun bir satır"));
    sheet->Columns().AutoFit();
    settle();
    QTableView* grid = window->grid();
    const QAbstractItemModel* model = grid->model();
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column) {
            const QModelIndex cell = model->index(row, column);
            const QString text = cell.data().toString();
            if (text.isEmpty())
                continue;
            SCOPED_TRACE(text.toStdString());
            QFont font = grid->font();
            font.setBold(cell.data(Qt::FontRole).value<QFont>().bold());
            const QFontMetrics metrics(font);
            int widest = 0;
            for (const QString& line : text.split(QRegularExpression(QStringLiteral("\\r\\n|\\n"))))
                widest = std::max(widest, metrics.horizontalAdvance(line));
            EXPECT_LE(widest + 6, grid->columnWidth(column));
            EXPECT_EQ(host::ShownCellText(metrics, text, cell.data(host::kNumericRole).toBool(), grid->columnWidth(column)),
                      text);
        }

    // Narrowed, a number shows hashes across its cell; a text stays itself
    // (it runs on over empty neighbours).
    const QFontMetrics metrics(grid->font());
    const QString number = model->index(0, 0).data().toString();
    const QString hashes = host::ShownCellText(metrics, number, true, 40);
    EXPECT_FALSE(hashes.isEmpty());
    EXPECT_EQ(hashes, QString(hashes.size(), u'#'));
    EXPECT_LE(metrics.horizontalAdvance(hashes) + 6, 40);
    EXPECT_EQ(host::ShownCellText(metrics, QStringLiteral("uzun bir metin"), false, 40), QStringLiteral("uzun bir metin"));
    EXPECT_EQ(host::ShownCellText(metrics, QStringLiteral("12"), true, 40), QStringLiteral("12"));
}

// What a file dialog shows of a folder's entries, once it has read them,
// and all its own texts; the dialog is then closed unanswered.
struct DialogTexts {
    QStringList own;
    QList<QStringList> entries;   // name, size, type, date
    QStringList cut;              // the size, type and date texts wider than their columns
};
DialogTexts readDialogWhileOpen(const std::function<void()>& open, const QString& folder) {
    DialogTexts out;
    auto* poll = new QTimer(qApp);
    QDeadlineTimer deadline(10000);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (deadline.hasExpired()) {
            ADD_FAILURE() << "the dialog did not show the folder's entries";
            poll->stop();
            dialog->reject();
            return;
        }
        if (dialog->directory().absolutePath() != QDir(folder).absolutePath())
            dialog->setDirectory(folder);
        auto* view = dialog->findChild<QTreeView*>();
        const QAbstractItemModel* model = view ? view->model() : nullptr;
        const QModelIndex root = view ? view->rootIndex() : QModelIndex();
        if (!model || model->rowCount(root) < 2 || model->index(0, 3, root).data().toString().isEmpty())
            return;
        // The columns fit once the folder is read.
        out.cut.clear();
        for (int r = 0; r < model->rowCount(root); ++r)
            for (int c = 1; c < 4; ++c) {
                const QString text = model->index(r, c, root).data().toString();
                if (view->fontMetrics().horizontalAdvance(text) > view->columnWidth(c))
                    out.cut << text;
            }
        if (!out.cut.isEmpty() && !deadline.hasExpired())
            return;
        poll->stop();
        for (int r = 0; r < model->rowCount(root); ++r) {
            QStringList row;
            for (int c = 0; c < 4; ++c)
                row << model->index(r, c, root).data().toString();
            out.entries << row;
        }
        for (int c = 0; c < model->columnCount(root); ++c)
            out.own << model->headerData(c, Qt::Horizontal).toString();
        for (auto* l : dialog->findChildren<QLabel*>())
            out.own << l->text();
        for (auto* b : dialog->findChildren<QAbstractButton*>())
            out.own << b->text() << b->toolTip();
        dialog->reject();
    });
    poll->start(10);
    open();
    delete poll;
    return out;
}

TEST_F(HostWindow, TheFileDialogsSpeakTurkishWithTurkishDatesSizesAndTypes) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Raporlar")));
    {
        QFile f(dir.filePath(QStringLiteral("liste.xls")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3100, 'x'));
    }
    app->Workbooks().Add();
    settle();
    forms::SetSaveDialogService(std::make_shared<forms::InteractiveSaveDialogService>());
    QMenu* file = menu(QStringLiteral("&Dosya"));
    ASSERT_NE(file, nullptr);
    for (const char* item_ : {"&Aç...", "&Farklı Kaydet..."}) {
        SCOPED_TRACE(item_);
        forms::TakeUntranslatedTexts();
        const DialogTexts texts =
            readDialogWhileOpen([&] { item(file, QString::fromUtf8(item_))->trigger(); }, dir.path());
        ASSERT_EQ(texts.entries.size(), 2);
        EXPECT_EQ(forms::TakeUntranslatedTexts(), QStringList()) << "every text of the dialog in Turkish";
        EXPECT_EQ(texts.cut, QStringList()) << "shown whole";
        EXPECT_TRUE(texts.own.contains(QStringLiteral("Değiştirilme Tarihi"))) << texts.own.join(u'|').toStdString();
        for (const QStringList& entry : texts.entries) {
            SCOPED_TRACE(entry.join(u'|').toStdString());
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$")).match(entry[3]).hasMatch());
            if (entry[0] == u"Raporlar") {
                EXPECT_EQ(entry[2], QStringLiteral("Klasör"));
            } else {
                EXPECT_EQ(entry[1], QStringLiteral("3,03 KiB"));
                EXPECT_FALSE(entry[2].contains(QStringLiteral("File")) || entry[2].contains(QStringLiteral("document")));
            }
        }
    }
    forms::InstallScriptedServices();
}

// A person's host (not automation) asks before closing a changed workbook,
// in its own name and in Turkish.
TEST(HostOwnWindow, AsksToSaveInItsOwnNameAndInTurkish) {
    host::Host host(host::Host::Options{false, {}, {}});
    host.start();
    auto app = host.application();
    ASSERT_NE(app->ActiveWorkbook(), nullptr) << "a person's host starts with an empty workbook";
    const QString book = app->ActiveWorkbook()->Name();
    app->Range(QStringLiteral("A1")).setValue(QStringLiteral("kayıt"));
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    EXPECT_EQ(host.mainWindow()->windowTitle(), QStringLiteral("Sheet Host - ") + book);

    // The question a person gets: a real message box.
    vb::SetMsgBoxService(std::make_shared<forms::DialogMsgBoxService>());
    QString title, text;
    QStringList buttons;
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* b : box->buttons())
            buttons << b->text().remove(u'&');
        box->button(QMessageBox::Cancel)->click();
    });
    poll->start(5);
    EXPECT_FALSE(host.mainWindow()->confirmClose()) << "cancelled";
    delete poll;
    forms::InstallScriptedServices();
    EXPECT_EQ(title, QStringLiteral("Sheet Host"));
    EXPECT_EQ(text, QStringLiteral("'%1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?").arg(book));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Evet", "Hayır", "İptal"}));
    host.shutdown();
}

} // namespace
