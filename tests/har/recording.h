#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// What the recorder asks the demo platform for, shared with the test that reads the recording back:
// the sample school of a fixed day, the first page of its student list and its last page.
namespace quorvale::recording {

inline QDateTime startedAt()
{
    return QDateTime(QDate(2025, 3, 12), QTime(1, 30), Qt::UTC);
}

inline constexpr qint64 pageSize = 8;

// The page that holds the last of `total` students.
inline qint64 lastPage(qint64 total)
{
    return (total + pageSize - 1) / pageSize;
}

} // namespace quorvale::recording
