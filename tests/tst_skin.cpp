// The skin: binding gives controls its look, and the element scripts slide buttons in on a
// clock the test moves by hand.
#include "support/ManualAnimationClock.h"
#include "support/TestMain.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinElement.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinPanel.h"
#include "ui/skin/SkinScript.h"
#include "ui/skin/SkinSlideIn.h"

#include <QDialog>
#include <QImage>

namespace {
QColor centreColour(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.width() / 2, 2);
}
} // namespace

class TestSkin : public QObject
{
    Q_OBJECT
private slots:
    void slideIn_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::newRow("vertical") << true;
        QTest::newRow("horizontal") << false;
    }

    // Shown 60 units off its place, resting 500 ms, back in place 1000 ms later, slowing down.
    void slideIn()
    {
        QFETCH(bool, vertical);
        ManualAnimationClock clock;
        QDialog window;
        SkinForm skin(&window);
        SkinButton button(QStringLiteral("OK"), &window);
        button.setGeometry(100, 50, 80, 25);
        button.bind(&skin);
        const QPoint home = button.pos();
        const QPoint away = vertical ? home + QPoint(0, 60) : home - QPoint(60, 0);
        const auto direction =
            vertical ? SkinAnimation::Direction::Vertical : SkinAnimation::Direction::Horizontal;

        SkinAnimation::slideIn(&button, direction);
        QCOMPARE(button.pos(), away);
        QCOMPARE(clock.claims(), 1);
        clock.advance(490);
        QCOMPARE(button.pos(), away);

        // Half way through the slide a decelerating move has covered well over half the way.
        clock.advance(510);
        const int covered = vertical ? away.y() - button.y() : button.x() - away.x();
        QVERIFY2(covered > 40 && covered < 60, qPrintable(QString::number(covered)));
        QCOMPARE(vertical ? button.x() : button.y(), vertical ? home.x() : home.y());

        clock.advance(490);
        QVERIFY(button.element()->isPlaying());
        clock.advance(20);
        QCOMPARE(button.pos(), home);
        QCOMPARE(clock.claims(), 0);
        QCOMPARE(button.size(), QSize(80, 25));
    }

    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QRect>("end");
        const QRect start(10, 20, 30, 40);
        QTest::newRow("move and size") << "moveto 1 2 3 4 - - 0" << true << QRect(1, 2, 3, 4);
        QTest::newRow("all kept") << "moveto - - - - - - 100" << true << start;
        QTest::newRow("two moves") << "moveto 5 - - - - - 50 linear; wait 10;moveto - 9 - - - - 5"
                                   << true << QRect(5, 9, 30, 40);
        QTest::newRow("blank statements") << " ; wait 5;; " << true << start;
        QTest::newRow("unknown verb") << "jump 5" << false << start;
        QTest::newRow("wait without time") << "wait" << false << start;
        QTest::newRow("negative wait") << "wait -5" << false << start;
        QTest::newRow("too few slots") << "moveto 1 2 3" << false << start;
        QTest::newRow("spare slot used") << "moveto - - - - 5 - 100" << false << start;
        QTest::newRow("word for a number") << "moveto x - - - - - 100" << false << start;
        QTest::newRow("negative size") << "moveto - - -3 - - - 100" << false << start;
        QTest::newRow("unknown easing")
            << "wait 10; moveto 1 - - - - - 100 bounce" << false << start;
    }

    // A script that cannot be read moves nothing, not even its readable first part.
    void scripts()
    {
        QFETCH(QString, script);
        QFETCH(bool, readable);
        QFETCH(QRect, end);
        ManualAnimationClock clock;
        QWidget control;
        control.setGeometry(10, 20, 30, 40);
        SkinElement element(&control);
        QCOMPARE(element.RunScript(script), readable);
        clock.advance(1000);
        QCOMPARE(element.geometry(), end);
        QCOMPARE(element.isPlaying(), false);
    }

    void positionsReadIntegersWriteText()
    {
        QWidget control;
        control.setGeometry(10, 20, 30, 40);
        SkinElement element(&control);
        element.setVertical(QStringLiteral("75"));
        element.setHorizontal(QStringLiteral(" -4 "));
        QCOMPARE(element.vertical(), 75);
        QCOMPARE(element.horizontal(), -4);
        element.setVertical(QStringLiteral("7.5"));
        element.setHorizontal(QStringLiteral("left"));
        QCOMPARE(control.pos(), QPoint(-4, 75));
    }

    void buttonWithoutElementStays()
    {
        ManualAnimationClock clock;
        QDialog window;
        SkinButton button(QStringLiteral("OK"), &window);
        button.setGeometry(100, 50, 80, 25);
        QVERIFY(!button.element());
        SkinAnimation::AnimateButtons({&button, nullptr}, SkinAnimation::Direction::Vertical);
        QCOMPARE(button.pos(), QPoint(100, 50));
        QCOMPARE(clock.claims(), 0);
    }

    // Entering the window again during a slide must not leave the button short of its place.
    void replayDuringASlideEndsInPlace()
    {
        ManualAnimationClock clock;
        QDialog window;
        SkinForm skin(&window);
        SkinButton button(QStringLiteral("OK"), &window);
        button.setGeometry(100, 50, 80, 25);
        button.bind(&skin);
        SkinAnimation::slideIn(&button, SkinAnimation::Direction::Vertical);
        clock.advance(800);
        SkinAnimation::slideIn(&button, SkinAnimation::Direction::Vertical);
        QCOMPARE(button.pos(), QPoint(100, 110));
        clock.advance(1500);
        QCOMPARE(button.pos(), QPoint(100, 50));
        QCOMPARE(clock.claims(), 0);
    }

    // A bound control draws with the skin's warm colours; binding again changes nothing.
    void bindingGivesTheLook()
    {
        QDialog window;
        window.resize(300, 200);
        SkinForm skin(&window);
        SkinButton button(QStringLiteral("OK"), &window);
        button.setGeometry(10, 10, 100, 30);
        SkinPanel panel(&window);
        panel.setGeometry(10, 60, 100, 50);
        SkinLabel label(QStringLiteral("Title"), &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QColor plainButton = centreColour(&button);
        const QColor plainPanel = centreColour(&panel);
        button.bind(&skin);
        panel.bind(&skin);
        label.bind(&skin);
        const QColor skinnedButton = centreColour(&button);
        const QColor skinnedPanel = centreColour(&panel);
        QVERIFY(skinnedButton != plainButton);
        QVERIFY(skinnedPanel != plainPanel);
        for (const QColor& c : {skinnedButton, skinnedPanel}) {
            QVERIFY2(c.red() > c.green() && c.green() > c.blue() && c.red() - c.blue() > 40,
                     qPrintable(c.name()));
        }
        QVERIFY(label.isBound());
        // The skin's label ink is dark on the paper.
        QVERIFY(label.palette().color(QPalette::WindowText).lightness() < 100);

        const QImage before = button.grab().toImage();
        button.bind(&skin);
        QCOMPARE(button.grab().toImage(), before);
        QVERIFY(button.element());
    }

    // Bound, a button keeps its designed place while its caption fits, and grows about its
    // centre, never past its window's edge, where the skin's bold caption would be cut.
    void boundButtonsShowTheirWholeCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("designed");
        QTest::newRow("short caption") << "OK" << QRect(100, 60, 90, 25);
        QTest::newRow("long caption") << "Installed Acrobat" << QRect(100, 60, 40, 25);
        QTest::newRow("long caption at the edge") << "Installed Acrobat" << QRect(0, 60, 40, 25);
    }

    void boundButtonsShowTheirWholeCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, designed);
        QDialog window;
        window.resize(300, 200);
        SkinForm skin(&window);
        SkinButton button(caption, &window);
        button.setGeometry(designed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        button.bind(&skin);
        const QRect bound = button.geometry();
        QVERIFY2(bound.width() >= button.sizeHint().width(), qPrintable(caption));
        if (designed.width() >= button.sizeHint().width()) {
            QCOMPARE(bound, designed);
        } else if (designed.left() > 0) {
            QVERIFY(qAbs(bound.center().x() - designed.center().x()) <= 1);
        } else {
            QCOMPARE(bound.left(), 0);
        }
        QCOMPARE(bound.top(), designed.top());
    }
};

QUILLMERE_TEST_MAIN(TestSkin)
#include "tst_skin.moc"
