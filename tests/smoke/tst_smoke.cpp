// The real application as a person meets it: QuorvaleDemo started as its own process against the demo
// platform at the build's origin, both in a network of their own where the kernel allows one, driven
// through the window system with xdotool (pointer and keyboard), and checked from the outside: the
// platform's request log, the windows that come and go, the process's life and exit status, and what
// it printed. Nothing waits for a fixed time: each step waits for what it can observe.

#include "app/look/glyphwidgets.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/searchbox.h"
#include "app/screens/weblogindialog.h"
#include "tests/screens/windowrig.h"
#include "tests/smoke/keyboardcharacters.h"
#include "tests/smoke/privatenetwork.h"
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
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <xcb/xcb.h>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

constexpr QSize windowSize(1200, 850);

const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString currentUserPath = QStringLiteral("/api/MemberShip/GetCurrentUser");
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
QString xdotool(const QStringList &arguments, int timeoutMs = 60000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ScreenRig::waitFor([&tool] { return tool.state() == QProcess::NotRunning; }, timeoutMs);
    if (tool.state() != QProcess::NotRunning)
        tool.kill();
    tool.waitForFinished(1000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The sizes of the icons a window gives the window manager, read from the display.
QList<QSize> windowIconSizes(const QString &window)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const QByteArray name("_NET_WM_ICON");
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr);
    QList<QSize> sizes;
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_property_reply_t *property =
            xcb_get_property_reply(connection,
                                   xcb_get_property(connection, 0, window.toUInt(), atom->atom,
                                                    XCB_ATOM_CARDINAL, 0, UINT32_MAX / 4),
                                   nullptr);
        if (property) {
            const auto *values = static_cast<const quint32 *>(xcb_get_property_value(property));
            const qsizetype count = xcb_get_property_value_length(property) / 4;
            // Each icon is its width and height followed by its pixels.
            for (qsizetype at = 0; at + 2 <= count; at += 2 + qsizetype(values[at]) * values[at + 1])
                sizes.append(QSize(int(values[at]), int(values[at + 1])));
            free(property);
        }
    }
    free(atom);
    xcb_disconnect(connection);
    return sizes;
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

public:
    // Why the test has no network of its own; empty when it has one.
    explicit SmokeTest(QString sharedNetwork)
        : m_sharedNetwork(std::move(sharedNetwork))
    {}

private slots:
    void personSignsInSearchesChoosesAndQuits();

private:
    QString m_sharedNetwork;
};

