#pragma once

#include "app/state/model.h"
#include "app/state/quorvaleclient.h"
#include "core/client/quorvaleapi.h"
#include "tests/session/memorycredentialstore.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/platformanswers.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

// The screens' test bench: the simulated platform serving the sample school, a model and its client
// over it, and one clock that the platform, the client and the screens share.
namespace quorvale::testing {

// A platform client that records the student searches it is asked for.
class CountingSearchAPI : public QuorvaleAPI
{
    Q_OBJECT

public:
    using QuorvaleAPI::QuorvaleAPI;

    QStringList queries;
    // When set, every search is answered with these students at once instead of the platform's.
    std::optional<QList<Student>> answer;

    QCoro::Task<QList<Student>> search(QString query, qint64 schoolId, QDateTime date) override;

signals:
    // A search was answered with the students set above.
    void answered();
};

// Text as a keyboard delivers it: one key event per character, carrying the character
// (QTest::keyClicks cannot send Chinese).
void typeText(QWidget *widget, const QString &text);

class ScreenRig
{
public:
    // A Wednesday morning of a school week, 10:00 in Shanghai.
    static QDateTime defaultMoment();

    explicit ScreenRig(const QDateTime &moment = defaultMoment());
    ~ScreenRig();

    // What every part of the bench takes as "now"; moving it moves them all.
    QDateTime now() const { return *m_now; }
    void setNow(const QDateTime &moment) { *m_now = moment; }
    // From here on "now" moves on with real time from the moment it is.
    void runClock() { m_running->start(); }
    std::function<QDateTime()> clock() const;

    // Signs in with the demo account through the client, as the sign-in screen would; remembered,
    // the account is saved for the client's own new sign-ins.
    void signIn(bool remember = false);
    const demo::SchoolData &school() const { return m_school->data(); }

    // Runs the event loop until the condition holds; false when it never did.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 15000);

    QTemporaryDir folder;
    demo::DemoPlatform platform;
    std::shared_ptr<MemoryCredentialStore> store = std::make_shared<MemoryCredentialStore>();
    CountingSearchAPI *api = nullptr;
    QuorvaleClient *client = nullptr;
    std::unique_ptr<Model> model;

private:
    std::shared_ptr<QDateTime> m_now;
    std::shared_ptr<QElapsedTimer> m_running = std::make_shared<QElapsedTimer>();
    std::shared_ptr<const demo::PlatformAnswers> m_school;
};

} // namespace quorvale::testing
