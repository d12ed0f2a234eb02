#pragma once

#include <QString>

// The address between the first `open` and the first `close` bracket of ping's output. Output with no
// `close` keeps everything after the first `open`; output with neither bracket comes back whole.
QString cutBracketed(const QString& output, QChar open, QChar close);

struct PingLimits
{
    int timeLimitMs = 10'000;
};
void setPingLimits(const PingLimits& limits);

struct PingResult
{
    QString text;
    QString problem; // set when ping could not run or timed out
};
PingResult pingAddress(const QString& host, const QString& pingProgram);

// The address `URL` resolves to, read from one IPv4 echo request of `pingProgram`. The host text is one
// argument after "--", so no host can become an option or a shell command. Events keep flowing while
// ping runs. Falls back to ping's whole output, "请求超时" or "无法运行 ping".
QString GetIP(const QString& URL, const QString& pingProgram);