void SmokeTest::personSignsInSearchesChoosesAndQuits()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QFAIL("cannot run: xdotool is not installed (scripts/setup installs it)");
    const QUrl origin(QStringLiteral(QUORVALE_PLATFORM_ORIGIN));
    demo::DemoPlatform platform;
    if (!platform.listen(quint16(origin.port()))) {
        const QString reason =
            m_sharedNetwork.isEmpty()
                ? QStringLiteral("cannot run: the platform cannot listen at %1 even in a network of its own")
                      .arg(origin.toString())
                : QStringLiteral("cannot run: another program holds %1, and this machine gives the test no "
                                 "network of its own (%2)")
                      .arg(origin.toString(), m_sharedNetwork);
        QFAIL(qPrintable(reason));
    }
    const auto school = demo::serveSampleSchool(platform);
    const demo::DemoAccount account = school->data().account;
    const QString name = school->data().students.first().name;
    const Layout layout = Layout::measure();
    // Before the application starts, so that it reads the keyboard map with these keys on it.
    const KeyboardCharacters keys(account.name + account.password + name);
    QVERIFY2(keys.complete(), "cannot run: the display's keyboard map has no spare keys for the name");

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
                                    QStringLiteral("--name"), QStringLiteral("^课径$")},
                                   120000)
                               .section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(!window.isEmpty(), "the window never appeared");
    QVERIFY2(ScreenRig::waitFor([&window] { return !windowIconSizes(window).isEmpty(); }, 20000),
             "the window shows no icon");
    QCOMPARE(windowIconSizes(window), (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(64, 64)}));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    const auto clickAt = [&window](QPoint point) {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(point.x()),
                 QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
    };
    const auto type = [](const QString &text) {
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    };
    const auto key = [](const QString &keys) { xdotool({QStringLiteral("key"), keys}); };
    const auto sheet = [] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                        QStringLiteral("^澜序登录$")})
            .section(QLatin1Char('\n'), 0, 0);
    };
    // Each step is repeated until its effect shows, for a person on a slow machine does the same; a
    // step's effect is what the platform is asked or a window coming or going.
    const auto untilSeen = [](const std::function<void()> &step, const std::function<bool()> &effect) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            step();
            if (ScreenRig::waitFor(effect, 20000))
                return true;
        }
        return false;
    };

    // The sign-in screen is up once the platform was asked for its captcha; its website button works
    // once the answer was taken in.
    QVERIFY2(ScreenRig::waitFor([&] { return !platform.requests().isEmpty(); }, 120000),
             "the application asked the platform for nothing");
    QVERIFY2(untilSeen([&] { clickAt(layout.websiteButton.center()); }, [&] { return !sheet().isEmpty(); }),
             "the web sign-in sheet never appeared");
    QVERIFY2(ScreenRig::waitFor([&] { return asked(platform, webPagePath); }, 120000),
             "the web page was not asked for");
    QVERIFY(app.state() == QProcess::Running);
    QVERIFY2(untilSeen(
                 [&] {
                     const QString shown = sheet();
                     if (shown.isEmpty())
                         return;
                     xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), shown,
                              QString::number(layout.backButton.center().x()),
                              QString::number(layout.backButton.center().y()), QStringLiteral("click"),
                              QStringLiteral("1")});
                 },
                 [&] { return sheet().isEmpty(); }),
             "the sheet did not close");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});

    // Into the account field 3 pixels below its top edge, then the keyboard.
    clickAt({layout.accountField.left() + 20, layout.accountField.top() + 3});
    type(account.name);
    key(QStringLiteral("Return"));
    type(account.password);
    key(QStringLiteral("Return"));
    QVERIFY2(ScreenRig::waitFor([&] { return asked(platform, loginPath); }, 120000),
             "no sign-in reached the platform");
    // The query screen comes once the signed-in user was read.
    const auto userRead = [&platform] {
        const QList<demo::HttpRequest> log = platform.requests();
        const auto login = std::find_if(log.cbegin(), log.cend(), [](const demo::HttpRequest &request) {
            return request.path == loginPath;
        });
        return std::any_of(login, log.cend(),
                           [](const demo::HttpRequest &request) { return request.path == currentUserPath; });
    };
    QVERIFY2(ScreenRig::waitFor(userRead, 120000), "the signed-in user was never read");

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
    // Until the query screen is in, the field is not where the pointer goes: clear it and type again.
    QVERIFY2(untilSeen(
                 [&] {
                     clickAt({layout.searchField.left() + 40, layout.searchField.bottom() - 3});
                     key(QStringLiteral("ctrl+a"));
                     key(QStringLiteral("BackSpace"));
                     type(name);
                 },
                 [&] { return searchedFor(name); }),
             "no search for the typed name reached the platform");

    const qsizetype beforeLookup = platform.requests().size();
    const auto lookedUp = [&platform, beforeLookup] {
        const QList<demo::HttpRequest> log = platform.requests();
        for (qsizetype index = beforeLookup; index < log.size(); ++index) {
            if (log.at(index).path != searchPath && log.at(index).path.startsWith(QLatin1String("/api/")))
                return true;
        }
        return false;
    };
    // The suggestion can be chosen once the answer is on screen.
    QVERIFY2(untilSeen(
                 [&] {
                     key(QStringLiteral("Down"));
                     key(QStringLiteral("Return"));
                 },
                 lookedUp),
             "choosing the suggestion looked nothing up");
    QCOMPARE(app.state(), QProcess::Running);

    key(QStringLiteral("ctrl+q"));
    QVERIFY2(ScreenRig::waitFor([&] { return app.state() == QProcess::NotRunning; }, 120000),
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

int main(int argc, char **argv)
{
    // Before QApplication starts any thread: the platform then listens at the build's origin in a
    // network of the test's own, whoever holds that port on the machine.
    const QString sharedNetwork = enterPrivateNetwork();
    QApplication app(argc, argv);
    SmokeTest test(sharedNetwork);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smoke.moc"
