// SPDX-License-Identifier: GPL-3.0-or-later
// How registration facts are read: real registries' WHOIS answers (tests/data/whois-corpus), the hostile answers
// that once passed for facts, the dates registries write, RDAP's not-found, and the servers users name.
#include "queries/engine/keys.h"
#include "queries/lookups/rdapanswer.h"
#include "queries/lookups/registration.h"
#include "queries/lookups/whois.h"
#include "web/hosts.h"

#include "WhoisCorpus.h"
#include "testing.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestRegistration : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void corpus_data();
    void corpus();
    void answers_data();
    void answers();
    void dates_data();
    void dates();
    void rdap_data();
    void rdap();
    void endpoints_data();
    void endpoints();
    void registriesFile();

private:
    // A registry's date is its calendar's whatever the user's: the tests run eight hours east of UTC.
    ScopedZone m_zone {"Asia/Shanghai"};
};

namespace {

// "已注册|Registrar|1995-08-14|2027-08-13 !why slower": the four cells, and the mark and push-back of the first.
QString row(const QHash<QString, CellResult>& cells)
{
    const CellResult first = cells.value(Key::RegStatus);
    return QStringList {first.text, cells.value(Key::RegRegistrar).text, cells.value(Key::RegCreated).text,
               cells.value(Key::RegExpiry).text}
               .join(u'|')
        + (first.problem.isEmpty() ? QString() : u" !"_s + first.problem)
        + (first.pushBack == PushBack::None ? QString() : u" slower"_s);
}

// The four cells as row() gives them, then the lines (from 1) each cell was read from, "-" for none:
// "已注册|X|2003-03-17|2027-03-17 ←1,4,5,6".
QString whoisRow(const QString& name, const QByteArray& answer, const QString& server)
{
    const WhoisRules& rules = whoisRegistries().rulesFor(server, name);
    const WhoisReading reading = readWhois(whoisLines(answer, rules.encoding), name, rules);
    QStringList evidence;
    for (const QString& key : {Key::RegStatus, Key::RegRegistrar, Key::RegCreated, Key::RegExpiry}) {
        QStringList lines;
        for (int line : reading.evidence.value(key))
            lines << QString::number(line + 1);
        evidence << (lines.isEmpty() ? u"-"_s : lines.join(u'+'));
    }
    return row(reading.cells) + u" ←"_s + evidence.join(u',');
}

// Answers of the corpus no rule can read, and why: the program says 未知 and tells why, never the opposite.
const QHash<QString, QString> kUnread {
    {u"whois.gandi.net/status_available.txt"_s, u"an empty answer says nothing"_s},
    {u"whois.iana.org/tld/status_not_assigned.txt"_s, u"IANA's record of a top-level domain, no registrable name"_s},
    {u"whois.nic.bo/bo/status_available.txt"_s, u"the server refuses what is not a .bo name"_s},
    {u"whois.nic.dz/dz/status_registered.txt"_s, u"fields written as \"Key#. . . value\""_s},
    {u"whois.registre.ma/ma/status_registered.txt"_s, u"RWhois records (\"domain:Domain-Name:…\")"_s},
    {u"whois.tonic.to/to/status_registered.txt"_s, u"no fact of the name, only its name servers"_s},
    {u"whois.nic.uk/uk/status_reserved.txt"_s, u"\"before Aug-1996\" is no day"_s},
    {u"whois.gov.za/gov.za/status_registered.txt"_s, u"its dates stand under a bare \"Date\""_s},
    {u"whois.in.ua/in.ua/status_registered.txt"_s, u"the date stands inside the status (\"OK-UNTIL 2013…\")"_s},
    {u"whois.ua/ua/uanic/status_registered.txt"_s, u"the dates stand behind a handle (\"0-UANIC 2002…\")"_s},
};

} // namespace

void TestRegistration::initTestCase()
{
    QVERIFY2(whoisRegistryProblems().isEmpty(), qPrintable(whoisRegistryProblems().join(u'\n')));
}

