#include "core/model/harimport.h"

#include "core/model/harentries.h"

#include "core/base/errors.h"
#include "core/base/platformconfig.h"
#include "core/base/text.h"
#include "tests/har/recording.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;
using namespace Qt::StringLiterals;

namespace {

const QString listPath = u"/v2/basic/Student/MyList"_s;
const QString started = u"2025-03-12T01:30:00.120Z"_s;

QString url(const QString &host, const QString &path)
{
    return u"http://%1:18080%2?pageIndex=1&pageSize=20"_s.arg(host, path);
}

QString listUrl()
{
    return url(platform::origin().host(), listPath);
}

QJsonObject field(const QString &keyName, const QJsonObject &value)
{
    return {{u"keyName"_s, keyName}, {u"values"_s, QJsonArray{value}}};
}

QJsonObject item(qint64 id, const QString &name, qint64 section)
{
    return {{u"id"_s, id},
            {u"classId"_s, 301},
            {u"schoolId"_s, 1},
            {u"studySection"_s, section},
            {u"fieldList"_s, QJsonArray{field(u"name"_s, {{u"cName"_s, name}, {u"value"_s, name}}),
                                        field(u"class"_s, {{u"cName"_s, u"G9-1"_s}})}}};
}

QByteArray body(const QJsonArray &items, qint64 total)
{
    const QJsonObject data{{u"totalCount"_s, total}, {u"list"_s, items}};
    return QJsonDocument(QJsonObject{{u"state"_s, 0}, {u"data"_s, data}}).toJson(QJsonDocument::Compact);
}

QJsonObject plain(const QByteArray &bytes)
{
    return {{u"text"_s, QString::fromUtf8(bytes)}, {u"mimeType"_s, u"application/json"_s}};
}

QJsonObject encoded(const QString &text)
{
    return {{u"text"_s, text}, {u"encoding"_s, u"base64"_s}};
}

QJsonObject entry(const QString &address, const QJsonObject &content, const QString &startedAt = started)
{
    QJsonObject object{{u"request"_s, QJsonObject{{u"method"_s, u"GET"_s}, {u"url"_s, address}}},
                       {u"response"_s, QJsonObject{{u"status"_s, 200}, {u"content"_s, content}}}};
    if (!startedAt.isEmpty())
        object.insert(u"startedDateTime"_s, startedAt);
    return object;
}

QByteArray capture(const QJsonArray &entries)
{
    const QJsonObject log{{u"version"_s, u"1.2"_s}, {u"entries"_s, entries}};
    return QJsonDocument(QJsonObject{{u"log"_s, log}}).toJson(QJsonDocument::Compact);
}

// Two students of the supported sections and one without a section; by name 李四, 王五.
const QJsonArray pair{item(11, u"王五"_s, 3), item(12, u"李四"_s, 2), item(13, u"张三"_s, 0)};
const QByteArray pairBody = body(pair, 40);
const QStringList pairListed{u"12 李四"_s, u"11 王五"_s};

QStringList listing(const QList<Student> &students)
{
    QStringList lines;
    for (const Student &student : students)
        lines.append(u"%1 %2"_s.arg(student.id).arg(student.name));
    return lines;
}

// A capture whose first entry is the one under test and whose second lists the pair, stamped later.
QByteArray beforePair(const QJsonObject &first)
{
    return capture({first, entry(listUrl(), plain(pairBody), u"2025-03-12T01:30:09.000Z"_s)});
}

// A capture of one student-list entry whose response text is spelled exactly as given, escapes and
// all, then the pair.
QByteArray spelled(const QByteArray &text, const QByteArray &encoding = {})
{
    const QByteArray content = encoding.isEmpty() ? "{\"text\":\"" + text + '"'
                                                  : "{\"encoding\":\"" + encoding + R"(","text":")" + text + '"';
    const QByteArray first = "{\"request\":{\"url\":\"" + listUrl().toUtf8() + "\"},\"response\":{\"content\":" +
                             content + R"(}},"startedDateTime":"s1"})";
    const QByteArray pairEntry = QJsonDocument(entry(listUrl(), plain(pairBody))).toJson(QJsonDocument::Compact);
    return R"({"log":{"entries":[)" + first + ',' + pairEntry + "]}}";
}

// A body whose student items are spelled as given.
QByteArray itemBody(const QByteArray &items)
{
    return R"({"state":0,"data":{"totalCount":1,"list":[)" + items + "]}}";
}

// The same, JSON-escaped to stand in a response text.
QByteArray spelledItem(const QByteArray &items)
{
    QByteArray text;
    for (const char c : itemBody(items)) {
        if (static_cast<unsigned char>(c) < 0x20)
            text += "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0');
        else if (c == '"' || c == '\\')
            text += QByteArray(1, '\\') + c;
        else
            text += c;
    }
    return text;
}

// The same capture with its "log" written with an escape, which makes the importer read the whole
// file as one document.
QByteArray readWhole(QByteArray har)
{
    return har.replace(R"({"log":)", R"({"l\u006fg":)");
}

// Everything an import gives, or the error it ends with.
QString outcome(const QByteArray &har)
{
    try {
        const HARImport imported = HARImport::parse(har);
        QStringList lines{u"%1 %2"_s.arg(imported.reportedTotal).arg(imported.capturedAt)};
        for (const Student &student : imported.students) {
            lines.append(QString::fromLatin1(QJsonDocument(student.toJson()).toJson(QJsonDocument::Compact)) +
                         QString::fromLatin1(student.name.toUtf8().toHex()));
        }
        return lines.join(u'\n');
    } catch (const DecodingError &error) {
        return u"reading error %1"_s.arg(int(error.kind()));
    } catch (const DemoError &error) {
        return error.description();
    }
}

} // namespace

