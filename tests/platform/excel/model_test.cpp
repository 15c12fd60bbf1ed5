#include "platform/ado/ado.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"
#include "platform/vb/error.h"
#include "tests/platform/ado/support.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace excel;

namespace {

using adotest::ErrorOf;

QStringList captions(const CommandBarControls& controls) {
    QStringList list;
    for (int i = 1; i <= controls.Count(); ++i) list << controls.Item(i)->Caption();
    return list;
}

const QStringList kStandardMenus = {
    "&Dosya", "Dü&zen", "&Görünüm", "&Ekle", "&Biçim", "&Araçlar", "&Veri", "&Pencere", "&Yardım"};

class ExcelModel : public ::testing::Test {
protected:
    void TearDown() override {
        ForgetAutomationInstances();
        SetInstanceShownHandler(nullptr);
    }
    std::shared_ptr<CommandBar> menuBar() { return app->CommandBars().Item(kWorksheetMenuBar); }
    std::shared_ptr<Worksheet> newSheet() { return app->Workbooks().Add()->Sheets().Item(1); }

    std::shared_ptr<Application> app = Application::New();
};

// ---- command bars

TEST_F(ExcelModel, TheWorksheetMenuBarHoldsTheStandardMenusInOrder) {
    const auto bar = menuBar();
    EXPECT_TRUE(bar->BuiltIn());
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Type(), msoBarTypeMenuBar);
    EXPECT_EQ(captions(bar->Controls()), kStandardMenus);
    for (int i = 1; i <= bar->Controls().Count(); ++i) {
        EXPECT_EQ(bar->Controls().Item(i)->Type(), msoControlPopup);
        EXPECT_TRUE(bar->Controls().Item(i)->BuiltIn());
    }
    EXPECT_EQ(bar->Controls().Item(QStringLiteral("ARAÇLAR"))->Caption(), QStringLiteral("&Araçlar"));
    EXPECT_EQ(app->CommandBars().ActiveMenuBar(), bar);
}

TEST_F(ExcelModel, AddingABarWhoseNameIsTakenFails) {
    const auto bar = app->CommandBars().Add(QStringLiteral("Quillmere"));
    EXPECT_EQ(bar->Name(), QStringLiteral("Quillmere"));
    EXPECT_FALSE(bar->Visible());
    EXPECT_EQ(bar->Position(), msoBarFloating);
    EXPECT_EQ(app->CommandBars().Count(), 2);
    for (const char* taken : {"Quillmere", "QUILLMERE", "worksheet menu bar"})
        EXPECT_EQ(ErrorOf([&] { app->CommandBars().Add(QString::fromUtf8(taken)); }), vb::errInvalidCall) << taken;
    EXPECT_EQ(app->CommandBars().Count(), 2);
    EXPECT_EQ(app->CommandBars().Item(QStringLiteral("quillmere")), bar);
    EXPECT_EQ(app->CommandBars().Item(2), bar);
    EXPECT_EQ(ErrorOf([&] { app->CommandBars().Item(QStringLiteral("Yok")); }), vb::errInvalidCall);
    // Unnamed bars are numbered.
    EXPECT_EQ(app->CommandBars().Add()->Name(), QStringLiteral("Custom 1"));
}

TEST_F(ExcelModel, APopupAddedBeforeTheEighthMenuLandsBetweenDataAndWindow) {
    const auto popup = menuBar()->Controls().Add(msoControlPopup, 8);
    popup->setCaption(QStringLiteral("&Quillmere"));
    EXPECT_EQ(popup->TypeName(), QStringLiteral("CommandBarPopup"));
    EXPECT_EQ(popup->Index(), 8);
    EXPECT_EQ(popup->Parent(), menuBar());
    QStringList expected = kStandardMenus;
    expected.insert(7, QStringLiteral("&Quillmere"));
    EXPECT_EQ(captions(menuBar()->Controls()), expected);
}

TEST_F(ExcelModel, ControlsKeepTheirOrderAndProperties) {
    const auto bar = app->CommandBars().Add(QStringLiteral("Quillmere"));
    const auto send = bar->Controls().Add(msoControlButton);
    send->setCaption(QStringLiteral("SMS Gönder"));
    send->setFaceId(24);
    send->setStyle(msoButtonIconAndCaption);
    const auto web = bar->Controls().Add();
    web->setCaption(QStringLiteral("Web"));
    web->setTooltipText(QStringLiteral("quillmere.example"));
    const auto first = bar->Controls().Add(msoControlButton, 1);
    first->setCaption(QStringLiteral("Başa"));
    bar->setVisible(true);
    bar->setPosition(msoBarTop);

    EXPECT_EQ(captions(bar->Controls()), (QStringList{"Başa", "SMS Gönder", "Web"}));
    EXPECT_EQ(send->Index(), 2);
    EXPECT_EQ(send->FaceId(), 24);
    EXPECT_EQ(send->Style(), 3);
    EXPECT_EQ(web->Style(), msoButtonAutomatic);
    EXPECT_EQ(web->TooltipText(), QStringLiteral("quillmere.example"));
    EXPECT_EQ(send->TypeName(), QStringLiteral("CommandBarButton"));
    EXPECT_FALSE(send->BuiltIn());
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Position(), msoBarTop);

    // Popups have items; buttons have faces and styles; neither has the other's.
    const auto popup = bar->Controls().Add(msoControlPopup);
    popup->Controls().Add()->setCaption(QStringLiteral("Raporlar"));
    EXPECT_EQ(captions(popup->Controls()), QStringList{"Raporlar"});
    EXPECT_EQ(ErrorOf([&] { popup->setFaceId(17); }), errNoSuchMember);
    EXPECT_EQ(ErrorOf([&] { send->Controls(); }), errNoSuchMember);
}

