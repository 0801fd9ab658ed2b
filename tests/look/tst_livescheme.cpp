// The desktop's settings changed while the program runs, as a desktop's portal sends them: a stand-in
// portal on the private session bus of scripts/with-keyring, followed through the same calls main()
// makes.
#include "app/look/colourscheme.h"
#include "app/look/reducemotion.h"
#include "app/screens/datecontrols.h"
#include "app/screens/momenteditor.h"
#include "app/screens/popuplook.h"
#include "app/shell/settingswindow.h"
#include "app/week/dayarea.h"
#include "app/week/daycolumn.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "core/base/shanghai.h"
#include "core/model/week.h"
#include "tests/support/settingsbench.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>

using namespace quorvale;
using namespace Qt::StringLiterals;

namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");

// The portal, run as a program of its own so that nothing in the test process prepares the bus for
// the application's code.
class StandInPortal
{
public:
    bool start(uint scheme)
    {
        m_process.start(QStringLiteral(QUORVALE_PORTAL_STANDIN), {QString::number(scheme)});
        return answered("ready");
    }

    bool send(const QString &settingNamespace, const QString &key, const QString &value)
    {
        m_process.write(QStringLiteral("%1 %2 %3\n").arg(settingNamespace, key, value).toUtf8());
        return answered("sent");
    }

    ~StandInPortal()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

private:
    bool answered(const QByteArray &word)
    {
        while (m_process.canReadLine() || m_process.waitForReadyRead(10000)) {
            if (m_process.readLine().trimmed() == word)
                return true;
        }
        return false;
    }

    QProcess m_process;
};

bool darkPixel(QWidget &widget, QPoint point)
{
    return qGray(widget.grab().toImage().pixel(point)) < 128;
}

} // namespace

class TestLiveScheme : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void repaintsShownWindowsInTheNewScheme_data();
    void repaintsShownWindowsInTheNewScheme();
    void openCalendarTakesTheNewScheme_data();
    void openCalendarTakesTheNewScheme();
    void followsTheMotionSettingForTheNextAnimation_data();
    void followsTheMotionSettingForTheNextAnimation();
    void followsTheMotionSettingOfTheConfigFiles_data();
    void followsTheMotionSettingOfTheConfigFiles();

private:
    StandInPortal m_portal;
};

void TestLiveScheme::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(),
             "cannot run: no private session bus (scripts/with-keyring starts one)");
    QApplication::setStyle(QStringLiteral("Fusion"));
    QVERIFY2(m_portal.start(2), "the stand-in portal did not come up");
    motion::followDesktop();
    colourscheme::followDesktop();
}

void TestLiveScheme::repaintsShownWindowsInTheNewScheme_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light to dark") << true;
    QTest::newRow("dark to light") << false;
}

void TestLiveScheme::repaintsShownWindowsInTheNewScheme()
{
    QFETCH(bool, dark);
    QVERIFY(m_portal.send(appearance, u"color-scheme"_s, dark ? u"u 2"_s : u"u 1"_s));
    QTRY_COMPARE(QApplication::palette().color(QPalette::Window).lightness() < 128, !dark);
    const QDate monday(2025, 9, 1);
    const WeeklySchedule week{monday,
                              {{monday,
                                {{QStringLiteral("math"), monday, QStringLiteral("B1"),
                                  QStringLiteral("数学"), std::nullopt, std::nullopt, 480, 560}},
                                std::nullopt}}};
    WeekTimetableView view(week, shanghai::at(monday, 600), true);
    view.resize(900, 700);
    view.show();
    const WeekCourseBlock *card = view.dayArea()->columns().constFirst()->blocks().constFirst();
    const QPoint inCard = card->mapTo(&view, QPoint(card->width() - 8, card->height() - 6));
    const QPoint background(2, 2);

    testing::SettingsBench bench;
    SettingsWindow &dialog = bench.window;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // The account menu and the calendar as they stand open.
    QMenu menu;
    popuplook::styleMenu(&menu);
    menu.addAction(u"退出登录"_s);
    menu.show();
    QCalendarWidget calendar;
    popuplook::styleCalendar(&calendar);
    calendar.resize(300, 260);
    calendar.show();

    const QList<std::pair<QWidget *, QPoint>> probes{{&view, inCard},
                                                     {&view, background},
                                                     {&dialog, background},
                                                     {&menu, QPoint(menu.width() / 2, menu.height() - 4)},
                                                     {&calendar, QPoint(150, 250)}};
    const auto shownIn = [&probes](bool scheme) {
        return std::all_of(probes.cbegin(), probes.cend(), [scheme](const auto &probe) {
            return darkPixel(*probe.first, probe.second) == scheme;
        });
    };
    QVERIFY(shownIn(!dark));
    QVERIFY(m_portal.send(appearance, u"color-scheme"_s, dark ? u"u 1"_s : u"u 2"_s));
    QTRY_VERIFY_WITH_TIMEOUT(shownIn(dark), 5000);
}

