#include "app/state/model.h"
#include "core/base/namesort.h"
#include "core/base/shanghai.h"
#include "core/client/settled.h"

#include <QPointer>

namespace quorvale {

QCoro::Task<> Model::searchLive(bool autoSelect, bool preserveSelection)
{
    if (m_queryKind == QueryKind::Teacher) {
        const std::optional<qint64> none;
        co_await searchTeachers(none, none, autoSelect, preserveSelection);
        co_return;
    }
    const QString trimmed = m_query.trimmed();
    if (!m_client->authenticated() || trimmed.isEmpty())
        co_return;
    const std::optional<qint64> schoolId = searchSchool();
    if (!schoolId)
        co_return;

    const QDateTime start = m_date;
    const QUuid token = beginSearch();
    setStudents({});
    setDidSearch(true);
    setSuggestionStage(SuggestionStage::People);
    if (!preserveSelection) {
        m_scheduleRevision = QUuid::createUuid();
        setSelected(std::nullopt);
        setTable(std::nullopt);
        setWeek(std::nullopt);
        setLoadingSchedule(false);
        setTaskChoices({});
        setChosenTaskID(std::nullopt);
        m_loadedTaskID.reset();
    }

    const QPointer<Model> self(this);
    Settled<QList<Student>> found = co_await settled(m_client->search(trimmed, *schoolId, start));
    if (!self)
        co_return;
    if (found.value) {
        const bool current =
            m_searchRevision == token && m_client->authenticated() && m_queryKind == QueryKind::Student &&
            shanghai::dateOf(m_date) == shanghai::dateOf(start) && m_query.trimmed() == trimmed;
        if (current) {
            setStudents(sortedByName(std::move(*found.value)));
            raiseSuggestionPulse();
            if (autoSelect && m_students.size() == 1) {
                const Student only = m_students.first();
                select(only);
            }
        }
    }
    endSearch(token, found.error);
}

} // namespace quorvale
