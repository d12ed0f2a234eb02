// SPDX-License-Identifier: GPL-3.0-or-later
// The English interface: every text of the translation is there and whole, and a batch in English holds
// the same values as one in Chinese, only shown otherwise.
#include "TestWhoisServer.h"
#include "walkerfixture.h"

#include "settings/language.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

class TestLanguages : public QObject
{
    Q_OBJECT
private slots:
    void everyTextTranslated();
    void sameValuesInBothLanguages();
};

namespace {

struct Message
{
    QString context, source, translation;
    bool finished = true;
};

QList<Message> readTranslation(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name"_s)
            context = xml.readElementText();
        else if (xml.name() == u"source"_s)
            messages.append({context, xml.readElementText(), {}});
        else if (xml.name() == u"translation"_s && !messages.isEmpty()) {
            messages.last().finished = xml.attributes().value(u"type"_s).isEmpty();
            messages.last().translation = xml.readElementText();
        }
    }
    return xml.hasError() ? QList<Message> {} : messages;
}

QStringList placeholders(const QString& text)
{
    static const QRegularExpression mark(u"%[1-9]"_s);
    QStringList found;
    for (auto it = mark.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    found.sort();
    found.removeDuplicates();
    return found;
}

// Each cell of a batch: its value as stored, whether it failed, and its text.
struct Batch
{
    QStringList values, failed, texts;
};

Batch runBatch(Language language)
{
    Translators translators;
    if (!translators.apply(language))
        return {};
    WalkerFixture engine;
    if (!rdapOfTestAt(engine.dir.filePath(u"cache"_s), engine.server.hostPort()))
        return {};
    engine.server.route(u"/rdap/domain/taken.test"_s,
        TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"taken.test","events":[{"eventAction":
            "registration","eventDate":"2001-01-01T00:00:00Z"},{"eventAction":"expiration","eventDate":"2030-01-02T00:00:00Z"}]})"));
    engine.server.route(u"/rdap/domain/free.test"_s, TestHttpServer::page(R"({"errorCode":404})", 404));
    engine.server.route(u"/rdap/domain/broken.test"_s, TestHttpServer::page("{", 200));
    TestWhoisServer whois;
    whois.answers.insert("example.cn", "Domain Name: example.cn\r\nRegistration Time: 2003-03-17 12:20:05\r\n");
    ScopedEnv relay("QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    const QStringList keys {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s};
    if (!engine.run({u"taken.test"_s, u"free.test"_s, u"broken.test"_s, u"example.cn"_s, u"free.cn"_s, u"127.0.0.9"_s},
            QSet<QString>(keys.begin(), keys.end()), false))
        return {};
    Batch batch;
    const Results& results = engine.walker->results();
    for (int row = 0; row < 6; ++row) {
        for (const QString& key : keys) {
            const int column = columnOfKey(key);
            batch.values.append(results.value(row, column).stored());
            batch.failed.append(results.problem(row, column).isEmpty() ? u"-"_s : u"!"_s);
            batch.texts.append(results.text(row, column));
        }
    }
    return batch;
}

} // namespace

void TestLanguages::everyTextTranslated()
{
    const QList<Message> messages = readTranslation(QStringLiteral(QUILLMARK_TRANSLATIONS_DIR "/seo-quillmark_en.ts"));
    QVERIFY(messages.size() > 100);
    static const QRegularExpression han(u"[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"_s);
    for (const Message& message : messages) {
        const QString where = message.context + u": "_s + message.source;
        QVERIFY2(message.finished && !message.translation.isEmpty(), qPrintable(where));
        QVERIFY2(placeholders(message.source) == placeholders(message.translation), qPrintable(where));
        // Chinese or full-width punctuation left in the English is a text not yet translated.
        QVERIFY2(!han.match(message.translation).hasMatch(), qPrintable(where + u" → "_s + message.translation));
    }
}

void TestLanguages::sameValuesInBothLanguages()
{
    const Batch chinese = runBatch(Language::Chinese);
    const Batch english = runBatch(Language::English);
    QVERIFY(!chinese.values.isEmpty());
    QCOMPARE(english.values, chinese.values);
    QCOMPARE(english.failed, chinese.failed);
    // And the English batch really speaks English: 已注册 and 未注册 came out otherwise.
    QCOMPARE(chinese.texts.first(), u"已注册"_s);
    QCOMPARE(english.texts.first(), u"Registered"_s);
    QCOMPARE(english.texts.at(4), u"Available"_s);
}

QTEST_GUILESS_MAIN(TestLanguages)
#include "test_languages.moc"
