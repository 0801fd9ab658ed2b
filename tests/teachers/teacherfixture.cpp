#include "teacherfixture.h"

#include "core/client/settled.h"

namespace quorvale::testing {

ProbeAPI::ProbeAPI(const QUrl &origin)
    : QuorvaleAPI(origin, TransportSettings{},
                  [this] { return m_frozen ? *m_frozen : QDateTime::currentDateTimeUtc(); })
{}

QCoro::Task<QJsonObject> ProbeAPI::request(QString path, QString method, std::optional<QByteArray> body)
{
    const bool watched = path.contains(m_fragment);
    if (watched)
        m_most = std::max(m_most, ++m_out);
    Settled<QJsonObject> answer = co_await settled(QuorvaleAPI::request(path, method, body));
    if (watched)
        --m_out;
    if (answer.error)
        std::rethrow_exception(answer.error);
    co_return std::move(*answer.value);
}

TeacherFixture::TeacherFixture()
{
    api = std::make_unique<ProbeAPI>(platform.origin());
}

namespace teacherschool {

demo::SchoolData school(qint64 extraStudents)
{
    demo::SchoolData data = smallschool::school();
    data.tasks = {smallschool::term(21, true, {smallschool::grade7, smallschool::grade10})};
    for (qint64 i = 0; i < extraStudents; ++i)
        data.students.append({2001 + i,
                              QStringLiteral("学生%1").arg(i + 1),
                              QStringLiteral("Student %1").arg(i + 1),
                              {smallschool::grade7}});
    return data;
}

Teacher wang()
{
    return {teacher, QStringLiteral("王老师"), QStringLiteral("Ms Wang")};
}

QJsonObject rosterRow(qint64 studentId,
                      const QList<std::tuple<qint64, std::optional<qint64>, qint64>> &classes)
{
    QJsonArray infos;
    for (const auto &[id, grade, classType] : classes) {
        QJsonObject info{{"id", id}, {"classType", classType}};
        if (grade)
            info.insert("grade", *grade);
        infos.append(info);
    }
    return {{"studentId", studentId}, {"classInfos", infos}};
}

} // namespace teacherschool

} // namespace quorvale::testing
