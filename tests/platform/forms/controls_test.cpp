#include "platform/forms/browser.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/services.h"
#include "platform/vb/error.h"
#include "platform/vb/timer.h"
#include "platform/win32/paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace forms;

namespace {

class frmControls : public Form {
public:
    frmControls() : Form(QStringLiteral("frmControls")) {}
};

class ControlsTest : public ::testing::Test {
protected:
    frmControls& f = Get<frmControls>();
    void TearDown() override {
        UnloadDefault<frmControls>();
        FlushUnloaded();
    }
};

TEST_F(ControlsTest, KeyPressCanSwallowOrReplaceACharacter) {
    auto* t = new TextBox(&f, QStringLiteral("txtGsm"));
    // Digits only; a lower-case "x" becomes "X".
    t->KeyPress = [](int& k) {
        if (k == 'x') k = 'X';
        else if ((k < '0' || k > '9') && k != 8 && k != 'X') k = 0;
    };
    int changes = 0;
    t->Change = [&] { ++changes; };
    f.Show();
    t->typeText(QStringLiteral("5a3-x2"));
    EXPECT_EQ(t->Text(), QStringLiteral("53X2"));
    t->typeText(QStringLiteral("\b"));
    EXPECT_EQ(t->Text(), QStringLiteral("53X"));
    EXPECT_EQ(changes, 5);
    t->setText(QStringLiteral("1"));
    EXPECT_EQ(changes, 6);
}

TEST_F(ControlsTest, MaxLengthAndMultiLineText) {
    auto* t = new TextBox(&f, QStringLiteral("txtMesaj"), true);
    f.Show();
    t->setMaxLength(5);
    t->typeText(QStringLiteral("ab\rcdef"));
    // A line break is two characters, as the language counts it.
    EXPECT_EQ(t->Text(), QStringLiteral("ab\r\nc"));
    t->setText(QStringLiteral("1234567"));
    EXPECT_EQ(t->Text(), QStringLiteral("12345"));
    // The cut never keeps half of a pair.
    t->setText(QStringLiteral("abcd") + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(t->Text(), QStringLiteral("abcd"));
    auto* single = new TextBox(&f, QStringLiteral("txtKisa"));
    single->setMaxLength(3);
    single->typeText(QStringLiteral("abcd"));
    EXPECT_EQ(single->Text(), QStringLiteral("abc"));
}

// The caret and the selection are counted as Text() is: a multi-line box's
// line break is two characters; SelStart is the start of a selection,
// whichever way it was made.
TEST_F(ControlsTest, SelectionCountsLineBreaksAsTwo) {
    auto* multi = new TextBox(&f, QStringLiteral("txtMesaj"), true);
    auto* single = new TextBox(&f, QStringLiteral("txtAd"));
    f.Show();
    multi->setText(QStringLiteral("ab\r\ncd\r\nef"));
    multi->setSelStart(5);
    multi->setSelLength(4);
    EXPECT_EQ(multi->SelStart(), 5);
    EXPECT_EQ(multi->SelLength(), 4);
    EXPECT_EQ(static_cast<QPlainTextEdit*>(multi->editor())->textCursor().selectedText(), QStringLiteral("d\u2029e"));
    multi->setSelStart(multi->Text().size());
    EXPECT_EQ(multi->SelStart(), 10);
    EXPECT_EQ(multi->SelLength(), 0);

    single->setText(QStringLiteral("Sayın müşterimiz"));
    // Selected from right to left: the caret stands at the start.
    static_cast<QLineEdit*>(single->editor())->setSelection(16, -10);
    EXPECT_EQ(single->SelStart(), 6);
    EXPECT_EQ(single->SelLength(), 10);
    single->setSelStart(2);
    EXPECT_EQ(single->SelLength(), 0);
    EXPECT_THROW(single->setSelLength(-1), vb::Error);
}

TEST_F(ControlsTest, CheckBoxClickRunsWhenCodeChangesTheValue) {
    auto* c = new CheckBox(&f, QStringLiteral("chkKaydet"), QStringLiteral("Kaydet"));
    int clicks = 0;
    c->Click = [&] { ++clicks; };
    c->setValue(1);
    c->setValue(1);  // no change, no click
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(c->Value(), 1);
    f.Show();
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, c->height() / 2));
    EXPECT_EQ(c->Value(), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_THROW(c->setValue(3), vb::Error);
}

TEST_F(ControlsTest, OptionButtonsExcludeEachOther) {
    auto* a = new OptionButton(&f, QStringLiteral("optGSM"), QStringLiteral("A"));
    auto* b = new OptionButton(&f, QStringLiteral("optExcel"), QStringLiteral("B"));
    int aClicks = 0, bClicks = 0;
    a->Click = [&] { ++aClicks; };
    b->Click = [&] { ++bClicks; };
    a->setValue(true);
    b->setValue(true);
    EXPECT_FALSE(a->Value());
    EXPECT_TRUE(b->Value());
    EXPECT_EQ(aClicks, 1);
    EXPECT_EQ(bClicks, 1);
}

TEST_F(ControlsTest, ProgressBarRefusesAValueOutsideItsRangeAndKeepsTheOld) {
    auto* p = new ProgressBar(&f, QStringLiteral("ProgressBar1"));
    EXPECT_EQ(p->Value(), 0);
    p->setValue(40);
    try {
        p->setValue(101);
        FAIL();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errInvalidProperty);
    }
    EXPECT_EQ(p->Value(), 40);
    EXPECT_THROW(p->setValue(-1), vb::Error);
    p->setValue(100);
    EXPECT_EQ(p->Value(), 100);
}