void TestLiveScheme::openCalendarTakesTheNewScheme_data()
{
    repaintsShownWindowsInTheNewScheme_data();
}

void TestLiveScheme::openCalendarTakesTheNewScheme()
{
    QFETCH(bool, dark);
    QVERIFY(m_portal.send(appearance, u"color-scheme"_s, dark ? u"u 2"_s : u"u 1"_s));
    QTRY_COMPARE(QApplication::palette().color(QPalette::Window).lightness() < 128, !dark);
    // The date editor's calendar as it stands open in its pop-up, opened by a click on the arrow.
    DateControls controls;
    controls.show();
    QVERIFY(QTest::qWaitForWindowExposed(&controls));
    MomentEditor *editor = controls.editor();
    QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(editor->width() - 6, editor->height() / 2));
    QWidget *popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    const QPoint probe(popup->width() / 2, popup->height() - 4);
    QCOMPARE(darkPixel(*popup, probe), !dark);
    QVERIFY(m_portal.send(appearance, u"color-scheme"_s, dark ? u"u 1"_s : u"u 2"_s));
    QTRY_VERIFY_WITH_TIMEOUT(darkPixel(*popup, probe) == dark, 5000);
}

void TestLiveScheme::followsTheMotionSettingForTheNextAnimation_data()
{
    QTest::addColumn<QString>("settingNamespace");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("reducing");
    QTest::addColumn<QString>("moving");
    QTest::newRow("the cross-desktop setting") << appearance << u"reduced-motion"_s << u"u 1"_s << u"u 0"_s;
    QTest::newRow("GNOME's animations switch")
        << u"org.gnome.desktop.interface"_s << u"enable-animations"_s << u"b false"_s << u"b true"_s;
}

void TestLiveScheme::followsTheMotionSettingForTheNextAnimation()
{
    QFETCH(QString, settingNamespace);
    QFETCH(QString, key);
    QFETCH(QString, reducing);
    QFETCH(QString, moving);
    QVERIFY(!motion::reduced());
    QVERIFY(m_portal.send(settingNamespace, key, reducing));
    QTRY_VERIFY_WITH_TIMEOUT(motion::reduced(), 5000);
    QVERIFY(m_portal.send(settingNamespace, key, moving));
    QTRY_VERIFY_WITH_TIMEOUT(!motion::reduced(), 5000);
}

void TestLiveScheme::followsTheMotionSettingOfTheConfigFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("reducing");
    QTest::addColumn<QByteArray>("moving");
    QTest::addColumn<bool>("sameSecond");
    QTest::newRow("KDE") << u"kdeglobals"_s << "[KDE]\nAnimationDurationFactor=0\n"_ba
                         << "[KDE]\nAnimationDurationFactor=1\n"_ba << false;
    // A folder that did not exist when the program started.
    QTest::newRow("GTK 4") << u"gtk-4.0/settings.ini"_s << "[Settings]\ngtk-enable-animations=false\n"_ba
                           << "[Settings]\ngtk-enable-animations=true\n"_ba << false;
    // Switched back and forth within a second: each file the size and modification time of the last.
    QTest::newRow("KDE, within one second") << u"kdeglobals"_s << "[KDE]\nAnimationDurationFactor=0\n"_ba
                                            << "[KDE]\nAnimationDurationFactor=1\n"_ba << true;
}

void TestLiveScheme::followsTheMotionSettingOfTheConfigFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, reducing);
    QFETCH(QByteArray, moving);
    QFETCH(bool, sameSecond);
    const QString path =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + file;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    // As desktops write them: a new file renamed over the old one.
    const auto write = [&path, sameSecond](const QByteArray &content) {
        const QDateTime before = QFileInfo(path).lastModified();
        QFile next(path + u".new"_s);
        if (!next.open(QIODevice::WriteOnly | QIODevice::Truncate) || next.write(content) != content.size())
            return false;
        if (sameSecond && before.isValid() && !next.setFileTime(before, QFileDevice::FileModificationTime))
            return false;
        next.close();
        return std::rename(QFile::encodeName(next.fileName()), QFile::encodeName(path)) == 0;
    };
    QVERIFY(!motion::reduced());
    QVERIFY(write(reducing));
    QTRY_VERIFY_WITH_TIMEOUT(motion::reduced(), 5000);
    QVERIFY(write(moving));
    QTRY_VERIFY_WITH_TIMEOUT(!motion::reduced(), 5000);
}

QTEST_MAIN(TestLiveScheme)
#include "tst_livescheme.moc"
