// Times the capture import on generated captures of the platform's student-list pages, 50 students
// a page as the browser records them: 28 MB of pages, the growth from 10 to 100 MB, the memory the
// import of 100 MB takes on top of the capture, and 20 000 long decomposed names. Reading the
// capture's JSON alone is measured on the same bytes beside each time.

#include "bench/benchfigures.h"
#include "core/base/platformconfig.h"
#include "core/base/strictjson.h"
#include "core/model/harimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <malloc.h>
#include <random>

using namespace quorvale;
using namespace quorvale::bench;

namespace {

constexpr qint64 megabyte = 1000 * 1000;
constexpr int pageSize = 50;

const QStringList surnames{"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱",
                           "胡", "郭", "何", "高", "林", "罗", "欧阳", "司马", "诸葛"};
const QStringList givenParts{"子", "涵", "梓", "轩", "欣", "怡", "浩", "然", "雨", "萱", "一", "诺", "思",
                             "博", "文", "嘉", "宇", "晨", "俊", "杰", "佳", "琪", "明", "睿", "𠀾", "Ａ"};
// Latin names written decomposed, as some systems store them: every accent a combining mark.
const QStringList decomposedParts{"Nguyễn", "Trần", "Phạm", "Huỳnh", "Hoàng", "Đặng", "Bùi",  "Đỗ",
                                  "Hồ",     "Ngô",  "Dương", "Thị",  "Văn",   "Ánh",  "Tuyết", "Hương",
                                  "Ngọc",   "Đức",  "Quốc",  "Mỹ",   "Thủy",  "Phước", "Khiêm", "Lộc"};

using NameMaker = std::function<QString(std::mt19937 &)>;

QString chineseName(std::mt19937 &random)
{
    QString name = surnames.at(random() % surnames.size());
    const int length = 1 + random() % 2;
    for (int i = 0; i < length; ++i)
        name += givenParts.at(random() % givenParts.size());
    return name;
}

QString longDecomposedName(std::mt19937 &random)
{
    QStringList words;
    // About 400 characters: long enough that normalising both names on every comparison of the sort
    // costs seconds.
    for (int i = 0; i < 64; ++i)
        words.append(decomposedParts.at(random() % decomposedParts.size()));
    return words.join(u' ').normalized(QString::NormalizationForm_D);
}

QJsonObject field(const QString &keyName, const QJsonObject &value)
{
    return {{"keyName", keyName}, {"values", QJsonArray{value}}};
}

// One student as the platform lists it, with the fields the page shows beside the name.
QJsonObject student(qint64 id, const QString &name, std::mt19937 &random)
{
    const QString className = QStringLiteral("G%1-%2").arg(6 + random() % 7).arg(1 + random() % 9);
    return {{"id", id},
            {"classId", qint64(300 + random() % 90)},
            {"schoolId", 1},
            {"studySection", qint64(1 + random() % 3)},
            {"fieldList",
             QJsonArray{field("name", {{"cName", name}, {"value", name}, {"eName", "Student " + QString::number(id)}}),
                        field("class", {{"cName", className}, {"value", className}}),
                        field("gender", {{"cName", random() % 2 ? "男" : "女"}, {"value", "1"}}),
                        field("birthday", {{"cName", "2010-05-17"}, {"value", "2010-05-17"}})}}};
}

QByteArray entry(int page, const QJsonArray &students, qint64 total)
{
    const QByteArray body = QJsonDocument(QJsonObject{{"state", 0},
                                                      {"data", QJsonObject{{"totalCount", total},
                                                                           {"list", students}}}})
                                .toJson(QJsonDocument::Compact);
    const QString url = platform::origin().toString() +
                        QStringLiteral("/v2/basic/Student/MyList?pageIndex=%1&pageSize=%2").arg(page).arg(pageSize);
    const QJsonObject request{{"method", "GET"},
                              {"url", url},
                              {"headers", QJsonArray{QJsonObject{{"name", "Accept"}, {"value", "application/json"}}}}};
    const QJsonObject content{{"size", body.size()}, {"mimeType", "application/json"}, {"text", QString::fromUtf8(body)}};
    const QJsonObject response{{"status", 200}, {"content", content}};
    return QJsonDocument(QJsonObject{{"startedDateTime", "2025-03-12T01:30:00.120Z"},
                                     {"request", request},
                                     {"response", response}})
        .toJson(QJsonDocument::Compact);
}

// A capture of about `bytes` of student-list pages, or of `students` students when that is given.
QByteArray capture(qint64 bytes, const NameMaker &name, qint64 students = 0)
{
    std::mt19937 random(20250312);
    QByteArray text = R"({"log":{"version":"1.2","creator":{"name":"browser"},"entries":[)";
    qint64 next = 1;
    for (int page = 1; students > 0 ? next <= students : text.size() < bytes; ++page) {
        QJsonArray list;
        for (int i = 0; i < pageSize && (students == 0 || next <= students); ++i, ++next)
            list.append(student(next, name(random), random));
        if (page > 1)
            text += ',';
        text += entry(page, list, students);
    }
    text += "]}}";
    return text;
}

// Each run imports as a person's first import does: the memory of earlier runs handed back to the
// system and the processor's caches holding other data, so a capture small enough to reuse the last
// run's memory and stay in the cache between runs is not favoured over a large one.
void startCold()
{
    static QByteArray other(256 * 1024 * 1024, '\0');
    static char fill = 0;
    other.fill(++fill);
    malloc_trim(0);
}

double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        startCold();
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The resident memory the work adds at its peak, in KiB: memory freed before it is handed back and
// the peak mark reset, so neither earlier work nor the allocator's leftovers count.
qint64 extraPeakKiB(const std::function<void()> &work)
{
    malloc_trim(0);
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        return -1;
    reset.close();
    const qint64 before = statusKiB("VmRSS:");
    work();
    return statusKiB("VmHWM:") - before;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const auto import = [](const QByteArray &har) { return [&har] { HARImport::parse(har); }; };
    const auto readJson = [](const QByteArray &har) { return [&har] { json::parse(har); }; };

    {
        const QByteArray large = capture(100 * megabyte, chineseName);
        const qint64 extra = extraPeakKiB(import(large));
        const double ratio = double(extra) * 1024 / double(large.size());
        result(QStringLiteral("extra peak memory importing 100 MB of pages"),
               QStringLiteral("%1 MB (x%2 the capture)").arg(double(extra) * 1024 / megabyte, 0, 'f', 0).arg(ratio, 0, 'f', 2),
               QStringLiteral("at most x2 the capture"), extra > 0 && ratio <= 2.0);
        const QByteArray small = capture(10 * megabyte, chineseName);
        const double smallMs = medianMs(3, import(small));
        const double largeMs = medianMs(3, import(large));
        const double growth = largeMs / smallMs;
        out << QStringLiteral("10 MB: import %1 ms, JSON alone %2 ms; 100 MB: import %3 ms, JSON alone %4 ms")
                   .arg(smallMs, 0, 'f', 0)
                   .arg(medianMs(3, readJson(small)), 0, 'f', 0)
                   .arg(largeMs, 0, 'f', 0)
                   .arg(medianMs(3, readJson(large)), 0, 'f', 0)
            << Qt::endl;
        result(QStringLiteral("import growth from 10 to 100 MB of pages"),
               QStringLiteral("x%1 (%2 ms against %3 ms)").arg(growth, 0, 'f', 1).arg(largeMs, 0, 'f', 0).arg(smallMs, 0, 'f', 0),
               QStringLiteral("at most x11"), growth <= 11);
    }

    const QByteArray pages = capture(28 * megabyte, chineseName);
    const double pagesMs = medianMs(5, import(pages));
    result(QStringLiteral("import of 28 MB of student-list pages"),
           QStringLiteral("%1 ms (JSON alone %2 ms)").arg(pagesMs, 0, 'f', 0).arg(medianMs(5, readJson(pages)), 0, 'f', 0),
           QStringLiteral("at most 300 ms"), pagesMs <= 300);

    const QByteArray decomposed = capture(0, longDecomposedName, 20000);
    const double decomposedMs = medianMs(3, import(decomposed));
    result(QStringLiteral("import of 20 000 long decomposed names"),
           QStringLiteral("%1 ms (%2 MB, JSON alone %3 ms)")
               .arg(decomposedMs, 0, 'f', 0)
               .arg(double(decomposed.size()) / megabyte, 0, 'f', 0)
               .arg(medianMs(3, readJson(decomposed)), 0, 'f', 0),
           QStringLiteral("at most 2 000 ms"), decomposedMs <= 2000);
    return 0;
}
