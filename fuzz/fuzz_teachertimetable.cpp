// The teacher normaliser and the teacher week day over the task's three bodies, with and without
// the class-section map.
#include "core/adapters/teachertimetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "core/client/quorvaleapi.h"
#include "fuzz/timetableinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    const fuzz::TimetableInput input(fuzz::bytesOf(data, size));
    const Teacher teacher{301, QStringLiteral("王老师"), QStringLiteral("Ms Wang")};
    const ClassSections sections{{701, {2}}, {1001, {3}}, {901, {2, 3}}};
    QuorvaleAPI::teacherNeedsClassSections(input.master, input.tables);
    for (const ClassSections &map : {ClassSections(), sections}) {
        try {
            WeekScheduleBuilder::teacherDay(TeacherTimetableAdapter::normalize(
                teacher, input.task(), input.detail, input.master, input.tables, fuzz::TimetableInput::date(),
                map, input.weekCode));
        } catch (const Error &) {
        }
    }
    return 0;
}
