// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QSslServer;
typedef struct evp_pkey_st EVP_PKEY;
typedef struct x509_st X509;

// Throwaway certificates made for one test run: a certificate authority of our own, and leaf
// certificates it signs (or that sign themselves), with the names and dates a case needs.
struct TestCertificate
{
    QByteArray certificatePem;
    QByteArray keyPem;
};

class TestAuthority
{
public:
    TestAuthority();
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;
    QByteArray pem() const;
    // For `names`, valid from `fromDays` to `toDays` days from now, issued by organisation "Quill Test CA".
    TestCertificate issue(const QStringList& names, int fromDays, int toDays) const;
    // Signed by its own key, naming itself as issuer by common name only.
    static TestCertificate selfSigned(const QString& name, int fromDays, int toDays);

private:
    EVP_PKEY* m_key;
    X509* m_root;
};

// A TLS server on 127.0.0.1 that completes handshakes with the certificate it was given and says nothing.
class TestTlsServer : public QObject
{
    Q_OBJECT
public:
    explicit TestTlsServer(const TestCertificate& certificate, QObject* parent = nullptr);
    quint16 port() const;
    int handshakes = 0; // begun

private:
    QSslServer* m_server;
};