void TestRegistration::corpus_data()
{
    QTest::addColumn<int>("index");
    static const QList<CorpusAnswer> corpus = readWhoisCorpus(QStringLiteral(QUILLMARK_TEST_DATA_DIR "/whois-corpus"));
    QVERIFY(corpus.size() > 500);
    for (int i = 0; i < corpus.size(); ++i)
        QTest::newRow(qPrintable(corpus.at(i).path)) << i;
}

void TestRegistration::corpus()
{
    QFETCH(int, index);
    static const QList<CorpusAnswer> corpus = readWhoisCorpus(QStringLiteral(QUILLMARK_TEST_DATA_DIR "/whois-corpus"));
    const CorpusAnswer& entry = corpus.at(index);
    const WhoisRules& rules = whoisRegistries().rulesFor(entry.server);
    const auto cells = readWhois(whoisLines(entry.answer, rules.encoding), entry.asked, rules).cells;
    const CellResult status = cells.value(Key::RegStatus);
    // Never the opposite of what the registry said, whatever is known of its format.
    QVERIFY2(status.text != (entry.kind == u"available"_s ? u"已注册"_s : u"未注册"_s), qPrintable(entry.asked));
    if (kUnread.contains(entry.path))
        return;
    if (entry.kind == u"registered"_s)
        QCOMPARE(status.text, u"已注册"_s);
    else if (entry.kind == u"available"_s)
        QCOMPARE(status.text, u"未注册"_s);
    else if (entry.kind == u"reserved"_s)
        QCOMPARE(status.problem, u"保留域名"_s);
    if (status.text != u"已注册"_s)
        return;
    // Every date the answer carries, read and right; never a date of a contact's.
    if (entry.created && !entry.created->isEmpty())
        QCOMPARE(cells.value(Key::RegCreated).text, *entry.created);
    if (entry.expiry && !entry.expiry->isEmpty())
        QCOMPARE(cells.value(Key::RegExpiry).text, *entry.expiry);
}

