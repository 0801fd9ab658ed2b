#pragma once

#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/teacher.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <type_traits>

// Real-shaped platform bodies: Monday 2025-03-03 holds B1, a B3 package (one entry on week code 2), B5,
// ASA and evening study; Tuesday B2 and a week-code-1 B4. Edits break them one member at a time.
namespace quorvale::fixtures {

inline constexpr qint64 kStudentId = 1001;
inline constexpr qint64 kTeacherId = 501;

// A Shanghai wall-clock moment ("2025-03-03", "10:00").
QDateTime at(const QString &day, const QString &clock = QStringLiteral("10:00"));
CourseTaskOption task();
Student student(qint64 studySection = 3);
Teacher teacher();

struct Bodies
{
    QJsonValue detail;
    QJsonValue master;
    QJsonValue tables;

    // "tables:list/0/objectId=7;!detail:id" sets (an index equal to the length appends), then removes.
    Bodies &apply(const QString &edits);
    QByteArray detailData() const { return json::serialize(detail); }
    QByteArray masterData() const { return json::serialize(master); }
    QByteArray tablesData() const { return json::serialize(tables); }
};

Bodies studentBodies();
Bodies teacherBodies();

// -1 stands for no week code.
inline std::optional<qint64> weekCode(int code)
{
    return code < 0 ? std::nullopt : std::optional<qint64>(code);
}

// The call's own account of its answer, the refusal text, or "decoding error".
template <typename Call> QString outcomeOf(Call call)
{
    try {
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            return QString();
        } else {
            return call();
        }
    } catch (const DemoError &error) {
        return error.description();
    } catch (const DecodingError &) {
        return QStringLiteral("decoding error");
    }
}

} // namespace quorvale::fixtures
