#include "qt/QtClock.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>

namespace marrowick {
namespace {

class QtTimer : public Timer {
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void start(int intervalMs, bool repeat) override
    {
        m_timer.setSingleShot(!repeat);
        m_timer.start(intervalMs < 0 ? 0 : intervalMs);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

QtClock::QtClock()
{
    m_elapsed.start();
}

std::unique_ptr<Timer> QtClock::createTimer()
{
    return std::make_unique<QtTimer>();
}

std::int64_t QtClock::nowMs() const
{
    return m_elapsed.elapsed();
}

double QtClock::secondsSinceMidnight() const
{
    return static_cast<double>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0;
}

std::string QtClock::localDate() const
{
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string QtClock::localTime() const
{
    // The locale's time with seconds ("5:07:09 PM"), without the time zone that
    // its long format adds: the text also names log files.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return QLocale().toString(QTime::currentTime(), format.trimmed()).toStdString();
}

LocalDateTime QtClock::localDateTime() const
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

} // namespace marrowick