TEST_F(ControlsTest, SetFocusFailsWhileTheWindowCannotTakeIt) {
    auto* t = new TextBox(&f, QStringLiteral("txtUserName"));
    EXPECT_THROW(SetFocus(t), vb::Error);  // window not shown
    f.Show();
    SetFocus(t);
    EXPECT_EQ(f.focusWidget(), t->editor());
    t->setEnabled(false);
    EXPECT_THROW(SetFocus(t), vb::Error);
}

TEST_F(ControlsTest, ComboListAndTabs) {
    auto* c = new ComboBox(&f, QStringLiteral("cbGonderen"));
    int clicks = 0;
    c->Click = [&] { ++clicks; };
    c->AddItem(QStringLiteral("FIRMA"));
    c->AddItem(QStringLiteral("DİĞER"));
    EXPECT_EQ(c->ListCount(), 2);
    c->setListIndex(1);
    EXPECT_EQ(c->Text(), QStringLiteral("DİĞER"));
    EXPECT_THROW(c->setText(QStringLiteral("yok")), vb::Error);
    EXPECT_THROW(c->setListIndex(5), vb::Error);
    EXPECT_GE(clicks, 1);

    auto* tab = new TabControl(&f, QStringLiteral("SSTab1"));
    tab->addPage(QStringLiteral("Bir"));
    tab->addPage(QStringLiteral("İki"));
    std::vector<int> previous;
    tab->Click = [&](int p) { previous.push_back(p); };
    tab->setTab(1);
    tab->setTab(0);
    EXPECT_EQ(previous, (std::vector<int>{0, 1}));
    EXPECT_EQ(ControlKind(tab), QStringLiteral("tab"));
    EXPECT_EQ(ControlKind(c), QStringLiteral("combo"));
    vb::Timer timer(&f, QStringLiteral("Timer1"));
    EXPECT_EQ(ControlKind(&timer), QStringLiteral("timer"));
}

