// Every window of the add-in with the border and title-bar buttons it is
// made with, as the window manager is told them: a window whose size is
// fixed or held offers no maximise button, and is not sized by the user.
#include "platform/forms/form.h"
#include "tests/windows/every_window.h"

#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct Border {
    const char* name;
    int style;
    bool minimise, maximise, close;
    bool held;  // its size: fixed or held, else only a minimum
    const char* caption;
};

// The same for both editions: the second edition's windows stand in for the
// first's with their borders.
const Border kBorders[] = {
    {"frmGiris", forms::vbSizable, false, false, true, true, "Quillmere - Kullanıcı girişi"},
    {"frmBekle", forms::vbFixedDialog, false, false, true, true, ""},
    {"frmSihirbaz", forms::vbSizable, true, false, true, true, "Quillmere - İşlem sihirbazı"},
    {"frmSMS_1", forms::vbSizable, true, false, true, true, "Quillmere - SMS Gönderimi"},
    {"frmSMS", forms::vbSizable, true, true, true, false, "Quillmere - SMS Gönderimi"},
    {"frmPop", forms::vbSizable, true, true, true, false, "popup"},
    {"frmSonEkran", forms::vbSizable, true, true, true, false, "Quillmere - SMS gönderim onayı"},
    {"frmRapor", forms::vbSizable, true, false, true, true, "Quillmere - Rapor görüntüleme"},
    {"frmAyarlar", forms::vbSizable, false, false, true, true, "Quillmere - Ayarlar"},
    {"frmHakkinda", forms::vbFixedDialog, false, false, true, true, ""},
    {"frmDestek", forms::vbBSNone, false, false, false, true, ""},
};

class Borders : public OpenedWindow {};

TEST_P(Borders, TheWindowManagerIsToldTheBorderAndButtons) {
    const Border* wanted = nullptr;
    for (const Border& b : kBorders)
        if (QLatin1String(b.name) == QLatin1String(GetParam().name))
            wanted = &b;
    ASSERT_NE(wanted, nullptr) << "a window without its border in kBorders";
    forms::Form& form = openWindow();
    ASSERT_TRUE(form.isLoaded());
    EXPECT_EQ(form.Caption(), QString::fromUtf8(wanted->caption));
    ASSERT_NE(form.windowHandle(), nullptr);
    EXPECT_EQ(form.windowHandle()->title().trimmed(), QString::fromUtf8(wanted->caption))
        << "an empty caption is an empty title, not the program's name";
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(form.BorderStyle(), wanted->style);
    EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), wanted->minimise);
    EXPECT_EQ(flags.testFlag(Qt::WindowMaximizeButtonHint), wanted->maximise);
    EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), wanted->close);
    EXPECT_EQ(form.sizeHeld(), wanted->held);
    EXPECT_EQ(form.minimumSize() == form.maximumSize(), wanted->held);
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, Borders, ::testing::ValuesIn(kWindows), windowName);
INSTANTIATE_TEST_SUITE_P(SecondEdition, Borders, ::testing::ValuesIn(kSecondEditionWindows), windowName);

} // namespace
