// SPDX-License-Identifier: GPL-3.0-or-later
// Names as the lookups that need a domain read them: the ASCII form, the registrable domain a registry is asked
// about, and names no domain can have, which get 无效域名 without a question to anyone.
#include "queries/sources/registrable.h"

#include "TestDnsServer.h"
#include "TestWhoisServer.h"
#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestNames : public QObject
{
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void noDomainAsksNothing_data();
    void noDomainAsksNothing();
};

void TestNames::names_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ascii"); // asciiName(), empty for no name
    QTest::addColumn<QString>("registrable"); // what a registry is asked about, else why nothing is
    const auto row = [](const char* name, const QString& typed, const QString& ascii, const QString& registrable) {
        QTest::newRow(name) << typed << ascii << registrable;
    };
    row("Unicode to punycode", u"例子.测试"_s, u"xn--fsqu00a.xn--0zwm56d"_s, u"xn--fsqu00a.xn--0zwm56d"_s);
    row("case and final dot", u" EXAMPLE.com. "_s, u"example.com"_s, u"example.com"_s);
    row("no name", u"bad name!.test"_s, QString(), u"!无效域名"_s);
    row("a label ending in a hyphen", u"a-.test"_s, QString(), u"!无效域名"_s);
    row("a label starting with a hyphen", u"a.-b.test"_s, QString(), u"!无效域名"_s);
    row("an underscore", u"_dmarc.a.test"_s, QString(), u"!无效域名"_s);
    row("deep", u"a.b.example.com.cn"_s, u"a.b.example.com.cn"_s, u"example.com.cn"_s);
    // A row typed as an address is no name, though a registry is asked about its host's domain.
    row("an address", u"https://WWW.example.com.cn:8080/path?q"_s, QString(), u"example.com.cn"_s);
    row("a path", u"example.com.cn/path"_s, QString(), u"example.com.cn"_s);
    row("unknown suffix", u"www.taken.test"_s, u"www.taken.test"_s, u"taken.test"_s);
    row("a bare suffix", u"com.cn"_s, u"com.cn"_s, u"!com.cn 是公共后缀，没有可注册的部分"_s);
    row("Unicode registrable", u"www.例子.中国"_s, u"www.xn--fsqu00a.xn--fiqs8s"_s, u"xn--fsqu00a.xn--fiqs8s"_s);
    row("ICANN section only", u"user.github.io"_s, u"user.github.io"_s, u"github.io"_s);
    row("an IP address", u"10.0.0.1"_s, u"10.0.0.1"_s, u"!10.0.0.1 是 IP 地址，没有注册信息"_s);
}

void TestNames::names()
{
    QFETCH(QString, typed);
    QFETCH(QString, registrable);
    QTEST(asciiName(typed), "ascii");
    const TypedName name = typedName(typed);
    QCOMPARE(name.problem.isEmpty() ? name.registrable : u'!' + name.problem, registrable);
}

void TestNames::noDomainAsksNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("lookups"); // each gives 无效域名 and asks nothing
    const QStringList siteFacts {u"dns"_s, u"reg-status"_s, u"home-status"_s, u"robots"_s, u"tls-expiry"_s};
    QTest::newRow("a label that starts with a hyphen") << u"-a.test"_s << siteFacts;
    // A host name may hold one (the home page is fetched), a domain may not.
    QTest::newRow("an underscore") << u"a_b.test"_s << QStringList {u"dns"_s, u"reg-status"_s};
    // The registry is asked about the host's domain; the resolver is not asked about the address.
    QTest::newRow("an address with a path") << u"a.test/path"_s << QStringList {u"dns"_s};
}

void TestNames::noDomainAsksNothing()
{
    QFETCH(QString, name);
    QFETCH(QStringList, lookups);
    TestDnsServer resolver; // answers any name it is asked: 不存在
    TestWhoisServer whois;
    const ScopedEnv dns("QUILLMARK_DNS_SERVER", resolver.hostPort()),
        port43("QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    WalkerFixture engine;
    QVERIFY(engine.run({name}, QSet<QString>(lookups.begin(), lookups.end()), false));
    for (const QString& key : std::as_const(lookups))
        QCOMPARE(key + u' ' + engine.cells(0, {key}), key + u" 无效域名 !无效域名"_s);
    QCOMPARE(whois.queries.size() + engine.server.requests.size(), 0);
}

QTEST_GUILESS_MAIN(TestNames)
#include "test_names.moc"
