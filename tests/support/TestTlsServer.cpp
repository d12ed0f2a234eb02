// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestTlsServer.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

EVP_PKEY* newKey()
{
    return EVP_EC_gen("P-256");
}

// A key (without a certificate) or a certificate as PEM text.
QByteArray pemOf(EVP_PKEY* key, X509* certificate = nullptr)
{
    BIO* bio = BIO_new(BIO_s_mem());
    certificate ? PEM_write_bio_X509(bio, certificate)
                : PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray pem(data, int(size));
    BIO_free(bio);
    return pem;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// Signed by `issuerKey` under `issuer`'s name, or by its own key when there is no issuer.
X509* make(EVP_PKEY* key, const QByteArray& commonName, const QByteArray& organisation, const QStringList& names,
    int fromDays, int toDays, bool authority, X509* issuer, EVP_PKEY* issuerKey)
{
    static long serial = 1;
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
    X509_gmtime_adj(X509_getm_notBefore(certificate), long(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(certificate), long(toDays) * 86400);
    X509_set_pubkey(certificate, key);
    X509_NAME* subject = X509_get_subject_name(certificate);
    if (!organisation.isEmpty())
        X509_NAME_add_entry_by_txt(
            subject, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(organisation.constData()), -1, -1, 0);
    X509_NAME_add_entry_by_txt(
        subject, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(commonName.constData()), -1, -1, 0);
    X509_set_issuer_name(certificate, issuer ? X509_get_subject_name(issuer) : subject);
    X509* signer = issuer ? issuer : certificate;
    if (authority) {
        addExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(certificate, signer, NID_basic_constraints, "CA:FALSE");
        QStringList alternatives;
        for (const QString& name : names)
            alternatives.append(QStringLiteral("DNS:") + name);
        addExtension(certificate, signer, NID_subject_alt_name, alternatives.join(u',').toUtf8().constData());
    }
    X509_sign(certificate, issuerKey ? issuerKey : key, EVP_sha256());
    return certificate;
}

// The pair as PEM text, both freed.
TestCertificate taken(X509* certificate, EVP_PKEY* key)
{
    const TestCertificate pems {pemOf(nullptr, certificate), pemOf(key)};
    X509_free(certificate);
    EVP_PKEY_free(key);
    return pems;
}

} // namespace

TestAuthority::TestAuthority()
    : m_key(newKey())
    , m_root(make(m_key, "Quill Test Root", "Quill Test CA", {}, -1, 30, true, nullptr, nullptr))
{
}

TestAuthority::~TestAuthority()
{
    X509_free(m_root);
    EVP_PKEY_free(m_key);
}

QByteArray TestAuthority::pem() const
{
    return pemOf(nullptr, m_root);
}

TestCertificate TestAuthority::issue(const QStringList& names, int fromDays, int toDays) const
{
    EVP_PKEY* key = newKey();
    return taken(make(key, names.first().toUtf8(), {}, names, fromDays, toDays, false, m_root, m_key), key);
}

TestCertificate TestAuthority::selfSigned(const QString& name, int fromDays, int toDays)
{
    EVP_PKEY* key = newKey();
    return taken(make(key, name.toUtf8(), {}, {name}, fromDays, toDays, false, nullptr, nullptr), key);
}

TestTlsServer::TestTlsServer(const TestCertificate& certificate, QObject* parent)
    : QObject(parent)
    , m_server(new QSslServer(this))
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(certificate.certificatePem, QSsl::Pem));
    configuration.setPrivateKey(QSslKey(certificate.keyPem, QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server->setSslConfiguration(configuration);
    // Counted as they begin: a client that has read the certificate may hang up before the server's
    // side of the handshake is through.
    connect(m_server, &QSslServer::startedEncryptionHandshake, this, [this] { ++handshakes; });
    connect(m_server, &QSslServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    });
    m_server->listen(QHostAddress::LocalHost);
}

quint16 TestTlsServer::port() const
{
    return m_server->serverPort();
}
