#include "core/base/errors.h"

namespace quorvale {

const char *Error::what() const noexcept
{
    m_what = description().toUtf8();
    return m_what.constData();
}

QString DecodingError::description() const
{
    switch (m_kind) {
    case Kind::MissingKey:
        return QStringLiteral("返回数据缺少必需字段，无法读取");
    case Kind::WrongType:
        return QStringLiteral("返回数据字段类型不符，无法读取");
    case Kind::InvalidValue:
        return QStringLiteral("返回数据字段的值不符合预期，无法读取");
    case Kind::Corrupted:
        break;
    }
    return QStringLiteral("返回数据不是有效的 JSON，无法读取");
}

} // namespace quorvale
