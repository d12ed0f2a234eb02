// SPDX-License-Identifier: GPL-3.0-or-later
// The registration columns asked of registries of our own: which RDAP server answers for a suffix, RDAP and
// port-43 servers asked once per domain (www. names, an address, IANA's referral remembered),
// what 查看应答原文 shows, a question asked again, and a relay variable that cannot be read.
#include "queries/lookups/registration.h"
#include "queries/sources/rdap.h"

#include "TestWhoisServer.h"
#include "commandlinetesting.h"
#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestRegistries : public CommandLineTest
{
    Q_OBJECT
private slots:
    void init() { makeHome(); }
    void rdapServers();
    void askedOncePerDomain();
    void rdapAnswers_data();
    void rdapAnswers();
    void terminalOutputs_data();
    void terminalOutputs();
};

void TestRegistries::rdapServers()
{
    RdapBootstrap iana;
    iana.load(R"({"services":[[["uk"],["https://uk.test/"]],[["co.uk","COM"],["http://a.test/","https://b.test"]]]})");
    QCOMPARE(iana.baseFor(u"shop.co.uk"_s), u"https://b.test/"_s); // the longest suffix
    QCOMPARE(iana.baseFor(u"a.cn"_s), QString());
    // The servers that ship beside IANA's file.
    QCOMPARE(rdapSupplement().baseFor(u"example.de"_s), u"https://rdap.denic.de/"_s);
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
    WalkerFixture engine;
    QVERIFY(rdapOfTestAt(engine.dir.filePath(u"cache"_s), engine.server.hostPort()));
    engine.server.route(u"/rdap/domain/example.test"_s,
        TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"example.test","events":[{"eventAction":
            "registration","eventDate":"2001-01-01T00:00:00Z"},{"eventAction":"expiration","eventDate":"2030-01-02T00:00:00Z"}]})"));
    engine.server.route(u"/rdap/domain/xn--fsqu00a.test"_s, TestHttpServer::page(R"({"errorCode":404})", 404));
    // Suffixes without RDAP are asked over WHOIS: ".cn" from the table, ".zz" where IANA refers us, once.
    TestWhoisServer whois;
    whois.answers.insert("example.cn",
        "Domain Name: example.cn\r\nSponsoring Registrar: 示例注册商\r\n"
        "Registration Time: 2003-03-17 12:20:05\r\nExpiration Time: 2027-03-17 12:48:36\r\n");
    whois.answers.insert("zz", "domain: ZZ\n\nrefer: whois.nic.zz\n");
    std::optional<ScopedEnv> relay(std::in_place, "QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    const QStringList registration {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s};
    QVERIFY(engine.run({u"example.test"_s, u"www.例子.test"_s, u"http://www.example.cn/"_s, u"example.zz"_s,
                           u"127.0.0.9:8080/x"_s, u"other.zz"_s},
        QSet<QString>(registration.begin(), registration.end()), false));
    QStringList rows;
    for (int row = 0; row < 6; ++row)
        rows.append(engine.cells(row, registration));
    // A name no registry can be asked about is said in all four cells (test_names has the other kinds).
    QCOMPARE(rows,
        (QStringList {u"已注册|无|2001-01-01|2030-01-02"_s, u"未注册|无|无|无"_s,
            u"已注册|示例注册商|2003-03-17|2027-03-17"_s, u"未注册|无|无|无"_s,
            u"无效域名|无效域名|无效域名|无效域名 !127.0.0.9 是 IP 地址，没有注册信息"_s, u"未注册|无|无|无"_s}));
    // The cell says which name the registry was asked about where it is not the row's.
    const int status = columnOfKey(u"reg-status"_s);
    QCOMPARE(engine.walker->results().note(2, status), u"查询的是 example.cn"_s);
    QCOMPARE(engine.walker->results().note(0, status), QString());
    engine.server.requests.sort(); // two at once: either may come first
    QCOMPARE(
        engine.server.requests, (QStringList {u"/rdap/domain/example.test"_s, u"/rdap/domain/xn--fsqu00a.test"_s}));
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
    QVERIFY(wrapped.answer()
                .cells.value(u"reg-status"_s)
                .problem.startsWith(u"QUILLMARK_HOST_WHOIS=127.0.0.1:85652 不能用"_s));
}

void TestRegistries::rdapAnswers_data()
{
    // Asked at /rdap/domain/NAME; `redirect`, when given, sends the question on (%1: the same host's other
    // port), where `body` answers with `status`.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("redirect");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("cells"); // %1 as above
    const QByteArray free = R"({"errorCode":404,"title":"Not Found"})";
    QTest::newRow("a 404 after a redirect that keeps the server and /domain/NAME")
        << u"a.test"_s << u"/v2/domain/A.test"_s << 404 << free << u"未注册|无|无|无"_s;
    QTest::newRow("a 404 from the same host on another port")
        << u"a.test"_s << u"http://%1/rdap/domain/a.test"_s << 404 << free
        << u"未知|未知|未知|未知 !RDAP 服务地址可能有误（HTTP 404，来自另一地址 http://%1/rdap/domain/a.test）"_s;
    QTest::newRow("a 404 for another name")
        << u"a.test"_s << u"/rdap/domain/b.test"_s << 404 << free
        << u"未知|未知|未知|未知 !RDAP 服务地址可能有误（HTTP 404，来自另一地址 http://127.0.0.1:%2/rdap/domain/b.test）"_s;
    const QString notOurs = u"未知|未知|未知|未知 !RDAP 应答不是 xn--fsqu00a.test 的域名记录"_s;
    QTest::newRow("ldhName another name, unicodeName the one asked")
        << u"例子.test"_s << QString() << 200
        << R"({"objectClassName":"domain","ldhName":"other.test","unicodeName":"例子.test"})"_ba << notOurs;
    QTest::newRow("unicodeName another name, ldhName the one asked")
        << u"例子.test"_s << QString() << 200
        << R"({"objectClassName":"domain","ldhName":"XN--FSQU00A.test","unicodeName":"别的.test"})"_ba << notOurs;
    QTest::newRow("both names the one asked, in other cases")
        << u"ÉTÉ.test"_s << QString() << 200
        << R"({"objectClassName":"domain","ldhName":"XN--T-9FAB.TEST","unicodeName":"ÉTÉ.Test"})"_ba
        << u"已注册|无|无|无"_s;
}

void TestRegistries::rdapAnswers()
{
    QFETCH(QString, name);
    QFETCH(QString, redirect);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, cells);
    WalkerFixture engine;
    TestHttpServer otherPort;
    QVERIFY(rdapOfTestAt(engine.dir.filePath(u"cache"_s), engine.server.hostPort()));
    const auto filled = [&](const QString& text) {
        return QString(text)
            .replace(u"%1"_s, otherPort.hostPort())
            .replace(u"%2"_s, QString::number(engine.server.port()));
    };
    const QString asked = u"/rdap/domain/"_s + QString::fromLatin1(QUrl::toAce(name));
    if (redirect.isEmpty()) {
        engine.server.route(asked, TestHttpServer::page(body, status));
    } else {
        TestHttpServer::Response moved = TestHttpServer::page({}, 302);
        moved.headers.append({"Location", filled(redirect).toUtf8()});
        engine.server.route(asked, moved);
        const QString target = filled(redirect).startsWith(u'/') ? filled(redirect) : QUrl(filled(redirect)).path();
        (filled(redirect).startsWith(u'/') ? engine.server : otherPort)
            .route(target, TestHttpServer::page(body, status));
    }
    QVERIFY(engine.run({name}, {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s}, false));
    QCOMPARE(engine.cells(0, {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s}), filled(cells));
}

