#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/caretrest.h"
#include "app/look/colourscheme.h"
#include "app/look/coursestate.h"
#include "app/look/framecache.h"
#include "app/look/painting.h"
#include "app/look/primaryactionbutton.h"
#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/look/startupwarmup.h"
#include "app/look/statusbadge.h"
#include "app/look/transition.h"
#include "tests/support/pixels.h"

#include <QApplication>
#include <QDBusVariant>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleHints>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

using namespace quorvale;

using quorvale::testing::pixelsOf;

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

// A translucent rounded card with a border, as the lesson cards are drawn.
class CardSample : public QWidget
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        painting::paintRoundedCard(this, event->rect(), 22.0, QColor(40, 120, 200, 30), QColor(0, 0, 0, 60));
    }
};

// The card drawn over a plain ground, only where `exposed` says.
QImage renderCard(CardSample &card, const QRegion &exposed)
{
    QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xF4, 0xF4, 0xF4));
    // The region's top left is drawn at the offset given.
    card.render(&image, exposed.boundingRect().topLeft(), exposed, QWidget::RenderFlags());
    return image;
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void choosesColourByPaletteDarkness_data();
    void choosesColourByPaletteDarkness();
    void givesEachStateItsColourByPalette_data();
    void givesEachStateItsColourByPalette();
    void repaintsBadgeInTheNewPaletteColour();
    void showsBadgeTitleAsPlainText_data();
    void showsBadgeTitleAsPlainText();
    void fadesOnlyWhenRevealIsReduced();
    void keepsButtonsStillWhenMotionIsReduced();
    void playsButtonPressWhenMotionIsOn();
    void repaintedBandMatchesTheWholeCard_data();
    void repaintedBandMatchesTheWholeCard();
    void bandedFillMatchesOneFill_data();
    void bandedFillMatchesOneFill();
    void edgeStrokeMatchesOneStroke_data();
    void edgeStrokeMatchesOneStroke();
    void cachedFrameMatchesDirectPaint_data();
    void cachedFrameMatchesDirectPaint();
    void caretRestsUntilTheNextInput();
    void stepsOnlyWhereTheShownStepChanges_data();
    void stepsOnlyWhereTheShownStepChanges();
    void showsArrivalAtOnceWhenMotionIsReduced();
    void removesContentAtOnceWhenMotionIsReduced();
    void readsThePublishedColourScheme_data();
    void readsThePublishedColourScheme();
    void followsTheSchemeAndGivesThePaletteBack();
    void startupWarmupEndsHoweverItIsLeft_data();
    void startupWarmupEndsHoweverItIsLeft();
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

void TestLook::givesEachStateItsColourByPalette_data()
{
    QTest::addColumn<CourseState>("state");
    QTest::addColumn<QColor>("lightColour");
    QTest::addColumn<QColor>("darkColour");
    QTest::newRow("current") << CourseState::current << QColor(0x16613E) << QColor(0x90DFB7);
    QTest::newRow("upcoming") << CourseState::upcoming << QColor(0x5342A0) << QColor(0xC9B8FF);
    QTest::newRow("free") << CourseState::free << QColor(0x475569) << QColor(0xBCC8D8);
    QTest::newRow("unknown") << CourseState::unknown << QColor(0x86500D) << QColor(0xF2CA86);
    QTest::newRow("failure") << CourseState::failure << QColor(0xA32D40) << QColor(0xFFADB9);
}

void TestLook::givesEachStateItsColourByPalette()
{
    QFETCH(CourseState, state);
    QFETCH(QColor, lightColour);
    QFETCH(QColor, darkColour);
    StatusBadge badge(QStringLiteral("正在上课"), state);
    badge.setPalette(light);
    QCOMPARE(badge.tint(), lightColour);
    badge.setPalette(dark);
    QCOMPARE(badge.tint(), darkColour);
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

void TestLook::repaintedBandMatchesTheWholeCard_data()
{
    QTest::addColumn<QRect>("band");
    QTest::newRow("a bar across the middle") << QRect(40, 150, 320, 3);
    QTest::newRow("a column down the side") << QRect(3, 40, 4, 100);
    QTest::newRow("just inside the straight top edge") << QRect(24, 1, 100, 2);
    QTest::newRow("over the border") << QRect(40, 0, 100, 3);
    QTest::newRow("into a corner") << QRect(2, 2, 30, 30);
}

void TestLook::repaintedBandMatchesTheWholeCard()
{
    QFETCH(QRect, band);
    CardSample card;
    card.resize(400, 200);
    const QImage whole = renderCard(card, QRegion(card.rect()));
    const QImage repainted = renderCard(card, QRegion(band));
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x)
            QCOMPARE(repainted.pixel(x, y), whole.pixel(x, y));
    }
}

