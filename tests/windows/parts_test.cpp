// The parts each edition's sending windows are built with: the first
// edition's template page has its table choice, its quick-send page its
// reading notice and its final screen its status frame; the second
// edition's are built without them and hold no pointer to them.
#include "edition2/frmSMS.h"
#include "edition2/frmSMS_1.h"
#include "edition2/frmSonEkran.h"
#include "platform/ado/ado.h"
#include "platform/forms/controls.h"
#include "platform/forms/datagrid.h"
#include "sending/frmSMS.h"
#include "sending/frmSMS_1.h"
#include "sending/frmSonEkran.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QStringList kTableChoice{QStringLiteral("Frame3"), QStringLiteral("Label6"), QStringLiteral("cbSayfa")};
const QStringList kReadingNotice{QStringLiteral("Frame3"), QStringLiteral("Label5")};
const QStringList kStatusFrame{QStringLiteral("Frame3"), QStringLiteral("Label6")};

// Those of the named controls the window has.
QStringList has(const QWidget& window, const QStringList& names) {
    QStringList found;
    for (const QString& name : names)
        if (window.findChild<QWidget*>(name))
            found << name;
    return found;
}

TEST(WindowParts, TheFirstEditionsSendingWindowsHaveTheirPanels) {
    const frmSMS page;
    EXPECT_EQ(has(page, kTableChoice), kTableChoice);
    ASSERT_TRUE(page.Frame3 && page.Label6 && page.cbSayfa);
    EXPECT_EQ(page.cbSayfa->parentWidget(), page.Frame3);
    EXPECT_TRUE(page.cbSayfa->Click);
    // The filter below the table choice.
    EXPECT_EQ(forms::ToTwips(page.Frame1->y()), 840);

    const frmSMS_1 quick;
    EXPECT_EQ(has(quick, kReadingNotice), kReadingNotice);
    ASSERT_TRUE(quick.Frame3 && quick.Label5);
    EXPECT_EQ(quick.Label5->Caption(), QStringLiteral("Veriler okunuyor. Lütfen bekleyin..."));

    frmSonEkran screen;
    EXPECT_EQ(has(screen, kStatusFrame), kStatusFrame);
    ASSERT_TRUE(screen.Frame3 && screen.Label6);
    EXPECT_FALSE(screen.Frame3->isVisibleTo(&screen));
    // Its list is built under the status frame, the grid detached and no
    // row removable meanwhile.
    screen.Form_Load();
    const auto list = screen.beginListBuild();
    ASSERT_TRUE(list);
    EXPECT_EQ(list, screen.Adodc1->Recordset());
    EXPECT_NE(screen.DataGrid1->recordset(), list);
    EXPECT_FALSE(screen.cmdLstCikart->isEnabled());
    EXPECT_TRUE(screen.Frame3->isVisibleTo(&screen));
    EXPECT_EQ(screen.Label6->Caption(), QStringLiteral("Mesaj listesi oluşturuluyor..."));
    screen.endListBuild();
    EXPECT_EQ(screen.DataGrid1->recordset(), list);
    EXPECT_TRUE(screen.cmdLstCikart->isEnabled());
    EXPECT_FALSE(screen.Frame3->isVisibleTo(&screen));
}

TEST(WindowParts, TheSecondEditionsAreBuiltWithoutThem) {
    const edition2::frmSMS page;
    EXPECT_TRUE(has(page, kTableChoice).isEmpty());
    EXPECT_FALSE(page.Frame3 || page.Label6 || page.cbSayfa);
    // The filter in the room the table choice leaves.
    EXPECT_EQ(forms::ToTwips(page.Frame1->y()), 0);

    const edition2::frmSMS_1 quick;
    EXPECT_TRUE(has(quick, kReadingNotice).isEmpty());
    EXPECT_FALSE(quick.Frame3 || quick.Label5);

    const edition2::frmSonEkran screen;
    EXPECT_TRUE(has(screen, kStatusFrame).isEmpty());
    EXPECT_FALSE(screen.Frame3 || screen.Label6);
}

// A shared window given the second edition's parts is built as the second
// edition's is: a screen without the status frame builds its list in view,
// the grid on the list and its rows removable meanwhile.
TEST(WindowParts, ASharedWindowTakesThePartsItIsGiven) {
    const frmSMS page(frmSMS::Parts{.tableChoice = false});
    EXPECT_TRUE(has(page, kTableChoice).isEmpty());
    EXPECT_EQ(forms::ToTwips(page.Frame1->y()), 0);

    const frmSMS_1 quick(frmSMS_1::Parts{.readingNotice = false});
    EXPECT_TRUE(has(quick, kReadingNotice).isEmpty());

    frmSonEkran screen(frmSonEkran::Parts{.statusFrame = false});
    EXPECT_TRUE(has(screen, kStatusFrame).isEmpty());
    screen.Form_Load();
    const auto list = screen.beginListBuild();
    ASSERT_TRUE(list);
    EXPECT_EQ(screen.DataGrid1->recordset(), list);
    EXPECT_TRUE(screen.cmdLstCikart->isEnabled());
    screen.endListBuild();
    EXPECT_EQ(screen.DataGrid1->recordset(), list);
}

} // namespace
