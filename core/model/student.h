#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace quorvale {

// A student as the platform lists one. Sample students carry negative ids.
struct Student
{
    qint64 id = 0;
    QString name;
    QString englishName;
    qint64 classId = 0;
    QString className;
    qint64 schoolId = 0;
    // 2 middle school, 3 high school, 0 not determined; anything else is unsupported.
    qint64 studySection = 0;

    // The bell-schedule key of the student's section: "middle", "high", or none.
    std::optional<QString> section() const;
    // The section label the screens show.
    QString sectionName() const;
    // Whether a search text (trimmed) occurs in the name or the English name, ignoring case.
    bool matches(const QString &query) const;

    static Student fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Student &) const = default;
};

size_t qHash(const Student &student, size_t seed = 0);

} // namespace quorvale