class TestHarImport : public QObject
{
    Q_OBJECT

private slots:
    void importsStudentListResponses_data();
    void importsStudentListResponses();
    void refusesUnusableCaptures_data();
    void refusesUnusableCaptures();
    void readsCaptureRecordedFromPlatform();
    void findsEntriesWithoutReadingThem_data();
    void findsEntriesWithoutReadingThem();
    void readsEntriesAsTheWholeFileDoes_data();
    void readsEntriesAsTheWholeFileDoes();
};

void TestHarImport::importsStudentListResponses_data()
{
    QTest::addColumn<QByteArray>("har");
    QTest::addColumn<QStringList>("students");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("capturedAt");

    const QString later = u"2025-03-12T01:30:09.000Z"_s;
    const QByteArray other = body({item(14, u"赵六"_s, 2)}, 90);
    const QString otherBase64 = QString::fromLatin1(other.toBase64());
    QVERIFY(otherBase64.endsWith(u'='));

    QTest::newRow("plain body") << capture({entry(listUrl(), plain(pairBody))}) << pairListed << qint64(40)
                                << started;
    QTest::newRow("base64 body") << capture(
                                        {entry(listUrl(), encoded(QString::fromLatin1(pairBody.toBase64())))})
                                 << pairListed << qint64(40) << started;
    QJsonObject gzip = plain(pairBody);
    gzip.insert(u"encoding"_s, u"gzip"_s);
    QTest::newRow("other encoding reads the text")
        << capture({entry(listUrl(), gzip)}) << pairListed << qint64(40) << started;

    QTest::newRow("base64 without padding skipped")
        << beforePair(entry(listUrl(), encoded(otherBase64.chopped(1)))) << pairListed << qint64(40) << later;
    QTest::newRow("base64 with line break skipped")
        << beforePair(entry(listUrl(), encoded(otherBase64.left(8) + u'\n' + otherBase64.mid(8))))
        << pairListed << qint64(40) << later;
    QTest::newRow("base64 with foreign character skipped")
        << beforePair(entry(listUrl(), encoded(u'*' + otherBase64.mid(1)))) << pairListed << qint64(40)
        << later;

    QTest::newRow("later duplicate wins, larger total kept")
        << capture({entry(listUrl(), plain(pairBody)),
                    entry(listUrl(), plain(body({item(11, u"王小五"_s, 3)}, 30)), later)})
        << QStringList{u"12 李四"_s, u"11 王小五"_s} << qint64(40) << later;

    QTest::newRow("foreign host ignored")
        << beforePair(entry(url(u"evil.example.com"_s, listPath), plain(other))) << pairListed << qint64(40)
        << later;
    QTest::newRow("other path ignored")
        << beforePair(entry(url(platform::origin().host(), u"/v2/basic/Teacher/MyList"_s), plain(other)))
        << pairListed << qint64(40) << later;
    QTest::newRow("failing state ignored")
        << beforePair(entry(listUrl(), plain(R"({"state":1,"data":{"list":[{"id":14}],"totalCount":90}})")))
        << pairListed << qint64(40) << later;
    QTest::newRow("missing list ignored")
        << beforePair(entry(listUrl(), plain(R"({"state":0,"data":{"totalCount":90}})"))) << pairListed
        << qint64(40) << later;
    QTest::newRow("list with a non-object ignored")
        << beforePair(entry(listUrl(), plain(R"({"state":0,"data":{"list":[3],"totalCount":90}})")))
        << pairListed << qint64(40) << later;

    QTest::newRow("only undetermined sections give no students")
        << capture({entry(listUrl(), plain(body({item(13, u"张三"_s, 0)}, 1)))}) << QStringList() << qint64(1)
        << started;
    QTest::newRow("no start time is unknown")
        << capture({entry(listUrl(), plain(pairBody), QString())}) << pairListed << qint64(40) << u"未知"_s;
    // Enough namesakes that any order other than by id would show.
    QJsonArray namesakes;
    QStringList byId;
    for (const qint64 id : {9, 4, 7, 12, 1, 15, 3, 10, 6, 14, 2, 11, 8, 13})
        namesakes.append(item(id, u"陈晨"_s, 2 + id % 2));
    for (qint64 id = 1; id <= 15; ++id)
        byId.append(u"%1 陈晨"_s.arg(id));
    QTest::newRow("equal names ordered by id")
        << capture({entry(listUrl(), plain(body(namesakes, 3))),
                    entry(listUrl(), plain(body({item(5, u"陈晨"_s, 2)}, 0)), QString())})
        << byId << qint64(3) << started;

    // Scalar order puts the full-width letter before the supplementary-plane character (UTF-16 order
    // would not); a decomposed name is the same name as its composed form, so the id decides.
    const QString composed = u"Zo\u00e9"_s;
    const QString decomposed = u"Zoe\u0301"_s;
    QTest::newRow("scalar order, equivalent forms equal")
        << capture({entry(listUrl(), plain(body({item(31, u"\U00020000"_s, 2), item(35, composed, 3),
                                                 item(32, u"\uff21"_s, 3), item(34, decomposed, 2)},
                                                4)))})
        << QStringList{u"34 "_s + decomposed, u"35 "_s + composed, u"32 \uff21"_s, u"31 \U00020000"_s}
        << qint64(4) << started;

    QJsonObject byValue = item(21, u"周七"_s, 2);
    byValue.insert(u"fieldList"_s,
                   QJsonArray{field(u"name"_s, {{u"cName"_s, QString()}, {u"value"_s, u"周七"_s}})});
    QJsonObject nameless = item(22, QString(), 2);
    QTest::newRow("name falls back to the plain value")
        << capture({entry(listUrl(), plain(body({byValue, nameless}, 2)))}) << QStringList{u"21 周七"_s}
        << qint64(2) << started;
}

