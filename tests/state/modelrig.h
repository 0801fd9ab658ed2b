#pragma once

#include "app/state/memorywebview.h"
#include "app/state/model.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tests/support/launch.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCoroSignal>
#include <QTemporaryDir>
#include <QTest>

namespace quorvale::testing {

// A platform client whose requests can be held back by a fragment of their path, so a test decides
// which of two overlapping flows lands first.
class ModelAPI : public QuorvaleAPI
{
public:
    using QuorvaleAPI::QuorvaleAPI;

    void hold(const QString &fragment) { m_gates.insert(fragment, std::make_shared<Gate>()); }
    void release(const QString &fragment) { m_gates.take(fragment)->open(); }
    int held() const { return m_held; }
    // Requests sent and not answered yet, held ones included.
    int inFlight() const { return m_inFlight; }

    QCoro::Task<QJsonObject> request(QString path, QString method, std::optional<QByteArray> body) override
    {
        ++m_inFlight;
        for (auto it = m_gates.cbegin(); it != m_gates.cend(); ++it) {
            if (!path.contains(it.key()))
                continue;
            const std::shared_ptr<Gate> gate = it.value();
            ++m_held;
            co_await qCoro(gate.get(), &Gate::opened);
            --m_held;
            break;
        }
        Settled<QJsonObject> answer = co_await settled(QuorvaleAPI::request(path, method, body));
        --m_inFlight;
        if (answer.error)
            std::rethrow_exception(answer.error);
        co_return std::move(*answer.value);
    }

private:
    QHash<QString, std::shared_ptr<Gate>> m_gates;
    int m_held = 0;
    int m_inFlight = 0;
};

// A model over the simulated platform serving a school, signed in with the account kept for automatic
// re-sign-in, at a clock the test sets.
struct ModelRig
{
    ModelRig(demo::SchoolData data, QDateTime start)
        : now(start)
    {
        account = data.account;
        demo::serveSchool(fixture.platform, std::move(data));
        api = new ModelAPI(fixture.platform.origin(), TransportSettings{}, {});
        auto settings = std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                    QSettings::IniFormat);
        auto *client = new QuorvaleClient(api, fixture.store, new MemoryWebView, std::move(settings));
        model = std::make_unique<Model>(client, [this] { return now; });
        awaitTask(client->login(account.name, account.password, QString(), true));
        fixture.platform.clearLog();
    }

    void search(const QString &query, bool autoSelect = false)
    {
        model->setQuery(query);
        model->queryEdited();
        awaitTask(model->searchLive(autoSelect, true));
    }

    // Waits until the load that has begun, or whose start is posted, has ended.
    bool loaded() const
    {
        return QTest::qWaitFor(
            [this] { return !model->loadingSchedule() && model->scheduleStatus() != Model::readingStatus; });
    }

    qsizetype requests() const { return fixture.platform.requests().size(); }

    QTemporaryDir folder;
    SessionFixture fixture;
    demo::DemoAccount account;
    QDateTime now;
    ModelAPI *api;
    std::unique_ptr<Model> model;
};

} // namespace quorvale::testing