namespace {

const QString kFree = u"未注册|无|无|无"_s;
const QString kNotOurs = u"未知|未知|未知|未知 !WHOIS 应答不是 example.cn 的记录 ←1,-,-,-"_s;
const QString kUnreadable = u"未知|未知|未知|未知 !WHOIS 应答无法识别 ←-,-,-,-"_s;
const QByteArray kRecord = "Domain Name: example.cn\r\nROID: 20030311s10001s00012345-cn\r\nDomain Status: ok\r\n"
                           "Sponsoring Registrar: \xe9\x98\xbf\xe9\x87\x8c\xe4\xba\x91\r\nRegistration Time: "
                           "2003-03-17 12:20:05\r\nExpiration Time: 2027-03-17 12:48:36\r\n";
const QString kHeld = u"已注册|阿里云|2003-03-17|2027-03-17 ←1,4,5,6"_s;

void answer(
    const char* what, const char* name, const QByteArray& text, const QString& expected, const char* server = "")
{
    QTest::newRow(what) << QString::fromLatin1(name) << text << QString::fromLatin1(server) << expected;
}

// Records, and what a contact's, a registrar's or the terms' words must not lend them (the longer records in
// tests/data, as the registries lay them out).
void recordRows()
{
    answer("a record beside a line that starts like not-found", "example.cn",
        kRecord + "\r\nNot found: terms apply to all lookups\r\n", kHeld);
    answer("a record whose terms speak of rate limits", "example.cn",
        kRecord + "\r\nTERMS OF USE: you agree not to exceed the query rate or volume limits.\r\n", kHeld);
    answer("a record not reserved by its registry", "example.cn", kRecord + "Reserved By Registry: No\r\n", kHeld);
    answer("contacts' dates are theirs", "example.it", testData(u"whois-contacts.it.txt"_s),
        u"已注册|Example Registrar srl|1999-12-10|2027-04-21 ←1,11,3,4"_s);
    answer("a registrar's block has no dates of the name's", "example.it", testData(u"whois-registrar-block.it.txt"_s),
        u"已注册|Foo srl|无|无 ←1,5,-,-"_s);
    answer("a flat registrar block after a record", "example.cn", testData(u"whois-registrar-flat.cn.txt"_s),
        u"已注册|Foo|无|无 ←1,3,-,-"_s);
    // Where the record has no date or registrar of its own, a contact's or the registrar's section lends none.
    answer("a contact's dates where the record has none", "example.it", testData(u"whois-contact-only-dates.it.txt"_s),
        u"已注册|无|无|无 ←1,-,-,-"_s);
    answer("a contact object's registrar where the record has none", "example.fr",
        testData(u"whois-contact-registrar.fr.txt"_s), u"已注册|无|2004-05-06|无 ←2,-,3,-"_s);
    answer("a registrar object's dates where the record has none", "example.fr",
        testData(u"whois-registrar-dates.fr.txt"_s), u"已注册|Foo Registrar SAS|无|无 ←1,3,-,-"_s);
    answer("a day and month no one can tell apart", "example.zz", "Domain Name: example.zz\nExpiry Date: 03/04/2027\n",
        u"已注册|无|无|无 ←1,-,-,2"_s);
}

// Each line in its own encoding, one line's never garbling another's (the answers as the registries send them, in
// tests/data).
void encodingRows()
{
    answer("a record in Chinese for a Chinese name", "xn--fsqu00a.xn--fiqs8s",
        testData(u"whois-chinese-name.utf8.txt"_s), u"已注册|X|2012-05-01|2027-05-01 ←1,3,4,5"_s);
    // The registrar is UTF-8, the registrant GB18030.
    answer("mixed encodings", "example.cn", testData(u"whois-mixed.gb18030-utf8.txt"_s),
        u"已注册|阿里云计算|无|无 ←1,3,-,-"_s);
    answer("a GB18030 registrar", "example.cn", testData(u"whois-registrar.gb18030.txt"_s),
        u"已注册|北京新网数码信息技术有限公司|2003-03-17|无 ←1,3,4,-"_s);
    answer("a GB18030 key", "example.cn", testData(u"whois-key.gb18030.txt"_s), u"已注册|无|无|2029-03-17 ←1,-,-,3"_s);
    answer("Latin-1 lines where the registry says so", "example.de", testData(u"whois-registrar.latin1.txt"_s),
        u"已注册|Müller & Söhne GmbH|无|无 ←1,3,-,-"_s);
    // A registry that writes Latin-1 may send a line in UTF-8: that line is UTF-8.
    answer("a UTF-8 line among Latin-1 ones", "example.de", testData(u"whois-utf8-among-latin1.txt"_s),
        u"已注册|Müller & Söhne GmbH|无|无 ←1,3,-,-"_s);
}

// The registry's words for a free name count only as the answer, about the name asked, never inside a record.
void notFoundRows()
{
    // One phrase of the list stands for them all.
    answer("not found inside a record", "example.cn",
        "Domain Name: example.cn\r\nSponsoring Registrar: Foo\r\nNot found\r\nExpiration Time: 2029-03-17 12:48:36\r\n",
        u"已注册|Foo|无|2029-03-17 ←1,2,-,4"_s);
    answer("a not-found whose terms speak of rate limits", "example.cn", testData(u"whois-not-found-terms.txt"_s),
        kFree + u" ←1,-,-,-"_s);
    answer("a free name's record", "example.it", "Domain:             example.it\nStatus:             AVAILABLE\n",
        kFree + u" ←2,-,-,-"_s);
    answer("another name's no-match", "example.cn", "No match for \"OTHER-EXAMPLE.CN\".\r\n", kNotOurs);
    answer(
        "an echo of another name, then no match", "example.cn", "Query: other.cn\r\nNo matching record.\r\n", kNotOurs);
    answer("an echo of another name, a blank, then no match", "example.cn",
        "Query: other.cn\r\n\r\nNo matching record.\r\n", kNotOurs);
    answer("another name's record, then no match", "example.cn", testData(u"whois-other-record.cn.txt"_s), kNotOurs);
    // Under a host the data file does not know, the generic reader meets every registry's own words.
    answer("a free name's status with its code", "example.zz", "domain_name: example.zz\nquery_status: 220 Available\n",
        kFree + u" ←2,-,-,-"_s, "whois.unknown.test");
    answer("a free name's status in words no phrase knows", "example.zz",
        "Domain Name: example.zz\nDomain Status: Available - ask your registrar\n",
        u"未知|未知|未知|未知 !WHOIS 记录的状态是 Available - ask your registrar，不能算已注册 ←2,-,-,-"_s,
        "whois.unknown.test");
}

// Answers that are no record: told as such, never taken for a registered or a free name.
void unreadRows()
{
    answer("a banner with a stray date", "example.cn",
        "Welcome to our WHOIS service.\r\nCreated: 2024-01-01 by the operations team\r\n", kUnreadable);
    answer("the name and nothing else", "example.cn", "Domain Name: example.cn\r\n",
        u"未知|未知|未知|未知 !WHOIS 记录中只有域名，没有注册信息 ←1,-,-,-"_s);
    // Terms of use speak of rate limits and of names not found; with no record, they are no answer.
    answer("terms that speak of rate limits, and no record", "example.cn", testData(u"whois-terms-rate-limits.txt"_s),
        kUnreadable);
    answer("terms with a line that reads as not found, and no record", "example.cn",
        testData(u"whois-terms-not-found.txt"_s), kUnreadable);
    answer("too fast", "example.cn", "Queried interval is too short.\r\n",
        u"未知|未知|未知|未知 !WHOIS 服务器要求放慢查询 slower ←1,-,-,-"_s);
    answer("reserved", "example.cn", "The domain you requested is prohibited.\r\n",
        u"未知|未知|未知|未知 !保留域名 ←1,-,-,-"_s);
    answer("empty", "example.cn", " \r\n", u"未知|未知|未知|未知 !WHOIS 应答为空 ←-,-,-,-"_s);
    answer("bytes no encoding reads are no empty answer", "example.cn", "\xff\xfe\xff\r\n\xa1\r\n", kUnreadable);
    answer("a megabyte of short lines is no empty answer", "example.cn", QByteArray("\xa1\n").repeated(512 * 1024),
        u"未知|未知|未知|未知 !WHOIS 应答过长（超过 10000 行），未读 ←-,-,-,-"_s);
}

} // namespace

