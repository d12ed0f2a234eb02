// SPDX-License-Identifier: GPL-3.0-or-later
// The certificate lookup: one TLS handshake per site, read whether or not the certificate validates.
#include "queries/lookups/tls.h"

#include "queries/engine/keys.h"
#include "queries/lookups/home.h"

#include <QCoreApplication>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// Certificate authorities to trust beyond the system's (a company's own, or a test's): a PEM file.
QList<QSslCertificate> extraAuthorities()
{
    const QString path = qEnvironmentVariable("QUILLMARK_CA_FILE");
    return path.isEmpty() ? QList<QSslCertificate>() : QSslCertificate::fromPath(path, QSsl::Pem);
}

class TlsJob : public LookupJob
{
public:
    TlsJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        // The home page's host, and its port when the row names one.
        const QUrl home(outboundAddress(m_domain), QUrl::StrictMode);
        if (home.host().isEmpty()) {
            finishBoth(
                {QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")});
            return;
        }
        m_socket = new QSslSocket(this);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        static const QList<QSslCertificate> extra = extraAuthorities();
        if (!extra.isEmpty())
            configuration.addCaCertificates(extra);
        m_socket->setSslConfiguration(configuration);
        m_socket->setPeerVerifyName(home.host(QUrl::EncodeUnicode)); // certificates name hosts in ASCII
        if (m_context.proxy)
            m_socket->setProxy(*m_context.proxy);
        // Read whatever is presented; what was wrong with it is kept for the cells' marks.
        connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
            m_errors = errors;
            m_socket->ignoreSslErrors();
        });
        connect(m_socket, &QSslSocket::encrypted, this, [this] {
            const QSslCertificate certificate = m_socket->peerCertificate();
            const QString problem = certificateProblem(m_errors);
            m_socket->disconnect(this);
            m_socket->abort();
            if (certificate.isNull()) {
                finishBoth({QCoreApplication::translate("Cells", "无法访问"),
                    QCoreApplication::translate("Certificate", "服务器未出示证书")});
                return;
            }
            finish(m_context.lookup,
                {{Key::TlsExpiry,
                     {expiryText(certificate.expiryDate(), m_context.clock->now()), problem, {}, -1, {}, false,
                         expiryValue(certificate.expiryDate(), m_context.clock->now())}},
                    {Key::TlsIssuer, {issuerText(certificate), problem}}});
        });
        connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
            CellResult cell {QCoreApplication::translate("Cells", "无法访问"),
                socketErrorReason(error, m_port, m_socket->errorString())};
            cell.unreachable = error != QAbstractSocket::SslHandshakeFailedError;
            finishBoth(cell);
        });
        auto* limit = new QTimer(this);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, this, [this] {
            const int seconds = m_context.network->limits.timeLimitMs / 1000;
            CellResult cell {QCoreApplication::translate("Cells", "无法访问"),
                QCoreApplication::translate("Certificate", "连接超时（%1 秒）").arg(seconds)};
            cell.unreachable = true;
            finishBoth(cell);
        });
        limit->start(m_context.network->limits.timeLimitMs);
        m_port = quint16(home.port(443));
        m_socket->connectToHostEncrypted(home.host(QUrl::EncodeUnicode), m_port);
    }

private:
    void finishBoth(const CellResult& cell)
    {
        if (m_done)
            return;
        m_done = true;
        if (m_socket) {
            m_socket->disconnect(this);
            m_socket->abort();
        }
        finish(m_context.lookup, {{Key::TlsExpiry, cell}, {Key::TlsIssuer, cell}});
    }

    void finish(const QString& lookup, QHash<QString, CellResult> cells)
    {
        m_done = true;
        LookupJob::finish(lookup, std::move(cells));
    }

    QString m_domain;
    JobContext m_context;
    QSslSocket* m_socket = nullptr;
    QList<QSslError> m_errors;
    quint16 m_port = 443;
    bool m_done = false;
};

Lookup certificateLookup(const QString& key, const QString& header, Measure measure)
{
    return {.key = key,
        .header = header,
        .measure = measure,
        .service = {u"tls"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "HTTPS 证书")), {32}},
        .start
        = [](const QString& domain, const JobContext& context) -> LookupJob* { return new TlsJob(domain, context); },
        .answerGroup = u"tls"_s};
}

} // namespace

