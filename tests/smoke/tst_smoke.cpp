// The real application as a person meets it: QuorvaleDemo started as its own process against the demo
// platform at the build's origin, driven through the window system with xdotool (pointer and
// keyboard), and checked from the outside: the platform's request log, the process's life and exit
// status, and what it printed.

#include "app/look/glyphwidgets.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/searchbox.h"
#include "app/screens/weblogindialog.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

constexpr QSize windowSize(1200, 850);

const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString searchPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
const QString webPagePath = QStringLiteral("/newsis/login");

// Messages about the test machine, not about the application: no runtime folder, an X server
// without input focus or extensions, and the browser engine's notes on its sandbox and graphics.
const QList<QRegularExpression> machineNotes{
    QRegularExpression(QStringLiteral("^QStandardPaths: XDG_RUNTIME_DIR")),
    QRegularExpression(QStringLiteral("^XGetInputFocus returned the focused window")),
    QRegularExpression(QStringLiteral("^Sandboxing disabled by user")),
    QRegularExpression(QStringLiteral("^\\[[0-9:/.]+:(ERROR|WARNING|INFO):")),
    QRegularExpression(QStringLiteral("^(libEGL|MESA|glx|Fontconfig)")),
    QRegularExpression(QStringLiteral("^qt\\.(qpa|webenginecontext|glx)")),
    // The browser engine's report of its graphics set-up.
    QRegularExpression(QStringLiteral("^\\s*\\* ")),
    QRegularExpression(
        QStringLiteral("^\\s*(GL Type|Surface Type|Surface Profile|Surface Version|Using Multithreaded "
                       "OpenGL|QSG RHI Backend|Using Supported QSG Backend|Using Software Dynamic "
                       "GL|Using Angle|Init Parameters|GLImplementation|Compositing):( |$)")),
    QRegularExpression(QStringLiteral("^\\s*$")),
};