void TestRegistration::answers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("server"); // empty: the one the data file names for the name
    QTest::addColumn<QString>("expected");
    recordRows();
    encodingRows();
    notFoundRows();
    unreadRows();
}

void TestRegistration::answers()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, answer);
    QFETCH(QString, server);
    QTEST(whoisRow(name, answer, server), "expected");
}

void TestRegistration::dates_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("expected");
    const auto add = [](const char* written, DateOrder order, const char* expected) {
        QTest::newRow(written) << QString::fromUtf8(written) << int(order) << QString::fromLatin1(expected);
    };
    add("2004-04-06", DateOrder::Unknown, "2004-04-06");
    add("2004-04-06T23:30:00+08:00", DateOrder::Unknown, "2004-04-06");
    add("2004-04-06T23:30:00Z", DateOrder::Unknown, "2004-04-06");
    add("2004/04/06 12:00:00 (JST)", DateOrder::Unknown, "2004-04-06");
    add("2004.04.06", DateOrder::Unknown, "2004-04-06");
    add("2004. 04. 06.", DateOrder::Unknown, "2004-04-06");
    add("20040406", DateOrder::Unknown, "2004-04-06");
    add("2004年4月6日", DateOrder::Unknown, "2004-04-06");
    add("06-04-2004", DateOrder::DayMonth, "2004-04-06");
    add("04/06/2004", DateOrder::MonthDay, "2004-04-06");
    add("06.04.2004 03:34:05", DateOrder::DayMonth, "2004-04-06");
    add("06-04-2004", DateOrder::Unknown, "");
    add("26-04-2004", DateOrder::Unknown, "2004-04-26");
    add("04/26/2004", DateOrder::Unknown, "2004-04-26");
    add("06-Apr-2004", DateOrder::MonthDay, "2004-04-06");
    add("21-March-2002", DateOrder::Unknown, "2002-03-21");
    add("7th April, 2018", DateOrder::Unknown, "2018-04-07");
    add("Friday 7th November 2003", DateOrder::Unknown, "2003-11-07");
    add("Tue Apr 06 2004", DateOrder::Unknown, "2004-04-06");
    add("Sun Mar 30 23:59:00 2014", DateOrder::Unknown, "2014-03-30");
    add("Fri Mar 29 22:03:53 GMT 2002", DateOrder::Unknown, "2002-03-29");
    add("April 6, 2004", DateOrder::Unknown, "2004-04-06");
    add("2001-Aug-23.", DateOrder::Unknown, "2001-08-23");
    add("Connected (2010/09/30)", DateOrder::Unknown, "2010-09-30");
    add("before Aug-1996", DateOrder::Unknown, "");
    add("2004-02-30", DateOrder::Unknown, "");
    add("0000-00-00", DateOrder::Unknown, "");
}

