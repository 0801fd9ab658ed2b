#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/coursestate.h"
#include "app/look/primaryactionbutton.h"
#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/look/statusbadge.h"
#include "app/look/transition.h"

#include <QApplication>
#include <QDBusVariant>
#include <QEnterEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace quorvale;

namespace {

QPalette paletteWith(QColor window, QColor windowText)
{
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, windowText);
    return palette;
}

const QPalette light = paletteWith(QColor(0xEC, 0xEC, 0xEC), QColor(0x1E, 0x1E, 0x1E));
const QPalette dark = paletteWith(QColor(0x1E, 0x1E, 0x1E), QColor(0xEC, 0xEC, 0xEC));

int pixelsOf(const QImage &image, QColor colour)
{
    const QImage plain = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            count += plain.pixel(x, y) == colour.rgb() ? 1 : 0;
    return count;
}

QImage glyphImage(Glyph glyph)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillPath(glyphPath(glyph, QRectF(0, 0, 32, 32)), Qt::black);
    return image;
}

void hover(QWidget *widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

// Widget tests run with reduced motion; the few that watch motion switch it off for their duration.
struct MotionOn
{
    MotionOn() { motion::setReduced(false); }
    ~MotionOn() { motion::setReduced(true); }
};

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void choosesColourByPaletteDarkness_data();
    void choosesColourByPaletteDarkness();
    void usesOnlyTheLowRgbBytes();
    void givesEachStateItsColourAndGlyph_data();
    void givesEachStateItsColourAndGlyph();
    void keepsGlyphsDistinctWithCutOuts();
    void repaintsBadgeInTheNewPaletteColour();
    void showsBadgeTitleAsPlainText_data();
    void showsBadgeTitleAsPlainText();
    void fadesOnlyWhenRevealIsReduced();
    void settlesSpringsOnTheirTarget_data();
    void settlesSpringsOnTheirTarget();
    void keepsButtonsStillWhenMotionIsReduced();
    void keepsDisabledPrimaryButtonFlat();
    void playsButtonPressWhenMotionIsOn();
    void clearsDisabledSearchButton();
    void ignoresClicksOutsideTheSearchCapsule();
    void showsArrivalAtOnceWhenMotionIsReduced();
    void delaysArrivalsByOrder_data();
    void delaysArrivalsByOrder();
    void arrivesOnlyOnce();
    void removesContentAtOnceWhenMotionIsReduced();
    void readsDesktopConfigFiles_data();
    void readsDesktopConfigFiles();
    void readsPortalSettings_data();
    void readsPortalSettings();
};

void TestLook::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void TestLook::choosesColourByPaletteDarkness_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << light << false;
    QTest::newRow("dark") << dark << true;
    QTest::newRow("high-contrast dark") << paletteWith(Qt::black, Qt::white) << true;
    QTest::newRow("high-contrast light") << paletteWith(Qt::white, Qt::black) << false;
    QTest::newRow("dim dark") << paletteWith(QColor(0x40, 0x40, 0x40), QColor(0x90, 0x90, 0x90)) << true;
    QTest::newRow("tinted light") << paletteWith(QColor(0xFF, 0xF4, 0xD6), QColor(0x3A, 0x2A, 0x00)) << false;
}

void TestLook::choosesColourByPaletteDarkness()
{
    QFETCH(QPalette, palette);
    QFETCH(bool, dark);
    QCOMPARE(Appearance::isDark(palette), dark);
    QCOMPARE(Appearance::currentGreen.resolve(palette),
             dark ? QColor(0x90, 0xDF, 0xB7) : QColor(0x16, 0x61, 0x3E));
    QCOMPARE(Appearance::subjectPalette[15].resolve(palette),
             dark ? QColor(0x9B, 0xCB, 0xDF) : QColor(0x3C, 0x78, 0x90));
}

void TestLook::usesOnlyTheLowRgbBytes()
{
    const QColor colour = Appearance::adaptive(0xFF000000, 0xAB16613E).resolve(false);
    QCOMPARE(colour.redF(), 0x16 / 255.0f);
    QCOMPARE(colour.greenF(), 0x61 / 255.0f);
    QCOMPARE(colour.blueF(), 0x3E / 255.0f);
    QCOMPARE(colour.alpha(), 255);
    QCOMPARE(Appearance::adaptive(0xFF000000, 0xAB16613E).resolve(true), QColor(Qt::black));
}

