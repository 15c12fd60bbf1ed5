#include "tests/platform/ado/support.h"

#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "platform/forms/form.h"
#include "platform/forms/services.h"
#include "platform/vb/msgbox.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <QToolTip>
#include <QHelpEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace forms;
using adotest::ErrorOf;
using adotest::MadeUp;

namespace {

class frmGrid : public Form {
public:
    frmGrid() : Form(QStringLiteral("frmGrid")) { resize(600, 400); }
};

class DataGridTest : public ::testing::Test {
protected:
    frmGrid& f = Get<frmGrid>();
    DataGrid* grid = new DataGrid(&f, QStringLiteral("DataGrid1"));
    Adodc* control = new Adodc(&f, QStringLiteral("rsKopuk1"));

    void SetUp() override {
        grid->setGeometry(0, 0, 500, 300);
        f.Show();
    }
    void TearDown() override {
        UnloadDefault<frmGrid>();
        FlushUnloaded();
    }

    QStringList shown(int column = 0) const {
        QStringList out;
        for (int r = 0; r < grid->RowCount(); ++r)
            out << grid->CellText(r, column);
        return out;
    }

    static void add(const ado::RecordsetPtr& rs, const QString& gsm, const QString& durum) {
        rs->AddNew();
        rs->Fields(0).setValue(gsm);
        rs->Fields(1).setValue(durum);
        rs->UpdateBatch(ado::adAffectAll);
    }

    // The click of a person on a cell or a header.
    void clickCell(int row, int column) {
        QTableView* v = grid->view();
        QRect r = v->visualRect(v->model()->index(row, column));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, r.center());
    }
    void clickHeader(int column) {
        QHeaderView* h = grid->view()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
    }
};

TEST_F(DataGridTest, ShowsTheRowsOfItsDataControlAsTheyAreAdded) {
    EXPECT_EQ(ControlKind(grid), QStringLiteral("grid"));
    EXPECT_EQ(grid->objectName(), QStringLiteral("DataGrid1"));
    auto report = MadeUp({"GsmNo", "Durum"}, {});
    control->setRecordset(report->Clone());
    grid->setDataSource(control);
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->ColumnCount(), 2);

    add(report, QStringLiteral("5321111111"), QStringLiteral("İletildi"));
    add(report, QStringLiteral("5322222222"), QStringLiteral("Reddedildi"));
    EXPECT_EQ(shown(), (QStringList{"5321111111", "5322222222"}));
    EXPECT_EQ(shown(1), (QStringList{"İletildi", "Reddedildi"}));
    EXPECT_EQ(grid->view()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Durum"));

    // The filter put on the data control's recordset hides rows from the grid.
    control->Recordset()->setFilter(QStringLiteral("Durum = 'Reddedildi'"));
    EXPECT_EQ(shown(), QStringList{"5322222222"});
    control->Recordset()->setFilter(QString());

    // A new recordset handed to the data control replaces the old one.
    auto next = MadeUp({"GsmNo", "Durum"}, {{"5329999999", "Beklemede"}});
    control->setRecordset(next->Clone());
    EXPECT_EQ(shown(), QStringList{"5329999999"});
    add(report, QStringLiteral("5323333333"), QStringLiteral("Beklemede"));
    EXPECT_EQ(grid->RowCount(), 1);

    // Closing the shown recordset empties the grid.
    control->Recordset()->Close();
    EXPECT_EQ(grid->RowCount(), 0);
}