void TestRegistration::dates()
{
    QFETCH(QString, written);
    QFETCH(int, order);
    QTEST(whoisDate(written, DateOrder(order)), "expected");
}

void TestRegistration::rdap_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("expected");
    const QString asked = u"https://rdap.test/domain/example.test"_s;
    const QByteArray held = R"({"objectClassName":"domain","ldhName":"EXAMPLE.TEST","entities":[{"roles":["technical"],
        "vcardArray":["vcard",[["fn",{},"text","Tech"]]]},{"roles":["registrar"],"vcardArray":["vcard",[["version",{},
        "text","4.0"],["fn",{},"text","Example Registrar, Inc."]]]}],"events":[{"eventAction":"registration",
        "eventDate":"1995-08-14T04:00:00Z"},{"eventAction":"expiration","eventDate":"2027-08-13T04:00:00+08:00"}]})";
    const QString free = u"未注册|无|无|无"_s;
    const QString notOurs = u"未知|未知|未知|未知 !RDAP 应答不是 example.test 的域名记录"_s;
    const auto add = [](const char* what, int status, const QByteArray& body, const QString& from,
                         const QString& expected) { QTest::newRow(what) << status << body << from << expected; };
    add("registered", 200, held, asked, u"已注册|Example Registrar, Inc.|1995-08-14|2027-08-13"_s);
    add("not found", 404, R"({"errorCode":404,"title":"Not Found"})", asked, free);
    add("not found, nothing said", 404, "", asked, free);
    add("not found inside 200", 200, R"({"errorCode":"404"})", asked, free);
    // A wrong address in [rdap-servers] makes the web server answer its own page, which says nothing of the name.
    add("a web server's own 404 page", 404, "<html><h1>404 Not Found</h1></html>", asked,
        u"未知|未知|未知|未知 !RDAP 服务地址可能有误（HTTP 404，不是 RDAP 应答）"_s);
    add("a 404 after a redirect to another host", 404, R"({"errorCode":404})", u"https://elsewhere.test/domain/x"_s,
        u"未知|未知|未知|未知 !RDAP 服务地址可能有误（HTTP 404，来自另一主机 elsewhere.test）"_s);
    add("not JSON", 200, "<html>", asked, u"未知|未知|未知|未知 !RDAP 应答无法解析"_s);
    add("an empty object", 200, "{}", asked, notOurs);
    add("an error object", 200, R"({"objectClassName":"error","ldhName":"example.test"})", asked, notOurs);
    add("another domain", 200, R"({"objectClassName":"domain","ldhName":"other.test"})", asked, notOurs);
    add("a date that is none", 200,
        R"({"objectClassName":"domain","ldhName":"example.test","events":[{"eventAction":"expiration","eventDate":"soon"}]})",
        asked, u"已注册|无|无|无"_s);
}

void TestRegistration::rdap()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, from);
    QFETCH(QString, expected);
    QHash<QString, QString> why;
    PageResult page;
    page.text = QString::fromUtf8(body);
    page.status = status;
    page.url = QUrl(from);
    QCOMPARE(row(rdapCells(page, u"example.test"_s, QUrl(u"https://rdap.test/domain/example.test"_s), &why)), expected);
    // What each cell came from is told for 查看应答原文.
    if (expected.startsWith(u"已注册|Example"_s))
        QCOMPARE(why.value(Key::RegCreated), u"events[0]（registration）eventDate：1995-08-14T04:00:00Z"_s);
}