// Runs one xdotool command to its end, the event loop turning meanwhile so the platform answers.
QString xdotool(const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ScreenRig::waitFor([&tool] { return tool.state() == QProcess::NotRunning; }, timeoutMs);
    if (tool.state() != QProcess::NotRunning)
        tool.kill();
    tool.waitForFinished(1000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// Whether the request log has a request to the path from the index on.
bool asked(const demo::DemoPlatform &platform, const QString &path, qsizetype from = 0)
{
    const QList<demo::HttpRequest> log = platform.requests();
    for (qsizetype index = from; index < log.size(); ++index) {
        if (log.at(index).path == path)
            return true;
    }
    return false;
}

// Where the widgets of the two screens lie in a window of the application's size: the same screens
// laid out here, in this process, with the same fonts and style.
struct Layout
{
    QRect accountField;
    QRect websiteButton;
    QRect searchField;
    // In the web sign-in sheet's own window.
    QRect backButton;

    static Layout measure()
    {
        Layout layout;
        // The application's window holds its menu bar above the screens.
        QMainWindow frame;
        frame.menuBar()->addMenu(QStringLiteral("课径"));
        auto *central = new QWidget;
        frame.setCentralWidget(central);
        frame.setAttribute(Qt::WA_DontShowOnScreen);
        frame.resize(windowSize);
        frame.show();
        settle();
        const QPoint offset = central->geometry().topLeft();
        const QSize contentSize = central->size();

        ScreenRig rig;
        // As the application meets a machine without a keyring: the sign-in screen tells that the
        // saved account cannot be read.
        rig.store->failLoad = true;
        awaitTask(rig.client->start());
        LoginView login(rig.client);
        login.setAttribute(Qt::WA_DontShowOnScreen);
        login.resize(contentSize);
        login.show();
        settle();
        layout.accountField = inWindow(login.accountField()->parentWidget()).translated(offset);
        layout.websiteButton = inWindow(login.websiteButton()).translated(offset);
        WebLoginDialog sheet(rig.client, &login);
        sheet.setAttribute(Qt::WA_DontShowOnScreen);
        sheet.show();
        settle();
        layout.backButton = inWindow(sheet.backButton());
        sheet.hide();
        rig.signIn();
        QueryView query(rig.model.get(), rig.clock());
        query.setAttribute(Qt::WA_DontShowOnScreen);
        query.resize(contentSize);
        query.show();
        settle();
        layout.searchField = inWindow(query.searchBox()).translated(offset);
        return layout;
    }
};

} // namespace

class SmokeTest : public QObject
{
    Q_OBJECT

private slots:
    void personSignsInSearchesChoosesAndQuits();
};

void SmokeTest::personSignsInSearchesChoosesAndQuits()
{
    const QUrl origin(QStringLiteral(QUORVALE_PLATFORM_ORIGIN));
    demo::DemoPlatform platform;
    // Another run may hold the port for a moment.
    QVERIFY(ScreenRig::waitFor([&] { return platform.listen(quint16(origin.port())); }, 60000));
    const auto school = demo::serveSampleSchool(platform);
    const demo::DemoAccount account = school->data().account;
    const QString name = school->data().students.first().name;
    const Layout layout = Layout::measure();

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *folder : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(folder), home.filePath(QString::fromLatin1(folder)));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // No desktop services: the saved sign-in cannot be kept, which the application tells and goes on;
    // a keyring on the machine would otherwise ask for a password in a window of its own.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + home.filePath(QStringLiteral("no-bus")));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(QUORVALE_DEMO_PROGRAM), QStringList());
    QVERIFY(app.waitForStarted());
    // A failed check leaves no application behind.
    const auto stop = qScopeGuard([&app] {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(5000);
        }
    });

    const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                    QStringLiteral("--name"), QStringLiteral("^课径$")})
                               .section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(!window.isEmpty(), "the window never appeared");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    const auto clickAt = [&window](QPoint point) {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(point.x()),
                 QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
    };
    const auto type = [](const QString &text) {
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    };
    const auto key = [](const QString &keys) { xdotool({QStringLiteral("key"), keys}); };
    // The sign-in form is ready once the platform was asked for its captcha.
    QVERIFY(ScreenRig::waitFor([&] { return !platform.requests().isEmpty(); }));
    QTest::qWait(1500);

    // The web sign-in sheet opens over the sign-in screen and closes again.
    clickAt(layout.websiteButton.center());
    QVERIFY2(ScreenRig::waitFor([&] { return asked(platform, webPagePath); }, 60000),
             "the web page was not asked for");
    QTest::qWait(1000);
    QVERIFY(app.state() == QProcess::Running);
    const QString sheet = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                   QStringLiteral("--name"), QStringLiteral("^澜序登录$")})
                              .section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(!sheet.isEmpty(), "the web sign-in sheet never appeared");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), sheet,
             QString::number(layout.backButton.center().x()), QString::number(layout.backButton.center().y()),
             QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY2(ScreenRig::waitFor([&] {
                 return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), QStringLiteral("^澜序登录$")})
                     .isEmpty();
             }),
             "the sheet did not close");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});

    // Into the account field 3 pixels below its top edge, then the keyboard.
    clickAt({layout.accountField.left() + 20, layout.accountField.top() + 3});
    type(account.name);
    key(QStringLiteral("Return"));
    type(account.password);
    key(QStringLiteral("Return"));
    QVERIFY2(ScreenRig::waitFor([&] { return asked(platform, loginPath); }),
             "no sign-in reached the platform");
    QTest::qWait(2000);

    const qsizetype beforeSearch = platform.requests().size();
    // The whole name, as typed, reaches the platform's search.
    const auto searchedFor = [&platform, beforeSearch](const QString &text) {
        const QList<demo::HttpRequest> log = platform.requests();
        for (qsizetype index = beforeSearch; index < log.size(); ++index) {
            const demo::HttpRequest &request = log.at(index);
            if (request.path == searchPath && (request.query.values().contains(text) ||
                                               QUrl::fromPercentEncoding(request.body).contains(text)))
                return true;
        }
        return false;
    };
    // A slow build may still be bringing in the query screen: a person who sees nothing happen
    // clears the field and types again.
    bool searched = false;
    for (int attempt = 0; attempt < 4 && !searched; ++attempt) {
        clickAt({layout.searchField.left() + 40, layout.searchField.bottom() - 3});
        key(QStringLiteral("ctrl+a"));
        key(QStringLiteral("BackSpace"));
        type(name);
        searched = ScreenRig::waitFor([&] { return searchedFor(name); }, 10000);
    }
    QVERIFY2(searched, "no search for the typed name reached the platform");
    QTest::qWait(1000);

    const qsizetype beforeLookup = platform.requests().size();
    const auto lookedUp = [&platform, beforeLookup] {
        const QList<demo::HttpRequest> log = platform.requests();
        for (qsizetype index = beforeLookup; index < log.size(); ++index) {
            if (log.at(index).path != searchPath && log.at(index).path.startsWith(QLatin1String("/api/")))
                return true;
        }
        return false;
    };
    // The suggestion is chosen once it is on screen; a slow build may show it late.
    bool chosen = false;
    for (int attempt = 0; attempt < 3 && !chosen; ++attempt) {
        key(QStringLiteral("Down"));
        key(QStringLiteral("Return"));
        chosen = ScreenRig::waitFor(lookedUp, 10000);
    }
    QVERIFY2(chosen, "choosing the suggestion looked nothing up");
    QTest::qWait(1500);
    QCOMPARE(app.state(), QProcess::Running);

    key(QStringLiteral("ctrl+q"));
    QVERIFY2(ScreenRig::waitFor([&] { return app.state() == QProcess::NotRunning; }, 20000),
             "Ctrl+Q did not quit");
    const QString printed = QString::fromUtf8(app.readAllStandardError());
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QVERIFY2(app.exitCode() == 0, qPrintable(printed.right(4000)));

    QStringList unexplained;
    for (const QString &line : printed.split(QLatin1Char('\n'))) {
        const bool machine =
            std::any_of(machineNotes.cbegin(), machineNotes.cend(),
                        [&line](const QRegularExpression &note) { return note.match(line).hasMatch(); });
        if (!machine)
            unexplained.append(line);
    }
    QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(QLatin1Char('\n'))));
}

QTEST_MAIN(SmokeTest)

#include "tst_smoke.moc"
