#include "platform/updates/startreport.h"

#include <QByteArray>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quorvale::updates {

const char *reportChannelVariable()
{
    return "QUORVALE_UPDATE_REPORT";
}

std::optional<int> takeReportChannel()
{
    const QByteArray named = qgetenv(reportChannelVariable());
    qunsetenv(reportChannelVariable());
    bool ok = false;
    const int channel = named.toInt(&ok);
    // Only an open pipe is taken: a stale name must not point at another file.
    struct stat status = {};
    if (!ok || channel < 0 || ::fstat(channel, &status) != 0 || !S_ISFIFO(status.st_mode) ||
        ::fcntl(channel, F_SETFD, FD_CLOEXEC) != 0)
        return std::nullopt;
    return channel;
}

void report(int channel, StartEvent event)
{
    const char byte = char(event);
    while (::write(channel, &byte, 1) < 0 && errno == EINTR) {
    }
}

ReportPipe::ReportPipe()
{
    int ends[2] = {-1, -1};
    if (::pipe(ends) != 0)
        return;
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    m_reading = ends[0];
    m_writing = ends[1];
}

ReportPipe::~ReportPipe()
{
    closeWriting();
    if (m_reading >= 0)
        ::close(m_reading);
}

void ReportPipe::closeWriting()
{
    if (m_writing >= 0)
        ::close(std::exchange(m_writing, -1));
}

QByteArray ReportPipe::take() const
{
    QByteArray events;
    char buffer[64];
    ssize_t length = 0;
    while ((length = ::read(m_reading, buffer, sizeof buffer)) > 0)
        events.append(buffer, length);
    return events;
}

} // namespace quorvale::updates