void TestHarImport::importsStudentListResponses()
{
    QFETCH(QByteArray, har);
    QFETCH(QStringList, students);
    QFETCH(qint64, total);
    QFETCH(QString, capturedAt);
    const HARImport imported = HARImport::parse(har);
    QCOMPARE(listing(imported.students), students);
    QCOMPARE(imported.reportedTotal, total);
    QCOMPARE(imported.capturedAt, capturedAt);
}

void TestHarImport::refusesUnusableCaptures_data()
{
    QTest::addColumn<QByteArray>("har");
    QTest::addColumn<bool>("reading");
    QTest::addColumn<QString>("message");

    const QString notHar = u"不是有效 HAR"_s;
    const QString nothing = u"HAR 中没有可解析的学生名单响应"_s;
    const QJsonObject good = entry(listUrl(), plain(pairBody));
    QTest::newRow("not JSON") << QByteArray(R"({"log":)") << true << QString();
    QTest::newRow("array root") << QByteArray("[]") << false << notHar;
    QTest::newRow("no log") << QByteArray(R"({"entries":[]})") << false << notHar;
    QTest::newRow("entries not an array") << QByteArray(R"({"log":{"entries":{}}})") << false << notHar;
    QTest::newRow("entries holding a non-object") << capture({good, 5}) << false << notHar;
    QTest::newRow("matching body not JSON")
        << capture({good, entry(listUrl(), plain("{oops"))}) << true << QString();
    QTest::newRow("foreign body never read")
        << capture({entry(url(u"evil.example.com"_s, listPath), plain("{oops"))}) << false << nothing;
    QTest::newRow("no entries") << capture({}) << false << nothing;
    QTest::newRow("failing state only")
        << capture({entry(listUrl(), plain(R"({"state":999901,"data":{"list":[]}})"))}) << false << nothing;
    QTest::newRow("no usable item") << capture({entry(listUrl(), plain(body({item(22, QString(), 2)}, 1)))})
                                    << false << nothing;
}