void TestLook::givesEachStateItsColourAndGlyph_data()
{
    QTest::addColumn<CourseState>("state");
    QTest::addColumn<QColor>("lightColour");
    QTest::addColumn<QColor>("darkColour");
    QTest::addColumn<Glyph>("glyph");
    QTest::newRow("current") << CourseState::current << QColor(0x16613E) << QColor(0x90DFB7)
                             << Glyph::bookClosed;
    QTest::newRow("upcoming") << CourseState::upcoming << QColor(0x5342A0) << QColor(0xC9B8FF)
                              << Glyph::clock;
    QTest::newRow("free") << CourseState::free << QColor(0x475569) << QColor(0xBCC8D8)
                          << Glyph::checkmarkCircle;
    QTest::newRow("unknown") << CourseState::unknown << QColor(0x86500D) << QColor(0xF2CA86)
                             << Glyph::questionmarkCircle;
    QTest::newRow("failure") << CourseState::failure << QColor(0xA32D40) << QColor(0xFFADB9)
                             << Glyph::exclamationmarkTriangle;
}

void TestLook::givesEachStateItsColourAndGlyph()
{
    QFETCH(CourseState, state);
    QFETCH(QColor, lightColour);
    QFETCH(QColor, darkColour);
    QFETCH(Glyph, glyph);
    StatusBadge badge(QStringLiteral("正在上课"), state);
    badge.setPalette(light);
    QCOMPARE(badge.tint(), lightColour);
    badge.setPalette(dark);
    QCOMPARE(badge.tint(), darkColour);
    QCOMPARE(quorvale::glyph(state), glyph);
}

void TestLook::keepsGlyphsDistinctWithCutOuts()
{
    const QList<Glyph> glyphs{Glyph::bookClosed, Glyph::clock, Glyph::checkmarkCircle,
                              Glyph::questionmarkCircle, Glyph::exclamationmarkTriangle};
    QList<QImage> images;
    for (const Glyph glyph : glyphs) {
        const QImage image = glyphImage(glyph);
        // Across the middle, each glyph is ink, then a detail cut out of it, then ink again.
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, image.height() / 2));
            const QChar kind = alpha > 200 ? u'#' : alpha < 50 ? u'.' : QChar();
            if (!kind.isNull() && (row.isEmpty() || row.back() != kind))
                row.append(kind);
        }
        QVERIFY2(row.contains(QStringLiteral("#.#")), qPrintable(QString::number(int(glyph)) + u' ' + row));
        for (const QImage &other : std::as_const(images))
            QVERIFY(image != other);
        images.append(image);
    }
}

void TestLook::repaintsBadgeInTheNewPaletteColour()
{
    // An empty title leaves the glyph as the only thing painted in the full colour.
    StatusBadge badge(QString(), CourseState::upcoming);
    badge.resize(badge.sizeHint());
    badge.setPalette(light);
    QImage image = badge.grab().toImage();
    QVERIFY(pixelsOf(image, QColor(0x5342A0)) > 10);
    QCOMPARE(pixelsOf(image, QColor(0xC9B8FF)), 0);

    badge.setPalette(dark);
    image = badge.grab().toImage();
    QVERIFY(pixelsOf(image, QColor(0xC9B8FF)) > 10);
    QCOMPARE(pixelsOf(image, QColor(0x5342A0)), 0);
}

void TestLook::showsBadgeTitleAsPlainText_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("markup") << QStringLiteral("<b>数学</b><img src=\"x\">");
    QTest::newRow("ampersand") << QStringLiteral("语文&数学");
    QTest::newRow("entity") << QStringLiteral("&lt;课&gt;");
}

void TestLook::showsBadgeTitleAsPlainText()
{
    QFETCH(QString, title);
    const StatusBadge empty(QString(), CourseState::current);
    const StatusBadge badge(title, CourseState::current);
    QCOMPARE(badge.title(), title);
    QCOMPARE(badge.accessibleName(), title);
    QFont font = badge.font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    // The width holds every character of the title as written.
    const int textWidth = badge.sizeHint().width() - empty.sizeHint().width();
    QVERIFY2(qAbs(textWidth - QFontMetrics(font).horizontalAdvance(title)) <= 5,
             qPrintable(QString::number(textWidth)));
}

void TestLook::fadesOnlyWhenRevealIsReduced()
{
    const TransitionState fadedOut{1.0, {}, 0.0};
    QCOMPARE(Appearance::reveal(true), (Transition{fadedOut, fadedOut}));
    const Transition full = Appearance::reveal(false);
    QCOMPARE(full.insertion, (TransitionState{0.985, {0.0, 14.0}, 0.0}));
    QCOMPARE(full.removal, (TransitionState{0.985, {}, 0.0}));
}

