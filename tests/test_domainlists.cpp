// SPDX-License-Identifier: GPL-3.0-or-later
// Domain lists as they come in: a pasted list queued line by line exactly as it stands, and files of any
// encoding read one line at a time (a stray line in another encoding marked, not spread to the rest), whole or
// a byte at a time down a pipe.
#include "input/domains.h"

#include "scoped.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestDomainLists : public QObject
{
    Q_OBJECT
private slots:
    void pasted();
    void domainFiles_data();
    void domainFiles();
    void cutNamesInEnglish();
};

void TestDomainLists::pasted()
{
    QCOMPARE(domainsFromInput(u"a.test\r\nb.test\r\n"_s), (QStringList {u"a.test"_s, u"b.test"_s}));
    QCOMPARE(domainsFromInput(u"\r\n"_s), QStringList());
    QCOMPARE(domainsFromInput(u"a.test\nb.test"_s), QStringList {u"a.test\nb.test"_s}); // a lone LF stays inside
    // Spaces and duplicates kept.
    QCOMPARE(
        domainsFromInput(u"  a.test \r\n \r\n  a.test "_s), (QStringList {u"  a.test "_s, u" "_s, u"  a.test "_s}));
}

namespace {

// Windows Notepad's "Unicode" (UTF-16 LE) and its big-endian kin, laid out a code unit at a time behind their
// byte-order mark.
QByteArray utf16(QStringView text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? "\xFE\xFF"_ba : "\xFF\xFE"_ba;
    for (const QChar unit : text) {
        const char high = char(unit.unicode() >> 8), low = char(unit.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

void TestDomainLists::domainFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("domains"); // one a line; an unreadable one followed by "!" and its reason
    QTest::newRow("a spreadsheet's CSV with a header and quoted fields")
        << "\xEF\xBB\xBF域名,备注\r\n\"a.test\",x\r\n\r\n b.test ,\"y, z\"\n"_ba << u"a.test\nb.test"_s;
    QTest::newRow("a plain list in GB18030") << "\xc0\xfd\xd7\xd3.test\nc.test"_ba << u"例子.test\nc.test"_s;
    // One stray byte used to turn the whole file into GB18030, changing every other name.
    QTest::newRow("UTF-8 with one line that is not")
        << "例子.test\nca\xe9.test\n\xd1\x80\xd0\xb0\xd1\x83\xd1\x80\xd0\xb0l.test\n"_ba
        << u"例子.test\nca\ufffd.test!第 2 行无法识别（不是 UTF-8 编码）\n\u0440\u0430\u0443\u0440\u0430l.test"_s;
    QTest::newRow("GB18030 with a line that is not")
        << "\xc0\xfd\xd7\xd3.test\n\x81\x20x.test\n"_ba
        << u"例子.test\n\ufffd x.test!第 2 行无法识别（不是 GB18030 编码）"_s;
    QTest::newRow("full-width dots are dots, and no header is dropped for one") << "ok\xe3\x80\x82test\na\xef\xbc\x8e"
                                                                                   "b.test\n"_ba
                                                                                << u"ok.test\na.b.test"_s;
    QTest::newRow("control characters do not reach the grid")
        << "a\tb.test\n\x1b[2Jc.test"_ba << u"a\ufffdb.test\n\ufffd[2Jc.test"_s;
    // Longer than a domain can be: cut at once, never held whole (past 4 KiB only the first field is counted),
    // and no header for want of a dot.
    const QString cut = QString(40, u'a') + u"…（共 %1 字）!第 %2 行过长（共 %1 字），不是域名"_s;
    QTest::newRow("an overlong first line")
        << QByteArray(254, 'a') + " \r\nb.test" << cut.arg(254).arg(1) + u"\nb.test"_s;
    QTest::newRow("a line past what is held, CR line ends") << "a.test\r" + QByteArray(5000, 'a') + "  ,x\rb.test"_ba
                                                            << u"a.test\n"_s + cut.arg(5000).arg(2) + u"\nb.test"_s;
    QTest::newRow("a long CSV row with a short first field")
        << "a.test," + QByteArray(9000, 'x') + "\nb.test"_ba << u"a.test\nb.test"_s;
    QTest::newRow("a long GB18030 line counted in characters")
        << "\xc0\xfd.test\n" + QByteArray(3000, 'x').replace("x", "\xc0\xfd")
        << u"例.test\n"_s + QString(40, u'例') + u"…（共 3000 字）!第 2 行过长（共 3000 字），不是域名"_s;
    // Read as single bytes, every other one a NUL, each name used to come out as garbage marked 无效域名.
    QTest::newRow("UTF-16 LE with its byte-order mark, a header and a character past the BMP") << utf16(
        u"域名\r\na.test\r\n例子.test\r\n\U0001F600.test\r\n", false) << u"a.test\n例子.test\n\U0001F600.test"_s;
    QTest::newRow("UTF-16 BE with its byte-order mark, CR line ends")
        << utf16(u"例子.test\rb.test", true) << u"例子.test\nb.test"_s;
    QTest::newRow("a UTF-16 line past what is held")
        << utf16(QString(u"a.test\r\n"_s + QString(5000, u'例') + u"\r\nb.test"_s), false)
        << u"a.test\n"_s + QString(40, u'例') + u"…（共 5000 字）!第 2 行过长（共 5000 字），不是域名\nb.test"_s;
}

void TestDomainLists::domainFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, domains);
    const auto shown = [](const DomainFile& read) {
        QStringList got;
        for (int i = 0; i < read.domains.size(); ++i)
            got.append(
                read.domains.at(i) + (read.unreadable.contains(i) ? u"!"_s + read.unreadable.value(i) : QString()));
        return got.join(u'\n');
    };
    QCOMPARE(shown(domainsFromFile(file)), domains);
    // The same list as it comes down a pipe, a byte at a time: CR LF and characters split between reads.
    DomainReader reader;
    DomainFile piecewise;
    for (qsizetype at = 0; at <= file.size(); ++at) {
        const DomainFile part
            = reader.read(QByteArrayView(file).sliced(at, at < file.size() ? 1 : 0), at == file.size());
        for (auto it = part.unreadable.cbegin(); it != part.unreadable.cend(); ++it)
            piecewise.unreadable.insert(int(piecewise.domains.size()) + it.key(), it.value());
        piecewise.domains += part.domains;
    }
    QCOMPARE(shown(piecewise), domains);
}

void TestDomainLists::cutNamesInEnglish()
{
    // An overlong line is shown cut, and no request is made for it: in English as in Chinese, and for rows read
    // in Chinese and run again in English. Recognised by the Chinese tail alone, the English one was asked for.
    const QString line(300, u'a');
    const QString chinese = cutName(line, 300);
    const ScopedTranslation english({{{"Names", "…（共 %1 字）"}, u"… (%1 characters)"_s}});
    const QString cut = cutName(line, 300);
    QCOMPARE(cut, QString(40, u'a') + u"… (300 characters)"_s);
    QVERIFY(isOverlongName(cut));
    QVERIFY(isOverlongName(chinese));
    QVERIFY(!isOverlongName(u"例子…test"_s));
}

QTEST_GUILESS_MAIN(TestDomainLists)
#include "test_domainlists.moc"
