// The student search and lookup and the teacher search and lookup end to end, each answer of the
// platform a body of the input. The first byte picks the entry point.
#include "core/base/errors.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/servedapi.h"
#include "tests/support/awaittask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    if (size == 0)
        return 0;
    fuzz::ensureApplication();
    static fuzz::ServedAPI api;
    api.serve(fuzz::piecesOf(fuzz::bytesOf(data + 1, size - 1)));
    const QDateTime date = fuzz::ServedAPI::now();
    const Student student{
        11, QStringLiteral("李雷"), QStringLiteral("Li Lei"), 701, QStringLiteral("七年级(1)班"), 7, 2};
    const Teacher teacher{301, QStringLiteral("王老师"), QStringLiteral("Ms Wang")};
    // Every error is a refusal the screens show; a hang makes awaitTask throw, which is a finding.
    try {
        switch (data[0] % 5) {
        case 0:
            testing::awaitTask(api.search(QStringLiteral("李"), 7, date));
            break;
        case 1:
            testing::awaitTask(api.lookupTimetable(student, date, std::nullopt));
            break;
        case 2:
            testing::awaitTask(
                api.searchTeachers(QStringLiteral("王"), 7, date, false, std::nullopt, std::nullopt));
            break;
        case 3:
            testing::awaitTask(api.searchTeachers(QStringLiteral("数学"), 7, date, true, std::nullopt, 21));
            break;
        default:
            testing::awaitTask(api.lookupTeacherTimetable(teacher, 7, date, 21));
            break;
        }
    } catch (const Error &) {
    }
    return 0;
}