// Many items at once end as that many AddItem calls end: the same list,
// choice, text and clicks, whatever the combo held before.
TEST_F(ControlsTest, AddItemsIsManyAddItems) {
    const QStringList items{QStringLiteral("FIRMA"), QStringLiteral("DİĞER"), QStringLiteral("ÜÇÜNCÜ")};
    struct State {
        QStringList list;
        int index;
        QString text;
        int clicks;
        bool operator==(const State&) const = default;
    };
    // What the combo holds before: nothing, a choice, a typed text, items
    // without a choice.
    const std::function<void(ComboBox*)> befores[] = {
        [](ComboBox*) {},
        [](ComboBox* c) {
            c->AddItem(QStringLiteral("ESKİ"));
            c->AddItem(QStringLiteral("İKİNCİ"));
            c->setListIndex(1);
        },
        [](ComboBox* c) { c->setText(QStringLiteral("yazılan")); },
        [](ComboBox* c) {
            c->AddItem(QStringLiteral("ESKİ"));
            c->setListIndex(-1);
        },
    };
    for (bool editable : {true, false}) {
        for (std::size_t b = 0; b < std::size(befores); ++b) {
            if (!editable && b == 2)
                continue;
            auto after = [&](bool many) {
                auto* c = new ComboBox(&f, QStringLiteral("cbGonderen"), editable);
                befores[b](c);
                int clicks = 0;
                c->Click = [&] { ++clicks; };
                if (many) {
                    c->AddItems(items);
                } else {
                    for (const QString& item : items) c->AddItem(item);
                }
                State s{{}, c->ListIndex(), c->Text(), clicks};
                for (int i = 0; i < c->ListCount(); ++i) s.list << c->List(i);
                delete c;
                return s;
            };
            const State one = after(false), many = after(true);
            EXPECT_EQ(many.list, one.list) << editable << b;
            EXPECT_EQ(many.index, one.index) << editable << b;
            EXPECT_EQ(many.text, one.text) << editable << b;
            EXPECT_EQ(many.clicks, one.clicks) << editable << b;
        }
    }
}

// A person's click at a character of a date picker's text.
void clickAtCharacter(DatePicker* picker, int index) {
    auto* edit = picker->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    int x = 0;
    while (x < edit->width() && edit->cursorPositionAt(QPoint(x, edit->height() / 2)) <= index)
        ++x;
    // Just left of where the caret would go after the character.
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(x - 2, edit->height() / 2));
}

TEST_F(ControlsTest, APickerTakesTypedDigitsIntoThePartClickedAndTabLeavesIt) {
    auto* before = new TextBox(&f, QStringLiteral("txtOnce"));
    auto* date = new DatePicker(&f, QStringLiteral("DTPicker1"), QStringLiteral("dd.MM.yyyy"));
    auto* time = new DatePicker(&f, QStringLiteral("DTPicker2"), QStringLiteral("HH:mm"));
    before->setGeometry(0, 0, 100, 24);
    date->setGeometry(0, 30, 140, 24);
    time->setGeometry(0, 60, 100, 24);
    date->setValue(QDateTime(QDate(2007, 3, 5), QTime(0, 0)));
    time->setValue(QDateTime(QDate(2007, 3, 5), QTime(14, 7)));
    f.Show();

    struct Case {
        DatePicker* picker;
        int character;  // clicked
        const char* keys;
        QDateTime wanted;
    } cases[] = {
        // Two digits fill the day, then the month, then four the year.
        {date, 1, "171220250", QDateTime(QDate(2025, 12, 17), QTime(0, 0))},
        // A digit no second one could follow completes its part at once.
        {date, 3, "4", QDateTime(QDate(2025, 4, 17), QTime(0, 0))},
        // A day the month lacks is its last.
        {date, 0, "31", QDateTime(QDate(2025, 4, 30), QTime(0, 0))},
        {time, 4, "45", QDateTime(QDate(2007, 3, 5), QTime(14, 45))},
        {time, 0, "930", QDateTime(QDate(2007, 3, 5), QTime(9, 30))},
    };
    for (const Case& c : cases) {
        // A person's click gives the focus, and places the caret.
        SetFocus(c.picker);
        clickAtCharacter(c.picker, c.character);
        QTest::keyClicks(c.picker, QString::fromLatin1(c.keys));
        EXPECT_EQ(c.picker->Value(), c.wanted) << c.keys;
    }
    // The click selects the part under the pointer.
    SetFocus(date);
    clickAtCharacter(date, 4);
    EXPECT_EQ(date->currentSection(), QDateTimeEdit::MonthSection);
    EXPECT_EQ(date->findChild<QLineEdit*>()->selectedText(), QStringLiteral("04"));

    // Tab and Shift+Tab leave the picker from any part.
    QTest::keyClick(date, Qt::Key_Tab);
    EXPECT_EQ(f.focusWidget(), time);
    QTest::keyClick(time, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.focusWidget(), date);
    QTest::keyClick(date, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.focusWidget(), before->editor());
}