void TestLook::settlesSpringsOnTheirTarget_data()
{
    QTest::addColumn<Curve>("curve");
    QTest::addColumn<double>("response");
    QTest::newRow("standard") << springCurve<springs::standard>() << 0.46;
    QTest::newRow("press") << springCurve<springs::press>() << 0.22;
    QTest::newRow("arrival") << springCurve<springs::arrival>() << 0.42;
    QTest::newRow("detail") << springCurve<springs::detail>() << 0.28;
}

void TestLook::settlesSpringsOnTheirTarget()
{
    QFETCH(Curve, curve);
    QFETCH(double, response);
    QCOMPARE(curve.easing.valueForProgress(0.0), 0.0);
    QCOMPARE(curve.easing.valueForProgress(1.0), 1.0);
    QVERIFY(qAbs(curve.easing.valueForProgress(0.97) - 1.0) < 0.002);
    // Half-way through its response a spring has covered most of the way, not all of it.
    const qreal halfResponse = curve.easing.valueForProgress(response / 2.0 * 1000.0 / curve.durationMs);
    QVERIFY2(halfResponse > 0.6 && halfResponse < 1.1, qPrintable(QString::number(halfResponse)));
    QVERIFY(curve.durationMs > int(response * 1000.0) && curve.durationMs < int(response * 3000.0));
}

void TestLook::keepsButtonsStillWhenMotionIsReduced()
{
    PrimaryActionButton primary(QStringLiteral("登录"));
    primary.show();
    hover(&primary, true);
    QCOMPARE(primary.scale(), 1.0);
    // The shadow is not a motion: it shows at once.
    QCOMPARE(primary.shadowOpacity(), 0.2);
    QTest::mousePress(&primary, Qt::LeftButton);
    QCOMPARE(primary.scale(), 1.0);
    QTest::mouseRelease(&primary, Qt::LeftButton);

    SearchActionButton search(QStringLiteral("查询"));
    search.show();
    QTest::mousePress(&search, Qt::LeftButton);
    QCOMPARE(search.scale(), 1.0);
    QTest::mouseRelease(&search, Qt::LeftButton);
    search.setEnabled(false);
    QCOMPARE(search.fill().alpha(), 0);
}

void TestLook::keepsDisabledPrimaryButtonFlat()
{
    MotionOn motion;
    PrimaryActionButton button(QStringLiteral("登录"));
    button.setEnabled(false);
    button.show();
    QCOMPARE(button.fill(), button.palette().color(QPalette::Disabled, QPalette::ButtonText));
    hover(&button, true);
    QTest::mousePress(&button, Qt::LeftButton);
    QCOMPARE(button.scale(), 1.0);
    QCOMPARE(button.shadowOpacity(), 0.0);
    QTest::qWait(50);
    QCOMPARE(button.scale(), 1.0);
}

void TestLook::playsButtonPressWhenMotionIsOn()
{
    MotionOn motion;
    SearchActionButton button(QStringLiteral("查询"));
    button.show();
    QTest::mousePress(&button, Qt::LeftButton);
    QCOMPARE(button.scale(), 1.0);
    QTRY_COMPARE(button.scale(), 0.96);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTRY_COMPARE(button.scale(), 1.0);
}

void TestLook::clearsDisabledSearchButton()
{
    SearchActionButton button(QStringLiteral("查询"));
    button.setPalette(dark);
    button.show();
    QCOMPARE(button.labelColor(), QColor(Qt::white));
    hover(&button, true);
    QCOMPARE(button.fill().alphaF(), 0.9f);
    button.setEnabled(false);
    QCOMPARE(button.fill().alpha(), 0);
    QCOMPARE(button.labelColor(), QColor(0xBAC4D1));
}

void TestLook::ignoresClicksOutsideTheSearchCapsule()
{
    SearchActionButton button(QStringLiteral("查询"));
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(4, 18));
    QCOMPARE(clicks.count(), 1);
}

void TestLook::showsArrivalAtOnceWhenMotionIsReduced()
{
    QWidget card;
    arrive(&card, 3);
    card.show();
    QVERIFY(!card.graphicsEffect());
}

void TestLook::delaysArrivalsByOrder_data()
{
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("delay");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("fourth") << 3 << 105;
    QTest::newRow("seventh") << 6 << 210;
    QTest::newRow("twentieth") << 19 << 210;
    QTest::newRow("negative") << -2 << 0;
}

