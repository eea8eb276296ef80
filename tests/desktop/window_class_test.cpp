#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

QString OutputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

}  // namespace

// Docks tie a window to its launcher by the window's class.
TEST(WindowClass, IsTheOneTheDesktopEntryNames) {
    QFile entry(TARVELO_DESKTOP_ENTRY);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch named =
        QRegularExpression("^StartupWMClass=(.*)$", QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(entry.readAll()));
    ASSERT_TRUE(named.hasMatch());

    QProcess program;
    program.start(TARVELO_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted());
    QString window;
    QTest::qWaitFor(
        [&] {
            window = OutputOf("xdotool", {"search", "--pid", QString::number(program.processId())})
                         .section('\n', 0, 0);
            return !window.isEmpty();
        },
        10000);
    const QString classes = OutputOf("xprop", {"-id", window, "WM_CLASS"});
    program.kill();
    program.waitForFinished();
    ASSERT_FALSE(window.isEmpty()) << "the program shows a window";
    EXPECT_TRUE(classes.trimmed().endsWith(", \"" + named.captured(1) + '"'))
        << classes.toStdString();
}
