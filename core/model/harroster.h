#pragma once

#include "core/model/student.h"

#include <QList>
#include <vector>

namespace quorvale {

// The roster a capture gives: of the students in the order they were listed, the last listing of
// each id; of those, the middle- and high-school students sorted by name, equal names by id.
QList<Student> schoolStudentsByName(std::vector<Student> listed);

} // namespace quorvale
