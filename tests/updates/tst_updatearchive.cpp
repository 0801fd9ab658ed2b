#include "platform/updates/updatearchive.h"

#include <QTest>

// The names and the number of files an update archive may hold.
using namespace quorvale::updates;

class TestUpdateArchive : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlyPlainNamesAndFewFiles_data();
    void acceptsOnlyPlainNamesAndFewFiles();
};

namespace {

UpdateArchive archiveOf(const QStringList &names)
{
    UpdateArchive archive{QStringLiteral("1.1.0"), {}};
    for (const QString &name : names)
        archive.entries.append({name, false, "x"});
    return archive;
}

QStringList numberedNames(int count)
{
    QStringList names;
    for (int index = 0; index < count; ++index)
        names.append(QStringLiteral("file%1").arg(index));
    return names;
}

} // namespace

void TestUpdateArchive::acceptsOnlyPlainNamesAndFewFiles_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("plain name") << QStringList{QStringLiteral("evil")} << true;
    QTest::newRow("name ending in a line break") << QStringList{QStringLiteral("evil\n")} << false;
    QTest::newRow("parent folder and a line break") << QStringList{QStringLiteral("..\n")} << false;
    QTest::newRow("most files") << numberedNames(int(maxArchiveEntries)) << true;
    QTest::newRow("one file too many") << numberedNames(int(maxArchiveEntries) + 1) << false;
}

void TestUpdateArchive::acceptsOnlyPlainNamesAndFewFiles()
{
    QFETCH(QStringList, names);
    QFETCH(bool, accepted);
    const UpdateArchive archive = archiveOf(names);
    const std::optional<UpdateArchive> unpacked = unpackArchive(packArchive(archive));
    QCOMPARE(unpacked.has_value(), accepted);
    if (accepted)
        QCOMPARE(*unpacked, archive);
}

QTEST_APPLESS_MAIN(TestUpdateArchive)

#include "tst_updatearchive.moc"
