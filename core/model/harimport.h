#pragma once

#include "core/model/student.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

namespace quorvale {

// The students of the platform's student-list page, read out of an HTTP Archive capture of a visit
// to the platform: the middle- and high-school students sorted by name, the largest total the
// platform reported and the time of the capture. A pure function of the file's bytes.
struct HARImport
{
    // Sections 2 and 3 only; sorted by name, equal names by id.
    QList<Student> students;
    // The largest "totalCount" among the responses read; 0 when none gave one.
    qint64 reportedTotal = 0;
    // The "startedDateTime" of the last response read that has one, unchanged; "未知" otherwise.
    QString capturedAt;

    // Throws DecodingError when the file or a student-list body is not JSON, DemoError when the file
    // is not a capture or holds no student.
    static HARImport parse(const QByteArray &data);
    // The students of one response's "list", in list order; unusable items give none.
    static QList<Student> parseStudents(const QJsonArray &list);
};

} // namespace quorvale
