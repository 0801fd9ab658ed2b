#include "platform/updates/appcast.h"

#include "core/base/text.h"
#include "platform/updates/bundleversion.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace quorvale::updates {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool complete(const AppcastItem &item)
{
    return !item.version.isEmpty() && item.url.isValid() && !item.url.host().isEmpty() && item.length > 0 &&
           !item.edSignature.isEmpty();
}

AppcastItem readItem(QXmlStreamReader &reader)
{
    AppcastItem item;
    while (reader.readNextStartElement()) {
        const bool sparkle = reader.namespaceUri() == sparkleNamespace;
        if (sparkle && reader.name() == u"version") {
            item.version = reader.readElementText().trimmed();
        } else if (sparkle && reader.name() == u"shortVersionString") {
            item.displayVersion = reader.readElementText().trimmed();
        } else if (reader.namespaceUri().isEmpty() && reader.name() == u"enclosure") {
            const QXmlStreamAttributes attributes = reader.attributes();
            item.url = QUrl(attributes.value(QStringLiteral("url")).toString(), QUrl::StrictMode);
            item.length = text::parseInteger(attributes.value(QStringLiteral("length"))).value_or(0);
            item.edSignature = attributes.value(sparkleNamespace, QStringLiteral("edSignature")).toString();
            reader.skipCurrentElement();
        } else {
            reader.skipCurrentElement();
        }
    }
    if (item.displayVersion.isEmpty())
        item.displayVersion = item.version;
    return item;
}

} // namespace

std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.namespaceUri().isEmpty() && reader.name() == u"item") {
            const AppcastItem item = readItem(reader);
            if (complete(item))
                items.append(item);
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return items;
}

QByteArray writeAppcast(const QList<AppcastItem> &items)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeNamespace(sparkleNamespace, QStringLiteral("sparkle"));
    writer.writeStartElement(QStringLiteral("rss"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    writer.writeStartElement(QStringLiteral("channel"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("课径"));
    for (const AppcastItem &item : items) {
        writer.writeStartElement(QStringLiteral("item"));
        writer.writeTextElement(QStringLiteral("title"), QStringLiteral("课径 ") + item.displayVersion);
        writer.writeTextElement(sparkleNamespace, QStringLiteral("version"), item.version);
        writer.writeTextElement(sparkleNamespace, QStringLiteral("shortVersionString"), item.displayVersion);
        writer.writeStartElement(QStringLiteral("enclosure"));
        writer.writeAttribute(QStringLiteral("url"), item.url.toString(QUrl::FullyEncoded));
        writer.writeAttribute(QStringLiteral("length"), QString::number(item.length));
        writer.writeAttribute(QStringLiteral("type"), QStringLiteral("application/octet-stream"));
        writer.writeAttribute(sparkleNamespace, QStringLiteral("edSignature"), item.edSignature);
        writer.writeEndElement();
        writer.writeEndElement();
    }
    writer.writeEndDocument();
    return xml;
}

std::optional<AppcastItem> newestUpdate(const QList<AppcastItem> &items, const QString &runningVersion)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem &item : items) {
        const QString floor = newest ? newest->version : runningVersion;
        if (compareVersions(item.version, floor).value_or(0) > 0)
            newest = item;
    }
    return newest;
}

} // namespace quorvale::updates