void TestLook::delaysArrivalsByOrder()
{
    QFETCH(int, order);
    QFETCH(int, delay);
    QCOMPARE(Arrival::delayMs(order), delay);
}

void TestLook::arrivesOnlyOnce()
{
    MotionOn motion;
    QWidget card;
    arrive(&card, 0);
    auto *effect = qobject_cast<MotionEffect *>(card.graphicsEffect());
    QVERIFY(effect);
    QCOMPARE(effect->progress(), 0.0);
    card.show();
    QTRY_COMPARE(effect->progress(), 1.0);
    card.hide();
    arrive(&card, 0);
    card.show();
    QCOMPARE(effect->progress(), 1.0);
    QTest::qWait(50);
    QCOMPARE(effect->progress(), 1.0);
}

void TestLook::removesContentAtOnceWhenMotionIsReduced()
{
    QWidget area;
    auto *layout = new QVBoxLayout(&area);
    QPointer<QWidget> old = new QWidget;
    layout->addWidget(old);
    area.show();
    playRemoval(old, Appearance::reveal(true), springCurve<springs::standard>());
    QCOMPARE(layout->count(), 0);
    QVERIFY(old->isHidden());
    QTRY_VERIFY(old.isNull());

    auto *fresh = new QWidget;
    playInsertion(fresh, Appearance::reveal(true), springCurve<springs::standard>());
    layout->addWidget(fresh);
    QVERIFY(!fresh->graphicsEffect());
}

void TestLook::readsDesktopConfigFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("nothing") << QString() << QByteArray() << false;
    QTest::newRow("kde off") << "kdeglobals"
                             << QByteArray("[General]\nx=1\n[KDE]\nAnimationDurationFactor=0\n") << true;
    QTest::newRow("kde slow") << "kdeglobals" << QByteArray("[KDE]\nAnimationDurationFactor=0.5\n") << false;
    QTest::newRow("kde other group") << "kdeglobals" << QByteArray("[General]\nAnimationDurationFactor=0\n")
                                     << false;
    QTest::newRow("gtk3 false") << "gtk-3.0/settings.ini"
                                << QByteArray("[Settings]\ngtk-enable-animations=false\n") << true;
    QTest::newRow("gtk4 zero") << "gtk-4.0/settings.ini"
                               << QByteArray("[Settings]\ngtk-enable-animations=0\n") << true;
    QTest::newRow("gtk on") << "gtk-3.0/settings.ini"
                            << QByteArray("[Settings]\ngtk-enable-animations=true\n") << false;
    QTest::newRow("gtk garbage") << "gtk-3.0/settings.ini"
                                 << QByteArray("[Settings]\ngtk-enable-animations=nope\n") << false;
}

void TestLook::readsDesktopConfigFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, reduced);
    QTemporaryDir home;
    if (!file.isEmpty()) {
        QVERIFY(QDir(home.path()).mkpath(QFileInfo(home.filePath(file)).path()));
        QFile out(home.filePath(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    QCOMPARE(motion::configReducesMotion(home.path()), reduced);
}

void TestLook::readsPortalSettings_data()
{
    QTest::addColumn<QString>("settingNamespace");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("reduced");
    const QString appearance = QStringLiteral("org.freedesktop.appearance");
    const QString gnome = QStringLiteral("org.gnome.desktop.interface");
    const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");
    QTest::newRow("reduce asked") << appearance << "reduced-motion" << QVariant(uint(1)) << true;
    QTest::newRow("no preference") << appearance << "reduced-motion" << QVariant(uint(0)) << false;
    QTest::newRow("gnome off, wrapped twice")
        << gnome << "enable-animations"
        << QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(false)))) << true;
    QTest::newRow("gnome on") << gnome << "enable-animations" << QVariant(true) << false;
    QTest::newRow("kde zero text") << kde << "AnimationDurationFactor" << QVariant(QStringLiteral("0"))
                                   << true;
    QTest::newRow("kde zero number") << kde << "AnimationDurationFactor" << QVariant(0.0) << true;
    QTest::newRow("kde faster") << kde << "AnimationDurationFactor" << QVariant(0.25) << false;
    QTest::newRow("other key") << gnome << "enable-hot-corners" << QVariant(false) << false;
}

void TestLook::readsPortalSettings()
{
    QFETCH(QString, settingNamespace);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(bool, reduced);
    QCOMPARE(motion::portalSettingReducesMotion(settingNamespace, key, value), reduced);
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
