#include "web/ping.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

PingLimits g_limits;

// The address ends the first line that holds a bracket pair, e.g. "PING host (1.2.3.4) 56(84) bytes".
bool holdsAddressLine(const QString& output)
{
    const qsizetype end = output.indexOf(u'\n');
    if (end < 0)
        return false;
    const qsizetype open = output.indexOf(u'(');
    const qsizetype close = output.indexOf(u')');
    return open >= 0 && close > open && close < end;
}

} // namespace

QString cutBracketed(const QString& output, QChar open, QChar close)
{
    QString result = output;
    const qsizetype closeAt = result.indexOf(close);
    if (closeAt >= 0)
        result.truncate(closeAt);
    const qsizetype openAt = result.indexOf(open);
    if (openAt >= 0)
        result.remove(0, openAt + 1);
    return result;
}

void setPingLimits(const PingLimits& limits)
{
    g_limits = limits;
}

QString GetIP(const QString& URL, const QString& pingProgram)
{
    return pingAddress(URL, pingProgram).text;
}

PingResult pingAddress(const QString& host, const QString& pingProgram)
{
    QProcess ping;
    ping.setProcessChannelMode(QProcess::MergedChannels);
    ping.setProgram(pingProgram);
    ping.setArguments({u"-4"_s, u"-c"_s, u"1"_s, u"--"_s, host});

    QByteArray output;
    bool failedToStart = false;
    bool timedOut = false;
    bool done = false;
    QEventLoop loop;
    const auto finish = [&] {
        done = true;
        loop.quit();
    };
    QTimer limit;
    limit.setTimerType(Qt::PreciseTimer);
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        finish();
    });
    QObject::connect(&ping, &QProcess::readyRead, &loop, [&] {
        output += ping.readAll();
        if (holdsAddressLine(QString::fromLocal8Bit(output)))
            finish();
    });
    QObject::connect(&ping, &QProcess::finished, &loop, finish);
    QObject::connect(&ping, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failedToStart = true;
            finish();
        }
    });

    limit.start(g_limits.timeLimitMs);
    ping.start(QIODevice::ReadOnly);
    // A missing program is reported from inside start(), before there is a loop to leave.
    if (!done)
        loop.exec();
    limit.stop();

    if (ping.state() != QProcess::NotRunning) {
        ping.kill();
        ping.waitForFinished(1000);
    }
    output += ping.readAll();
    if (failedToStart)
        return {u"无法运行 ping"_s, u"无法运行 ping"_s};
    const QString timeout = u"请求超时（%1 秒）"_s.arg(g_limits.timeLimitMs / 1000.0);
    if (output.isEmpty())
        return {timedOut ? u"请求超时"_s : QString(), timedOut ? timeout : QString()};
    const QString text = QString::fromLocal8Bit(output);
    return {cutBracketed(text, u'(', u')'), timedOut && !holdsAddressLine(text) ? timeout : QString()};
}
