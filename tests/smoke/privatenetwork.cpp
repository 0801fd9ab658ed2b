#include "tests/smoke/privatenetwork.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvale::testing {

namespace {

QString systemError(const char *step, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLocal8Bit(std::strerror(error)));
}

bool writeFile(const char *path, const QByteArray &text)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// A new network namespace starts with its loopback interface down.
QString raiseLoopback()
{
    const int handle = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        return systemError("socket", errno);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool raised = ioctl(handle, SIOCGIFFLAGS, &request) == 0;
    if (raised) {
        request.ifr_flags = short(request.ifr_flags | IFF_UP);
        raised = ioctl(handle, SIOCSIFFLAGS, &request) == 0;
    }
    const int error = errno;
    close(handle);
    return raised ? QString() : systemError("loopback", error);
}

} // namespace

QString enterPrivateNetwork()
{
    const QByteArray user = QByteArray::number(geteuid());
    const QByteArray group = QByteArray::number(getegid());
    if (unshare(CLONE_NEWNET) != 0) {
        // Without the right to make a network namespace, a user namespace of one's own gives it; the
        // user keeps its own id inside, so files and the display stay as they were.
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return systemError("unshare", errno);
        if (!writeFile("/proc/self/setgroups", "deny") ||
            !writeFile("/proc/self/uid_map", user + ' ' + user + " 1") ||
            !writeFile("/proc/self/gid_map", group + ' ' + group + " 1"))
            return systemError("user map", errno);
    }
    return raiseLoopback();
}

} // namespace quorvale::testing