TEST_F(DataGridTest, TheSelectedRowAndTheCurrentRecordFollowEachOther) {
    auto list = MadeUp({"GsmNo", "Durum"}, {{"5321111111", "a"}, {"5322222222", "b"}, {"5323333333", "c"}});
    auto shownList = list->Clone();
    grid->setDataSource(shownList);
    EXPECT_EQ(grid->Row(), 0);

    shownList->MoveNext();
    EXPECT_EQ(grid->Row(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->view()->currentIndex().row(), 1);
    clickCell(2, 1);
    EXPECT_EQ(shownList->AbsolutePosition(), 3);
    EXPECT_EQ(shownList->Fields(0).Value(), vb::Variant("5323333333"));
    grid->setRow(0);
    EXPECT_EQ(shownList->AbsolutePosition(), 1);
    EXPECT_EQ(ErrorOf([&] { grid->setRow(3); }), vb::errInvalidProperty);

    // Removing the selected number: the row leaves the grid.
    shownList->Delete();
    EXPECT_EQ(shown(), (QStringList{"5322222222", "5323333333"}));
    EXPECT_EQ(grid->Row(), -1);
    EXPECT_FALSE(grid->view()->currentIndex().isValid());
    shownList->MoveNext();
    EXPECT_EQ(grid->Row(), 0);

    // A row added through another clone becomes the adding clone's current
    // record only.
    add(list, QStringLiteral("5324444444"), QStringLiteral("d"));
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->Row(), 0);
    shownList->MoveLast();
    EXPECT_EQ(grid->Row(), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->view()->currentIndex().row(), 2);
}