TEST_F(ExcelModel, RefusedControlsAndPlaces) {
    const auto controls = menuBar()->Controls();
    struct Case {
        int type;
        std::optional<int> before;
    } cases[] = {{2, {}}, {msoControlButton, 0}, {msoControlButton, 11}, {msoControlPopup, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { controls.Add(c.type, c.before); }), vb::errInvalidCall)
            << c.type << " before " << c.before.value_or(0);
    EXPECT_EQ(controls.Count(), 9);
    // Before Count + 1 appends.
    EXPECT_EQ(controls.Add(msoControlButton, 10)->Index(), 10);
    EXPECT_EQ(ErrorOf([&] { controls.Item(1)->setStyle(4); }), errNoSuchMember);   // a popup
    const auto button = app->CommandBars().Add(QStringLiteral("T"))->Controls().Add();
    EXPECT_EQ(ErrorOf([&] { button->setStyle(4); }), vb::errInvalidCall);
    EXPECT_EQ(ErrorOf([&] { app->CommandBars().Item(QStringLiteral("T"))->setPosition(7); }), vb::errInvalidCall);
}

TEST_F(ExcelModel, DeletingABarOrAControlRemovesIt) {
    const auto bar = app->CommandBars().Add(QStringLiteral("Quillmere"));
    const auto a = bar->Controls().Add();
    const auto b = bar->Controls().Add();
    b->setCaption(QStringLiteral("b"));
    a->Delete();
    EXPECT_TRUE(a->isDeleted());
    EXPECT_EQ(captions(bar->Controls()), QStringList{"b"});
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(ErrorOf([&] { a->setCaption(QStringLiteral("x")); }), vb::errAutomation);
    EXPECT_EQ(ErrorOf([&] { a->Execute(); }), vb::errAutomation);

    bar->Delete();
    EXPECT_TRUE(b->isDeleted());
    EXPECT_EQ(app->CommandBars().Count(), 1);
    EXPECT_EQ(ErrorOf([&] { app->CommandBars().Item(QStringLiteral("Quillmere")); }), vb::errInvalidCall);
    EXPECT_EQ(ErrorOf([&] { bar->Controls(); }), vb::errAutomation);
    // The name is free again, so the next start of the host builds it anew.
    EXPECT_NE(app->CommandBars().Add(QStringLiteral("Quillmere")), bar);

    EXPECT_EQ(ErrorOf([&] { menuBar()->Delete(); }), vb::errAutomation);
    EXPECT_EQ(app->CommandBars().Count(), 2);
}

TEST_F(ExcelModel, ResetRestoresTheStandardMenusAndRemovesEveryAddedControl) {
    const auto bar = menuBar();
    const auto popup = bar->Controls().Add(msoControlPopup, 8);
    const auto items = popup->Controls();
    const auto item = items.Add();
    const auto tools = bar->Controls().Item(QStringLiteral("&Araçlar"));
    tools->Controls().Add()->setCaption(QStringLiteral("Eklenti"));
    bar->Controls().Item(QStringLiteral("&Yardım"))->Delete();
    bar->Controls().Item(1)->setCaption(QStringLiteral("Belge"));
    bar->setVisible(false);

    bar->Reset();
    EXPECT_EQ(captions(bar->Controls()), kStandardMenus);
    EXPECT_EQ(bar->Controls().Item(QStringLiteral("&Araçlar"))->Controls().Count(), 0);
    EXPECT_TRUE(popup->isDeleted());
    EXPECT_TRUE(item->isDeleted());
    EXPECT_EQ(ErrorOf([&] { items.Add(); }), vb::errAutomation);
    EXPECT_TRUE(bar->Visible());
    // A second Reset finds nothing more to remove.
    bar->Reset();
    EXPECT_EQ(captions(bar->Controls()), kStandardMenus);

    EXPECT_EQ(ErrorOf([&] { app->CommandBars().Add(QStringLiteral("Q"))->Reset(); }), vb::errAutomation);
}

TEST_F(ExcelModel, AClickReachesTheHandlerWithTheControlAndTheCancelFlag) {
    const auto button = app->CommandBars().Add(QStringLiteral("Quillmere"))->Controls().Add();
    std::shared_ptr<CommandBarControl> seen;
    bool flagOnEntry = true;
    int clicks = 0;
    button->Click = [&](std::shared_ptr<CommandBarControl> ctrl, bool& cancelDefault) {
        seen = ctrl;
        flagOnEntry = cancelDefault;
        cancelDefault = true;
        ++clicks;
    };
    EXPECT_TRUE(button->Execute());
    EXPECT_EQ(seen, button);
    EXPECT_FALSE(flagOnEntry);
    EXPECT_EQ(clicks, 1);

    // No handler: nothing happens and the default is not cancelled.
    EXPECT_FALSE(app->CommandBars().Item(QStringLiteral("Quillmere"))->Controls().Add()->Execute());

    // The handler's error reaches whoever clicked.
    button->Click = [](std::shared_ptr<CommandBarControl>, bool&) { vb::Raise(vb::errTypeMismatch); };
    EXPECT_EQ(ErrorOf([&] { button->Execute(); }), vb::errTypeMismatch);

    // A handler may delete its own control (as a disconnection does).
    button->Click = [](std::shared_ptr<CommandBarControl> ctrl, bool&) { ctrl->Delete(); };
    EXPECT_FALSE(button->Execute());
    EXPECT_TRUE(button->isDeleted());
}

