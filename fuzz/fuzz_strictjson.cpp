// The strict JSON readers and the record decoders built on them, over one platform body.
#include "core/adapters/studentrow.h"
#include "core/adapters/teacherrecords.h"
#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/client/sessionuser.h"
#include "core/model/coursetask.h"
#include "core/model/teacher.h"
#include "fuzz/fuzzinput.h"

#include <QJsonArray>

namespace {

template <typename Decode> void attempt(Decode decode)
{
    try {
        decode();
    } catch (const quorvale::Error &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    QJsonValue parsed;
    try {
        parsed = json::parse(fuzz::bytesOf(data, size));
    } catch (const Error &) {
        return 0;
    }
    const QJsonArray items = parsed.isArray() ? parsed.toArray() : QJsonArray{parsed};
    for (const QJsonValue &item : items) {
        const QJsonObject object = item.toObject();
        attempt([&] { SessionUser::fromJson(object); });
        attempt([&] { Teacher::fromJson(object); });
        attempt([&] { CourseOption::fromJson(object); });
        attempt([&] { CourseTaskOption::fromJson(object); });
        attempt([&] { TeacherTaskDetail::fromJson(object); });
        attempt([&] { TeacherRosterStudent::fromJson(object); });
        attempt([&] { ScheduleStudentRow::fromJson(object).student(17); });
        attempt([&] { json::serialize(item); });
    }
    return 0;
}