void TestRegistration::endpoints_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("host") << u"whois.test"_s << u"whois.test 43"_s;
    QTest::newRow("host and port") << u"127.0.0.50:4343"_s << u"127.0.0.50 4343"_s;
    QTest::newRow("v6 with a port") << u"[::1]:4343"_s << u"::1 4343"_s;
    QTest::newRow("v6 alone") << u"::1"_s << u"::1 43"_s;
    QTest::newRow("a port past 65535 is not wrapped") << u"127.0.0.50:85652"_s << QString();
    QTest::newRow("a port that is no number") << u"127.0.0.50:x"_s << QString();
    QTest::newRow("port 0") << u"127.0.0.50:0"_s << QString();
    QTest::newRow("no host") << u":43"_s << QString();
    QTest::newRow("v6 unclosed") << u"[::1:43"_s << QString();
}

void TestRegistration::endpoints()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<Endpoint> endpoint = parseEndpoint(text, 43);
    QCOMPARE(endpoint ? u"%1 %2"_s.arg(endpoint->host).arg(endpoint->port) : QString(), expected);
    // The variable that holds it is said in the cells, never replaced by a default.
    const ScopedEnv relay("QUILLMARK_HOST_WHOIS", text.toUtf8());
    QCOMPARE(hostVariableProblem(whoisService()).isEmpty(), !expected.isEmpty());
}

void TestRegistration::registriesFile()
{
    // A bad entry is told by its place and server; the others load, and a later file's entry replaces one.
    WhoisRegistries registries;
    const QStringList problems = registries.add(R"({"registries":[
        {"server":"whois.a.test","suffixes":["a"],"dateOrder":"dym"},
        {"server":"whois.b.test","suffixes":["b"],"notfound":["x"]},
        {"server":"whois.c.test","suffixes":["c"],"query":"{name}/e","notFound":["gone"]}]})",
        u"f.json"_s);
    QCOMPARE(problems,
        (QStringList {u"f.json 第 1 项（whois.a.test）：dateOrder 应为 dmy 或 mdy"_s,
            u"f.json 第 2 项（whois.b.test）：不认识的字段 notfound"_s}));
    QCOMPARE(registries.serverFor(u"x.c"_s), u"whois.c.test"_s);
    QCOMPARE(registries.serverFor(u"x.a"_s), QString());
    QCOMPARE(registries.query(u"whois.c.test"_s, u"x.c"_s), QByteArray("x.c/e"));
    // Registries rename their hosts: one the file does not know asks and reads by the entry of the name's suffix.
    QCOMPARE(registries.query(u"whois.renamed.test"_s, u"x.c"_s), QByteArray("x.c/e"));
    // A suffix it only serves is read by its rules but asked where IANA says: the file's host may be gone.
    QVERIFY(
        registries.add(R"({"registries":[{"server":"whois.d.test","serves":["d"],"query":"{name}/d"}]})", u"h.json"_s)
            .isEmpty());
    QCOMPARE(registries.serverFor(u"x.d"_s), QString());
    QCOMPARE(registries.query(u"whois.renamed.test"_s, u"x.d"_s), QByteArray("x.d/d"));
    QVERIFY(registries.add(R"({"registries":[{"server":"whois.c.test","suffixes":["cc"]}]})", u"g.json"_s).isEmpty());
    QCOMPARE(registries.serverFor(u"x.cc"_s), u"whois.c.test"_s);
    QCOMPARE(registries.query(u"whois.c.test"_s, u"x.c"_s), QByteArray("x.c"));
    // A user's generic phrases add to the shipped ones, never replace them.
    WhoisRegistries own = whoisRegistries();
    QVERIFY(own.add(R"({"generic":{"notFound":["free"]}})", u"own.json"_s).isEmpty());
    for (const QString& answer : {u"free"_s, u"No match"_s})
        QCOMPARE(row(readWhois({answer}, u"x.zz"_s, own.rulesFor(u"whois.zz.test"_s)).cells), u"未注册|无|无|无"_s);
    // The shipped table asks JPRS for English and DENIC for the whole record (test_registries asks CNNIC).
    QCOMPARE(whoisRegistries().query(u"whois.jprs.jp"_s, u"example.jp"_s), QByteArray("example.jp/e"));
    QCOMPARE(whoisRegistries().query(u"whois.denic.de"_s, u"example.de"_s), QByteArray("-T dn,ace example.de"));
}

QTEST_GUILESS_MAIN(TestRegistration)
#include "test_registration.moc"