TEST_F(ExcelModel, CommandBarChangesAreAnnounced) {
    int changes = 0;
    const int id = app->events().commandBarsChanged.connect([&] { ++changes; });
    const auto bar = app->CommandBars().Add(QStringLiteral("Q"));
    bar->Controls().Add()->setCaption(QStringLiteral("x"));
    menuBar()->Reset();
    EXPECT_EQ(changes, 4);
    app->events().commandBarsChanged.disconnect(id);
    bar->Delete();
    EXPECT_EQ(changes, 4);
}

// ---- workbooks and sheets

TEST_F(ExcelModel, WithNoWorkbookOpenThereIsNothingActive) {
    EXPECT_EQ(TypeName(app->ActiveWorkbook()), QStringLiteral("Nothing"));
    EXPECT_EQ(app->ActiveSheet(), nullptr);
    EXPECT_EQ(app->SelectionTypeName(), QStringLiteral("Nothing"));
    const Range selection = app->Selection();
    EXPECT_TRUE(selection.isNothing());
    EXPECT_EQ(ErrorOf([&] { selection.Areas(); }), vb::errObjectNotSet);
    EXPECT_EQ(ErrorOf([&] { app->Range(QStringLiteral("A1")); }), errExcel);

    // The last workbook closed leaves nothing again.
    app->Workbooks().Add()->Close();
    EXPECT_EQ(TypeName(app->ActiveWorkbook()), QStringLiteral("Nothing"));
    EXPECT_EQ(app->Workbooks().Count(), 0);
}

TEST_F(ExcelModel, ANewWorkbookHasThreeSheetsAndBecomesActive) {
    const auto book = app->Workbooks().Add();
    EXPECT_EQ(TypeName(app->ActiveWorkbook()), QStringLiteral("Workbook"));
    EXPECT_EQ(app->ActiveWorkbook(), book);
    EXPECT_EQ(book->Name(), QStringLiteral("Kitap1"));
    EXPECT_EQ(book->Path(), QString());
    EXPECT_TRUE(book->Saved());
    ASSERT_EQ(book->Sheets().Count(), 3);
    EXPECT_EQ(book->Sheets().Item(1)->Name(), QStringLiteral("Sayfa1"));
    EXPECT_EQ(book->Sheets().Item(3)->Name(), QStringLiteral("Sayfa3"));
    EXPECT_EQ(app->ActiveSheet(), book->Sheets().Item(1));

    app->setSheetsInNewWorkbook(1);
    const auto second = app->Workbooks().Add();
    EXPECT_EQ(second->Name(), QStringLiteral("Kitap2"));
    EXPECT_EQ(second->Worksheets().Count(), 1);
    EXPECT_EQ(app->ActiveWorkbook(), second);
    book->Activate();
    EXPECT_EQ(app->ActiveWorkbook(), book);
    EXPECT_EQ(app->Workbooks().Item(QStringLiteral("kitap2")), second);
    EXPECT_EQ(ErrorOf([&] { app->setSheetsInNewWorkbook(0); }), errExcel);
    EXPECT_EQ(ErrorOf([&] { app->Workbooks().Item(3); }), vb::errSubscript);
}

TEST_F(ExcelModel, SheetsAreDeletedAddedAndRenamedByPosition) {
    const auto book = app->Workbooks().Add();
    auto sheets = book->Sheets();
    // The export's sequence: two of the three go, then pages are added.
    sheets.Item(1)->Delete();
    sheets.Item(2)->Delete();
    ASSERT_EQ(sheets.Count(), 1);
    EXPECT_EQ(sheets.Item(1)->Name(), QStringLiteral("Sayfa2"));
    EXPECT_EQ(ErrorOf([&] { sheets.Item(1)->Delete(); }), errExcel);

    sheets.Add();
    const auto last = sheets.Add();
    const auto names = [&] {
        QStringList n;
        for (int i = 1; i <= sheets.Count(); ++i) n << sheets.Item(i)->Name();
        return n;
    };
    // Each new sheet goes before the active one and becomes active.
    EXPECT_EQ(names(), (QStringList{"Sayfa5", "Sayfa4", "Sayfa2"}));
    EXPECT_EQ(book->ActiveSheet(), last);
    EXPECT_EQ(last->Index(), 1);
    sheets.Add(nullptr, sheets.Item(3));
    EXPECT_EQ(sheets.Item(4)->Name(), QStringLiteral("Sayfa6"));

    for (int i = 1; i <= sheets.Count(); ++i) sheets.Item(i)->setName(QStringLiteral("Sayfa%1").arg(-i));
    for (int i = 1; i <= sheets.Count(); ++i) sheets.Item(i)->setName(QStringLiteral("Sayfa%1").arg(i));
    EXPECT_EQ(names(), (QStringList{"Sayfa1", "Sayfa2", "Sayfa3", "Sayfa4"}));
    EXPECT_EQ(sheets.Item(QStringLiteral("SAYFA3")), sheets.Item(3));
    EXPECT_EQ(ErrorOf([&] { sheets.Item(5); }), vb::errSubscript);
    EXPECT_EQ(ErrorOf([&] { sheets.Item(QStringLiteral("Yok")); }), vb::errSubscript);
    EXPECT_FALSE(book->Saved());
}

