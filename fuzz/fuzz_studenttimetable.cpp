// The student normaliser and the student week day over the task's three bodies.
#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekschedulebuilder.h"
#include "core/base/errors.h"
#include "fuzz/timetableinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    const fuzz::TimetableInput input(fuzz::bytesOf(data, size));
    const Student student{
        11, QStringLiteral("李雷"), QStringLiteral("Li Lei"), 701, QStringLiteral("七年级(1)班"), 7, 2};
    const QDateTime date = fuzz::TimetableInput::date();
    try {
        TimetableAdapter::normalize(student, input.task(), input.detail, input.master, input.tables, date,
                                    input.weekCode);
    } catch (const Error &) {
    }
    try {
        WeekScheduleBuilder::requiresParity(input.master, input.tables, date, student.id);
        WeekScheduleBuilder::studentDay(student, input.task(), input.detail, input.master, input.tables, date,
                                        input.weekCode);
    } catch (const Error &) {
    }
    return 0;
}