void TestLook::bandedFillMatchesOneFill_data()
{
    QTest::addColumn<QRectF>("shape");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("a pill") << QRectF(4, 3, 120, 26) << 13.0 << 1.0;
    QTest::newRow("a pill off the pixel grid") << QRectF(4.5, 3.25, 120.5, 25.5) << 12.75 << 1.0;
    QTest::newRow("a tall card") << QRectF(0, 0, 300, 180) << 22.0 << 1.0;
    QTest::newRow("one row") << QRectF(10, 10, 80, 1) << 0.5 << 1.0;
    QTest::newRow("a pill at twice the pixels") << QRectF(4, 3, 120, 26) << 13.0 << 2.0;
    QTest::newRow("a pill at one and a half") << QRectF(4, 3, 120, 26) << 13.0 << 1.5;
    QTest::newRow("off the grid at one and a quarter") << QRectF(3.5, 5.5, 90, 21) << 10.5 << 1.25;
}

void TestLook::bandedFillMatchesOneFill()
{
    QFETCH(QRectF, shape);
    QFETCH(qreal, radius);
    QFETCH(qreal, ratio);
    const QColor colour = painting::withOpacity(QColor(0x16613E), 0.075);
    const auto render = [&](bool banded) {
        QImage image((QSizeF(320, 200) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(QColor(0xF5F7FA));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (banded) {
            painting::fillRoundedRectInBands(painter, shape, radius, colour);
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawRoundedRect(shape, radius, radius);
        }
        return image;
    };
    QCOMPARE(render(true), render(false));
}

void TestLook::edgeStrokeMatchesOneStroke_data()
{
    QTest::addColumn<QRectF>("card");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QColor>("colour");
    const QColor hairline = painting::withOpacity(Qt::black, 0.07);
    QTest::newRow("a week card") << QRectF(0.5, 0.5, 599, 379) << 20.0 << 1.0 << 1.0 << hairline;
    QTest::newRow("off the pixel grid") << QRectF(3.4, 2.75, 420.3, 200.5) << 14.0 << 1.3 << 1.0 << hairline;
    QTest::newRow("at one and a quarter") << QRectF(0.5, 0.5, 399, 259) << 20.0 << 1.0 << 1.25 << hairline;
    QTest::newRow("at one and a half, light on dark")
        << QRectF(2.5, 4.5, 333, 211) << 12.0 << 1.0 << 1.5 << painting::withOpacity(Qt::white, 0.16);
    QTest::newRow("at twice the pixels") << QRectF(0.5, 0.5, 299, 179) << 20.0 << 0.7 << 2.0 << hairline;
    QTest::newRow("smaller than its corners") << QRectF(0.5, 0.5, 39, 30) << 20.0 << 1.0 << 1.0 << hairline;
}

void TestLook::edgeStrokeMatchesOneStroke()
{
    QFETCH(QRectF, card);
    QFETCH(qreal, radius);
    QFETCH(qreal, width);
    QFETCH(qreal, ratio);
    QFETCH(QColor, colour);
    QPainterPath outline;
    outline.addRoundedRect(card, radius, radius);
    const QPen pen(colour, width);
    const auto render = [&](bool alongEdges) {
        QImage image((QSizeF(640, 400) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(QColor(0x7A8290));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(outline, QColor(0xFBFCFD));
        if (alongEdges)
            painting::strokeRoundedOutline(painter, outline, radius, pen);
        else
            painter.strokePath(outline, pen);
        return image;
    };
    QCOMPARE(render(true), render(false));
}

void TestLook::cachedFrameMatchesDirectPaint_data()
{
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("a card") << QPoint(10, 7) << QSize(140, 90) << 1.0;
    QTest::newRow("a card at twice the pixels") << QPoint(10, 7) << QSize(140, 90) << 2.0;
    QTest::newRow("a card at one and a half") << QPoint(10, 8) << QSize(140, 90) << 1.5;
    QTest::newRow("off the device grid at one and a half") << QPoint(11, 7) << QSize(141, 91) << 1.5;
    QTest::newRow("a low card") << QPoint(3, 40) << QSize(200, 13) << 1.0;
    QTest::newRow("all corners") << QPoint(3, 40) << QSize(200, 11) << 1.0;
    QTest::newRow("lower than two corners") << QPoint(3, 40) << QSize(146, 4) << 1.0;
    QTest::newRow("lower than two corners, odd") << QPoint(3, 40) << QSize(146, 5) << 1.0;
    QTest::newRow("lower than two corners at one and a half") << QPoint(4, 40) << QSize(146, 4) << 1.5;
    QTest::newRow("narrower than two corners") << QPoint(3, 10) << QSize(9, 60) << 1.0;
}

void TestLook::cachedFrameMatchesDirectPaint()
{
    QFETCH(QPoint, origin);
    QFETCH(QSize, size);
    QFETCH(qreal, ratio);
    constexpr qreal radius = 6.0;
    const auto frame = [&](QPainter &painter, const QList<QRectF> &) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(QPointF(0.0, 0.0), size), radius, radius);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(shape, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        painter.fillPath(shape, QColor(0xFFFFFF));
        painter.fillPath(shape, painting::withOpacity(QColor(0x16613E), 0.13));
        // Content reaching the edge, under the outline.
        painter.fillRect(QRectF(-2.0, size.height() / 2.0 - 1.5, 20.0, 3.0), QColor(0x1D1D1F));
        painter.strokePath(shape, QPen(painting::withOpacity(QColor(0x16613E), 0.25), 0.7));
    };
    FrameCache cache;
    const auto render = [&](bool cached) {
        QImage image((QSizeF(240, 160) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        // Lines under the frame show how its edge blends with them.
        image.fill(QColor(0xF5F7FA));
        QPainter painter(&image);
        for (int y = 0; y < 160; y += 3)
            painter.fillRect(QRectF(0.0, y, 240.0, 1.0), QColor(40, 60, 200, 90));
        painter.translate(origin);
        if (!cached || !cache.paint(painter, size, radius, {QColor(Qt::white).rgba64()}, frame))
            frame(painter, {});
        return image;
    };
    const QImage direct = render(false);
    QCOMPARE(render(true), direct);
    // The second time from the image.
    QCOMPARE(render(true), direct);
}

void TestLook::caretRestsUntilTheNextInput()
{
    QStyleHints *hints = QGuiApplication::styleHints();
    const int desktop = hints->cursorFlashTime();
    QVERIFY(desktop > 0);
    QLineEdit field;
    field.show();
    QApplication::setActiveWindow(&field);
    field.setFocus();
    QTRY_VERIFY(field.hasFocus());
    int paints = 0;
    struct PaintCounter : QObject
    {
        int *count;
        explicit PaintCounter(int *counter)
            : count(counter)
        {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            *count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter(&paints);
    field.installEventFilter(&counter);
    {
        const CaretRest caret(200);
        QTRY_VERIFY(caret.resting());
        QCOMPARE(hints->cursorFlashTime(), 0);
        // At rest the caret stands still: the field is not drawn again.
        QTest::qWait(50);
        paints = 0;
        QTest::qWait(desktop + 200);
        QCOMPARE(paints, 0);
        // A key brings the blink back with the desktop's own time.
        QTest::keyClick(&field, Qt::Key_A);
        QVERIFY(!caret.resting());
        QCOMPARE(hints->cursorFlashTime(), desktop);
        paints = 0;
        QTRY_VERIFY(paints >= 2);
        QTRY_VERIFY(caret.resting());
    }
    // Gone, it leaves the desktop's flash time behind.
    QCOMPARE(hints->cursorFlashTime(), desktop);
}

void TestLook::stepsOnlyWhereTheShownStepChanges_data()
{
    QTest::addColumn<qreal>("from");
    QTest::addColumn<qreal>("to");
    // Taken within the call that moves it, so it is drawn with whatever else that change repaints.
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("within one pixel") << 10.0 << 10.4 << true;
    QTest::newRow("two pixels") << 10.0 << 12.0 << true;
    QTest::newRow("two pixels back") << 12.0 << 10.0 << true;
    QTest::newRow("three pixels") << 10.0 << 13.0 << false;
    QTest::newRow("across a wide bar") << 0.0 << 120.0 << false;
}

void TestLook::stepsOnlyWhereTheShownStepChanges()
{
    QFETCH(qreal, from);
    QFETCH(qreal, to);
    QFETCH(bool, atOnce);
    MotionOn motion;
    QObject owner;
    Tween tween(from, &owner);
    tween.setShownAs([](qreal value) { return qRound(value); });
    QList<int> shown{qRound(from)};
    connect(&tween, &Tween::valueChanged, &owner, [&shown](qreal value) { shown.append(qRound(value)); });
    tween.moveTo(to, springCurve<springs::standard>());
    QCOMPARE(!tween.moving() && tween.value() == to, atOnce);
    QTRY_VERIFY(!tween.moving());
    QCOMPARE(tween.value(), to);
    // One wake-up at most per pixel crossed, each showing another pixel; a move within one pixel is
    // one jump.
    const int pixels = std::abs(qRound(to) - qRound(from));
    QVERIFY(shown.size() - 1 <= std::max(pixels, 1));
    for (qsizetype i = 1; i < shown.size(); ++i)
        QCOMPARE(shown.at(i) != shown.at(i - 1), pixels > 0);
}

void TestLook::showsArrivalAtOnceWhenMotionIsReduced()
{
    QWidget card;
    arrive(&card, 3);
    card.show();
    QVERIFY(!card.graphicsEffect());
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

void TestLook::readsThePublishedColourScheme_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("dark");
    // -1 stands for no preference.
    QTest::newRow("no preference") << QVariant(0u) << -1;
    QTest::newRow("dark") << QVariant(1u) << 1;
    QTest::newRow("light") << QVariant(2u) << 0;
    QTest::newRow("dark, wrapped as Read sends it")
        << QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(1u))))) << 1;
    QTest::newRow("a scheme of a later version") << QVariant(7u) << -1;
    QTest::newRow("text") << QVariant(QStringLiteral("1")) << -1;
    QTest::newRow("nothing") << QVariant() << -1;
}

void TestLook::readsThePublishedColourScheme()
{
    QFETCH(QVariant, value);
    QFETCH(int, dark);
    const std::optional<bool> expected = dark < 0 ? std::nullopt : std::optional<bool>(dark == 1);
    QCOMPARE(colourscheme::prefersDark(value), expected);
}

void TestLook::followsTheSchemeAndGivesThePaletteBack()
{
    const QPalette before = QApplication::palette();
    const QPalette tipsBefore = QToolTip::palette();
    QVERIFY(!Appearance::isDark(before));
    colourscheme::apply(true);
    QVERIFY(Appearance::isDark(QApplication::palette()));
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase),
             QApplication::palette().color(QPalette::ToolTipBase));
    colourscheme::apply(false);
    QCOMPARE(QApplication::palette(), before);
    QCOMPARE(QToolTip::palette(), tipsBefore);
    colourscheme::apply(true);
    colourscheme::apply(std::nullopt);
    QCOMPARE(QApplication::palette(), before);
}

void TestLook::startupWarmupEndsHoweverItIsLeft_data()
{
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("waited");
    QTest::newRow("ready, waited for") << true << true;
    QTest::newRow("ready, left at once") << true << false;
    // main() returns early when the application cannot start: the reader must not wait for it.
    QTest::newRow("never ready") << false << false;
}

void TestLook::startupWarmupEndsHoweverItIsLeft()
{
    QFETCH(bool, ready);
    QFETCH(bool, waited);
    {
        StartupWarmup warmup;
        if (ready)
            warmup.applicationReady();
        if (waited)
            warmup.waitForFonts();
    }
    QVERIFY(!QFontDatabase::families().isEmpty());
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