void TestHarImport::refusesUnusableCaptures()
{
    QFETCH(QByteArray, har);
    QFETCH(bool, reading);
    QFETCH(QString, message);
    try {
        HARImport::parse(har);
        QFAIL("the capture was accepted");
    } catch (const DecodingError &error) {
        QVERIFY(reading);
        QCOMPARE(error.kind(), DecodingError::Kind::Corrupted);
    } catch (const DemoError &error) {
        QVERIFY(!reading);
        QCOMPARE(error.description(), message);
    }
}

// The capture in tests/har was recorded from the demo platform serving the sample school; the import
// must give exactly the students of the pages it recorded, read from the data set itself.
void TestHarImport::readsCaptureRecordedFromPlatform()
{
    QFile file(QStringLiteral(QUORVALE_HAR_CAPTURE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray har = file.readAll();
    // Recorded on loopback; a build for another platform origin finds the pages at its own host.
    har.replace("//127.0.0.1:", "//" + platform::origin().host().toUtf8() + ':');
    const QJsonObject log = QJsonDocument::fromJson(har).object().value(u"log"_s).toObject();
    QCOMPARE(log.value(u"version"_s).toString(), u"1.2"_s);
    QVERIFY(har.contains(R"("encoding":"base64")") || har.contains(R"("encoding": "base64")"));

    const demo::SchoolData school = demo::SampleSchool::generate(recording::startedAt().date());
    const qint64 last = recording::lastPage(school.students.size());
    QList<Student> expected;
    for (const qint64 page : {qint64(1), last}) {
        for (qint64 i = (page - 1) * recording::pageSize; i < page * recording::pageSize; ++i) {
            if (i >= school.students.size())
                break;
            const demo::SchoolStudent &student = school.students.at(i);
            for (const demo::SchoolClass &homeroom : school.classes) {
                if (homeroom.classType == 1 && student.classIds.contains(homeroom.id)) {
                    expected.append({student.id, student.name, student.englishName, homeroom.id,
                                     homeroom.name, school.schoolId, homeroom.grade.value() <= 8 ? 2 : 3});
                }
            }
        }
    }
    std::sort(expected.begin(), expected.end(), [](const Student &a, const Student &b) {
        const int order = text::compare(a.name, b.name);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    QVERIFY(expected.size() > recording::pageSize);

    const HARImport imported = HARImport::parse(har);
    QCOMPARE(imported.students, expected);
    QCOMPARE(imported.reportedTotal, qint64(school.students.size()));
    QVERIFY(imported.capturedAt.startsWith(u"2025-03-12T01:30"_s));
}

void TestHarImport::findsEntriesWithoutReadingThem_data()
{
    QTest::addColumn<QByteArray>("har");
    // The entries' bytes in order; absent when the whole file must be read as one document.
    QTest::addColumn<std::optional<QByteArrayList>>("entries");

    using Entries = std::optional<QByteArrayList>;
    QTest::newRow("entries among other members")
        << QByteArray(R"( {"v":[1,{"a":"]}"}],"log" : {"x":"\"","entries" : [ {"a":"}{"} , {}
]},"w":-1.5e3} )")
        << Entries(QByteArrayList{R"({"a":"}{"})", "{}"});
    QTest::newRow("no entries") << QByteArray(R"({"log":{"entries":[]}})") << Entries(QByteArrayList{});
    QTest::newRow("key written with escapes") << QByteArray(R"({"l\u006fg":{"entries":[{}]}})") << Entries();
    QTest::newRow("log given twice") << QByteArray(R"({"log":{"entries":[{}]},"log":{}})") << Entries();
    QTest::newRow("entries given twice")
        << QByteArray(R"({"log":{"entries":[{}],"entries":[{}]}})") << Entries();
    QTest::newRow("entry not an object") << QByteArray(R"({"log":{"entries":[{},3]}})") << Entries();
    QTest::newRow("trailing comma") << QByteArray(R"({"log":{"entries":[{},]}})") << Entries();
    QTest::newRow("broken around the entries") << QByteArray(R"({"log":{"entries":[{}]},"v":tru})") << Entries();
    QTest::newRow("text after the root") << QByteArray(R"({"log":{"entries":[{}]}} x)") << Entries();
    QTest::newRow("no log") << QByteArray(R"({"entries":[{}]})") << Entries();
}

