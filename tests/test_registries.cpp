// The registration columns asked of registries of our own: which RDAP server answers for a suffix, RDAP and
// port-43 servers asked once per domain (www. names, a bare suffix, an address, IANA's referral remembered),
// what 查看应答原文 shows, a question asked again, and a relay variable that cannot be read.
#include "queries/lookups/registration.h"
#include "queries/sources/rdap.h"

#include "TestWhoisServer.h"
#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestRegistries : public QObject
{
    Q_OBJECT
private slots:
    void rdapServers();
    void askedOncePerDomain();
};

void TestRegistries::rdapServers()
{
    RdapBootstrap iana;
    iana.load(R"({"services":[[["uk"],["https://uk.test/"]],[["co.uk","COM"],["http://a.test/","https://b.test"]]]})");
    QCOMPARE(iana.baseFor(u"shop.co.uk"_s), u"https://b.test/"_s); // the longest suffix
    QCOMPARE(iana.baseFor(u"a.cn"_s), QString());
    // The servers that ship beside IANA's file.
    QCOMPARE(rdapSupplement().baseFor(u"example.de"_s), u"https://rdap.denic.de/"_s);
    QCOMPARE(rdapSupplement().baseFor(u"example.io"_s), u"https://rdap.identitydigital.services/rdap/"_s);
    QCOMPARE(rdapSupplement().baseFor(u"example.cn"_s), QString());
    // A fresh copy of IANA's file replaces the one in use only when it lists nearly all it did.
    RdapBootstrap inUse, nineInTen, tiny;
    inUse.load(R"({"services":[[["a","b","c","d","e","f","g","h","i","j"],["https://r.test/"]]]})");
    nineInTen.load(R"({"services":[[["a","b","c","d","e","f","g","h","i","z"],["https://r.test/"]]]})");
    tiny.load(R"({"services":[[["a","b","c","d","e"],["https://r.test/"]]]})");
    QVERIFY(nineInTen.covers(inUse) && !tiny.covers(inUse));
}

void TestRegistries::askedOncePerDomain()
{
    // The registry of ".test" is our server, the cached bootstrap says.
    QTemporaryDir folders;
    const ScopedEnv cache("XDG_CACHE_HOME", folders.filePath(u"cache"_s).toUtf8());
    WalkerFixture engine;
    QVERIFY(QDir().mkpath(folders.filePath(u"cache/seo-quillmark"_s)));
    QFile bootstrap(folders.filePath(u"cache/seo-quillmark/rdap-dns.json"_s));
    QVERIFY(bootstrap.open(QIODevice::WriteOnly));
    bootstrap.write(R"({"services":[[["test"],["http://)" + engine.server.hostPort().toUtf8() + R"(/rdap/"]]]})");
    bootstrap.close();
    engine.server.route(u"/rdap/domain/example.test"_s,
        TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"example.test","events":[{"eventAction":
            "registration","eventDate":"2001-01-01T00:00:00Z"},{"eventAction":"expiration","eventDate":"2030-01-02T00:00:00Z"}]})"));
    engine.server.route(u"/rdap/domain/xn--fsqu00a.test"_s, TestHttpServer::page(R"({"errorCode":404})", 404));
    // Suffixes without RDAP are asked over WHOIS: ".cn" from the table, ".zz" where IANA refers us, once.
    TestWhoisServer whois;
    whois.answers.insert("example.cn", "Domain Name: example.cn\r\nSponsoring Registrar: 示例注册商\r\n"
                                       "Registration Time: 2003-03-17 12:20:05\r\nExpiration Time: 2027-03-17 12:48:36\r\n");
    whois.answers.insert("zz", "domain: ZZ\n\nrefer: whois.nic.zz\n");
    std::optional<ScopedEnv> relay(std::in_place, "QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    const QStringList registration {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s};
    QVERIFY(engine.run({u"example.test"_s, u"www.例子.test"_s, u"http://www.example.cn/"_s, u"com.cn"_s, u"bad name"_s,
                           u"example.zz"_s, u"127.0.0.9:8080/x"_s, u"other.zz"_s},
        QSet<QString>(registration.begin(), registration.end()), false));
    QCOMPARE(engine.cells(0, registration), u"已注册|无|2001-01-01|2030-01-02"_s);
    QCOMPARE(engine.cells(1, registration), u"未注册|无|无|无"_s);
    QCOMPARE(engine.cells(2, registration), u"已注册|示例注册商|2003-03-17|2027-03-17"_s);
    QCOMPARE(engine.cells(3, registration), u"无效域名|无效域名|无效域名|无效域名 !com.cn 是公共后缀，没有可注册的部分"_s);
    QCOMPARE(engine.cells(4, registration), u"无效域名|无效域名|无效域名|无效域名 !无效域名"_s);
    QCOMPARE(engine.cells(5, registration), u"未注册|无|无|无"_s);
    QCOMPARE(engine.cells(6, registration), u"无效域名|无效域名|无效域名|无效域名 !127.0.0.9 是 IP 地址，没有注册信息"_s);
    QCOMPARE(engine.cells(7, registration), u"未注册|无|无|无"_s);
    // The cell says which name the registry was asked about where it is not the row's.
    const int status = columnOfKey(u"reg-status"_s);
    QCOMPARE(engine.walker->results().note(2, status), u"查询的是 example.cn"_s);
    QCOMPARE(engine.walker->results().note(0, status), QString());
    engine.server.requests.sort(); // two at once: either may come first
    QCOMPARE(engine.server.requests, (QStringList {u"/rdap/domain/example.test"_s, u"/rdap/domain/xn--fsqu00a.test"_s}));
    // IANA is asked once for ".zz": its referral is remembered for the next name of that suffix.
    std::sort(whois.queries.begin(), whois.queries.end());
    QCOMPARE(whois.queries, (QList<QByteArray> {"example.cn", "example.zz", "other.zz", "zz"}));
    // 查看应答原文: the answer as the registry sent it, and the lines each cell came from.
    const auto kept = engine.walker->answers().find(u"example.cn"_s);
    QVERIFY(kept);
    QCOMPARE(kept->source, u"WHOIS whois.cnnic.cn"_s);
    QVERIFY(explainAnswer(*kept).contains(u"注册商：示例注册商　← 第 2 行\n"_s));
    QVERIFY(explainAnswer(*kept).contains(u"\n▶ 2  Sponsoring Registrar: 示例注册商"_s));
    // Asked again outside the batch, as for a row whose answer is no longer kept.
    RegistrationQuestion again(u"www.example.cn"_s, engine.walker->jobContext(u"reg-status"_s));
    QVERIFY(QSignalSpy(&again, &RegistrationQuestion::finished).wait());
    QCOMPARE(again.answer().cells.value(u"reg-expiry"_s).text, u"2027-03-17"_s);
    // A relay that cannot be read is said in the cells; nothing is asked of a port wrapped into range.
    relay.emplace("QUILLMARK_HOST_WHOIS", "127.0.0.1:85652");
    RegistrationQuestion wrapped(u"example.cn"_s, engine.walker->jobContext(u"reg-status"_s));
    QVERIFY(QSignalSpy(&wrapped, &RegistrationQuestion::finished).wait());
    QVERIFY(wrapped.answer().cells.value(u"reg-status"_s).problem.startsWith(u"QUILLMARK_HOST_WHOIS=127.0.0.1:85652 不能用"_s));
}

QTEST_GUILESS_MAIN(TestRegistries)
#include "test_registries.moc"
