#pragma once

#include "core/model/student.h"

#include <QList>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvale {

// A student as a response lists them. Texts read straight from a capture stay in UTF-8 until the
// roster is made and are then made in the roster's order: a large roster then lies in memory in the
// order it is read and freed in, instead of scattered over it.
struct ListedStudent
{
    struct Texts
    {
        std::string name;
        std::string englishName;
        std::string className;
    };

    qint64 id = 0;
    qint64 classId = 0;
    qint64 schoolId = 0;
    qint64 studySection = 0;
    Texts utf8;
    // The whole student when QJsonDocument read it: its texts may hold what UTF-8 cannot.
    std::unique_ptr<Student> read;

    static ListedStudent of(Student student);

    QString name() const;
    // The student with its texts; students of one class share the text of its name.
    Student take(std::unordered_map<std::string, QString> &classNames);
};

// The roster a capture gives: of the students of its responses in the order they were listed, the
// last listing of each id; of those, the middle- and high-school students sorted by name, equal
// names by id.
QList<Student> schoolStudentsByName(std::vector<std::vector<ListedStudent>> listings);

} // namespace quorvale
