// SPDX-License-Identifier: GPL-3.0-or-later
// The table of lookups and the services they ask: every key and service once, each service with a name and a
// pace, the designed columns in their order, what a table says when it is not so, and the results' cells
// following their lookup when the table changes.
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
    void cellsFollowTheirLookupWhenTheTableChanges();
};

void TestTable::builtInTableIsSound()
{
    const LookupTable table = makeLookupTable();
    QVERIFY2(table.problems().isEmpty(), qPrintable(table.problems().join(u'\n')));
    // The designed columns first, in the batch's order; the rank list's service asked like any other.
    QStringList keys;
    for (const Lookup* lookup : table.lookups())
        keys << lookup->key;
    QCOMPARE(keys.mid(0, 8),
        (QStringList {u"registrar"_s, u"icp"_s, u"baidu-index"_s, u"baidu-links"_s, u"alexa"_s, u"yahoo"_s,
            u"outbound"_s, u"ip"_s}));
    for (const Lookup* lookup : table.lookups()) {
        const std::optional<Service> service = table.services().find(lookup->service.key);
        QVERIFY2(service && !service->name.isEmpty() && service->pace.concurrency >= 1, qPrintable(lookup->key));
    }
    QCOMPARE(table.services().find(u"tranco"_s)->pace.concurrency, 16);
    QCOMPARE(table.services().find(u"whois"_s)->pace.gapMs, 1000);
    QCOMPARE(table.byKey(u"rdap-expiry"_s), table.byKey(u"reg-expiry"_s));
    QCOMPARE(table.header(DomainColumn), u"查询域名地址"_s);
}

void TestTable::faultsAreSaid()
{
    // A second entry under a taken key, a service named twice otherwise (its pace, its host), and one with no
    // pace.
    const Lookup first {.key = u"a"_s, .service = {u"s"_s, u"S"_s, {2}}};
    const Lookup again {.key = u"A"_s, .service = {u"s"_s, u"S"_s, {3}}};
    const Lookup unnamed {.key = u"b"_s, .service = {u"t"_s, {}, {0}}};
    const Lookup elsewhere {.key = u"c"_s, .service = {u"s"_s, u"S"_s, {2}, "QUILLMARK_HOST_S", "s.test"}};
    const auto held
        = [](const Lookup& lookup) { return std::shared_ptr<const Lookup>(std::shared_ptr<const Lookup>(), &lookup); };
    const LookupTable table({held(first), held(again), held(unnamed), held(elsewhere)});
    QCOMPARE(table.problems(),
        (QStringList {u"查询的键 A 为空或重复"_s, u"服务 s 有两种定义"_s, u"查询 b 的服务 t 没有名称或速度"_s,
            u"服务 s 有两种定义"_s}));
    // A user's lookup may keep a built-in service's pace without saying it again.
    CustomLookup mine;
    mine.key = mine.header = u"mine"_s;
    mine.url = u"https://a.test/{ascii}"_s;
    mine.service = u"baidu"_s;
    const LookupTable withMine = makeLookupTable({mine});
    QVERIFY(withMine.problems().isEmpty());
    QCOMPARE(withMine.services().find(u"baidu"_s)->pace.concurrency, 1);
}

void TestTable::cellsFollowTheirLookupWhenTheTableChanges()
{
    const auto custom = [](const QString& key) {
        CustomLookup lookup;
        lookup.key = lookup.header = key;
        lookup.url = u"https://a.test/{ascii}"_s;
        lookup.extraction = Extraction::Json;
        return lookup;
    };
    Results results;
    results.setTable(std::make_shared<const LookupTable>(makeLookupTable({custom(u"one"_s), custom(u"two"_s)})));
    results.reset({u"a.test"_s, u"b.test"_s});
    const auto at = [&](const QString& key) { return results.table().columnOf(*results.table().byKey(key)); };
    results.setCell(1, at(u"dns"_s), u"127.0.0.1"_s);
    results.setCell(1, at(u"one"_s), u"1"_s, u"HTTP 500"_s);
    results.setCell(1, at(u"two"_s), u"2"_s, {}, u"note"_s);
    results.setEarlier(1, at(u"two"_s), {u"3"_s, QDate(2026, 12, 1)});

    // "one" removed, "three" added: each cell stays with its lookup, the new one starts blank.
    const int two = at(u"one"_s); // where "one" stood
    results.setTable(std::make_shared<const LookupTable>(makeLookupTable({custom(u"two"_s), custom(u"three"_s)})));
    QCOMPARE(results.table().header(two), u"two"_s);
    QCOMPARE(results.text(1, DomainColumn), u"b.test"_s);
    QCOMPARE(results.text(1, at(u"dns"_s)), u"127.0.0.1"_s); // a built-in did not move
    QCOMPARE(results.text(1, two), u"2"_s);
    QCOMPARE(results.note(1, two), u"note"_s);
    QCOMPARE(results.earlier(1, two)->text, u"3"_s);
    QCOMPARE(results.problem(1, two), QString()); // "one"'s mark went with it
    QCOMPARE(results.problemCount(), 0);
    QCOMPARE(results.text(1, two + 1), u" "_s);
    QVERIFY(!results.isWritten(1, two + 1) && results.isWritten(1, two));
    QCOMPARE(results.text(0, two), u" "_s);
}

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
