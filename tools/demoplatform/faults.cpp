#include "tools/demoplatform/faults.h"

namespace quorvale::demo {

void Faults::answer(const QString &path, const HttpResponse &response, int times)
{
    add(path, {Fault::Kind::Answer, response, {}, times});
}

void Faults::drop(const QString &path, int times)
{
    add(path, {Fault::Kind::Drop, {}, {}, times});
}

void Faults::hold(const QString &path, int times)
{
    add(path, {Fault::Kind::Hold, {}, {}, times});
}

void Faults::raw(const QString &path, const QByteArray &bytes, int times)
{
    add(path, {Fault::Kind::Raw, {}, bytes, times});
}

void Faults::halfClose(const QString &path, int times)
{
    add(path, {Fault::Kind::HalfClose, {}, {}, times});
}

void Faults::flood(const QString &path, const QByteArray &head, const QByteArray &fill, qint64 repeats,
                   const QByteArray &tail)
{
    add(path, {.kind = Fault::Kind::Flood, .bytes = head, .fill = fill, .repeats = repeats, .tail = tail});
}

void Faults::add(const QString &path, Fault fault)
{
    if (fault.times != 0)
        m_faults[path].append(fault);
}

std::optional<Faults::Fault> Faults::take(const QString &path)
{
    const auto it = m_faults.find(path);
    if (it == m_faults.end() || it->isEmpty())
        return std::nullopt;
    Fault &next = it->first();
    const Fault taken = next;
    if (next.times > 0 && --next.times == 0)
        it->removeFirst();
    return taken;
}

} // namespace quorvale::demo