QString socketErrorReason(QAbstractSocket::SocketError error, quint16 port, const QString& english)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return QCoreApplication::translate("Certificate", "找不到主机");
    case QAbstractSocket::ConnectionRefusedError:
        return QCoreApplication::translate("Certificate", "连接被拒绝（端口 %1 未开放 HTTPS）").arg(port);
    case QAbstractSocket::RemoteHostClosedError:
        return QCoreApplication::translate("Certificate", "连接被对方关闭");
    case QAbstractSocket::SocketTimeoutError:
        return QCoreApplication::translate("Certificate", "连接超时");
    case QAbstractSocket::NetworkError:
        return QCoreApplication::translate("Certificate", "网络错误（%1）").arg(english);
    case QAbstractSocket::SslHandshakeFailedError:
        return QCoreApplication::translate("Certificate", "TLS 握手失败（%1）").arg(english);
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return QCoreApplication::translate("Certificate", "代理要求身份验证（用户名或密码不对）");
    case QAbstractSocket::ProxyConnectionRefusedError:
        return QCoreApplication::translate("Certificate", "代理拒绝连接");
    case QAbstractSocket::ProxyConnectionClosedError:
        return QCoreApplication::translate("Certificate", "代理意外断开了连接");
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return QCoreApplication::translate("Certificate", "代理没有应答");
    case QAbstractSocket::ProxyNotFoundError:
        return QCoreApplication::translate("Certificate", "找不到代理服务器");
    case QAbstractSocket::ProxyProtocolError:
        return QCoreApplication::translate("Certificate", "代理的应答无法识别（%1）").arg(english);
    default:
        return QCoreApplication::translate("Certificate", "连接失败（%1）").arg(english);
    }
}

CellValue expiryValue(const QDateTime& expiry, const QDateTime& now)
{
    // Days between two instants, not between two calendar dates, so the count is the same wherever the user
    // is. A day begun counts as left (a 90-day certificate has 90 left, the last hours 1) and a day begun
    // since it ran out does not (an hour ago is 0 days expired): a valid one never shows 0 days left.
    constexpr qint64 kDay = 24 * 60 * 60;
    const qint64 seconds = now.secsTo(expiry);
    const QDate day = expiry.toLocalTime().date();
    return seconds > 0 ? CellValue::date(day, (seconds + kDay - 1) / kDay) : CellValue::lapsed(day, -seconds / kDay);
}

QString expiryText(const QDateTime& expiry, const QDateTime& now)
{
    return displayText(expiryValue(expiry, now));
}

QString issuerText(const QSslCertificate& certificate)
{
    for (const auto attribute : {QSslCertificate::Organization, QSslCertificate::CommonName}) {
        const QStringList names = certificate.issuerInfo(attribute);
        if (!names.isEmpty() && !names.first().trimmed().isEmpty())
            return names.first().trimmed();
    }
    return QCoreApplication::translate("Cells", "无");
}

QString certificateProblem(const QList<QSslError>& errors)
{
    QStringList reasons;
    for (const QSslError& error : errors) {
        QString reason;
        switch (error.error()) {
        case QSslError::CertificateExpired:
            reason = QCoreApplication::translate("Certificate", "证书已过期");
            break;
        case QSslError::CertificateNotYetValid:
            reason = QCoreApplication::translate("Certificate", "证书尚未生效");
            break;
        case QSslError::HostNameMismatch:
            reason = QCoreApplication::translate("Certificate", "证书与域名不符");
            break;
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
            reason = QCoreApplication::translate("Certificate", "自签名证书");
            break;
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            reason = QCoreApplication::translate("Certificate", "颁发者不受信任");
            break;
        case QSslError::CertificateRevoked:
            reason = QCoreApplication::translate("Certificate", "证书已吊销");
            break;
        default:
            reason = QCoreApplication::translate("Certificate", "证书无效（%1）").arg(error.errorString());
        }
        if (!reasons.contains(reason))
            reasons.append(reason);
    }
    return reasons.join(QCoreApplication::translate("Certificate", "；"));
}

const Lookup& tlsExpiryLookup()
{
    static const Lookup lookup
        = certificateLookup(Key::TlsExpiry, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "证书到期")), Measure::Date);
    return lookup;
}

const Lookup& tlsIssuerLookup()
{
    static const Lookup lookup = certificateLookup(
        Key::TlsIssuer, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "证书颁发者")), Measure::Text);
    return lookup;
}
