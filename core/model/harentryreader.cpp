#include "core/model/harentryreader.h"

#include "core/model/jsonscanner.h"

#include "core/base/base64.h"

#include <QUrl>
#include <string>

namespace quorvale {

namespace {

using Text = std::optional<std::string>;

// Marks a member as seen; false when it was seen before. A member given twice takes its last value
// in QJsonDocument, which the quick reader does not follow.
bool firstTime(unsigned &seen, unsigned member)
{
    if (seen & member)
        return false;
    seen |= member;
    return true;
}

// A member read as text when it is a string and passed over otherwise.
bool textMember(JsonScanner &scanner, Text &text)
{
    if (scanner.next() != '"')
        return scanner.skip();
    text.emplace();
    return scanner.string(*text);
}

// A member read as an integer when it is a number and passed over otherwise.
bool integerMember(JsonScanner &scanner, std::optional<qint64> &value)
{
    const char first = scanner.next();
    if (first != '-' && (first < '0' || first > '9'))
        return scanner.skip();
    value.emplace();
    return scanner.integer(*value);
}

// An array of objects, each read by `read`; any other element is passed over and makes the array
// unusable. Values of other types are passed over and leave `usable` false.
template<typename Read>
bool objectsMember(JsonScanner &scanner, bool &usable, Read read)
{
    if (scanner.next() != '[')
        return scanner.skip();
    usable = true;
    return scanner.array([&] {
        if (scanner.next() == '{')
            return read();
        usable = false;
        return scanner.skip();
    });
}

QString textOf(const Text &text)
{
    return text ? QString::fromUtf8(text->data(), qsizetype(text->size())) : QString();
}

// A field object of a student item, with the texts of the first object of its values.
struct Field
{
    Text keyName;
    bool valuesUsable = false;
    bool hasValue = false;
    Text cName;
    Text value;
    Text eName;
};

bool readValue(JsonScanner &scanner, Field &field)
{
    unsigned seen = 0;
    field.hasValue = true;
    return scanner.object([&](QByteArrayView name) {
        if (name == "cName")
            return firstTime(seen, 1) && textMember(scanner, field.cName);
        if (name == "value")
            return firstTime(seen, 2) && textMember(scanner, field.value);
        if (name == "eName")
            return firstTime(seen, 4) && textMember(scanner, field.eName);
        return scanner.skip();
    });
}

bool readField(JsonScanner &scanner, Field &field)
{
    unsigned seen = 0;
    return scanner.object([&](QByteArrayView name) {
        if (name == "keyName")
            return firstTime(seen, 1) && textMember(scanner, field.keyName);
        if (name == "values") {
            // Only the first object counts; were the first element not an object, none would.
            return firstTime(seen, 2) && objectsMember(scanner, field.valuesUsable, [&] {
                       return field.hasValue ? scanner.skip() : readValue(scanner, field);
                   });
        }
        return scanner.skip();
    });
}

// The first object of the first field of that key name; none when the field or its values are
// missing or unusable.
const Field *firstValue(const std::vector<Field> &fields, std::string_view keyName)
{
    for (const Field &field : fields) {
        if (field.keyName && *field.keyName == keyName)
            return field.valuesUsable && field.hasValue ? &field : nullptr;
    }
    return nullptr;
}

// Working space of the bodies of one capture.
struct BodyBuffers
{
    std::vector<Field> fields;
    std::vector<ListedStudent> students;
};

// One item of the list: a student, or none when the item is unusable.
bool readItem(JsonScanner &scanner, BodyBuffers &buffers, std::vector<ListedStudent> &students)
{
    std::vector<Field> &fields = buffers.fields;
    std::optional<qint64> id;
    std::optional<qint64> classId;
    std::optional<qint64> schoolId;
    std::optional<qint64> studySection;
    fields.clear();
    bool fieldsUsable = false;
    unsigned seen = 0;
    const bool read = scanner.object([&](QByteArrayView name) {
        if (name == "id")
            return firstTime(seen, 1) && integerMember(scanner, id);
        if (name == "classId")
            return firstTime(seen, 2) && integerMember(scanner, classId);
        if (name == "schoolId")
            return firstTime(seen, 4) && integerMember(scanner, schoolId);
        if (name == "studySection")
            return firstTime(seen, 8) && integerMember(scanner, studySection);
        if (name == "fieldList") {
            return firstTime(seen, 16) &&
                   objectsMember(scanner, fieldsUsable, [&] { return readField(scanner, fields.emplace_back()); });
        }
        return scanner.skip();
    });
    if (!read)
        return false;
    if (!fieldsUsable)
        fields.clear();
    const Field *nameValue = firstValue(fields, "name");
    if (!id || !nameValue)
        return true;
    const auto isEmpty = [](const Text &text) { return !text || text->empty(); };
    const Text &name = isEmpty(nameValue->cName) ? nameValue->value : nameValue->cName;
    if (isEmpty(name))
        return true;
    const qint64 section = studySection.value_or(0);
    // A student of another section is never shown; it only takes the place of earlier listings of
    // the same id, so its texts are not worth making.
    if (section != 2 && section != 3) {
        students.push_back({*id, classId.value_or(0), schoolId.value_or(0), section, {}, nullptr});
        return true;
    }
    const Field *classValue = firstValue(fields, "class");
    const auto bytes = [](const Text &text) { return text.value_or(std::string()); };
    students.push_back({*id, classId.value_or(0), schoolId.value_or(0), section,
                        {*name, bytes(nameValue->eName), classValue ? bytes(classValue->cName) : std::string()},
                        nullptr});
    return true;
}

// A response body: the platform's envelope with its list of students.
QuickEntry readBody(QByteArrayView body, std::string &scratch, BodyBuffers &buffers)
{
    JsonScanner scanner(body, scratch);
    std::optional<qint64> state;
    std::optional<qint64> totalCount;
    bool dataIsObject = false;
    bool listUsable = false;
    std::vector<ListedStudent> &students = buffers.students;
    students.clear();
    unsigned seen = 0;
    const auto readData = [&](QByteArrayView name) {
        if (name == "totalCount")
            return firstTime(seen, 4) && integerMember(scanner, totalCount);
        if (name != "list")
            return scanner.skip();
        return firstTime(seen, 8) &&
               objectsMember(scanner, listUsable, [&] { return readItem(scanner, buffers, students); });
    };
    const bool read = scanner.next() == '{' && scanner.object([&](QByteArrayView name) {
        if (name == "state")
            return firstTime(seen, 1) && integerMember(scanner, state);
        if (name != "data")
            return scanner.skip();
        if (!firstTime(seen, 2))
            return false;
        dataIsObject = scanner.next() == '{';
        return dataIsObject ? scanner.object(readData) : scanner.skip();
    });
    if (!read || !scanner.atEnd())
        return {};
    if (state != qint64(0) || !dataIsObject || !listUsable)
        return {QuickEntry::Outcome::Skipped, {}};
    return {QuickEntry::Outcome::Used,
            {{std::make_move_iterator(students.begin()), std::make_move_iterator(students.end())},
             totalCount.value_or(0), std::nullopt}};
}

} // namespace

bool isStudentListUrl(const QString &url, const QString &host)
{
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && parsed.host() == host &&
           parsed.path(QUrl::FullyDecoded) == QLatin1String("/v2/basic/Student/MyList");
}

struct QuickEntryReader::Buffers
{
    std::string scratch;
    std::string text;
    BodyBuffers body;
};

QuickEntryReader::QuickEntryReader(QString host)
    : m_host(std::move(host))
    , m_buffers(std::make_unique<Buffers>())
{}

QuickEntryReader::~QuickEntryReader() = default;

QuickEntry QuickEntryReader::read(QByteArrayView entry)
{
    JsonScanner scanner(entry, m_buffers->scratch);
    std::string &text = m_buffers->text;
    bool isText = false;
    Text url;
    Text encoding;
    Text startedAt;
    unsigned seen = 0;
    const auto readContent = [&](QByteArrayView name) {
        if (name == "text") {
            if (!firstTime(seen, 1))
                return false;
            isText = scanner.next() == '"';
            return isText ? scanner.string(text) : scanner.skip();
        }
        if (name == "encoding")
            return firstTime(seen, 2) && textMember(scanner, encoding);
        return scanner.skip();
    };
    const auto readResponse = [&](QByteArrayView name) {
        if (name != "content")
            return scanner.skip();
        return firstTime(seen, 4) && (scanner.next() == '{' ? scanner.object(readContent) : scanner.skip());
    };
    const auto readRequest = [&](QByteArrayView name) {
        if (name == "url")
            return firstTime(seen, 8) && textMember(scanner, url);
        return scanner.skip();
    };
    const bool read = scanner.object([&](QByteArrayView name) {
        if (name == "startedDateTime")
            return firstTime(seen, 16) && textMember(scanner, startedAt);
        if (name == "request") {
            return firstTime(seen, 32) &&
                   (scanner.next() == '{' ? scanner.object(readRequest) : scanner.skip());
        }
        if (name == "response") {
            return firstTime(seen, 64) &&
                   (scanner.next() == '{' ? scanner.object(readResponse) : scanner.skip());
        }
        return scanner.skip();
    });
    if (!read || !scanner.atEnd())
        return {};
    if (!url || !isStudentListUrl(textOf(url), m_host) || !isText)
        return {QuickEntry::Outcome::Skipped, {}};

    QuickEntry quick;
    if (encoding == "base64") {
        const std::optional<QByteArray> decoded =
            base64::decodeStrictly(QString::fromUtf8(text.data(), qsizetype(text.size())));
        if (!decoded)
            return {QuickEntry::Outcome::Skipped, {}};
        quick = readBody(*decoded, m_buffers->scratch, m_buffers->body);
    } else {
        quick = readBody(QByteArrayView(text.data(), qsizetype(text.size())), m_buffers->scratch, m_buffers->body);
    }
    if (quick.outcome == QuickEntry::Outcome::Used && startedAt)
        quick.response.startedAt = textOf(startedAt);
    return quick;
}

} // namespace quorvale