void TestRegistries::terminalOutputs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("shown"); // on standard output or error, each
    QTest::newRow("--explain: an answer that retitles and recolours the terminal, a NUL in a cell")
        << QStringList {u"--explain"_s, u"hostile.cn"_s} << 0
        << QStringList {u"注册商：Foo␀Bar"_s, u"到期日：2029-03-17"_s, u"3  Remark: ␛]0;PWNED␇␛[31mred␛[0m␡"_s,
               u"4  Expiration Time: 2029-03-17 12:48:36"_s};
    QTest::newRow("--explain: a hostile name echoed") << QStringList {u"--explain"_s, u"\x1b[2Jbad\x07name"_s} << 1
                                                      << QStringList {u"查询：␛[2Jbad␇name（未发出查询）"_s};
    QTest::newRow("a list's file name echoed in its error")
        << QStringList {u"--batch"_s, u"/nonexistent/\x1b]0;PWNED\x07"_s, u"--lookups"_s, u"dns"_s} << 2
        << QStringList {u"无法读取 --batch /nonexistent/␛]0;PWNED␇："_s};
}

void TestRegistries::terminalOutputs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, shown);
    TestWhoisServer whois;
    whois.answers.insert("hostile.cn",
        "Domain Name: hostile.cn\r\nSponsoring Registrar: Foo\0Bar\r\n"
        "Remark: \x1b]0;PWNED\x07\x1b[31mred\xc2\x9b"
        "0m\x7f\r\nExpiration Time: 2029-03-17 12:48:36\r\n"_ba);
    m_environment
        = {u"XDG_CACHE_HOME="_s + m_home->filePath(u"cache"_s), u"QUILLMARK_HOST_WHOIS="_s + whois.hostPort()};
    QByteArray output, error;
    QTEST(run(arguments, {}, &output, &error), "status");
    const QString said = QString::fromUtf8(output + error);
    // Every control character a sign on the screen, never obeyed, and the whole answer there.
    for (const QChar c : said)
        QVERIFY2(
            c == u'\n' || (c >= u' ' && (c < u'\x7f' || c > u'\x9f')), said.toUtf8().toPercentEncoding().constData());
    for (const QString& part : shown)
        QVERIFY2(said.contains(part), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestRegistries)
#include "test_registries.moc"
