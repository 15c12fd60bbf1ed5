// The host's window in this process: what it draws of the command bars and
// the workbook, and what a person's clicks in it do to the object model.
#include "host/host.h"
#include "host/mainwindow.h"
#include "platform/excel/application.h"
#include "platform/forms/services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
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
    EXPECT_EQ(title, QStringLiteral("Sheet Host"));
    EXPECT_EQ(text, QStringLiteral("'%1' dosyasında yaptığınız değişiklikleri kaydetmek istiyor musunuz?").arg(book));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Evet", "Hayır", "İptal"}));
    host.shutdown();
}

} // namespace
