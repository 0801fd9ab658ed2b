#pragma once

#include "core/model/harroster.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvale {

// What one student-list response of a capture gives.
struct StudentListResponse
{
    std::vector<ListedStudent> students;
    // The response's "totalCount"; 0 when it gave none.
    qint64 totalCount = 0;
    // The entry's "startedDateTime" when it is a text.
    std::optional<QString> startedAt;
};

// Whether a request's URL asks the platform's host for the student-list page; the query does not count.
bool isStudentListUrl(const QString &url, const QString &host);

// One entry of a capture read straight from its bytes, without building JSON documents.
struct QuickEntry
{
    enum class Outcome {
        // Written in a way the quick reader leaves to QJsonDocument, which must read the entry.
        GaveUp,
        // Not a usable student-list response.
        Skipped,
        Used,
    };
    Outcome outcome = Outcome::GaveUp;
    StudentListResponse response;
};

// Reads the entries of one capture; keeps its working space from one entry to the next.
class QuickEntryReader
{
public:
    explicit QuickEntryReader(QString host);
    ~QuickEntryReader();

    // Reads an entry exactly as reading it with QJsonDocument would, or gives up.
    QuickEntry read(QByteArrayView entry);

private:
    struct Buffers;
    QString m_host;
    std::unique_ptr<Buffers> m_buffers;
};

} // namespace quorvale