TEST_F(ControlsTest, ScriptedDialogsAnswerFromTheirQueues) {
    auto s = InstallScriptedServices();
    s.popups->queueChoice(QStringLiteral("Soyad"));
    EXPECT_EQ(PopupMenu(&f, {QStringLiteral("Ad"), QStringLiteral("Soyad")}), 1);
    EXPECT_EQ(PopupMenu(&f, {QStringLiteral("Ad")}), -1);
    ASSERT_EQ(s.popups->records().size(), 2u);

    CommonDialog dlg;
    dlg.CancelError = true;
    dlg.Filter = QStringLiteral("Excel (*.xls)|*.xls");
    s.saveDialogs->queueAnswer(QStringLiteral("/tmp/rapor.xls"));
    dlg.ShowSave();
    EXPECT_EQ(dlg.FileName, QStringLiteral("/tmp/rapor.xls"));
    try {
        dlg.ShowSave();
        FAIL();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), cdlCancel);
    }
    EXPECT_EQ(s.saveDialogs->records().size(), 2u);
}

// The dialog starts in the folder a Windows path names, and asks before
// replacing or creating a file only when its flags say so.
TEST_F(ControlsTest, SaveAsStartsInTheWindowsFolderWithItsPrompts) {
    auto s = InstallScriptedServices();
    CommonDialog dlg;
    dlg.InitDir = QStringLiteral("\\");
    dlg.Flags = cdlOFNOverwritePrompt | cdlOFNCreatePrompt;
    dlg.ShowSave();
    dlg.InitDir = QStringLiteral("\\Raporlar");
    dlg.Flags = cdlOFNOverwritePrompt;
    dlg.ShowSave();
    dlg.InitDir.clear();
    dlg.Flags = 0;
    dlg.ShowSave();
    const auto& asked = s.saveDialogs->records();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].initDir, win32::WindowsDriveFolder());
    EXPECT_TRUE(asked[0].overwritePrompt && asked[0].createPrompt);
    EXPECT_EQ(asked[1].initDir, win32::WindowsDriveFolder() + QStringLiteral("/Raporlar"));
    EXPECT_TRUE(asked[1].overwritePrompt && !asked[1].createPrompt);
    EXPECT_TRUE(asked[2].initDir.isEmpty());
    EXPECT_FALSE(asked[2].overwritePrompt || asked[2].createPrompt);
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

TEST_F(ControlsTest, BrowserRecordsTheAddressAndStaysBlankOffline) {
    auto* w = new WebBrowser(&f, QStringLiteral("WebBrowser1"));
    w->Navigate(QStringLiteral("https://reklam.quillmere.example/reklam/?prm=Quillmere"));
    EXPECT_EQ(w->LocationURL(), QStringLiteral("https://reklam.quillmere.example/reklam/?prm=Quillmere"));
    EXPECT_TRUE(w->isIdle());  // remote pages are not fetched under test
    EXPECT_TRUE(w->toPlainText().isEmpty());
    // A refused loopback address ends blank without blocking.
    w->Navigate(QStringLiteral("http://127.0.0.1:1/"));
    QElapsedTimer t;
    t.start();
    while (!w->isIdle() && t.elapsed() < 10000) QApplication::processEvents();
    EXPECT_TRUE(w->isIdle());
    EXPECT_TRUE(w->toPlainText().isEmpty());
}

} // namespace
