#include "shell/waitcursor.h"

#include <QApplication>
#include <QtTest>

using namespace quorvane;

namespace {
Qt::CursorShape shown()
{
    const QCursor *c = QApplication::overrideCursor();
    return c ? c->shape() : Qt::BitmapCursor; // BitmapCursor: no override pointer at all
}
} // namespace

// The hourglass every long piece of work shows: taken back exactly once, so a pointer set around
// it (a closing message's arrow, an outer run) stays as it was.
class TestWaitCursor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheHourglassForItsSpanAndTakesItBackOnce()
    {
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        {
            WaitCursor wait;
            QCOMPARE(shown(), Qt::WaitCursor);
            wait.release();
            QCOMPARE(shown(), Qt::ArrowCursor);
            wait.release();
        } // neither the second release nor the end of the scope takes the outer arrow away
        QCOMPARE(shown(), Qt::ArrowCursor);
        {
            WaitCursor off(false);
            QCOMPARE(shown(), Qt::ArrowCursor);
        }
        QCOMPARE(shown(), Qt::ArrowCursor);
        {
            WaitCursor wait;
            QCOMPARE(shown(), Qt::WaitCursor);
        } // an early return leaves by this path
        QCOMPARE(shown(), Qt::ArrowCursor);
        QApplication::restoreOverrideCursor();
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestWaitCursor)
#include "tst_waitcursor.moc"
