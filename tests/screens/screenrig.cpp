#include "tests/screens/screenrig.h"

#include "app/state/memorywebview.h"
#include "core/base/shanghai.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QSettings>

namespace quorvale::testing {

QCoro::Task<QList<Student>> CountingSearchAPI::search(QString query, qint64 schoolId, QDateTime date)
{
    queries.append(query);
    if (answer) {
        emit answered();
        co_return *answer;
    }
    co_return co_await QuorvaleAPI::search(query, schoolId, date);
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar character : text) {
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(widget, &event);
        }
    }
}

QDateTime ScreenRig::defaultMoment()
{
    return shanghai::at(QDate(2025, 3, 12), 10 * 60);
}

ScreenRig::ScreenRig(const QDateTime &moment)
    : m_now(std::make_shared<QDateTime>(moment))
{
    platform.setClock(clock());
    platform.listen();
    m_school = demo::serveSampleSchool(platform);
    api = new CountingSearchAPI(platform.origin(), TransportSettings{}, clock());
    auto settings =
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    client = new QuorvaleClient(api, store, new MemoryWebView, std::move(settings));
    model = std::make_unique<Model>(client, clock());
}

ScreenRig::~ScreenRig() = default;

std::function<QDateTime()> ScreenRig::clock() const
{
    return [now = m_now, running = m_running] {
        return running->isValid() ? now->addMSecs(running->elapsed()) : *now;
    };
}

void ScreenRig::signIn(bool remember)
{
    // A sign-in asked for while the client is busy is ignored, as the screens' own are.
    waitFor([this] { return !client->working(); });
    const demo::DemoAccount &account = school().account;
    awaitTask(client->login(account.name, account.password, QString(), remember));
}

bool ScreenRig::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace quorvale::testing
