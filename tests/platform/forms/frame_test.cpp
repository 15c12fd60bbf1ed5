// Windows framed by a real window manager: the build's frame-probe showing
// its windows on a display of the test's own (Xvfb with openbox).
#include "tests/support/x11session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Framed {
    QRect frame, client;
};

TEST(FramedByAWindowManager, OuterSizesAndPlacesAreThoseOfTheFrame) {
    const QString probe = QCoreApplication::applicationDirPath() + QStringLiteral("/frame-probe");
    if (!QFileInfo(probe).isExecutable())
        GTEST_SKIP() << "frame-probe was not built (no xcb headers)";
    x11::Session session;
    X11_SESSION_OR_SKIP(session);

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = session.environment(QProcessEnvironment::systemEnvironment());
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());

    QProcess run;
    run.setProcessEnvironment(env);
    run.start(probe, {});
    ASSERT_TRUE(run.waitForFinished(30000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();

    QMap<QString, Framed> windows;
    QRect area;
    for (const QByteArray& line : run.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 5 && f[0] == "area")
            area = QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
        else if (f.size() == 9)
            windows[QString::fromLatin1(f[0])] = {QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt()),
                                                  QRect(f[5].toInt(), f[6].toInt(), f[7].toInt(), f[8].toInt())};
    }
    ASSERT_TRUE(area.isValid());
    ASSERT_EQ(windows.size(), 3);

    const Framed flush = windows.value(QStringLiteral("frmFlush"));
    EXPECT_EQ(flush.frame.width(), 4755 / 15);
    EXPECT_EQ(flush.frame.height(), 2670 / 15);
    EXPECT_LT(flush.client.height(), flush.frame.height()) << "the title bar is part of the held height";
    EXPECT_EQ(flush.frame.right(), area.right()) << "flush with the edge, not past it";
    EXPECT_GE(flush.frame.top(), area.top());

    const Framed pinned = windows.value(QStringLiteral("frmPinned"));
    EXPECT_EQ(pinned.frame.width(), 6720 / 15);
    EXPECT_EQ(pinned.frame.height(), 3555 / 15);

    const Framed above = windows.value(QStringLiteral("frmAbove"));
    EXPECT_EQ(above.frame.left(), 3000 / 15);
    EXPECT_EQ(above.frame.top(), area.top()) << "its title bar within reach";
    EXPECT_EQ(above.client.width(), 300) << "a size no rule holds stays that of the client";
    EXPECT_EQ(above.client.height(), 200);
}

} // namespace