void TestHarImport::findsEntriesWithoutReadingThem()
{
    QFETCH(QByteArray, har);
    QFETCH(std::optional<QByteArrayList>, entries);
    const std::optional<QList<QByteArrayView>> spans = harEntrySpans(har);
    QCOMPARE(spans.has_value(), entries.has_value());
    if (!spans)
        return;
    QByteArrayList found;
    for (const QByteArrayView span : *spans)
        found.append(span.toByteArray());
    QCOMPARE(found, *entries);
}

// Entries are read straight from their bytes where that gives exactly what reading the whole file as
// one document gives; these spellings must lead to the same students, or the same error, either way.
void TestHarImport::readsEntriesAsTheWholeFileDoes_data()
{
    QTest::addColumn<QByteArray>("har");

    const auto item = [](const QByteArray &members, const QByteArray &name) {
        return spelledItem(R"({"studySection":2,)" + members + "\"fieldList\":[{\"keyName\":\"name\",\"values\":[{\"cName\":\"" +
                           name + "\"}]}]}");
    };
    QTest::newRow("escapes") << spelled(item(R"("id":1,)", "\\\"\\\\\\/\\b\\f\\n\\r\\t王"));
    QTest::newRow("unicode escapes and a surrogate pair") << spelled(item(R"("id":1,)", R"(\u738b\ud83d\ude00\u00e9)"));
    QTest::newRow("escaped text of the response") << spelled("\\u007b\\\"state\\\":0,\\\"data\\\":{\\\"list\\\":[]}}");
    QTest::newRow("unpaired surrogates") << spelled(item(R"("id":1,)", R"(a\ud800b\udc00)"));
    QTest::newRow("high surrogate alone") << spelled(item(R"("id":1,)", "a\\ud800b"));
    QTest::newRow("byte order mark before a member name") << spelled(item("\"\xef\xbb\xbf" "id\":1,", "x"));
    QTest::newRow("escaped byte order mark") << spelled(item(R"("id":1,)", R"(\ufeff王)"));
    QTest::newRow("control character and nul") << spelled(item(R"("id":1,)", "a\x01b\\u0000c"));
    QTest::newRow("unknown escape") << spelled(item(R"("id":1,)", R"(\q)"));
    QTest::newRow("escaped member names")
        << spelled(spelledItem(R"({"i\u0064":3,"studySection":2,"fieldList":[{"key\u004eame":"name","values":[{"cName":"x"}]}]})"));
    QTest::newRow("member given twice") << spelled(item(R"("id":1,"id":2,"studySection":3,)", "x"));
    QTest::newRow("field given twice")
        << spelled(spelledItem(R"({"id":4,"studySection":2,"fieldList":[{"keyName":"name","values":[{"cName":"a"}]},{"keyName":"name","values":[{"cName":"b"}]}]})"));
    QTest::newRow("integers at the limits")
        << spelled(item(R"("id":9223372036854775807,"classId":-9223372036854775808,)", "x"));
    QTest::newRow("integer past the limit") << spelled(item(R"("id":9223372036854775808,)", "x"));
    QTest::newRow("eighteen and nineteen digits")
        << spelled(item(R"("id":123456789012345678,"schoolId":1234567890123456789,)", "x"));
    QTest::newRow("fractions and exponents") << spelled(item(R"("id":1.0,"classId":1.5,"schoolId":2e1,)", "x"));
    QTest::newRow("minus zero") << spelled(item(R"("id":-0,)", "x"));
    QTest::newRow("nested values passed over")
        << spelled(item(R"("id":1,"x":[[{"a":[true,false,null,-1.25,"\u0041"]}],{}],)", "x"));
    QTest::newRow("base64 body")
        << spelled(itemBody(R"({"id":1,"studySection":2,"fieldList":[{"keyName":"name","values":[{"cName":"\u738b"}]}]})")
                       .toBase64(),
                   "base64");
    QTest::newRow("body with a byte order mark") << spelled("\\ufeff{\\\"state\\\":0,\\\"data\\\":{\\\"list\\\":[]}}");
    QTest::newRow("body not an object") << spelled("[1]");
    QTest::newRow("body a number") << spelled("5");
    QTest::newRow("invalid UTF-8 in the capture") << spelled(item(R"("id":1,)", "\xc0\xaf"));
    const QByteArray invalidName =
        "{\"id\":1,\"studySection\":2,\"fieldList\":[{\"keyName\":\"name\",\"values\":[{\"cName\":\"" "\xff" "\"}]}]}";
    QTest::newRow("invalid UTF-8 decoded from base64") << spelled(itemBody(invalidName).toBase64(), "base64");
    QTest::newRow("garbage after the body") << spelled("{\\\"state\\\":0,\\\"data\\\":{\\\"list\\\":[]}} x");
    QTest::newRow("white space everywhere")
        << spelled(spelledItem(" { \"id\" : 1 , \"studySection\" :\n2 ,\t\"fieldList\" : [ { \"keyName\" : \"name\" , \"values\" : [ { \"cName\" : \"x\" } ] } ] } "));
    QTest::newRow("values and fields not objects")
        << spelled(spelledItem(R"({"id":1,"studySection":2,"fieldList":[{"keyName":"name","values":[{"cName":"a"},3]}]},{"id":2,"studySection":2,"fieldList":[3,{"keyName":"name","values":[{"cName":"b"}]}]})"));
}

void TestHarImport::readsEntriesAsTheWholeFileDoes()
{
    QFETCH(QByteArray, har);
    QVERIFY(harEntrySpans(har).has_value());
    QVERIFY(!harEntrySpans(readWhole(har)).has_value());
    QCOMPARE(outcome(har), outcome(readWhole(har)));
}

QTEST_GUILESS_MAIN(TestHarImport)

#include "tst_harimport.moc"