TEST_F(ExcelModel, SheetNamesFollowExcelsRules) {
    const auto book = app->Workbooks().Add();
    const auto sheet = book->Sheets().Item(1);
    for (const QString& bad : {QString(), QString(32, QLatin1Char('a')), QStringLiteral("a:b"),
                               QStringLiteral("a\\b"), QStringLiteral("a/b"), QStringLiteral("a?"),
                               QStringLiteral("a*"), QStringLiteral("[a]"), QStringLiteral("'a"),
                               QStringLiteral("sayfa2")})
        EXPECT_EQ(ErrorOf([&] { sheet->setName(bad); }), errExcel) << bad.toStdString();
    EXPECT_EQ(sheet->Name(), QStringLiteral("Sayfa1"));
    sheet->setName(QString(31, QLatin1Char('a')));
    sheet->setName(QStringLiteral("Müşteri Listesi"));
    sheet->setName(QStringLiteral("müşteri listesi"));   // its own name in other letters
    EXPECT_EQ(sheet->Name(), QStringLiteral("müşteri listesi"));
}

TEST_F(ExcelModel, SheetNamesAreFoundWithoutRegardToCaseUnderTurkishRules) {
    const auto book = app->Workbooks().Add();
    book->Sheets().Item(1)->setName(QStringLiteral("Müşteriler"));
    book->Sheets().Item(2)->setName(QStringLiteral("IŞIK"));
    book->Sheets().Item(3)->setName(QStringLiteral("list"));
    const struct {
        const char* asked;
        const char* found;
    } cases[] = {
        {"MÜŞTERİLER", "Müşteriler"}, {"müşteriler", "Müşteriler"}, {"ışık", "IŞIK"},
        {"Işık", "IŞIK"},             {"LIST", "list"},             {"List", "list"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(book->Sheets().Item(QString::fromUtf8(c.asked))->Name(), QString::fromUtf8(c.found)) << c.asked;
    EXPECT_EQ(ErrorOf([&] { book->Sheets().Item(QStringLiteral("MUSTERILER")); }), vb::errSubscript);
    // A name the same under those rules is taken.
    EXPECT_EQ(ErrorOf([&] { book->Sheets().Item(3)->setName(QStringLiteral("ışık")); }), errExcel);
    EXPECT_TRUE(SameSheetName(QStringLiteral("İZMİR"), QStringLiteral("izmir")));
    EXPECT_FALSE(SameSheetName(QStringLiteral("İZMİR"), QStringLiteral("ızmır")));
}

TEST_F(ExcelModel, WhatAFormatWouldLoseIsSaidBeforeSaving) {
    const auto book = app->Workbooks().Add();
    EXPECT_FALSE(book->LossesIn(FileFormat::Csv).isEmpty());  // three sheets, one kept
    const auto sheet = book->Sheets().Item(1);
    sheet->Activate();
    book->Sheets().Item(3)->Delete();
    book->Sheets().Item(2)->Delete();
    for (FileFormat f : {FileFormat::Xls, FileFormat::Xlsx, FileFormat::Csv})
        EXPECT_TRUE(book->LossesIn(f).isEmpty());
    sheet->Cells(1, 1).setValue(vb::Variant(3.0));
    sheet->Cells(1, 1).Font().setBold(true);
    EXPECT_EQ(book->LossesIn(FileFormat::Csv).size(), 1);
    EXPECT_TRUE(book->LossesIn(FileFormat::Xls).isEmpty());
}

TEST_F(ExcelModel, AValuePutIntoAFormulaCellReplacesTheFormula) {
    QTemporaryDir dir;
    WorkbookData data;
    data.sheets.resize(1);
    data.sheets[0].name = QStringLiteral("Formüller");
    data.sheets[0].setValue(0, 0, vb::Variant(2.0));
    data.sheets[0].setValue(0, 1, vb::Variant(4.0));
    data.sheets[0].setFormula(0, 1, QStringLiteral("=A1*2"));
    data.sheets[0].setValue(0, 2, vb::Variant(1.0));
    data.sheets[0].setFormula(0, 2, CellData::kUnreadFormula);
    data.sheets[0].merges = {{2, 0, 2, 3}};
    const QString file = dir.filePath(QStringLiteral("formul.xlsx"));
    WriteWorkbookFile(data, file, FileFormat::Xlsx);
    const auto book = app->Workbooks().Open(file);
    const auto sheet = book->Sheets().Item(1);
    EXPECT_EQ(sheet->cell(1, 2)->formula, QStringLiteral("=A1*2"));
    EXPECT_EQ(book->LossesIn(FileFormat::Xlsx).size(), 0);  // the unread one was not written
    const QStringList xls = book->LossesIn(FileFormat::Xls);
    ASSERT_EQ(xls.size(), 1);
    EXPECT_TRUE(xls[0].startsWith(QStringLiteral("1 hücrenin formülü"))) << xls[0].toStdString();
    EXPECT_EQ(book->LossesIn(FileFormat::Csv).size(), 2);  // the formula and the merged range
    sheet->Cells(1, 2).setValue(vb::Variant(9.0));
    EXPECT_FALSE(sheet->cell(1, 2)->hasFormula());
    EXPECT_TRUE(book->LossesIn(FileFormat::Xls).isEmpty());
}

TEST_F(ExcelModel, ADeletedSheetHandsTheActivePlaceToItsNeighbourAndRefusesUse) {
    const auto book = app->Workbooks().Add();
    const auto second = book->Sheets().Item(2);
    second->Activate();
    second->Delete();
    EXPECT_EQ(book->ActiveSheet()->Name(), QStringLiteral("Sayfa3"));
    book->ActiveSheet()->Delete();
    EXPECT_EQ(book->ActiveSheet()->Name(), QStringLiteral("Sayfa1"));
    EXPECT_TRUE(second->isDeleted());
    EXPECT_EQ(ErrorOf([&] { second->Cells(1, 1); }), vb::errAutomation);
}

// ---- cells

TEST_F(ExcelModel, CellValuesRoundTripAsTheSheetKeepsThem) {
    const auto sheet = newSheet();
    const QDateTime when(QDate(2007, 3, 5), QTime(14, 7));
    struct Case {
        vb::Variant in;
        vb::Variant out;
    } cases[] = {
        {vb::Variant("5321234567"), vb::Variant("5321234567")},
        {vb::Variant(1.5), vb::Variant(1.5)},
        {vb::Variant(42), vb::Variant(42.0)},                    // numbers are held as Double
        {vb::Variant::Integer(7), vb::Variant(7.0)},
        {vb::Variant(true), vb::Variant(true)},
        {vb::Variant(when), vb::Variant(when)},
        {vb::Variant::Null(), vb::Variant()},                    // Null and "" clear the cell
        {vb::Variant(""), vb::Variant()},
    };
    for (const auto& c : cases) {
        sheet->Cells(2, 3).setValue(vb::Variant("önceki"));
        sheet->Cells(2, 3).setValue(c.in);
        EXPECT_EQ(sheet->Cells(2, 3).Value(), c.out) << vb::TypeName(c.in).toStdString();
    }
    EXPECT_TRUE(sheet->Cells(100, 100).Value().isEmpty());
    sheet->Cells(1, 1).setValue(vb::Variant(1.5));
    EXPECT_EQ(sheet->Cells(1, 1).Text(), QStringLiteral("1,5"));   // the regional decimal comma
    sheet->Cells(1, 2).setValue(vb::Variant::Error(2007));
    EXPECT_EQ(sheet->Cells(1, 2).Text(), QStringLiteral("#DIV/0!"));
    EXPECT_EQ(ErrorOf([&] { sheet->Cells(0, 1); }), errExcel);
    EXPECT_EQ(ErrorOf([&] { sheet->Cells(1, kMaxColumns + 1); }), errExcel);
}

TEST_F(ExcelModel, FontsTakeTheLanguagesColourNumbers) {
    const auto sheet = newSheet();
    const Range cell = sheet->Range(QStringLiteral("B2"));
    EXPECT_FALSE(cell.Font().Bold());
    EXPECT_EQ(cell.Font().Color(), 0);
    cell.Font().setBold(true);
    cell.Font().setColor(255);   // RGB(255, 0, 0)
    EXPECT_TRUE(sheet->Cells(2, 2).Font().Bold());
    EXPECT_EQ(sheet->Cells(2, 2).Font().Color(), 255);
    EXPECT_EQ(sheet->cell(2, 2)->color, 0xFF0000u);
    sheet->Cells(2, 2).Font().setColor(65536 * 255 + 256 * 128);   // RGB(0, 128, 255)
    EXPECT_EQ(sheet->cell(2, 2)->color, 0x0080FFu);
    EXPECT_EQ(sheet->Cells(2, 2).Font().Color(), 65536 * 255 + 256 * 128);
    // The value is not touched by the font.
    EXPECT_TRUE(sheet->Cells(2, 2).Value().isEmpty());
}

TEST_F(ExcelModel, RangesAreParsedIntoAreas) {
    const auto sheet = newSheet();
    struct Case {
        const char* address;
        const char* normal;
        int count;
    } cases[] = {
        {"A2", "$A$2", 1},
        {"$b$3:c10", "$B$3:$C$10", 16},
        {"C10:B3", "$B$3:$C$10", 16},
        {"A1,C3:D4", "$A$1,$C$3:$D$4", 5},
        {"A:B", "$A:$B", 2 * kMaxRows},
        {"2:3", "$2:$3", 2 * kMaxColumns},
        {"XFD1048576", "$XFD$1048576", 1},
    };
    for (const auto& c : cases) {
        const Range r = sheet->Range(QString::fromUtf8(c.address));
        EXPECT_EQ(r.Address(), QString::fromUtf8(c.normal)) << c.address;
        EXPECT_EQ(r.Count(), c.count) << c.address;
    }
    for (const char* bad : {"", "A", "1", "A0", "A1:", "A1:B", "XFE1", "A1048577", "A1;B2", "Sayfa1!A1"})
        EXPECT_EQ(ErrorOf([&] { sheet->Range(QString::fromUtf8(bad)); }), errExcel) << bad;
    EXPECT_EQ(ErrorOf([&] { sheet->Cells().Count(); }), vb::errOverflow);
}

TEST_F(ExcelModel, AValueSetOnSeveralCellsGoesIntoEachAndIsAnnounced) {
    const auto sheet = newSheet();
    std::vector<Area> changed;
    app->events().cellsChanged.connect([&](std::shared_ptr<Worksheet> s, Area a) {
        EXPECT_EQ(s, sheet);
        changed.push_back(a);
    });
    sheet->Range(QStringLiteral("A1:B2,D4")).setValue(vb::Variant("BOŞ"));
    for (auto [r, c] : {std::pair{1, 1}, {1, 2}, {2, 1}, {2, 2}, {4, 4}})
        EXPECT_EQ(sheet->Cells(r, c).Value(), vb::Variant("BOŞ"));
    EXPECT_TRUE(sheet->Cells(3, 3).Value().isEmpty());
    EXPECT_EQ(changed, (std::vector<Area>{{1, 1, 2, 2}, {4, 4, 1, 1}}));
    EXPECT_EQ(sheet->UsedRange().Address(), QStringLiteral("$A$1:$D$4"));
    EXPECT_FALSE(sheet->Parent()->Saved());
}

// ---- the selection

TEST_F(ExcelModel, ASelectionOfSeveralAreasIsCountedAndAddressedAreaByArea) {
    const auto sheet = newSheet();
    sheet->Range(QStringLiteral("B2:C4,E6:E7")).Select();
    EXPECT_EQ(app->SelectionTypeName(), QStringLiteral("Range"));
    const Range selection = app->Selection();
    ASSERT_EQ(selection.Areas().Count(), 2);

    const Range first = selection.Areas().Item(1);
    EXPECT_EQ(first.Rows().Count(), 3);
    EXPECT_EQ(first.Columns().Count(), 2);
    first.Cells(3, 2).setValue(vb::Variant("5321234567"));
    EXPECT_EQ(sheet->Range(QStringLiteral("C4")).Value(), vb::Variant("5321234567"));

    const Range second = selection.Areas().Item(2);
    EXPECT_EQ(second.Rows().Count(), 2);
    EXPECT_EQ(second.Columns().Count(), 1);
    sheet->Range(QStringLiteral("E7")).setValue(vb::Variant(5551234567.0));
    EXPECT_EQ(second.Cells(2, 1).Value(), vb::Variant(5551234567.0));
    second.Cells(1, 1).Font().setBold(true);
    EXPECT_TRUE(sheet->Range(QStringLiteral("E6")).Font().Bold());
    EXPECT_EQ(ErrorOf([&] { selection.Areas().Item(3); }), vb::errSubscript);
    // A new sheet selects its A1.
    sheet->Parent()->Sheets().Item(2)->Activate();
    EXPECT_EQ(app->Selection().Address(), QStringLiteral("$A$1"));
}

TEST_F(ExcelModel, IntersectGivesTheSharedCellsAreaByArea) {
    const auto sheet = newSheet();
    const struct {
        const char* first;
        const char* second;
        const char* shared;   // "" for Nothing
    } cases[] = {
        {"A1:XFD1048576", "B2:D9", "$B$2:$D$9"},
        {"B2:D9", "C5:F20", "$C$5:$D$9"},
        {"A:A", "2:3", "$A$2:$A$3"},
        {"A1:B2,D4:E5", "B2:D4", "$B$2,$D$4"},
        {"C:C,A:A", "A1:C3", "$C$1:$C$3,$A$1:$A$3"},
        {"A1:B2", "C3:D4", ""},
        {"B2", "B2", "$B$2"},
    };
    for (const auto& c : cases) {
        const Range shared = app->Intersect(sheet->Range(QString::fromLatin1(c.first)),
                                            sheet->Range(QString::fromLatin1(c.second)));
        EXPECT_EQ(shared.isNothing() ? QString() : shared.Address(), QString::fromLatin1(c.shared))
            << c.first << " " << c.second;
    }
    const auto other = sheet->Parent()->Sheets().Item(2);
    EXPECT_EQ(ErrorOf([&] { app->Intersect(sheet->Range(QStringLiteral("A1")), other->Range(QStringLiteral("A1"))); }),
              errExcel);
}

TEST_F(ExcelModel, ASelectionThatIsNoCellRangeCannotBeReadAsOne) {
    const auto sheet = newSheet();
    int announced = 0;
    app->events().selectionChanged.connect([&] { ++announced; });
    sheet->SelectObject(QStringLiteral("Rectangle"));
    EXPECT_EQ(app->SelectionTypeName(), QStringLiteral("Rectangle"));
    EXPECT_EQ(ErrorOf([&] { app->Selection(); }), errNoSuchMember);
    sheet->Range(QStringLiteral("A1:A3")).Select();
    EXPECT_EQ(app->Selection().Count(), 3);
    EXPECT_EQ(announced, 2);
    // Only the active sheet's cells can be selected.
    const auto other = sheet->Parent()->Sheets().Item(2);
    EXPECT_EQ(ErrorOf([&] { other->Range(QStringLiteral("A1")).Select(); }), errExcel);
}

// ---- fitting

TEST_F(ExcelModel, AutoFitSizesColumnsByTheirTextsAndRowsByTheirLines) {
    const auto sheet = newSheet();
    sheet->Cells(1, 1).setValue(vb::Variant("GsmNo"));
    sheet->Cells(2, 1).setValue(vb::Variant("5321234567"));
    sheet->Cells(1, 2).setValue(vb::Variant("5321234567"));
    sheet->Cells(1, 2).Font().setBold(true);
    sheet->Cells(3, 3).setValue(vb::Variant("iki\r\nsatır"));
    sheet->Parent()->setSaved(true);

    sheet->Columns().AutoFit();
    const double a = sheet->columnWidth(1), b = sheet->columnWidth(2);
    EXPECT_GT(a, 10);
    EXPECT_LT(a, 12);
    EXPECT_GT(b, a);                                     // bold is wider
    EXPECT_EQ(sheet->columnWidth(4), kStandardWidth);    // nothing to fit
    EXPECT_FALSE(sheet->Parent()->Saved());

    sheet->Rows().AutoFit();
    EXPECT_EQ(sheet->rowHeight(3), 2 * kStandardHeight);
    EXPECT_EQ(sheet->rowHeight(1), kStandardHeight);

    sheet->Columns(1).setColumnWidth(3);
    sheet->Range(QStringLiteral("A1")).EntireColumn().AutoFit();
    EXPECT_EQ(sheet->columnWidth(1), a);
    EXPECT_EQ(ErrorOf([&] { sheet->Range(QStringLiteral("A1:B2")).AutoFit(); }), errExcel);
}

// ---- copying a recordset

TEST_F(ExcelModel, CopyFromRecordsetWritesFromTheCurrentRecordToTheEnd) {
    auto rs = std::make_shared<ado::Recordset>();
    rs->Fields().Append(QStringLiteral("GsmNo"), ado::adVarChar, 255);
    rs->Fields().Append(QStringLiteral("Durum"), ado::adVarChar, 255);
    rs->Fields().Append(QStringLiteral("Adet"), ado::adInteger);
    rs->Open();
    for (int i = 1; i <= 5; ++i) {
        rs->AddNew();
        rs->Fields(0).setValue(vb::Variant(QStringLiteral("53200000%1").arg(i)));
        if (i != 4) rs->Fields(1).setValue(vb::Variant("İletildi"));
        rs->Fields(2).setValue(vb::Variant(i));
    }
    rs->UpdateBatch();
    rs->MoveFirst();
    rs->MoveNext();
    rs->MoveNext();

    const auto sheet = newSheet();
    sheet->Cells(3, 2).setValue(vb::Variant("eski"));   // where the record without a status goes
    sheet->Cells(5, 2).setValue(vb::Variant("eski"));   // below the copy
    std::vector<Area> changed;
    app->events().cellsChanged.connect([&](std::shared_ptr<Worksheet>, Area a) { changed.push_back(a); });
    EXPECT_EQ(sheet->Range(QStringLiteral("A2")).CopyFromRecordset(*rs), 3);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(sheet->Cells(1, 1).Value().isEmpty());
    EXPECT_EQ(sheet->Cells(2, 1).Value(), vb::Variant("532000003"));
    EXPECT_EQ(sheet->Cells(2, 2).Value(), vb::Variant("İletildi"));
    EXPECT_TRUE(sheet->Cells(3, 2).Value().isEmpty());   // Null clears the cell
    EXPECT_EQ(sheet->Cells(4, 1).Value(), vb::Variant("532000005"));
    EXPECT_EQ(sheet->Cells(4, 3).Value(), vb::Variant(5.0));
    EXPECT_EQ(sheet->Cells(5, 2).Value(), vb::Variant("eski"));
    EXPECT_EQ(changed, (std::vector<Area>{{2, 1, 3, 3}}));

    // Limits stop early and leave the recordset on the next record.
    rs->MoveFirst();
    EXPECT_EQ(sheet->Range(QStringLiteral("C10")).CopyFromRecordset(*rs, 2, 1), 2);
    EXPECT_EQ(sheet->Cells(11, 3).Value(), vb::Variant("532000002"));
    EXPECT_TRUE(sheet->Cells(10, 4).Value().isEmpty());   // one field asked for
    EXPECT_EQ(rs->Fields(0).Value(), vb::Variant("532000003"));
    EXPECT_EQ(sheet->Range(QStringLiteral("A20")).CopyFromRecordset(*rs), 3);
    EXPECT_EQ(sheet->Range(QStringLiteral("A30")).CopyFromRecordset(*rs), 0);   // at the end already
}

// ---- the separate instance for exports

TEST_F(ExcelModel, CreateObjectGivesAnInvisibleInstanceOfItsOwnThatOutlivesTheCaller) {
    SetHostApplication(app);
    std::weak_ptr<Application> weak;
    {
        const auto xl = CreateObject(QStringLiteral("Excel.Application"));
        weak = xl;
        EXPECT_NE(xl, HostApplication());
        EXPECT_TRUE(xl->CreatedForAutomation());
        EXPECT_FALSE(app->CreatedForAutomation());
        EXPECT_FALSE(xl->Visible());
        EXPECT_EQ(xl->Workbooks().Count(), 0);
        const auto book = xl->Workbooks().Add();
        book->Sheets().Item(1)->Cells(1, 1).setValue(vb::Variant("GsmNo"));
        EXPECT_EQ(app->Workbooks().Count(), 0);   // nothing reaches the host's own
    }
    ASSERT_FALSE(weak.expired());
    const auto instances = AutomationInstances();
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances[0]->ActiveWorkbook()->Name(), QStringLiteral("Kitap1"));
    EXPECT_EQ(instances[0]->ActiveSheet()->Cells(1, 1).Value(), vb::Variant("GsmNo"));

    EXPECT_EQ(ErrorOf([] { CreateObject(QStringLiteral("Word.Application")); }), 429);
    EXPECT_EQ(AutomationInstances().size(), 1u);
    EXPECT_NE(CreateObject(QStringLiteral("excel.application")), instances[0]);
    SetHostApplication(nullptr);
}

TEST_F(ExcelModel, MakingAnInstanceVisibleHandsItToTheHost) {
    std::vector<std::shared_ptr<Application>> shown;
    SetInstanceShownHandler([&](std::shared_ptr<Application> a) { shown.push_back(a); });
    const auto xl = CreateObject(QStringLiteral("Excel.Application"));
    xl->Workbooks().Add();
    xl->setVisible(true);
    xl->setVisible(true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], xl);
    // The host's own Application is not handed over.
    app->setVisible(false);
    app->setVisible(true);
    EXPECT_EQ(shown.size(), 1u);

    // Without a handler the instance is only marked visible.
    SetInstanceShownHandler(nullptr);
    const auto other = CreateObject(QStringLiteral("Excel.Application"));
    other->setVisible(true);
    EXPECT_TRUE(AutomationInstances().back()->Visible());
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(ExcelModel, QuitAsksTheHostOnceEvenFromWithinItsHandler) {
    int asked = 0;
    app->setQuitHandler([&] {
        ++asked;
        app->Quit();   // the host's shutdown ends the add-in, which quits again
    });
    app->Workbooks().Add();
    app->Quit();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(app->HasQuit());
    EXPECT_EQ(app->Workbooks().Count(), 1);   // the host decides what closes

    const auto xl = CreateObject(QStringLiteral("Excel.Application"));
    const auto book = xl->Workbooks().Add();
    xl->setVisible(true);
    xl->Quit();
    EXPECT_EQ(xl->Workbooks().Count(), 0);
    EXPECT_TRUE(book->isClosed());
    EXPECT_FALSE(xl->Visible());
}

// ---- files

class ExcelModelFiles : public ExcelModel {
protected:
    // What a file begins with: the compound file's or zip's signature, or
    // for text the first characters (after a byte-order mark).
    static QByteArray head(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QByteArray start = f.read(8);
        if (start.startsWith("\xEF\xBB\xBF")) start.remove(0, 3);
        return start.left(4);
    }
    QTemporaryDir dir;
};

TEST_F(ExcelModelFiles, SaveAsTakesTheFormatFromTheExtension) {
    const QByteArray compound("\xD0\xCF\x11\xE0", 4), zip("PK\x03\x04", 4);
    struct Case {
        const char* given;
        const char* saved;
        QByteArray head;
    } cases[] = {
        {"rapor.xls", "rapor.xls", compound},
        {"rapor.xlsx", "rapor.xlsx", zip},
        {"rapor.csv", "rapor.csv", QByteArray("GsmN")},
        {"rapor", "rapor.xls", compound},
        {"RAPOR2.XLSX", "RAPOR2.XLSX", zip},
    };
    for (const auto& c : cases) {
        const auto book = app->Workbooks().Add();
        const auto sheet = book->ActiveSheet();
        sheet->Cells(1, 1).setValue(vb::Variant("GsmNo"));
        sheet->Cells(2, 1).setValue(vb::Variant("5321234567"));
        sheet->Cells(2, 2).setValue(vb::Variant(12.5));
        EXPECT_FALSE(book->Saved());
        book->SaveAs(dir.filePath(QString::fromUtf8(c.given)));
        EXPECT_TRUE(book->Saved()) << c.given;
        EXPECT_EQ(book->Name(), QString::fromUtf8(c.saved));
        EXPECT_EQ(book->Path(), QDir::toNativeSeparators(dir.path()));
        EXPECT_EQ(head(book->FullName()), c.head) << c.given;
        book->Close();

        const auto again = app->Workbooks().Open(dir.filePath(QString::fromUtf8(c.saved)));
        EXPECT_EQ(again->Name(), QString::fromUtf8(c.saved));
        const auto read = again->Sheets().Item(1);
        EXPECT_EQ(vb::CStr(read->Cells(1, 1).Value()), QStringLiteral("GsmNo")) << c.given;
        EXPECT_EQ(vb::CStr(read->Cells(2, 1).Value()), QStringLiteral("5321234567")) << c.given;
        EXPECT_EQ(vb::CDbl(read->Cells(2, 2).Value()), 12.5) << c.given;
        // Opening it again only activates it.
        EXPECT_EQ(app->Workbooks().Open(dir.filePath(QString::fromUtf8(c.saved))), again);
        again->Close();
    }
}

TEST_F(ExcelModelFiles, AWorkbookKeepsItsSheetsFontsAndWidthsThroughAnXlsFile) {
    const auto book = app->Workbooks().Add();
    book->Sheets().Item(2)->setName(QStringLiteral("Gönderilmeyenler"));
    const auto sheet = book->Sheets().Item(2);
    sheet->Cells(1, 1).setValue(vb::Variant("BOŞ"));
    sheet->Cells(1, 1).Font().setBold(true);
    sheet->Cells(1, 1).Font().setColor(255);
    sheet->Columns(1).setColumnWidth(20);
    book->SaveAs(dir.filePath(QStringLiteral("isaretli.xls")));
    book->Close();

    const auto again = app->Workbooks().Open(dir.filePath(QStringLiteral("isaretli.xls")));
    ASSERT_EQ(again->Sheets().Count(), 3);
    const auto read = again->Sheets().Item(QStringLiteral("Gönderilmeyenler"));
    EXPECT_EQ(read->Index(), 2);
    EXPECT_EQ(read->Cells(1, 1).Value(), vb::Variant("BOŞ"));
    EXPECT_TRUE(read->Cells(1, 1).Font().Bold());
    EXPECT_EQ(read->Cells(1, 1).Font().Color(), 255);
    EXPECT_NEAR(read->columnWidth(1), 20, 0.5);
    EXPECT_TRUE(again->Saved());
    // New sheets count on from the ones read.
    EXPECT_EQ(again->Sheets().Add()->Name(), QStringLiteral("Sayfa4"));
}

TEST_F(ExcelModelFiles, SavingANeverSavedWorkbookUsesItsNameAndAMissingFileFails) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto book = app->Workbooks().Add();
    book->Save();
    EXPECT_EQ(book->Name(), QStringLiteral("Kitap1.xls"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Kitap1.xls"))));
    QDir::setCurrent(previous);
    EXPECT_NE(ErrorOf([&] { app->Workbooks().Open(dir.filePath(QStringLiteral("yok.xls"))); }), 0);
    EXPECT_EQ(app->Workbooks().Count(), 1);
}

} // namespace
