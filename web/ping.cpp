// SPDX-License-Identifier: GPL-3.0-or-later
// Running ping with the host as one argument, its output read and cut, bounded in time.
#include "web/ping.h"

#include "web/network.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// ping's first line names the address: "PING host (1.2.3.4) 56(84) bytes". Only that line is cut: a host
// that cannot be resolved comes back in ping's complaint, brackets and all ("evil(8.8.8.8).com").
bool holdsAddressLine(const QString& output)
{
    const qsizetype end = output.indexOf(u'\n');
    if (end < 0 || !output.startsWith(u"PING "_s))
        return false;
    const qsizetype open = output.indexOf(u'(');
    const qsizetype close = output.indexOf(u')');
    return open >= 0 && close > open && close < end;
}

bool isNameFailure(const QString& output)
{
    for (const QString& complaint : {u"Name or service not known"_s, u"Temporary failure in name resolution"_s,
             u"No address associated with hostname"_s, u"unknown host"_s}) {
        if (output.contains(complaint))
            return true;
    }
    return false;
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

PingLookup::PingLookup(const QString& host, const QString& pingProgram, int limitMs, QObject* parent)
    : QObject(parent)
    , m_ping(new QProcess(this))
    , m_limit(new QTimer(this))
    , m_limitMs(limitMs)
{
    m_ping->setProcessChannelMode(QProcess::MergedChannels);
    m_ping->setProgram(pingProgram);
    m_ping->setArguments({u"-4"_s, u"-c"_s, u"1"_s, u"--"_s, host});
    connect(m_ping, &QProcess::readyRead, this, [this] {
        m_output += m_ping->readAll();
        if (holdsAddressLine(QString::fromLocal8Bit(m_output)))
            finish();
    });
    connect(m_ping, &QProcess::finished, this, &PingLookup::finish);
    connect(m_ping, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_failedToStart = true;
            finish();
        }
    });
    m_limit->setSingleShot(true);
    m_limit->setTimerType(Qt::PreciseTimer);
    connect(m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        finish();
    });
    // Started from the event loop: a missing program is reported from inside start(), and finished()
    // must not come before the caller has connected to it.
    QTimer::singleShot(0, this, [this] {
        m_limit->start(m_limitMs);
        m_ping->start(QIODevice::ReadOnly);
    });
}

PingLookup::~PingLookup()
{
    m_ping->disconnect(this);
    if (m_ping->state() != QProcess::NotRunning) {
        m_ping->kill();
        m_ping->waitForFinished(1000);
    }
}

void PingLookup::finish()
{
    if (m_done)
        return;
    m_done = true;
    m_limit->stop();
    m_output += m_ping->readAll();
    // ping may linger after the address line; it is not waited for, only ended.
    m_ping->disconnect(this);
    if (m_ping->state() != QProcess::NotRunning)
        m_ping->kill();

    const QString timeout = QCoreApplication::translate("Network", "请求超时（%1 秒）").arg(m_limitMs / 1000.0);
    if (m_failedToStart) {
        m_result = {QCoreApplication::translate("Network", "无法运行 ping"),
            QCoreApplication::translate("Network", "无法运行 ping")};
    } else if (m_output.isEmpty()) {
        m_result = {m_timedOut ? QCoreApplication::translate("Network", "请求超时") : QString(),
            m_timedOut ? timeout : QString()};
    } else {
        QString text = QString::fromLocal8Bit(m_output);
        // ping names itself by the path it was started from ("/usr/bin/ping: …"); the user knows it as ping.
        static const QRegularExpression startedAs(u"^/\\S*/([^/\\s:]+):"_s, QRegularExpression::MultilineOption);
        text.replace(startedAs, u"\\1:"_s);
        if (holdsAddressLine(text))
            m_result = {cutBracketed(text, u'(', u')')};
        else
            m_result = {text,
                m_timedOut                ? timeout
                    : isNameFailure(text) ? QCoreApplication::translate("Network", "无法解析主机")
                                          : QString()};
    }
    emit finished();
}

PingLookup* GetIP(const QString& URL, const QString& pingProgram, QObject* parent)
{
    return new PingLookup(URL, pingProgram, FetchLimits().pingLimitMs, parent);
}

PingLookup* GetIP(const QString& URL, const QString& pingProgram, int limitMs, QObject* parent)
{
    return new PingLookup(URL, pingProgram, limitMs, parent);
}
