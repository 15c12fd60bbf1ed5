// Every window of the add-in with the border and title-bar buttons it is
// made with, as the window manager is told them: a window whose size is
// fixed or held offers no maximise button, and is not sized by the user.
#include "platform/forms/form.h"
#include "tests/support/window_borders.h"
#include "tests/windows/every_window.h"

#include <QWindow>
#include <gtest/gtest.h>

namespace {

class Borders : public OpenedWindow {};

TEST_P(Borders, TheWindowManagerIsToldTheBorderAndButtons) {
    const borders::Border* wanted = borders::Of(QLatin1String(GetParam().name));
    ASSERT_NE(wanted, nullptr) << "a window without its border in borders::kBorders";
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