// A report adds its rows one by one and yields after each: the view hears of
// them in a few batches, not once per row, and anyone asking the grid gets
// every row at once.
TEST_F(DataGridTest, RowsAddedInABurstReachTheViewInBatches) {
    auto report = MadeUp({"GsmNo", "Durum"}, {});
    auto shownReport = report->Clone();
    grid->setDataSource(shownReport);
    int insertions = 0;
    QObject::connect(grid->view()->model(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) {
        add(shownReport, QStringLiteral("53%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral("Beklemede"));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(grid->RowCount(), kRows);
    EXPECT_EQ(grid->view()->model()->rowCount(), kRows);
    EXPECT_EQ(grid->CellText(kRows - 1, 0), QStringLiteral("5300001999"));
    EXPECT_LT(insertions, kRows / 10);
    // The selection follows the record added last once the view has caught up.
    QTest::qWait(40);
    EXPECT_EQ(grid->view()->currentIndex().row(), kRows - 1);
    // A value changed meanwhile shows too.
    shownReport->MoveFirst();
    shownReport->Fields(1).setValue(QStringLiteral("İletildi"));
    EXPECT_EQ(grid->CellText(0, 1), QStringLiteral("İletildi"));
}

TEST_F(DataGridTest, CaptionColumnWidthsInTwipsAndHiddenColumns) {
    auto sent = MadeUp({"id", "msgid", "mesaj"}, {{"1", "12345", "İlk Kayıt :deneme"}});
    grid->setDataSource(sent);
    grid->setCaption(QStringLiteral("Yapılan SMS gönderimlerinin listesi"));
    EXPECT_EQ(grid->Caption(), QStringLiteral("Yapılan SMS gönderimlerinin listesi"));

    grid->Columns(0).setVisible(false);
    grid->Columns(1).setWidth(800);
    grid->Columns(2).setCaption(QStringLiteral("Mesaj"));
    EXPECT_TRUE(grid->view()->isColumnHidden(0));
    EXPECT_FALSE(grid->Columns(0).Visible());
    EXPECT_EQ(grid->Columns(1).Width(), 800);
    EXPECT_EQ(grid->view()->columnWidth(1), ToPixels(800));
    EXPECT_EQ(grid->view()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Mesaj"));
    EXPECT_EQ(grid->Columns(2).DataField(), QStringLiteral("mesaj"));
    EXPECT_EQ(ErrorOf([&] { grid->Columns(3); }), vb::errSubscript);

    // The layout survives a filter, and rows added later.
    sent->setFilter(QStringLiteral("msgid = '12345'"));
    sent->AddNew();
    EXPECT_TRUE(grid->view()->isColumnHidden(0));
    EXPECT_EQ(grid->view()->columnWidth(1), ToPixels(800));

    // Closed and opened again empty, as a list is emptied.
    sent->Close();
    EXPECT_EQ(grid->ColumnCount(), 0);
    EXPECT_EQ(grid->RowCount(), 0);
    sent->Open();
    EXPECT_EQ(grid->ColumnCount(), 3);
    EXPECT_EQ(grid->view()->columnWidth(1), ToPixels(800));
    EXPECT_TRUE(grid->view()->isColumnHidden(0));
}

// A person's drag of a header's right edge, by some pixels.
void dragHeaderEdge(QHeaderView* h, int column, int by) {
    QWidget* port = h->viewport();
    const QPoint from(h->sectionViewportPosition(column) + h->sectionSize(column) - 1, h->height() / 2);
    auto send = [port](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, port->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &e);
    };
    send(QEvent::MouseMove, from, Qt::NoButton);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        send(QEvent::MouseMove, from + QPoint(by * step / 4, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(by, 0), Qt::NoButton);
}

TEST_F(DataGridTest, TheUserWidensAColumnByItsHeaderAndItStaysWide) {
    auto sent = MadeUp({"msgid", "mesaj"}, {{"1796931234", "İlk Kayıt :deneme"}, {"17", "kısa"}});
    grid->setDataSource(sent);
    grid->Columns(0).setWidth(800);
    QHeaderView* header = grid->view()->horizontalHeader();
    dragHeaderEdge(header, 0, 60);
    EXPECT_EQ(grid->view()->columnWidth(0), ToPixels(800) + 60);
    EXPECT_EQ(grid->Columns(0).Width(), ToTwips(ToPixels(800) + 60));
    // Rows removed, filtered or added do not take the user's width back.
    sent->MoveFirst();
    sent->Delete();
    sent->setFilter(QStringLiteral("msgid = '17'"));
    add(sent, QStringLiteral("5323333333"), QString());
    EXPECT_EQ(grid->view()->columnWidth(0), ToPixels(800) + 60);
    // Code sets it again.
    grid->Columns(0).setWidth(900);
    EXPECT_EQ(grid->view()->columnWidth(0), ToPixels(900));
}

TEST_F(DataGridTest, ACellCutShortShowsItsWholeTextAsItsTooltip) {
    grid->setDataSource(MadeUp({"msgid", "mesaj"}, {{"1796931234", "kısa"}, {"17", "Merhaba, bu uzun bir deneme mesajıdır; sütuna sığmaz."}}, 255));
    grid->Columns(0).setWidth(800);
    grid->Columns(1).setWidth(1500);
    QTableView* v = grid->view();
    auto tipAt = [&](int row, int column) {
        // A tooltip leaves after a moment.
        QToolTip::hideText();
        QElapsedTimer gone;
        gone.start();
        while (QToolTip::isVisible() && gone.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QPoint at = v->visualRect(v->model()->index(row, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, v->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(v->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(0, 0), QStringLiteral("1796931234"));
    EXPECT_EQ(tipAt(1, 1), QStringLiteral("Merhaba, bu uzun bir deneme mesajıdır; sütuna sığmaz."));
    EXPECT_EQ(tipAt(1, 0), QString()) << "a text that fits has no tooltip";
    EXPECT_EQ(tipAt(0, 1), QString());
    // Widened enough, the cell shows it all.
    grid->Columns(0).setWidth(3000);
    EXPECT_EQ(tipAt(0, 0), QString());
}

TEST_F(DataGridTest, AHeaderClickRunsTheEventWithTheColumnIndex) {
    auto services = InstallScriptedServices();
    auto sheet = MadeUp({"Ad", "Sehir"}, {{"Zeki", "Bursa"}, {"Ahmet", "Ankara"}});
    grid->setDataSource(sheet);
    std::vector<int> clicked;
    grid->HeadClick = [&](int column) {
        clicked.push_back(column);
        sheet->setSort(grid->Columns(column).Caption() + QStringLiteral(" ASC"));
    };
    clickHeader(1);
    EXPECT_EQ(clicked, std::vector<int>{1});
    EXPECT_EQ(shown(), (QStringList{"Ahmet", "Zeki"}));

    // A failure the handler leaves is shown and ends it.
    grid->HeadClick = [](int) { vb::Raise(vb::errTypeMismatch); };
    clickHeader(0);
    ASSERT_EQ(services.msgBoxes->records().size(), 1u);
    EXPECT_EQ(services.msgBoxes->records()[0].prompt, QStringLiteral("Type mismatch"));
}

TEST_F(DataGridTest, DetachedItShowsNothingAndAttachedAgainEverything) {
    auto list = MadeUp({"GsmNo", "Durum"}, {{"5321111111", "a"}, {"5322222222", "b"}});
    control->setRecordset(list->Clone());
    grid->setDataSource(control);
    grid->setDataSource(nullptr);
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->ColumnCount(), 0);
    // Walking the list meanwhile does not touch the grid.
    auto walker = control->Recordset();
    for (walker->MoveFirst(); !walker->Eof(); walker->MoveNext()) {
    }
    add(list, QStringLiteral("5323333333"), QString());
    control->setRecordset(walker);
    EXPECT_EQ(grid->RowCount(), 0);

    grid->setDataSource(control);
    EXPECT_EQ(shown(), (QStringList{"5321111111", "5322222222", "5323333333"}));
    EXPECT_EQ(grid->Row(), -1);
    walker->MoveFirst();
    EXPECT_EQ(grid->Row(), 0);
}

TEST_F(DataGridTest, RowsAreAsHighAsTheirTextInEveryFont) {
    grid->setDataSource(MadeUp({"GsmNo"}, {{"5321111111"}, {"5322222222"}}));
    for (double points : {8.25, 14.0, 6.0}) {
        SetFont(&f, QStringLiteral("Tahoma"), points);
        const int text = grid->view()->fontMetrics().height();
        for (int row : {0, 1}) {
            EXPECT_GE(grid->view()->rowHeight(row), text) << points << " pt";
            EXPECT_LE(grid->view()->rowHeight(row), text + 4) << points << " pt";
        }
    }
}

TEST(Adodc, RefreshOpensTheRecordSourceThroughItsConnectionString) {
    QTemporaryDir dir;
    const QString cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir.filePath(QStringLiteral("tervane.mdb"));
    auto c = std::make_shared<ado::Connection>();
    c->Open(cs);
    c->Execute(QStringLiteral("INSERT INTO tbl_giden(msgid,gateway,tarih) VALUES('1','Quillmere','31.01.2026 23:59:59')"));
    c->Execute(QStringLiteral("INSERT INTO tbl_giden(msgid,gateway,tarih) VALUES('2','Quillmere','01.02.2026 09:00:00')"));

    QWidget host;
    Adodc rsRapor1(&host, QStringLiteral("rsRapor1"));
    DataGrid grid(&host, QStringLiteral("DataGrid1"));
    grid.setDataSource(&rsRapor1);
    EXPECT_EQ(ErrorOf([&] { rsRapor1.Refresh(); }), -2147217908);
    rsRapor1.setConnectionString(c->ConnectionString());
    rsRapor1.setRecordSource(QStringLiteral("SELECT id,msgid,tarih FROM tbl_giden WHERE gateway = 'Quillmere' ORDER BY tarih DESC"));
    rsRapor1.Refresh();
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.CellText(0, 1), QStringLiteral("2"));
    EXPECT_EQ(grid.CellText(1, 2), QStringLiteral("31.01.2026 23:59:59"));
    EXPECT_EQ(rsRapor1.Recordset()->Fields(1).Value(), vb::Variant("2"));

    rsRapor1.setRecordSource(QStringLiteral("SELECT * FROM tbl_yok"));
    EXPECT_EQ(ErrorOf([&] { rsRapor1.Refresh(); }), ado::errSqlStatement);
    EXPECT_EQ(grid.RowCount(), 2);
}

} // namespace
