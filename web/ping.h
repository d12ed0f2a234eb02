// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The host's address through the system's ping.
#include <QObject>
#include <QString>

class QProcess;
class QTimer;

// The address between the first `open` and the first `close` bracket of ping's output. Output with no
// `close` keeps everything after the first `open`; output with neither bracket comes back whole.
QString cutBracketed(const QString& output, QChar open, QChar close);

struct PingResult
{
    QString text;
    QString problem = {}; // set when ping could not run, timed out or could not resolve the host
};

// One IPv4 echo request of `pingProgram` for a host, and the address read from what it prints. The host
// text is one argument after "--", so no host can become an option or a shell command. finished() comes
// exactly once, never from inside the constructor; deleting the lookup before then kills ping.
class PingLookup : public QObject
{
    Q_OBJECT
public:
    PingLookup(const QString& host, const QString& pingProgram, int limitMs, QObject* parent = nullptr);
    ~PingLookup() override;

    const PingResult& result() const { return m_result; }

signals:
    void finished();

private:
    void finish();

    QProcess* m_ping;
    QTimer* m_limit;
    int m_limitMs;
    QByteArray m_output;
    bool m_failedToStart = false;
    bool m_timedOut = false;
    bool m_done = false;
    PingResult m_result;
};

// Falls back to ping's whole output, "请求超时" or "无法运行 ping". Without a limit, the default one.
PingLookup* GetIP(const QString& URL, const QString& pingProgram, QObject* parent = nullptr);
PingLookup* GetIP(const QString& URL, const QString& pingProgram, int limitMs, QObject* parent);
