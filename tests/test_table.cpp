// The table of lookups and the services they ask: every key and service once, each service with a name and a
// pace, the designed columns in their order, and what a table says when it is not so.
#include "queries/engine/lookup.h"
#include "queries/lookups/builtin.h"

#include "testing.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestTable : public QObject
{
    Q_OBJECT
private slots:
    void builtInTableIsSound();
    void faultsAreSaid();
};

void TestTable::builtInTableIsSound()
{
    const LookupTable table = makeLookupTable();
    QVERIFY2(table.problems().isEmpty(), qPrintable(table.problems().join(u'\n')));
    // The designed columns first, in the batch's order; the rank list's service asked like any other.
    QStringList keys;
    for (const Lookup* lookup : table.lookups())
        keys << lookup->key;
    QCOMPARE(keys.mid(0, 8), (QStringList {u"registrar"_s, u"icp"_s, u"baidu-index"_s, u"baidu-links"_s, u"alexa"_s,
                                 u"yahoo"_s, u"outbound"_s, u"ip"_s}));
    for (const Lookup* lookup : table.lookups()) {
        const std::optional<ServiceInfo> service = table.services().find(lookup->service);
        QVERIFY2(service && !service->name.isEmpty() && service->pace.concurrency >= 1, qPrintable(lookup->key));
    }
    QCOMPARE(table.services().find(u"tranco"_s)->pace.concurrency, 16);
    QCOMPARE(table.services().find(u"whois"_s)->pace.gapMs, 1000);
    QCOMPARE(table.byKey(u"rdap-expiry"_s), table.byKey(u"reg-expiry"_s));
    QCOMPARE(table.header(DomainColumn), u"查询域名地址"_s);
}

void TestTable::faultsAreSaid()
{
    // A second entry under a taken key, a service named twice otherwise, and one with no pace.
    const Lookup first {.key = u"a"_s, .service = u"s"_s, .serviceName = u"S"_s, .pace = {2}};
    const Lookup again {.key = u"A"_s, .service = u"s"_s, .serviceName = u"S"_s, .pace = {3}};
    const Lookup unnamed {.key = u"b"_s, .service = u"t"_s, .pace = {0}};
    const auto held = [](const Lookup& lookup) { return std::shared_ptr<const Lookup>(std::shared_ptr<const Lookup>(), &lookup); };
    const LookupTable table({held(first), held(again), held(unnamed)});
    QCOMPARE(table.problems(),
        (QStringList {u"查询的键 A 为空或重复"_s, u"服务 s 有两种定义"_s, u"查询 b 的服务 t 没有名称或速度"_s}));
    // A user's lookup may keep a built-in service's pace without saying it again.
    CustomLookup mine;
    mine.key = mine.header = u"mine"_s;
    mine.url = u"https://a.test/{ascii}"_s;
    mine.service = u"baidu"_s;
    const LookupTable withMine = makeLookupTable({mine});
    QVERIFY(withMine.problems().isEmpty());
    QCOMPARE(withMine.services().find(u"baidu"_s)->pace.concurrency, 1);
}

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
